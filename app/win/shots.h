// What the Windows demo's headless session sees of its window: the screen's pixels of a window,
// written as PNG files by Windows' imaging component, and where a bar's thumb stands in them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace keloscroll::windemo {

// A window's client area as the screen shows it: rows top down, 0xRRGGBB each.
struct Capture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};
Capture capture(HWND window);

// Writes the capture as a PNG file. False when the imaging component cannot.
bool writePng(const Capture& picture, const std::wstring& path);

// The thumb's first and last pixel along a bar's window, on its centre line between the two end
// buttons (each `buttonPixels` long): the pixels there that are not the track's light grey.
// {-1, -1} when the track shows no thumb.
std::pair<int, int> thumbSpan(const Capture& bar, bool vertical, int buttonPixels);

}  // namespace keloscroll::windemo
