// Containers: the list of children, the hit grid of a container with many children, and the
// coordinate scales.
#include "host/container_widget.h"
#include "host/form.h"
#include "host/timer_widget.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "host/engine.h"
#include "host/error.h"
#include "host/text.h"
#include "host/widget_members.h"

namespace keloscroll::host {

using namespace widget_members;

namespace {

// Twips per unit of the fixed scale modes (2 points, 3 pixels of the screen, 4 characters,
// 5 inches, 6 mm, 7 cm).
double fixedTwipsPerUnit(int16_t mode, bool vertical, Dpi dpi) {
  switch (mode) {
    case 1:
      return 1.0;
    case 2:
      return 20.0;
    case 3:
      return twipsPerPixel(dpi);
    case 4:
      return vertical ? 240.0 : 120.0;
    case 5:
      return kTwipsPerInch;
    case 6:
      return kTwipsPerInch / 25.4;
    case 7:
      return kTwipsPerInch / 2.54;
    default:
      return 1.0;
  }
}

}  // namespace

// ---- ContainerWidget ------------------------------------------------------------------------

// The hit grid of a container with many children: its inner area cut into about as many cells
// as it has children, each cell listing (back to front) the children whose rectangles reach into
// it, so that a hit test looks at a few children rather than at all. Children placed, moved,
// shown or brought to the front since the grid was made are listed apart ("loose") until there
// are too many of them; so are children too large for a few cells. Hidden children are not
// listed: a form may hold thousands of hidden boxes (each bar's tooltip, most of the time), and a
// hit test must not walk them. The grid is made again when the inner
// area changes size or the children close up.
struct ContainerWidget::HitGrid {
  static constexpr size_t kMinChildren = 32;  // fewer are searched one by one
  static constexpr long kMaxCellsPerChild = 16;

  double width = 0, height = 0;  // the inner area it was made for
  long cols = 1, rows = 1;
  double cellWidth = 1, cellHeight = 1;
  std::vector<uint32_t> start;  // cell i lists slots[start[i]] to slots[start[i + 1]]
  std::vector<uint32_t> slots;
  std::vector<uint32_t> loose;

