#include "host/painter.h"

#include <algorithm>
#include <array>

namespace host {

PixelRect PixelRect::inset(int n) const {
  PixelRect r{left + n, top + n, width - 2 * n, height - 2 * n};
  if (r.empty()) r.width = r.height = 0;
  return r;
}

PixelRect PixelRect::intersect(const PixelRect& o) const {
  int l = std::max(left, o.left), t = std::max(top, o.top);
  int r = std::min(right(), o.right()), b = std::min(bottom(), o.bottom());
  if (r <= l || b <= t) return PixelRect{l, t, 0, 0};
  return PixelRect{l, t, r - l, b - t};
}

Rgb systemColor(int index) {
  // The classic scheme, as a Windows 98 desktop shows it.
  static constexpr std::array<Rgb, 25> kClassic{{
      {192, 192, 192},  //  0 scroll bar
      {0, 128, 128},    //  1 desktop
      {0, 0, 128},      //  2 active caption
      {128, 128, 128},  //  3 inactive caption
      {192, 192, 192},  //  4 menu
      {255, 255, 255},  //  5 window background
      {0, 0, 0},        //  6 window frame
      {0, 0, 0},        //  7 menu text
      {0, 0, 0},        //  8 window text
      {255, 255, 255},  //  9 caption text
      {192, 192, 192},  // 10 active border
      {192, 192, 192},  // 11 inactive border
      {128, 128, 128},  // 12 application workspace
      {0, 0, 128},      // 13 highlight
      {255, 255, 255},  // 14 highlight text
      {192, 192, 192},  // 15 button face
      {128, 128, 128},  // 16 button shadow
      {128, 128, 128},  // 17 grey text
      {0, 0, 0},        // 18 button text
      {192, 192, 192},  // 19 inactive caption text
      {255, 255, 255},  // 20 button highlight
      {0, 0, 0},        // 21 3-D dark shadow
      {223, 223, 223},  // 22 3-D light
      {0, 0, 0},        // 23 tooltip text
      {255, 255, 225},  // 24 tooltip background
  }};
  if (index < 0 || index >= static_cast<int>(kClassic.size())) return Rgb{};
  return kClassic[static_cast<size_t>(index)];
}

Rgb resolveColor(int32_t hostColor) {
  auto u = static_cast<uint32_t>(hostColor);
  if (u & 0x80000000u) return systemColor(static_cast<int>(u & 0x7FFFFFFFu));
  return Rgb{static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>((u >> 8) & 0xFF),
             static_cast<uint8_t>((u >> 16) & 0xFF)};
}

}  // namespace host
