// Decoding picture files into ARGB pixels, behind Picture::fromMemory. Each format's header is
// read and checked (its size against the limits, and against what the data could hold) before
// any pixel memory is taken; a file that ends early or breaks its format is refused whole, never
// filled in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace keloscroll::host::picture_decode {

// The largest picture, in pixels a side, and the largest file that is read.
inline constexpr int kMaxSide = 8192;
inline constexpr size_t kMaxFileBytes = size_t{64} << 20;
// A picture that comes as plain pixels rather than as a file (a saved stream's pixels, a client's
// picture object drawn to pixels) is held to what an uncompressed 32-bit file within the file
// limit could hold: its sides within kMaxSide and its pixels within kMaxFileBytes.
inline bool plainPixelsFit(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
         static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 <= kMaxFileBytes;
}

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;  // rows top to bottom, 0xAARRGGBB
};

// BMP, PNG, GIF (its first image) or JPEG, told apart by their first bytes. Error 481 ("Invalid
// picture") for anything else, and for data that breaks the limits or does not decode.
Pixels decode(std::span<const uint8_t> data);

}  // namespace keloscroll::host::picture_decode