  long col(double x) const { return std::clamp(static_cast<long>(x / cellWidth), 0L, cols - 1); }
  long row(double y) const { return std::clamp(static_cast<long>(y / cellHeight), 0L, rows - 1); }
  // The cells a rectangle may reach (its far edges included, which errs on the safe side).
  bool cells(const TwipsRect& r, long& c0, long& c1, long& r0, long& r1) const {
    if (r.width <= 0 || r.height <= 0) return false;
    double right = r.left + r.width, bottom = r.top + r.height;
    if (right <= 0 || bottom <= 0 || r.left >= width || r.top >= height) return false;
    c0 = col(std::max(r.left, 0.0));
    c1 = col(std::min(right, width));
    r0 = row(std::max(r.top, 0.0));
    r1 = row(std::min(bottom, height));
    return true;
  }
};

void ContainerWidget::DeleteGrid::operator()(HitGrid* g) const {
  delete g;
}

namespace {
bool mouseCanReach(const Widget* w, double x, double y) {
  return w && w->kind() != WidgetKind::Timer && w->Visible() && w->Enabled() &&
         w->rectTwips().contains(x, y);
}
}  // namespace

ContainerWidget::~ContainerWidget() {
  if (grid_) dropGrid();
  // Children that outlive their container (someone still holds them) end up detached.
  for (auto& child : children_) {
    if (!child) continue;
    if (child->registeredEngine_) child->registeredEngine_->forgetTree(*child);
    child->container_ = nullptr;
  }
}

void ContainerWidget::attach(std::shared_ptr<Widget> child) {
  if (!child) raise(err::ObjectNotSet);
  if (child->kind() == WidgetKind::Form) raise(err::InvalidCall);
  if (isContainerKind(child->kind_)) {  // only a container can hold this one
    for (const Widget* w = this; w; w = w->container_) {
      if (w == child.get()) raise(err::InvalidCall);  // would hold itself
    }
  }
  if (child->container_) child->container_->detach(*child);
  child->container_ = this;
  child->slot_ = static_cast<uint32_t>(children_.size());
  // The container's room, or two at once: most containers hold two to four (a bar's track two,
  // its surface four), and growing from one would allocate for each of the first.
  if (children_.capacity() == 0)
    children_.reserve(std::max<size_t>(2, children_.get_allocator().roomSize()));
  Widget& added = *children_.emplace_back(std::move(child));
  countControls(added, +1);
  if (grid_) childMoved(added);
  if (FormEngine* e = engine()) e->adoptTree(added);
}

void ContainerWidget::detach(Widget& child) {
  if (child.container_ != this || child.slot_ >= children_.size() ||
      children_[child.slot_].get() != &child) {
    return;
  }
  countControls(child, -1);
  // May be the last owner: released only at the end.
  std::shared_ptr<Widget> keep = std::move(children_[child.slot_]);
  ++empty_;
  if (keep->registeredEngine_) keep->registeredEngine_->forgetTree(*keep);
  keep->container_ = nullptr;
  keep->looseInGrid_ = false;
  while (!children_.empty() && !children_.back()) {
    children_.pop_back();
    --empty_;
  }
  if (empty_ > 16 && empty_ * 2 > children_.size()) closeUp();
}

void ContainerWidget::countControlsAbove(const Widget& child, int delta) const {
  const Widget* w = this;
  for (; w->container_; w = w->container_) {
    if (w->kind_ == WidgetKind::UserControl) return;
  }
  if (w->kind_ != WidgetKind::Form) return;
  const auto* f = static_cast<const Form*>(w);
  if (f->controls_ && f->controls_->counted_) f->controls_->countNames(child, delta);
}

void ContainerWidget::closeUp() const {
  if (empty_ == 0) return;
  dropGrid();
  std::erase(children_, nullptr);
  empty_ = 0;
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->slot_ = static_cast<uint32_t>(i);
}

std::span<const std::shared_ptr<Widget>> ContainerWidget::children() const {
  closeUp();
  return children_;
}

Widget* ContainerWidget::child(std::string_view name) const {
  for (const auto& c : children_) {
    if (c && sameName(c->name(), name)) return c.get();
  }
  return nullptr;
}

void ContainerWidget::dropGrid() const {
  if (!grid_) return;
  for (uint32_t s : grid_->loose) {
    if (s < children_.size() && children_[s]) children_[s]->looseInGrid_ = false;
  }
  grid_.reset();
}

void ContainerWidget::childMoved(Widget& child) {
  if (child.looseInGrid_ || !child.visible_) return;  // a hidden one is listed when shown
  if (grid_->loose.size() >= 64 + (children_.size() - empty_) / 16) {
    dropGrid();  // made again at the next hit test
    return;
  }
  child.looseInGrid_ = true;
  grid_->loose.push_back(child.slot_);
}

// A loose child that hides leaves the loose list, so that boxes shown for a moment and hidden
// again do not lengthen every hit test. The one hidden is most often the one listed last.
void ContainerWidget::childHidden(Widget& child) {
  if (!child.looseInGrid_) return;
  auto& loose = grid_->loose;
  auto it = std::find(loose.rbegin(), loose.rend(), child.slot_);
  if (it == loose.rend()) return;
  *it = loose.back();
  loose.pop_back();
  child.looseInGrid_ = false;
}

// childAt asks only when there is a grid or there are children enough for one.
const ContainerWidget::HitGrid* ContainerWidget::grid() const {
  size_t live = children_.size() - empty_;
  double width = innerWidthTwips(), height = innerHeightTwips();
  if (grid_ && (grid_->width != width || grid_->height != height)) dropGrid();
  if (grid_) return grid_.get();
  if (live < HitGrid::kMinChildren || !(width > 0) || !(height > 0)) return nullptr;

  auto g = std::make_unique<HitGrid>();
  g->width = width;
  g->height = height;
  double n = static_cast<double>(live);
  g->cols = std::clamp(std::lround(std::sqrt(n * width / height)), 1L, 4096L);
  g->rows = std::clamp(std::lround(n / static_cast<double>(g->cols)), 1L, 4096L);
  g->cellWidth = width / static_cast<double>(g->cols);
  g->cellHeight = height / static_cast<double>(g->rows);
  // Counted first, then filled, in slot order: each cell lists its children back to front.
  std::vector<uint32_t> count(static_cast<size_t>(g->cols * g->rows) + 1, 0);
  auto each = [&](auto&& visit) {
    for (size_t s = 0; s < children_.size(); ++s) {
      Widget* w = children_[s].get();
      if (!w || w->kind() == WidgetKind::Timer || !w->Visible()) continue;
      long c0, c1, r0, r1;
      if (!g->cells(w->rectTwips(), c0, c1, r0, r1)) continue;
      if ((c1 - c0 + 1) * (r1 - r0 + 1) > HitGrid::kMaxCellsPerChild) {
        if (!w->looseInGrid_) {
          w->looseInGrid_ = true;
          g->loose.push_back(static_cast<uint32_t>(s));
        }
        continue;
      }
      for (long r = r0; r <= r1; ++r) {
        for (long c = c0; c <= c1; ++c) visit(static_cast<size_t>(r * g->cols + c), s);
      }
    }
  };
  each([&](size_t cell, size_t) { ++count[cell + 1]; });
  for (size_t i = 1; i < count.size(); ++i) count[i] += count[i - 1];
  g->start = count;
  g->slots.resize(count.back());
  each([&](size_t cell, size_t s) { g->slots[count[cell]++] = static_cast<uint32_t>(s); });
  grid_.reset(g.release());
  return grid_.get();
}

Widget* ContainerWidget::childAt(double x, double y) const {
  // A container of few children, most of them, has no grid: skip the call that would say so.
  bool few = !grid_ && children_.size() - empty_ < HitGrid::kMinChildren;
  const HitGrid* g = few ? nullptr : grid();
  if (!g || !(x >= 0 && x < g->width && y >= 0 && y < g->height)) {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
      if (mouseCanReach(it->get(), x, y)) return it->get();
    }
    return nullptr;
  }
  // The frontmost is the one in the highest place: the last the cell lists, or a loose one.
  long best = -1;
  auto cell = static_cast<size_t>(g->row(y) * g->cols + g->col(x));
  for (uint32_t i = g->start[cell + 1]; i > g->start[cell]; --i) {
    uint32_t s = g->slots[i - 1];
    if (s < children_.size() && mouseCanReach(children_[s].get(), x, y)) {
      best = s;
      break;
    }
  }
  for (uint32_t s : g->loose) {
    if (static_cast<long>(s) > best && s < children_.size() &&
        mouseCanReach(children_[s].get(), x, y)) {
      best = s;
    }
  }
  return best < 0 ? nullptr : children_[static_cast<size_t>(best)].get();
}

