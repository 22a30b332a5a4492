// The designer's mouse: in design mode the design surface's glass takes every press, so that the
// bars, as on any form designer, do not run while they are designed. A press on a handle of the
// selected bar sizes it, one on a bar selects and moves it, a second press on the same bar soon
// after opens its property page (on its release), and one on the empty surface selects nothing.
#include <algorithm>
#include <cmath>
#include <string>

#include "app/demo/designer.h"
#include "app/demo/layout.h"

namespace keloscroll::demo {

namespace {

constexpr int kHandlePixels = 7;
constexpr double kGrip = px(2);   // a handle is caught a little outside it
constexpr double kLeast = px(1);  // the least side the designer asks for

// To whole layout pixels.
double snap(double twips) {
  return px(static_cast<int>(std::lround(host::pixelsOf(twips, host::kClassicDpi))));
}

// A length in twips as whole layout pixels, for the notes.
std::string pixelText(double twips) {
  return std::to_string(std::lround(host::pixelsOf(twips, host::kClassicDpi)));
}

// The point of a rectangle a handle stands on.
void handlePoint(const host::TwipsRect& r, int h, double& x, double& y) {
  static constexpr double kX[] = {0, 0.5, 1, 1, 1, 0.5, 0, 0};
  static constexpr double kY[] = {0, 0, 0, 0.5, 1, 1, 1, 0.5};
  x = r.left + r.width * kX[h];
  y = r.top + r.height * kY[h];
}

}  // namespace

void Designer::placeHandles() {
  const Bar* b = designMode_ ? find(selected_) : nullptr;
  for (int h = 0; h < kHandles; ++h) {
    handles_[h]->setVisible(b != nullptr);
    if (!b) continue;
    double x = 0, y = 0;
    handlePoint(b->sited.site->surface().rectTwips(), h, x, y);
    const double side = px(kHandlePixels);
    handles_[h]->setRectTwips(host::TwipsRect{snap(x - side / 2), snap(y - side / 2), side, side});
  }
}

int Designer::handleAt(double x, double y) const {
  if (!handles_[0]->Visible()) return -1;
  for (int h = 0; h < kHandles; ++h) {
    host::TwipsRect r = handles_[h]->rectTwips();
    r = host::TwipsRect{r.left - kGrip, r.top - kGrip, r.width + 2 * kGrip, r.height + 2 * kGrip};
    if (r.contains(x, y)) return h;
  }
  return -1;
}

Designer::Bar* Designer::barAt(double x, double y) {
  for (auto it = bars_.rbegin(); it != bars_.rend(); ++it)
    if (it->sited.site->surface().rectTwips().contains(x, y)) return &*it;
  return nullptr;
}

void Designer::mouseDown(int16_t button, float x, float y) {
  if (!designMode_ || !(button & host::mouse::Left) || drag_) return;
  const int h = handleAt(x, y);
  Bar* b = h >= 0 ? find(selected_) : barAt(x, y);
  if (!b) {
    select("");
    return;
  }
  const int64_t now = engine_.clock().nowMs();
  const bool second = h < 0 && b->name == lastPressBar_ && now - lastPressMs_ <= kDoubleClickMs;
  lastPressBar_ = second ? "" : b->name;
  lastPressMs_ = now;
  select(b->name);
  // The page opens on the release, as a double click comes after it: the press still holds the
  // mouse, which the page needs.
  pageOnRelease_ = second;
  if (second) return;
  drag_ = std::make_unique<Drag>();
  drag_->start = b->sited.site->surface().rectTwips();
  drag_->x = x;
  drag_->y = y;
  drag_->left = h < 0 || h == TopLeft || h == Left || h == BottomLeft;
  drag_->top = h < 0 || h == TopLeft || h == Top || h == TopRight;
  drag_->right = h < 0 || h == TopRight || h == Right || h == BottomRight;
  drag_->bottom = h < 0 || h == BottomLeft || h == Bottom || h == BottomRight;
  drag_->before = snapshot();
}

void Designer::mouseMove(int16_t button, float x, float y) {
  if (drag_ && (button & host::mouse::Left)) dragTo(x, y);
}

void Designer::mouseUp(int16_t button, float x, float y) {
  if (!(button & host::mouse::Left)) return;
  if (pageOnRelease_) {
    pageOnRelease_ = false;
    showPropertyPage();
    return;
  }
  if (!drag_) return;
  dragTo(x, y);
  std::unique_ptr<Drag> drag = std::move(drag_);
  const Bar* b = find(selected_);
  if (!b) return;
  const host::TwipsRect& r = b->sited.site->surface().rectTwips();
  const host::TwipsRect& s = drag->start;
  if (r.left == s.left && r.top == s.top && r.width == s.width && r.height == s.height) return;
  lastPressBar_.clear();  // a drag is no first click
  const bool moved = r.width == s.width && r.height == s.height;
  note(b->name + (moved ? " moved to " : " sized to ") + pixelText(r.left) + ", " +
       pixelText(r.top) + ", " + pixelText(r.width) + " x " + pixelText(r.height) + " pixels");
  remember(std::move(drag->before));
}

// The selected bar follows the mouse: moved whole, or the edges the handle holds. A size goes to
// the control (its Resize runs, at design time), which may keep a least size of its own; the
// edge opposite the one held then stays where it was.
void Designer::dragTo(double x, double y) {
  Bar* b = find(selected_);
  if (!b) return;
  host::UserControl& surface = b->sited.site->surface();
  const host::TwipsRect area = surfaceArea();
  const host::TwipsRect& s = drag_->start;
  const double dx = snap(x - drag_->x), dy = snap(y - drag_->y);
  const bool move = drag_->left && drag_->right && drag_->top && drag_->bottom;
  if (move) {
    const double left = std::clamp(s.left + dx, 0.0, std::max(0.0, area.width - s.width));
    const double top = std::clamp(s.top + dy, 0.0, std::max(0.0, area.height - s.height));
    surface.setRectTwips(host::TwipsRect{left, top, s.width, s.height});
    placeHandles();
    return;
  }
  const double right = s.left + s.width, bottom = s.top + s.height;
  host::TwipsRect r = s;
  if (drag_->left) r.left = std::clamp(s.left + dx, 0.0, right - kLeast);
  if (drag_->top) r.top = std::clamp(s.top + dy, 0.0, bottom - kLeast);
  r.width =
      drag_->right ? std::clamp(right + dx, r.left + kLeast, area.width) - r.left : right - r.left;
  r.height =
      drag_->bottom ? std::clamp(bottom + dy, r.top + kLeast, area.height) - r.top : bottom - r.top;
  surface.setRectTwips(
      host::TwipsRect{r.left, r.top, surface.rectTwips().width, surface.rectTwips().height});
  b->sited.site->resize(static_cast<float>(r.width), static_cast<float>(r.height));
  host::TwipsRect got = surface.rectTwips();
  if (drag_->left) got.left = std::max(0.0, right - got.width);
  if (drag_->top) got.top = std::max(0.0, bottom - got.height);
  surface.setRectTwips(got);
  placeHandles();
}

}  // namespace keloscroll::demo
