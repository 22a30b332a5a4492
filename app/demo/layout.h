// Pixel layout for the demo's forms: the engine keeps twips, the forms are laid out in the pixels
// of a classic 96 dpi screen, which stay the same length in inches on a denser one.
#pragma once

#include <algorithm>
#include <cmath>

#include "host/text.h"
#include "host/units.h"
#include "host/widgets.h"

namespace keloscroll::demo {

inline constexpr int kBarThickness = 17;  // a bar across, pixels
inline constexpr int32_t kWhite = 0x00FFFFFF;

inline constexpr double px(int pixels) {
  return host::twipsOf(pixels, host::kClassicDpi);
}

// A length in the display's pixels at `dpi` as layout pixels (the window's size, say).
inline int layoutPixels(int displayPixels, host::Dpi dpi) {
  return static_cast<int>(
      std::lround(host::pixelsOf(host::twipsOf(displayPixels, dpi), host::kClassicDpi)));
}

// A widget's place in its container, in pixels (at least one each way).
inline void place(host::Widget& w, int left, int top, int width, int height) {
  w.setRectTwips(
      host::TwipsRect{px(left), px(top), px(std::max(1, width)), px(std::max(1, height))});
}

// The centre of a widget in form-client twips, where a click on it goes.
inline void centreOf(const host::Widget& w, double& x, double& y) {
  w.originOnForm(x, y);
  x += w.rectTwips().width / 2;
  y += w.rectTwips().height / 2;
}

// The height of a line of text in the forms' font, in layout pixels.
inline int lineHeightPixels() {
  return static_cast<int>(std::lround(host::pixelsOf(
      host::text::lineHeightTwips(host::text::kDefaultPointSize, false, host::kClassicDpi),
      host::kClassicDpi)));
}

}  // namespace keloscroll::demo
