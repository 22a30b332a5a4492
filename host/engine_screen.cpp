// The engine's window-system queries: screen pixels of forms and widgets at the engine's density.
#include <cmath>
#include <utility>

#include "host/engine.h"
#include "host/error.h"

namespace keloscroll::host {

int32_t PtInRect(const Rect& r, Point p) {
  return (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) ? 1 : 0;
}

// ---- window-system queries ------------------------------------------------------------------

namespace {
// Screen pixels are 32-bit: a point or edge farther out stands at the nearest end of the range.
int32_t saturatedPixel(double px) {
  if (!(px > -2147483648.0)) return INT32_MIN;  // also NaN
  if (px > 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(px);
}
// Halves round up, as painting rounds them, so a window's rectangle is where it is drawn.
int32_t pixelEdge(double twips, Dpi dpi) {
  return saturatedPixel(std::floor(pixelsOf(twips, dpi) + 0.5));
}
// The screen pixel a point in screen twips lies in.
Point screenPixel(double x, double y, Dpi dpi) {
  return Point{saturatedPixel(std::floor(pixelsOf(x, dpi))),
               saturatedPixel(std::floor(pixelsOf(y, dpi)))};
}
}  // namespace

// A point's pixel is the one it lies in, so that a point inside a widget in twips is inside its
// pixel rectangle whenever the widget's edges lie on pixel boundaries.
Point FormEngine::toScreen(const Form& form, double x, double y) const {
  return screenPixel(form.screenLeftTwips + x, form.screenTopTwips + y, dpi_);
}

// Working out the pointer's pixel, and placing it beside the window, waits until someone asks.
void FormEngine::notePointer(const Form& form, double x, double y, Widget* hit) {
  pointerX_ = form.screenLeftTwips + x;
  pointerY_ = form.screenTopTwips + y;
  pointerNoted_ = true;
  // Only a widget of this engine: its leaving clears the record (forget).
  cursorBeside_ = hit && hit->registeredEngine_ == this ? hit : nullptr;
}

void FormEngine::pointerPixel() const {
  if (std::exchange(pointerNoted_, false)) cursor_ = screenPixel(pointerX_, pointerY_, dpi_);
}

Point FormEngine::GetCursorPos() const {
  pointerPixel();
  if (const Widget* hit = std::exchange(cursorBeside_, nullptr)) {
    cursor_ = besideWindow(cursor_, *hit);
  }
  return cursor_;
}

// The pixel the pointer lies in, counted on the side of the window that the hit test found under
// it where that window's edge falls inside the pixel (window edges round half up): a press that
// the hit test gave a window is then over that window for the pointer test too (a press on an
// end button's last pixel row keeps the button repeating).
Point FormEngine::besideWindow(Point p, const Widget& w) const {
  const Widget* hit = &w;
  while (hit && hit->hwnd() == 0) hit = hit->container();
  if (!hit) return p;
  // Only the pixel next to an edge moves; a point the hit test could not place (no number)
  // keeps its own.
  Rect r = screenRect(*hit);
  auto inside = [](int32_t v, int32_t from, int32_t to) {
    if (from >= to) return v;
    if (v == from - 1) return from;
    if (v == to) return to - 1;
    return v;
  };
  p.x = inside(p.x, r.left, r.right);
  p.y = inside(p.y, r.top, r.bottom);
  return p;
}

Rect FormEngine::screenRect(const Widget& w) const {
  double ox = 0, oy = 0;
  w.originOnForm(ox, oy);
  const TwipsRect& r = w.rectTwips();
  return screenRect(w.form(), TwipsRect{ox, oy, r.width, r.height});
}

Rect FormEngine::screenRect(const Form* f, const TwipsRect& r) const {
  double sx = (f ? f->screenLeftTwips : 0.0) + r.left, sy = (f ? f->screenTopTwips : 0.0) + r.top;
  return Rect{pixelEdge(sx, dpi_), pixelEdge(sy, dpi_), pixelEdge(sx + r.width, dpi_),
              pixelEdge(sy + r.height, dpi_)};
}

Rect FormEngine::GetWindowRect(int32_t hwnd) const {
  Widget* w = widgetOfHwnd(hwnd);
  if (!w) raise(err::InvalidCall);
  return screenRect(*w);
}

}  // namespace keloscroll::host