// Twips, the common case, needs no density.
double ContainerWidget::twipsPerUnitX() const {
  return scaleMode_ == scale::Twips ? 1.0 : fixedTwipsPerUnit(scaleMode_, false, dpi());
}
double ContainerWidget::twipsPerUnitY() const {
  return scaleMode_ == scale::Twips ? 1.0 : fixedTwipsPerUnit(scaleMode_, true, dpi());
}

void ContainerWidget::switchToUserScale() {
  if (scaleMode_ == scale::User) return;
  userScaleWidth_ = ScaleWidth();
  userScaleHeight_ = ScaleHeight();
  scaleMode_ = scale::User;
}

void ContainerWidget::setScaleMode(int16_t mode) {
  if (mode < 0 || mode > 7) raise(err::InvalidPropertyValue);
  if (mode == scale::User) {
    switchToUserScale();  // the scale in force stays, now as numbers of the user's
    return;
  }
  scaleMode_ = mode;
  scaleLeft_ = 0;
  scaleTop_ = 0;
}

float ContainerWidget::ScaleWidth() const {
  if (scaleMode_ == scale::User) return userScaleWidth_;
  return static_cast<float>(innerWidthTwips() / twipsPerUnitX());
}

float ContainerWidget::ScaleHeight() const {
  if (scaleMode_ == scale::User) return userScaleHeight_;
  return static_cast<float>(innerHeightTwips() / twipsPerUnitY());
}

void ContainerWidget::setScaleLeft(float v) {
  switchToUserScale();
  scaleLeft_ = v;
}

void ContainerWidget::setScaleTop(float v) {
  switchToUserScale();
  scaleTop_ = v;
}

void ContainerWidget::setScaleWidth(float v) {
  if (v == 0 || !std::isfinite(v)) raise(err::InvalidPropertyValue);
  switchToUserScale();
  userScaleWidth_ = v;
}

void ContainerWidget::setScaleHeight(float v) {
  if (v == 0 || !std::isfinite(v)) raise(err::InvalidPropertyValue);
  switchToUserScale();
  userScaleHeight_ = v;
}

// The user scale keeps its numbers when the container is resized: the units stretch with it.
// A fixed scale is a unit size, so only its extent changes. Nothing to redo in either case; the
// children keep their twips.
void ContainerWidget::sizeChanged() {}

float ContainerWidget::TextWidth(std::string_view s) const {
  return static_cast<float>(fromTwipsW(text::widthTwips(s, fontSize_, fontBold_, dpi())));
}

float ContainerWidget::TextHeight(std::string_view s) const {
  return static_cast<float>(fromTwipsH(text::heightTwips(s, fontSize_, fontBold_, dpi())));
}

void ContainerWidget::setFontSize(double pt) {
  fontSize_ = checkedFontSize(pt);
}

void ContainerWidget::addContainerMembers(Table& t) {
  using C = ContainerWidget;
  auto c = [](Widget& w) -> C& { return as<C>(w); };
  bind(t, "ScaleMode", &C::ScaleMode, &C::setScaleMode);
  bind(t, "ScaleLeft", &C::ScaleLeft, &C::setScaleLeft);
  bind(t, "ScaleTop", &C::ScaleTop, &C::setScaleTop);
  bind(t, "ScaleWidth", &C::ScaleWidth, &C::setScaleWidth);
  bind(t, "ScaleHeight", &C::ScaleHeight, &C::setScaleHeight);
  t.method("TextWidth", [c](Widget& w, std::span<Variant> a) {
    if (a.size() != 1) wrongArgCount();
    return Variant(c(w).TextWidth(a[0].asString()));
  });
  t.method("TextHeight", [c](Widget& w, std::span<Variant> a) {
    if (a.size() != 1) wrongArgCount();
    return Variant(c(w).TextHeight(a[0].asString()));
  });
  bind(t, "FontSize", &C::FontSize, &C::setFontSize);
  bind(t, "FontBold", &C::FontBold, &C::setFontBold);
}

}  // namespace keloscroll::host
