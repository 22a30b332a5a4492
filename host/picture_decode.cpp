// Picture files told apart by their first bytes; BMP, a header and rows of pixels, is read here
// with the strictness the other formats' decoders have.
#include <cstring>

#include "host/picture_decode_parts.h"

namespace keloscroll::host::picture_decode {

namespace {

// ---- BMP ----------------------------------------------------------------------------------------

uint32_t le(std::span<const uint8_t> d, size_t at, int bytes) {
  if (at + static_cast<size_t>(bytes) > d.size()) invalid();
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | d[at + static_cast<size_t>(i)];
  return v;
}

// A channel given by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    max = m >> shift;
    if ((max & (max + 1)) != 0) invalid();  // the bits of a channel lie together
  }
  uint32_t of(uint32_t v) const {
    return max ? static_cast<uint32_t>(uint64_t{(v & mask) >> shift} * 255 / max) : 0;
  }
};

}  // namespace

Pixels decodeBmp(std::span<const uint8_t> d) {
  const uint32_t offBits = le(d, 10, 4);
  const uint32_t header = le(d, 14, 4);
  int64_t w = 0, h = 0;
  uint32_t planes = 0, bpp = 0, compression = 0, colorsUsed = 0;
  size_t paletteEntry = 4;
  uint32_t masks[4] = {0, 0, 0, 0};
  size_t paletteAt = 14 + header;
  if (header == 12) {  // the OS/2 core header
    w = le(d, 18, 2);
    h = le(d, 20, 2);
    planes = le(d, 22, 2);
    bpp = le(d, 24, 2);
    paletteEntry = 3;
  } else if (header == 40 || header == 52 || header == 56 || header == 108 || header == 124) {
    if (d.size() < 14 + header) invalid();
    w = static_cast<int32_t>(le(d, 18, 4));
    h = static_cast<int32_t>(le(d, 22, 4));
    planes = le(d, 26, 2);
    bpp = le(d, 28, 2);
    compression = le(d, 30, 4);
    colorsUsed = le(d, 46, 4);
    if (compression == 3) {  // BI_BITFIELDS: after a plain header, the masks follow it
      for (int i = 0; i < 3; ++i) masks[i] = le(d, 54 + 4 * static_cast<size_t>(i), 4);
      if (header >= 56) masks[3] = le(d, 66, 4);
      if (header == 40) paletteAt += 12;
    }
  } else {
    invalid();
  }
  const bool topDown = h < 0;
  if (topDown) h = -h;
  if (planes != 1 || !sidesOk(w, h)) invalid();
  const bool indexed = bpp == 1 || bpp == 4 || bpp == 8;
  if (indexed || bpp == 24) {
    if (compression != 0) invalid();  // run-length encoded bitmaps are not read
  } else if (bpp == 16 || bpp == 32) {
    if (compression != 0 && compression != 3) invalid();
    if (compression == 0) {
      masks[0] = bpp == 16 ? 0x7C00u : 0xFF0000u;
      masks[1] = bpp == 16 ? 0x03E0u : 0x00FF00u;
      masks[2] = bpp == 16 ? 0x001Fu : 0x0000FFu;
      masks[3] = bpp == 16 ? 0 : 0xFF000000u;
    }
    if (!masks[0] || !masks[1] || !masks[2]) invalid();
  } else {
    invalid();
  }

  std::vector<uint32_t> palette;
  if (indexed) {
    const uint32_t most = 1u << bpp;
    const uint32_t count = colorsUsed ? colorsUsed : most;
    if (count > most) invalid();
    if (paletteAt + count * paletteEntry > offBits) invalid();
    for (uint32_t i = 0; i < count; ++i) {
      const size_t at = paletteAt + i * paletteEntry;
      palette.push_back(argb(0xFF, le(d, at + 2, 1), le(d, at + 1, 1), le(d, at, 1)));
    }
  }
  const uint64_t stride = (static_cast<uint64_t>(w) * bpp + 31) / 32 * 4;
  if (offBits < paletteAt || offBits > d.size() ||
      stride * static_cast<uint64_t>(h) > d.size() - offBits) {
    invalid();  // the rows end before the picture does
  }

  Pixels px;
  px.width = static_cast<int>(w);
  px.height = static_cast<int>(h);
  px.argb.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
  const Channel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
  bool anyAlpha = false;
  for (int64_t row = 0; row < h; ++row) {
    const uint8_t* src = d.data() + offBits + static_cast<size_t>(row) * stride;
    uint32_t* dst = px.argb.data() + static_cast<size_t>(topDown ? row : h - 1 - row) * px.width;
    for (int64_t x = 0; x < w; ++x) {
      uint32_t c;
      if (indexed) {
        const uint64_t bit = static_cast<uint64_t>(x) * bpp;
        const uint32_t index = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (index >= palette.size()) invalid();
        c = palette[index];
      } else if (bpp == 24) {
        const uint8_t* p = src + x * 3;
        c = argb(0xFF, p[2], p[1], p[0]);
      } else {
        const uint8_t* p = src + x * (bpp / 8);
        const uint32_t v = bpp == 16 ? p[0] | (uint32_t{p[1]} << 8)
                                     : p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                           (uint32_t{p[3]} << 24);
        const uint32_t alpha = a.of(v);
        anyAlpha = anyAlpha || alpha != 0;
        c = argb(alpha, r.of(v), g.of(v), b.of(v));
      }
      dst[x] = c;
    }
  }
  // Most 32-bit bitmaps leave their fourth byte zero: that is an opaque picture, not an
  // invisible one.
  if (!indexed && bpp != 24 && !anyAlpha) {
    for (uint32_t& c : px.argb) c |= 0xFF000000u;
  }
  return px;
}

Pixels decode(std::span<const uint8_t> data) {
  if (data.size() < 8 || data.size() > kMaxFileBytes) invalid();
  const uint8_t* s = data.data();
  if (s[0] == 'B' && s[1] == 'M') return decodeBmp(data);
  if (std::memcmp(s, "\x89PNG\r\n\x1A\n", 8) == 0) return decodePng(data);
  if (std::memcmp(s, "GIF87a", 6) == 0 || std::memcmp(s, "GIF89a", 6) == 0) {
    return decodeGif(data);
  }
  if (s[0] == 0xFF && s[1] == 0xD8 && s[2] == 0xFF) return decodeJpeg(data);
  invalid();
}

}  // namespace keloscroll::host::picture_decode
