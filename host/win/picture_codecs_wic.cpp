// PNG, JPEG and GIF in KeloScroll.ocx through Windows' own imaging component (WIC), the decoders
// the platform keeps up to date. WIC decodes what it is given, so what the other build's
// libraries refuse is refused here before decoding: sides beyond the limits, a header that
// promises more pixels than the bytes could hold, and a file cut short (each format has an end
// mark: PNG's IEND chunk, JPEG's end of image after its scan, GIF's trailer after its blocks).
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "host/picture_decode_parts.h"
#include "host/win/com_ptr.h"

namespace keloscroll::host::picture_decode {

namespace {

uint32_t be32(std::span<const uint8_t> d, size_t at) {
  if (at + 4 > d.size()) invalid();
  return (uint32_t{d[at]} << 24) | (uint32_t{d[at + 1]} << 16) | (uint32_t{d[at + 2]} << 8) |
         d[at + 3];
}

// COM for this thread while a picture decodes, where the caller has not started it (a program
// that loads pictures without being a COM client).
struct ComForThisCall {
  bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  ~ComForThisCall() {
    if (started) CoUninitialize();
  }
};

// Decodes the first frame into straight-alpha 0xAARRGGBB pixels of the expected size.
Pixels decodeWithWic(std::span<const uint8_t> d, const GUID& container, uint32_t width,
                     uint32_t height) {
  ComForThisCall com;
  win::ComPtr<IWICImagingFactory> factory;
  win::ComPtr<IWICStream> stream;
  win::ComPtr<IWICBitmapDecoder> decoder;
  win::ComPtr<IWICBitmapFrameDecode> frame;
  win::ComPtr<IWICFormatConverter> converted;
  GUID format{};
  UINT w = 0, h = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.putVoid())) ||
      FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(d.data()),
                                          static_cast<DWORD>(d.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.put())) ||
      FAILED(decoder->GetContainerFormat(&format)) || format != container ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&w, &h)) || w != width ||
      h != height || FAILED(factory->CreateFormatConverter(converted.put())) ||
      FAILED(converted->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    invalid();
  }
  Pixels px;
  px.width = static_cast<int>(w);
  px.height = static_cast<int>(h);
  px.argb.resize(size_t{w} * h);
  // BGRA bytes in memory are 0xAARRGGBB words on this little-endian platform.
  if (FAILED(converted->CopyPixels(nullptr, w * 4, static_cast<UINT>(px.argb.size() * 4),
                                   reinterpret_cast<BYTE*>(px.argb.data())))) {
    invalid();
  }
  return px;
}

// GIF's blocks after the header, walked to the trailer: the first image's place on the logical
// screen, or a refusal for a file cut short or broken.
struct GifFirstImage {
  uint32_t left = 0, top = 0, width = 0, height = 0;
};
size_t skipSubBlocks(std::span<const uint8_t> d, size_t at) {
  for (;;) {
    if (at >= d.size()) invalid();
    const size_t n = d[at++];
    if (n == 0) return at;
    at += n;
  }
}
GifFirstImage walkGif(std::span<const uint8_t> d) {
  size_t at = 13;
  if (d.size() < at) invalid();
  if (d[10] & 0x80) at += size_t{3} << ((d[10] & 7) + 1);  // the global colour table
  GifFirstImage first;
  bool seen = false;
  for (;;) {
    if (at >= d.size()) invalid();
    const uint8_t kind = d[at++];
    if (kind == 0x3B) break;  // the trailer
    if (kind == 0x21) {
      if (at >= d.size()) invalid();
      at = skipSubBlocks(d, at + 1);
    } else if (kind == 0x2C) {
      if (at + 9 > d.size()) invalid();
      if (!seen) {
        first = {d[at] | uint32_t{d[at + 1]} << 8, d[at + 2] | uint32_t{d[at + 3]} << 8,
                 d[at + 4] | uint32_t{d[at + 5]} << 8, d[at + 6] | uint32_t{d[at + 7]} << 8};
        seen = true;
      }
      const uint8_t flags = d[at + 8];
      at += 9;
      if (flags & 0x80) at += size_t{3} << ((flags & 7) + 1);  // a local colour table
      at = skipSubBlocks(d, at + 1);                           // past the LZW code size
    } else {
      invalid();
    }
  }
  if (!seen) invalid();
  return first;
}

