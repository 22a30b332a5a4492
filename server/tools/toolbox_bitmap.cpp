#include "server/tools/toolbox_bitmap.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "control/pictures.h"

namespace keloscroll::server {

namespace {

using keloscroll::pictures::Arrow;

// Little-endian writers for the file's header fields.
void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFFu);
  put16(out, v >> 16);
}

// The bar from top to bottom, each row taken from one row of a built-in picture: the arrow
// rows of the start button (its triangle, tip up), a track row, the thumb's raised bevel with one
// row of its face, two track rows and the arrow rows of the end button (tip down).
std::array<uint32_t, kToolboxWidth * kToolboxHeight> composeBar() {
  struct Source {
    host::PictureRef picture;
    int row;
  };
  const auto up = pictures::arrowButton(Arrow::Up);
  const auto down = pictures::arrowButton(Arrow::Down);
  const auto track = pictures::track();
  const auto thumb = pictures::thumb();
  const std::array<Source, kToolboxHeight> rows{{{up, 6},
                                                 {up, 7},
                                                 {up, 8},
                                                 {up, 9},
                                                 {track, 0},
                                                 {thumb, 0},
                                                 {thumb, 1},
                                                 {thumb, 7},
                                                 {thumb, 13},
                                                 {thumb, 14},
                                                 {track, 0},
                                                 {down, 6},
                                                 {down, 7},
                                                 {down, 8},
                                                 {down, 9}}};
  std::array<uint32_t, kToolboxWidth * kToolboxHeight> px{};
  for (int y = 0; y < kToolboxHeight; ++y) {
    const Source& s = rows[static_cast<size_t>(y)];
    for (int x = 0; x < kToolboxWidth; ++x) {
      px[static_cast<size_t>(y * kToolboxWidth + x)] = s.picture->pixel(x, s.row) & 0xFFFFFFu;
    }
  }
  return px;
}

}  // namespace

std::vector<uint8_t> toolboxBitmap() {
  const auto px = composeBar();
  // Palette: the colours in order of first appearance, the unused entries black.
  std::vector<uint32_t> palette;
  for (uint32_t c : px) {
    if (std::find(palette.begin(), palette.end(), c) == palette.end()) palette.push_back(c);
  }
  if (palette.size() > 256) throw std::logic_error("more than 256 colours");

  constexpr uint32_t kHeaders = 14 + 40, kPalette = 256 * 4;
  constexpr uint32_t kStride = (kToolboxWidth + 3) / 4 * 4;
  constexpr uint32_t kPixels = kStride * kToolboxHeight;
  std::vector<uint8_t> out;
  out.reserve(kHeaders + kPalette + kPixels);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  put32(out, kHeaders + kPalette + kPixels);
  put32(out, 0);
  put32(out, kHeaders + kPalette);
  // BITMAPINFOHEADER: bottom-up rows, BI_RGB, 96 dpi (3780 pixels per metre).
  put32(out, 40);
  put32(out, kToolboxWidth);
  put32(out, kToolboxHeight);
  put16(out, 1);
  put16(out, 8);
  put32(out, 0);
  put32(out, kPixels);
  put32(out, 3780);
  put32(out, 3780);
  put32(out, 256);
  put32(out, 0);
  // RGBQUAD entries: blue, green, red, reserved.
  for (size_t i = 0; i < 256; ++i) {
    uint32_t c = i < palette.size() ? palette[i] : 0;
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c >> 16));
    out.push_back(0);
  }
  for (int y = kToolboxHeight - 1; y >= 0; --y) {
    for (uint32_t x = 0; x < kStride; ++x) {
      uint8_t index = 0;
      if (x < kToolboxWidth) {
        uint32_t c = px[static_cast<size_t>(y * kToolboxWidth) + x];
        index =
            static_cast<uint8_t>(std::find(palette.begin(), palette.end(), c) - palette.begin());
      }
      out.push_back(index);
    }
  }
  return out;
}

}  // namespace keloscroll::server
