// What the picture decoders share: the refusal, the pixel packing, the limits checked before any
// pixel memory is taken, and the format decoders behind host::picture_decode::decode. BMP is read
// by the project's own strict reader on every platform; PNG, JPEG and GIF by the platform's
// maintained decoders (libpng, libjpeg-turbo and giflib; on Windows its imaging component).
#pragma once

#include <cstdint>
#include <span>

#include "host/error.h"
#include "host/picture_decode.h"

namespace keloscroll::host::picture_decode {

[[noreturn]] inline void invalid() {
  raise(err::InvalidPicture);
}

constexpr uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

inline bool sidesOk(int64_t w, int64_t h) {
  return w >= 1 && h >= 1 && w <= kMaxSide && h <= kMaxSide;
}

// No compressed format packs more than this many pixels into a byte (deflate at best 1032:1 over
// 4-byte pixels; a JPEG block of 64 pixels takes at least one bit; a GIF code of 12 bits gives
// at most 4096 pixels): a header that promises more is lying, and is refused before the
// memory for its pixels is taken.
inline bool couldHold(size_t bytes, uint64_t pixels, uint64_t pixelsPerByte) {
  return pixels <= (static_cast<uint64_t>(bytes) + 64) * pixelsPerByte;
}

Pixels decodeBmp(std::span<const uint8_t> d);
Pixels decodePng(std::span<const uint8_t> d);
Pixels decodeJpeg(std::span<const uint8_t> d);
Pixels decodeGif(std::span<const uint8_t> d);  // the first image, on its logical screen

}  // namespace keloscroll::host::picture_decode
