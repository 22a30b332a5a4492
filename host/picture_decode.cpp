// The decoders are the platform's libraries: libpng, libjpeg-turbo and giflib. BMP, a header and
// rows of pixels, is read here with the same strictness. libpng and libjpeg report errors by
// longjmp: each call sequence runs in a function whose locals need no destructor, with all other
// state in a job object that lives in the caller.
#include "host/picture_decode.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

// jpeglib.h needs FILE from <cstdio> first.
#include <jpeglib.h>

#include "host/error.h"

namespace host::picture_decode {

namespace {

[[noreturn]] void invalid() {
  raise(err::InvalidPicture);
}

constexpr uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

bool sidesOk(int64_t w, int64_t h) {
  return w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide;
}

// No compressed format packs more than this many pixels into a byte (deflate at best 1032:1 over
// 4-byte pixels; a JPEG block of 64 pixels takes at least one bit; a GIF code of 12 bits gives
// at most 4096 pixels): a header that promises more is lying, and is refused before the
// memory for its pixels is taken.
bool couldHold(size_t bytes, uint64_t pixels, uint64_t pixelsPerByte) {
  return pixels <= (static_cast<uint64_t>(bytes) + 64) * pixelsPerByte;
}

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

// ---- PNG ----------------------------------------------------------------------------------------

struct PngJob {
  std::span<const uint8_t> data;
  size_t pos = 0;
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  png_uint_32 width = 0, height = 0;
};

void pngRead(png_structp png, png_bytep out, size_t n) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (n > job->data.size() - job->pos) png_error(png, "the file ends early");
  std::memcpy(out, job->data.data() + job->pos, n);
  job->pos += n;
}

void pngFail(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}

void pngWarn(png_structp, png_const_charp) {}

bool runPng(PngJob& job) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngWarn);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &job, pngRead);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_read_info(png, info);
  job.width = png_get_image_width(png, info);
  job.height = png_get_image_height(png, info);
  const uint64_t raw = static_cast<uint64_t>(job.height) * (png_get_rowbytes(png, info) + 1);
  if (!sidesOk(job.width, job.height) || !couldHold(job.data.size(), raw, 1032)) {
    png_error(png, "too large");
  }
  png_set_expand(png);  // palettes, small grey depths and tRNS to 8-bit RGB(A)
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(job.width) * 4) png_error(png, "layout");
  job.rgba.resize(static_cast<size_t>(job.width) * job.height * 4);
  job.rows.resize(job.height);
  for (png_uint_32 y = 0; y < job.height; ++y) {
    job.rows[y] = job.rgba.data() + static_cast<size_t>(y) * job.width * 4;
  }
  png_read_image(png, job.rows.data());
  png_read_end(png, nullptr);  // through IEND: a file cut short is refused
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

Pixels decodePng(std::span<const uint8_t> d) {
  PngJob job;
  job.data = d;
  if (!runPng(job)) invalid();
  Pixels px;
  px.width = static_cast<int>(job.width);
  px.height = static_cast<int>(job.height);
  px.argb.resize(static_cast<size_t>(job.width) * job.height);
  for (size_t i = 0; i < px.argb.size(); ++i) {
    const uint8_t* p = job.rgba.data() + i * 4;
    px.argb[i] = argb(p[3], p[0], p[1], p[2]);
  }
  return px;
}

// ---- JPEG ---------------------------------------------------------------------------------------

struct JpegJob {
  std::span<const uint8_t> data;
  jpeg_decompress_struct info{};
  struct Errors {
    jpeg_error_mgr mgr{};
    std::jmp_buf jump{};
  } errors;
  jpeg_progress_mgr progress{};
  std::vector<uint8_t> row;
  Pixels px;
};

[[noreturn]] void jpegFail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegJob::Errors*>(info->err)->jump, 1);
}

// A warning is corrupt or missing data, which the library would paper over with grey.
void jpegMessage(j_common_ptr info, int level) {
  if (level < 0) jpegFail(info);
}

// A progressive file may hold any number of scans, each a pass over the whole picture.
void jpegProgress(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->is_decompressor && d->input_scan_number > 256) jpegFail(info);
}

