// The toolbox image of KeloScroll.ocx (bitmap resource 30000): a tiny vertical bar made from the
// control's built-in pictures, as a BMP file of 16 x 15 pixels, 8 bits per pixel with a palette of
// 256 entries, uncompressed.
#pragma once

#include <cstdint>
#include <vector>

namespace keloscroll::server {

inline constexpr int kToolboxWidth = 16;
inline constexpr int kToolboxHeight = 15;

// The whole file: BITMAPFILEHEADER, BITMAPINFOHEADER, palette, rows bottom-up.
std::vector<uint8_t> toolboxBitmap();

}  // namespace keloscroll::server