// JPEG's markers walked to its first scan, noting the sides its frame header (the first SOFn)
// gives; an end-of-image mark must follow the scan (in the scan's data a 0xFF byte is always
// followed by 0 or a restart mark, so 0xFF 0xD9 is the real end).
struct JpegSides {
  uint32_t width = 0, height = 0;
};
JpegSides walkJpeg(std::span<const uint8_t> d) {
  JpegSides sides;
  size_t at = 2;
  for (;;) {
    if (at + 4 > d.size() || d[at] != 0xFF) invalid();
    const uint8_t m = d[at + 1];
    if (m == 0xFF) {  // fill bytes
      ++at;
      continue;
    }
    const bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
    if (frame && sides.width == 0) {
      if (at + 9 > d.size()) invalid();
      sides.height = uint32_t{d[at + 5]} << 8 | d[at + 6];
      sides.width = uint32_t{d[at + 7]} << 8 | d[at + 8];
    }
    at += 2 + (size_t{d[at + 2]} << 8 | d[at + 3]);
    if (m == 0xDA) break;
  }
  for (; at + 1 < d.size(); ++at) {
    if (d[at] == 0xFF && d[at + 1] == 0xD9) return sides;
  }
  invalid();
}

}  // namespace

Pixels decodePng(std::span<const uint8_t> d) {
  const uint32_t w = be32(d, 16), h = be32(d, 20);
  if (d.size() < 33 || !sidesOk(w, h)) invalid();
  // Deflate packs at most 1032 bytes of rows into one: each row is a filter byte and its
  // pixels' bits.
  const uint64_t bitsPerPixel = uint64_t{d[24]} * (d[25] == 2   ? 3
                                                   : d[25] == 4 ? 2
                                                   : d[25] == 6 ? 4
                                                                : 1);
  const uint64_t rowBytes = (uint64_t{w} * bitsPerPixel + 7) / 8 + 1;
  if (!couldHold(d.size(), rowBytes * h, 1032)) invalid();
  static constexpr uint8_t kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  if (d.size() < 8 + 25 + sizeof kEnd ||
      std::memcmp(d.data() + d.size() - sizeof kEnd, kEnd, sizeof kEnd) != 0) {
    invalid();
  }
  return decodeWithWic(d, GUID_ContainerFormatPng, w, h);
}

Pixels decodeJpeg(std::span<const uint8_t> d) {
  const JpegSides j = walkJpeg(d);
  if (!sidesOk(j.width, j.height) || !couldHold(d.size(), uint64_t{j.width} * j.height, 1024)) {
    invalid();
  }
  return decodeWithWic(d, GUID_ContainerFormatJpeg, j.width, j.height);
}

Pixels decodeGif(std::span<const uint8_t> d) {
  if (d.size() < 13) invalid();
  const uint32_t sw = d[6] | uint32_t{d[7]} << 8, sh = d[8] | uint32_t{d[9]} << 8;
  if (!sidesOk(sw, sh) || !couldHold(d.size(), uint64_t{sw} * sh, 4096)) invalid();
  const GifFirstImage im = walkGif(d);
  if (im.width == 0 || im.height == 0 || im.left + im.width > sw || im.top + im.height > sh) {
    invalid();
  }
  Pixels frame = decodeWithWic(d, GUID_ContainerFormatGif, im.width, im.height);
  // The first image on its logical screen; the screen around it stays transparent.
  Pixels px;
  px.width = static_cast<int>(sw);
  px.height = static_cast<int>(sh);
  px.argb.assign(size_t{sw} * sh, 0);
  for (uint32_t y = 0; y < im.height; ++y) {
    std::memcpy(px.argb.data() + size_t{im.top + y} * sw + im.left,
                frame.argb.data() + size_t{y} * im.width, size_t{im.width} * 4);
  }
  return px;
}

}  // namespace keloscroll::host::picture_decode