bool runJpeg(JpegJob& job) {
  j_decompress_ptr info = &job.info;
  info->err = jpeg_std_error(&job.errors.mgr);
  job.errors.mgr.error_exit = jpegFail;
  job.errors.mgr.emit_message = jpegMessage;
  if (setjmp(job.errors.jump)) {
    jpeg_destroy_decompress(info);
    return false;
  }
  jpeg_create_decompress(info);
  info->mem->max_memory_to_use = 256L << 20;
  job.progress.progress_monitor = jpegProgress;
  info->progress = &job.progress;
  jpeg_mem_src(info, job.data.data(), static_cast<unsigned long>(job.data.size()));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
    jpegFail(reinterpret_cast<j_common_ptr>(info));
  const uint64_t pixels = static_cast<uint64_t>(info->image_width) * info->image_height;
  // Arithmetic coding can squeeze a block below a bit, past what the size check assumes.
  if (!sidesOk(info->image_width, info->image_height) || info->arith_code ||
      !couldHold(job.data.size(), pixels, 1024)) {
    jpegFail(reinterpret_cast<j_common_ptr>(info));
  }
  info->out_color_space = JCS_RGB;
  jpeg_start_decompress(info);
  if (info->output_components != 3) jpegFail(reinterpret_cast<j_common_ptr>(info));
  job.px.width = static_cast<int>(info->output_width);
  job.px.height = static_cast<int>(info->output_height);
  job.px.argb.reserve(pixels);
  job.row.resize(static_cast<size_t>(info->output_width) * 3);
  while (info->output_scanline < info->output_height) {
    JSAMPROW r = job.row.data();
    if (jpeg_read_scanlines(info, &r, 1) != 1) jpegFail(reinterpret_cast<j_common_ptr>(info));
    for (size_t x = 0; x < info->output_width; ++x) {
      job.px.argb.push_back(argb(0xFF, r[3 * x], r[3 * x + 1], r[3 * x + 2]));
    }
  }
  jpeg_finish_decompress(info);
  jpeg_destroy_decompress(info);
  return true;
}

Pixels decodeJpeg(std::span<const uint8_t> d) {
  auto job = std::make_unique<JpegJob>();
  job->data = d;
  if (!runJpeg(*job)) invalid();
  return std::move(job->px);
}

// ---- GIF ----------------------------------------------------------------------------------------

struct GifSource {
  std::span<const uint8_t> data;
  size_t pos = 0;
};

int gifRead(GifFileType* gif, GifByteType* out, int n) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  size_t k = std::min(static_cast<size_t>(n < 0 ? 0 : n), src->data.size() - src->pos);
  std::memcpy(out, src->data.data() + src->pos, k);
  src->pos += k;
  return static_cast<int>(k);
}

void skipExtension(GifFileType* gif, GifByteType* ext) {
  while (ext) {
    if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) invalid();
  }
}

// The records after the first image, up to the trailer, so that a file cut short is refused.
void skipToTrailer(GifFileType* gif) {
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) invalid();
    if (type == TERMINATE_RECORD_TYPE) return;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) invalid();
      skipExtension(gif, ext);
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      int codeSize = 0;
      GifByteType* block = nullptr;
      if (DGifGetImageDesc(gif) == GIF_ERROR || DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) {
        invalid();
      }
      while (block) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) invalid();
      }
    } else {
      invalid();
    }
  }
}

// The first image on its logical screen; the screen around it stays transparent.
Pixels decodeGif(std::span<const uint8_t> d) {
  GifSource src{d, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&src, gifRead, &error);
  if (!gif) invalid();
  struct Close {
    GifFileType* gif;
    ~Close() {
      int e = 0;
      DGifCloseFile(gif, &e);
    }
  } close{gif};
  const int64_t sw = gif->SWidth, sh = gif->SHeight;
  if (!sidesOk(sw, sh) || !couldHold(d.size(), static_cast<uint64_t>(sw * sh), 4096)) invalid();
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) invalid();
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) invalid();
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1)) {
        transparent = ext[4];
      }
      skipExtension(gif, ext);
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) invalid();  // the file ends with no image
    if (DGifGetImageDesc(gif) == GIF_ERROR) invalid();
    const GifImageDesc& im = gif->Image;
    if (im.Width <= 0 || im.Height <= 0 || im.Left < 0 || im.Top < 0 ||
        int64_t{im.Left} + im.Width > sw || int64_t{im.Top} + im.Height > sh) {
      invalid();
    }
    const ColorMapObject* map = im.ColorMap ? im.ColorMap : gif->SColorMap;
    if (!map || !map->Colors) invalid();
    Pixels px;
    px.width = static_cast<int>(sw);
    px.height = static_cast<int>(sh);
    px.argb.assign(static_cast<size_t>(sw * sh), 0);
    std::vector<GifPixelType> line(static_cast<size_t>(im.Width));
    // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th from
    // 2, every 2nd from 1.
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    const int passes = im.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
      const int step = im.Interlace ? steps[pass] : 1;
      for (int y = im.Interlace ? starts[pass] : 0; y < im.Height; y += step) {
        if (DGifGetLine(gif, line.data(), im.Width) == GIF_ERROR) invalid();
        uint32_t* dst = px.argb.data() + static_cast<size_t>(im.Top + y) * px.width + im.Left;
        for (int x = 0; x < im.Width; ++x) {
          const int index = line[static_cast<size_t>(x)];
          if (index == transparent) continue;
          if (index >= map->ColorCount) invalid();
          const GifColorType& c = map->Colors[index];
          dst[x] = argb(0xFF, c.Red, c.Green, c.Blue);
        }
      }
    }
    skipToTrailer(gif);
    return px;
  }
}

}  // namespace

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

}  // namespace host::picture_decode
