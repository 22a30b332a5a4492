#include "host/widgets.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>

#include "host/engine.h"
#include "host/error.h"
#include "host/numeric.h"
#include "host/text.h"

namespace host {

namespace {

constexpr int32_t kWrongArgCount = 450;

[[noreturn]] void wrongArgCount() {
  raise(kWrongArgCount, "Wrong number of arguments or invalid property assignment");
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && toLowerAscii(a) == toLowerAscii(b);
}

// FNV-1a over the name's lower-case form, as sameName compares names.
uint64_t nameHash(std::string_view s) {
  uint64_t h = 14695981039346656037ull;
  for (char ch : s) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    h = (h ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
  }
  return h;
}

// Optional arguments of a method call: a missing one is absent or Empty.
bool given(std::span<Variant> args, size_t i) {
  return i < args.size() && !args[i].isEmpty();
}

Variant objectOf(const Widget* w) {
  if (!w) return Variant::nothing();
  return Variant(std::const_pointer_cast<Dispatch>(w->weak_from_this().lock()));
}

Variant pictureVariant(const PictureRef& p) {
  return p ? Variant(ObjectRef(p)) : Variant::nothing();
}

// A picture property takes Nothing or a picture; any other object is a type mismatch.
PictureRef pictureOf(const Variant& v) {
  ObjectRef o = v.asObject();
  if (!o) return nullptr;
  auto p = std::dynamic_pointer_cast<host::Picture>(o);
  if (!p) raise(err::TypeMismatch);
  return p;
}

// System colours (&H80000000 and up) also arrive as positive Doubles when a script writes them as
// plain numbers: take those as the 32-bit pattern.
int32_t colorOf(const Variant& v) {
  int32_t c;
  double d = v.asDouble();
  if (d >= 2147483648.0 && d <= 4294967295.0 && d == std::floor(d)) {
    c = static_cast<int32_t>(static_cast<uint32_t>(d));
  } else {
    c = v.asLong();
  }
  return c;
}

// Colours are RGB values 0 to &HFFFFFF, or system colours &H80000000 to &H80000018.
int32_t checkedColor(int32_t c) {
  auto u = static_cast<uint32_t>(c);
  bool rgb = u <= 0xFFFFFFu;
  bool system = u >= 0x80000000u && u <= 0x80000018u;
  if (!rgb && !system) raise(err::InvalidPropertyValue);
  return c;
}

int16_t checkedChoice(int16_t v, int16_t highest) {
  if (v < 0 || v > highest) raise(err::InvalidPropertyValue);
  return v;
}

double checkedFontSize(double pt) {
  if (!(pt > 0.0 && pt <= 2048.0)) raise(err::InvalidPropertyValue);
  return pt;
}

void addHwnd(DispatchTable<Widget>& t) {
  t.property("hWnd", [](Widget& w) { return Variant(w.hwnd()); });
}

template <class W>
W& as(Widget& w) {
  return static_cast<W&>(w);
}

// A member's C++ value as a script sees it, and back.
Variant toVariant(bool b) {
  return Variant::boolean(b);
}
Variant toVariant(int16_t v) {
  return Variant(v);
}
Variant toVariant(int32_t v) {
  return Variant(v);
}
Variant toVariant(float v) {
  return Variant(v);
}
Variant toVariant(double v) {
  return Variant(static_cast<float>(v));
}
Variant toVariant(const std::string& s) {
  return Variant(s);
}
Variant toVariant(const PictureRef& p) {
  return pictureVariant(p);
}

template <class T>
T fromVariant(const Variant& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return isTrue(v.asBoolean());
  } else if constexpr (std::is_same_v<T, int16_t>) {
    return v.asInteger();
  } else if constexpr (std::is_same_v<T, int32_t>) {
    return v.asLong();
  } else if constexpr (std::is_floating_point_v<T>) {
    return v.asSingle();
  } else if constexpr (std::is_same_v<T, std::string>) {
    return v.asString();
  } else {
    static_assert(std::is_same_v<T, PictureRef>);
    return pictureOf(v);
  }
}

// A property of widget kind W served by its getter and setter; the setter checks the value.
template <class W, class R, class A>
void bind(DispatchTable<Widget>& t, const char* name, R (W::*get)() const, void (W::*set)(A)) {
  t.property(
      name, [get](Widget& w) { return toVariant((as<W>(w).*get)()); },
      [set](Widget& w, const Variant& v) {
        (as<W>(w).*set)(fromVariant<std::remove_cvref_t<A>>(v));
      });
}

// The same for a colour, which scripts may also write as a plain positive number.
template <class W>
void bindColor(DispatchTable<Widget>& t, const char* name, int32_t (W::*get)() const,
               void (W::*set)(int32_t)) {
  t.property(
      name, [get](Widget& w) { return Variant((as<W>(w).*get)()); },
      [set](Widget& w, const Variant& v) { (as<W>(w).*set)(colorOf(v)); });
}

// Twips per unit of the fixed scale modes (2 points, 4 characters, 5 inches, 6 mm, 7 cm).
double fixedTwipsPerUnit(int16_t mode, bool vertical) {
  switch (mode) {
    case 1:
      return 1.0;
    case 2:
      return 20.0;
    case 3:
      return kTwipsPerPixel;
    case 4:
      return vertical ? 240.0 : 120.0;
    case 5:
      return 1440.0;
    case 6:
      return 1440.0 / 25.4;
    case 7:
      return 1440.0 / 2.54;
    default:
      return 1.0;
  }
}

void collectControls(const ContainerWidget& c, std::vector<Widget*>& out) {
  for (const auto& child : c.children()) {
    out.push_back(child.get());
    if (child->kind() == WidgetKind::UserControl) continue;  // its parts are its own
    if (const ContainerWidget* cc = child->asContainer()) collectControls(*cc, out);
  }
}

}  // namespace

const char* kindName(WidgetKind k) {
  switch (k) {
    case WidgetKind::Form:
      return "Form";
    case WidgetKind::UserControl:
      return "UserControl";
    case WidgetKind::PictureBox:
      return "PictureBox";
    case WidgetKind::Frame:
      return "Frame";
    case WidgetKind::Image:
      return "Image";
    case WidgetKind::CommandButton:
      return "CommandButton";
    case WidgetKind::Timer:
      return "Timer";
    case WidgetKind::TextBox:
      return "TextBox";
    case WidgetKind::CheckBox:
      return "CheckBox";
    case WidgetKind::Label:
      return "Label";
  }
  return "Object";
}

// ---- Widget ---------------------------------------------------------------------------------

Widget::Widget(WidgetKind kind, std::string name) : kind_(kind), name_(std::move(name)) {}

Widget::~Widget() {
  if (registeredEngine_) registeredEngine_->forget(*this);
}

Form* Widget::form() const {
  const Widget* w = this;
  while (w->container_) w = w->container_;
  return w->kind_ == WidgetKind::Form ? static_cast<Form*>(const_cast<Widget*>(w)) : nullptr;
}

FormEngine* Widget::engine() const {
  return registeredEngine_;
}

// Only the four container kinds are made as ContainerWidgets (see their constructors).
ContainerWidget* Widget::asContainer() {
  switch (kind_) {
    case WidgetKind::Form:
    case WidgetKind::UserControl:
    case WidgetKind::PictureBox:
    case WidgetKind::Frame:
      return static_cast<ContainerWidget*>(this);
    default:
      return nullptr;
  }
}

const ContainerWidget* Widget::asContainer() const {
  return const_cast<Widget*>(this)->asContainer();
}

// A top-level form's Left and Top are its place on the screen.
float Widget::Left() const {
  if (container_) return static_cast<float>(container_->fromTwipsX(rect_.left));
  if (kind_ == WidgetKind::Form)
    return static_cast<float>(static_cast<const Form*>(this)->screenLeftTwips);
  return static_cast<float>(rect_.left);
}

float Widget::Top() const {
  if (container_) return static_cast<float>(container_->fromTwipsY(rect_.top));
  if (kind_ == WidgetKind::Form)
    return static_cast<float>(static_cast<const Form*>(this)->screenTopTwips);
  return static_cast<float>(rect_.top);
}

float Widget::Width() const {
  return static_cast<float>(container_ ? container_->fromTwipsW(rect_.width) : rect_.width);
}

float Widget::Height() const {
  return static_cast<float>(container_ ? container_->fromTwipsH(rect_.height) : rect_.height);
}

void Widget::setLeft(float v) {
  TwipsRect r = rect_;
  r.left = container_ ? container_->toTwipsX(v) : v;
  setRectTwips(r);
}

void Widget::setTop(float v) {
  TwipsRect r = rect_;
  r.top = container_ ? container_->toTwipsY(v) : v;
  setRectTwips(r);
}

void Widget::setWidth(float v) {
  TwipsRect r = rect_;
  r.width = container_ ? container_->toTwipsW(v) : v;
  setRectTwips(r);
}

void Widget::setHeight(float v) {
  TwipsRect r = rect_;
  r.height = container_ ? container_->toTwipsH(v) : v;
  setRectTwips(r);
}

void Widget::Move(float left, std::optional<float> top, std::optional<float> width,
                  std::optional<float> height) {
  TwipsRect r = rect_;
  const ContainerWidget* c = container_;
  r.left = c ? c->toTwipsX(left) : left;
  if (top) r.top = c ? c->toTwipsY(*top) : *top;
  if (width) r.width = c ? c->toTwipsW(*width) : *width;
  if (height) r.height = c ? c->toTwipsH(*height) : *height;
  setRectTwips(r);
}

void Widget::setRectTwips(const TwipsRect& r) {
  if (!std::isfinite(r.left + r.top + r.width + r.height)) {
    checkFinite(r.left);  // raises for the first that is not
    checkFinite(r.top);
    checkFinite(r.width);
    checkFinite(r.height);
  }
  if (r.width < 0 || r.height < 0) raise(err::InvalidPropertyValue);
  bool resized = r.width != rect_.width || r.height != rect_.height;
  bool moved = resized || r.left != rect_.left || r.top != rect_.top;
  rect_ = r;
  if (moved && container_ && container_->grid_) container_->childMoved(*this);
  if (kind_ == WidgetKind::Form && !container_) {
    auto* f = static_cast<Form*>(this);
    f->screenLeftTwips = r.left;
    f->screenTopTwips = r.top;
  }
  if (resized) sizeChanged();
}

void Widget::setVisible(bool v) {
  visible_ = v;
}

void Widget::setEnabled(bool v) {
  enabled_ = v;
  enabledChanged();
}

bool Widget::effectivelyVisible() const {
  for (const Widget* w = this; w; w = w->container_) {
    if (!w->visible_) return false;
  }
  return true;
}

bool Widget::effectivelyEnabled() const {
  for (const Widget* w = this; w; w = w->container_) {
    if (!w->enabled_) return false;
  }
  return true;
}

void Widget::ZOrder(int16_t position) {
  if (position != 0 && position != 1) raise(err::InvalidCall);
  ContainerWidget* c = container_;
  if (!c) return;
  auto& siblings = c->children_;
  if (position == 0) {
    // To the front: a new place at the end, the old one left empty.
    if (slot_ + 1 == siblings.size()) return;
    std::shared_ptr<Widget> self = std::move(siblings[slot_]);
    ++c->empty_;
    slot_ = static_cast<uint32_t>(siblings.size());
    siblings.push_back(std::move(self));
    looseInGrid_ = false;  // listed under its old place, if at all
    if (c->grid_) c->childMoved(*this);
    c->closeUp();
  } else {
    // To the back: every place moves.
    c->dropGrid();
    std::shared_ptr<Widget> self = std::move(siblings[slot_]);
    siblings.erase(siblings.begin() + slot_);
    siblings.insert(siblings.begin(), std::move(self));
    c->empty_ = 0;
    std::erase(siblings, nullptr);
    for (size_t i = 0; i < siblings.size(); ++i) siblings[i]->slot_ = static_cast<uint32_t>(i);
  }
}

void Widget::originOnForm(double& x, double& y) const {
  if (!container_) {
    x = y = 0.0;
    return;
  }
  container_->originOnForm(x, y);
  double inner = container_->innerOffsetTwips();
  x += inner + rect_.left;
  y += inner + rect_.top;
}

void Widget::mousePoint(double formX, double formY, float& x, float& y) const {
  double ox = 0, oy = 0;
  originOnForm(ox, oy);
  if (const ContainerWidget* c = asContainer()) {
    double inner = c->innerOffsetTwips();
    x = static_cast<float>(c->fromTwipsX(formX - ox - inner));
    y = static_cast<float>(c->fromTwipsY(formY - oy - inner));
  } else if (container_) {
    x = static_cast<float>(container_->fromTwipsW(formX - ox));
    y = static_cast<float>(container_->fromTwipsH(formY - oy));
  } else {
    x = static_cast<float>(formX - ox);
    y = static_cast<float>(formY - oy);
  }
}

int32_t Widget::idOfName(std::string_view name) const {
  return table().idOfName(name);
}

Variant Widget::invoke(int32_t id, Invoke kind, std::span<Variant> args) {
  return table().invoke(*this, id, kind, args);
}

const Widget::Table& Widget::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    return t;
  }();
  return kTable;
}

void Widget::addWidgetMembers(Table& t) {
  t.property("Name", [](Widget& w) { return Variant(w.name()); });
  bind(t, "Left", &Widget::Left, &Widget::setLeft);
  bind(t, "Top", &Widget::Top, &Widget::setTop);
  bind(t, "Width", &Widget::Width, &Widget::setWidth);
  bind(t, "Height", &Widget::Height, &Widget::setHeight);
  bind(t, "Visible", &Widget::Visible, &Widget::setVisible);
  bind(t, "Enabled", &Widget::Enabled, &Widget::setEnabled);
  bind(t, "TabIndex", &Widget::TabIndex, &Widget::setTabIndex);
  t.method("Move", [](Widget& w, std::span<Variant> a) {
    if (!given(a, 0) || a.size() > 4) wrongArgCount();
    std::optional<float> top, width, height;
    if (given(a, 1)) top = a[1].asSingle();
    if (given(a, 2)) width = a[2].asSingle();
    if (given(a, 3)) height = a[3].asSingle();
    w.Move(a[0].asSingle(), top, width, height);
    return Variant();
  });
  t.method("ZOrder", [](Widget& w, std::span<Variant> a) {
    w.ZOrder(given(a, 0) ? a[0].asInteger() : int16_t{0});
    return Variant();
  });
  t.property("Container", [](Widget& w) { return objectOf(w.container()); });
  t.property("Parent", [](Widget& w) { return objectOf(w.form()); });
}

// ---- ContainerWidget ------------------------------------------------------------------------

// The hit grid of a container with many children: its inner area cut into about as many cells
// as it has children, each cell listing (back to front) the children whose rectangles reach into
// it, so that a hit test looks at a few children rather than at all. Children placed, moved or
// brought to the front since the grid was made are listed apart ("loose") until there are too
// many of them; so are children too large for a few cells. The grid is made again when the inner
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

namespace {
bool mouseCanReach(const Widget* w, double x, double y) {
  return w && w->kind() != WidgetKind::Timer && w->Visible() && w->Enabled() &&
         w->rectTwips().contains(x, y);
}
}  // namespace

ContainerWidget::~ContainerWidget() {
  dropGrid();
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
  for (const Widget* w = this; w; w = w->container_) {
    if (w == child.get()) raise(err::InvalidCall);  // would hold itself
  }
  if (child->container_) child->container_->detach(*child);
  child->container_ = this;
  child->slot_ = static_cast<uint32_t>(children_.size());
  children_.push_back(child);
  countControls(*child, +1);
  if (grid_) childMoved(*child);
  if (FormEngine* e = engine()) e->adoptTree(*child);
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

void ContainerWidget::countControls(const Widget& child, int delta) const {
  // Parts of a user control are the control's own, not the form's.
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

const std::vector<std::shared_ptr<Widget>>& ContainerWidget::children() const {
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
  if (child.looseInGrid_) return;
  if (grid_->loose.size() >= 64 + (children_.size() - empty_) / 16) {
    dropGrid();  // made again at the next hit test
    return;
  }
  child.looseInGrid_ = true;
  grid_->loose.push_back(child.slot_);
}

const ContainerWidget::HitGrid* ContainerWidget::grid() const {
  size_t live = children_.size() - empty_;
  if (!grid_ && live < HitGrid::kMinChildren) return nullptr;
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
      if (!w || w->kind() == WidgetKind::Timer) continue;
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
  grid_ = std::move(g);
  return grid_.get();
}

Widget* ContainerWidget::childAt(double x, double y) const {
  const HitGrid* g = grid();
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

double ContainerWidget::twipsPerUnitX() const {
  return fixedTwipsPerUnit(scaleMode_, false);
}
double ContainerWidget::twipsPerUnitY() const {
  return fixedTwipsPerUnit(scaleMode_, true);
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

// In the user scale a unit is inner extent / scale extent; products are formed before the
// division so that a whole number of units survives the round trip through twips.
double ContainerWidget::toTwipsX(double units) const {
  if (scaleMode_ != scale::User) return (units - scaleLeft_) * twipsPerUnitX();
  if (userScaleWidth_ == 0) return 0.0;
  return (units - scaleLeft_) * innerWidthTwips() / userScaleWidth_;
}

double ContainerWidget::toTwipsY(double units) const {
  if (scaleMode_ != scale::User) return (units - scaleTop_) * twipsPerUnitY();
  if (userScaleHeight_ == 0) return 0.0;
  return (units - scaleTop_) * innerHeightTwips() / userScaleHeight_;
}

double ContainerWidget::toTwipsW(double units) const {
  if (scaleMode_ != scale::User) return units * twipsPerUnitX();
  if (userScaleWidth_ == 0) return 0.0;
  return units * innerWidthTwips() / userScaleWidth_;
}

double ContainerWidget::toTwipsH(double units) const {
  if (scaleMode_ != scale::User) return units * twipsPerUnitY();
  if (userScaleHeight_ == 0) return 0.0;
  return units * innerHeightTwips() / userScaleHeight_;
}

double ContainerWidget::fromTwipsX(double twips) const {
  return scaleLeft_ + fromTwipsW(twips);
}

double ContainerWidget::fromTwipsY(double twips) const {
  return scaleTop_ + fromTwipsH(twips);
}

double ContainerWidget::fromTwipsW(double twips) const {
  if (scaleMode_ != scale::User) return twips / twipsPerUnitX();
  double inner = innerWidthTwips();
  return inner == 0 ? 0.0 : twips * userScaleWidth_ / inner;
}

double ContainerWidget::fromTwipsH(double twips) const {
  if (scaleMode_ != scale::User) return twips / twipsPerUnitY();
  double inner = innerHeightTwips();
  return inner == 0 ? 0.0 : twips * userScaleHeight_ / inner;
}

float ContainerWidget::TextWidth(std::string_view s) const {
  return static_cast<float>(fromTwipsW(text::widthTwips(s, fontSize_, fontBold_)));
}

float ContainerWidget::TextHeight(std::string_view s) const {
  return static_cast<float>(fromTwipsH(text::heightTwips(s, fontSize_, fontBold_)));
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

// ---- PictureBox -----------------------------------------------------------------------------

PictureBox::PictureBox(std::string name)
    : ContainerWidget(WidgetKind::PictureBox, std::move(name)) {}

double PictureBox::innerOffsetTwips() const {
  return borderStyle_ == 1 ? 2 * kTwipsPerPixel : 0.0;
}

double PictureBox::innerWidthTwips() const {
  return std::max(0.0, rectTwips().width - 2 * innerOffsetTwips());
}

double PictureBox::innerHeightTwips() const {
  return std::max(0.0, rectTwips().height - 2 * innerOffsetTwips());
}

void PictureBox::setBackColor(int32_t c) {
  backColor_ = checkedColor(c);
}
void PictureBox::setBorderStyle(int16_t b) {
  borderStyle_ = checkedChoice(b, 1);
}

const Widget::Table& PictureBox::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addContainerMembers(t);
    addHwnd(t);
    bind(t, "Picture", &PictureBox::Picture, &PictureBox::setPicture);
    bindColor(t, "BackColor", &PictureBox::BackColor, &PictureBox::setBackColor);
    bind(t, "BorderStyle", &PictureBox::BorderStyle, &PictureBox::setBorderStyle);
    return t;
  }();
  return kTable;
}

// ---- Frame ----------------------------------------------------------------------------------

Frame::Frame(std::string name) : ContainerWidget(WidgetKind::Frame, std::move(name)) {}

const Widget::Table& Frame::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addContainerMembers(t);
    addHwnd(t);
    bind(t, "Caption", &Frame::Caption, &Frame::setCaption);
    return t;
  }();
  return kTable;
}

// ---- Image ----------------------------------------------------------------------------------

Image::Image(std::string name) : Widget(WidgetKind::Image, std::move(name)) {}

const Widget::Table& Image::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    bind(t, "Picture", &Image::Picture, &Image::setPicture);
    bind(t, "Stretch", &Image::Stretch, &Image::setStretch);
    return t;
  }();
  return kTable;
}

// ---- CommandButton --------------------------------------------------------------------------

CommandButton::CommandButton(std::string name)
    : Widget(WidgetKind::CommandButton, std::move(name)) {}

void CommandButton::setPicture(PictureRef p) {
  picture_ = std::move(p);
  face_ = nullptr;
}

void CommandButton::setStyle(int16_t s) {
  style_ = checkedChoice(s, 1);
}

const Widget::Table& CommandButton::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addHwnd(t);
    bind(t, "Picture", &CommandButton::Picture, &CommandButton::setPicture);
    bind(t, "Style", &CommandButton::Style, &CommandButton::setStyle);
    bind(t, "Caption", &CommandButton::Caption, &CommandButton::setCaption);
    return t;
  }();
  return kTable;
}

// ---- Timer ----------------------------------------------------------------------------------

Timer::Timer(std::string name) : Widget(WidgetKind::Timer, std::move(name)) {}

Timer::~Timer() {
  // Leave the engine while this is still a timer: it keeps timers by their own type.
  if (FormEngine* e = engine()) e->forget(*this);
}

// Writing Interval restarts the count even when the value stays the same; 0 stops the timer.
void Timer::setInterval(int32_t ms) {
  if (ms < 0 || ms > 65535) raise(err::InvalidPropertyValue);
  interval_ = ms;
  rearm();
}

// Enabled = true restarts a running timer's count too; false stops it.
void Timer::enabledChanged() {
  rearm();
}

void Timer::rearm() {
  if (FormEngine* e = engine()) {
    e->timerChanged(*this);
  } else {
    due_ = -1;  // no clock until the timer is on an engine's form
  }
}

const Widget::Table& Timer::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    bind(t, "Interval", &Timer::Interval, &Timer::setInterval);
    return t;
  }();
  return kTable;
}

// ---- TextBox --------------------------------------------------------------------------------

TextBox::TextBox(std::string name) : Widget(WidgetKind::TextBox, std::move(name)) {}

void TextBox::setText(std::string t) {
  if (t == text_) return;
  text_ = std::move(t);
  if (EventHandler h = Change) h();
}

void TextBox::setFontSize(double pt) {
  fontSize_ = checkedFontSize(pt);
}
void TextBox::setAppearance(int16_t a) {
  appearance_ = checkedChoice(a, 1);
}
void TextBox::setBackColor(int32_t c) {
  backColor_ = checkedColor(c);
}
void TextBox::setForeColor(int32_t c) {
  foreColor_ = checkedColor(c);
}

const Widget::Table& TextBox::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addHwnd(t);
    bind(t, "Text", &TextBox::Text, &TextBox::setText);
    bind(t, "FontBold", &TextBox::FontBold, &TextBox::setFontBold);
    bind(t, "FontSize", &TextBox::FontSize, &TextBox::setFontSize);
    bind(t, "Appearance", &TextBox::Appearance, &TextBox::setAppearance);
    bindColor(t, "BackColor", &TextBox::BackColor, &TextBox::setBackColor);
    bindColor(t, "ForeColor", &TextBox::ForeColor, &TextBox::setForeColor);
    t.method("Refresh", [](Widget& w, std::span<Variant>) {
      as<TextBox>(w).Refresh();
      return Variant();
    });
    return t;
  }();
  return kTable;
}

// ---- CheckBox -------------------------------------------------------------------------------

CheckBox::CheckBox(std::string name) : Widget(WidgetKind::CheckBox, std::move(name)) {}

void CheckBox::setValue(int16_t v) {
  if (v < 0 || v > 2) raise(err::InvalidPropertyValue);
  if (v == value_) return;
  value_ = v;
  if (EventHandler h = Click) h();
}

const Widget::Table& CheckBox::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addHwnd(t);
    bind(t, "Value", &CheckBox::Value, &CheckBox::setValue);
    bind(t, "Caption", &CheckBox::Caption, &CheckBox::setCaption);
    return t;
  }();
  return kTable;
}

// ---- Label ----------------------------------------------------------------------------------

Label::Label(std::string name) : Widget(WidgetKind::Label, std::move(name)) {}

void Label::setAlignment(int16_t a) {
  alignment_ = checkedChoice(a, 2);
}

const Widget::Table& Label::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    bind(t, "Caption", &Label::Caption, &Label::setCaption);
    bind(t, "Alignment", &Label::Alignment, &Label::setAlignment);
    return t;
  }();
  return kTable;
}

// ---- UserControl ----------------------------------------------------------------------------

UserControl::UserControl(std::string name)
    : ContainerWidget(WidgetKind::UserControl, std::move(name)) {}

void UserControl::raiseResize() {
  // A copy: the handler may replace the handlers while it runs.
  if (EventHandler h = Resize) h();
}

// Synchronous, so a handler that sets the size again runs a nested Resize before it goes on.
void UserControl::sizeChanged() {
  ContainerWidget::sizeChanged();
  raiseResize();
}

void UserControl::setWidthTwips(float v) {
  TwipsRect r = rectTwips();
  r.width = v;
  setRectTwips(r);
}

void UserControl::setHeightTwips(float v) {
  TwipsRect r = rectTwips();
  r.height = v;
  setRectTwips(r);
}

const Widget::Table& UserControl::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addContainerMembers(t);
    addHwnd(t);
    bind(t, "Width", &UserControl::WidthTwips, &UserControl::setWidthTwips);
    bind(t, "Height", &UserControl::HeightTwips, &UserControl::setHeightTwips);
    t.remove("Container");
    return t;
  }();
  return kTable;
}

// ---- Form -----------------------------------------------------------------------------------

Form::Form(std::string name) : ContainerWidget(WidgetKind::Form, std::move(name)) {
  setRectTwips({0, 0, 4800, 3600});
}

Form::~Form() {
  if (controls_) {
    controls_->form_ = nullptr;
    controls_->counted_ = false;
    controls_->names_.clear();
  }
}

void Form::setEngine(FormEngine* e) {
  if (engine_ == e) return;
  if (engine_) engine_->forgetTree(*this);
  engine_ = e;
  if (e) e->adoptTree(*this);
}

std::shared_ptr<ControlsCollection> Form::Controls() {
  if (!controls_) controls_ = std::make_shared<ControlsCollection>(*this);
  return controls_;
}

const Widget::Table& Form::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addContainerMembers(t);
    addHwnd(t);
    bind(t, "Caption", &Form::Caption, &Form::setCaption);
    t.property("Controls", [](Widget& w) { return Variant(as<Form>(w).Controls()); });
    t.method("Refresh", [](Widget& w, std::span<Variant>) {
      as<Form>(w).Refresh();
      return Variant();
    });
    return t;
  }();
  return kTable;
}

// ---- ControlsCollection ---------------------------------------------------------------------

Form& ControlsCollection::form() const {
  if (!form_) raise(err::ObjectNotSet);
  return *form_;
}

std::vector<Widget*> ControlsCollection::list() const {
  std::vector<Widget*> out;
  collectControls(form(), out);
  return out;
}

bool ControlsCollection::mayHold(std::string_view name) {
  if (!counted_) {
    for (Widget* w : list()) ++names_[nameHash(w->name())];
    counted_ = true;
  }
  return names_.contains(nameHash(name));
}

void ControlsCollection::countNames(const Widget& w, int delta) {
  uint64_t h = nameHash(w.name());
  if (delta > 0) {
    ++names_[h];
  } else if (auto it = names_.find(h); it != names_.end() && --it->second == 0) {
    names_.erase(it);
  }
  if (w.kind() == WidgetKind::UserControl) return;
  if (const ContainerWidget* c = w.asContainer()) {
    for (const auto& child : c->children_) {
      if (child) countNames(*child, delta);
    }
  }
}

std::shared_ptr<Widget> ControlsCollection::Add(std::string_view progId, std::string_view name) {
  Form& f = form();
  std::string id = toLowerAscii(progId);
  std::shared_ptr<Widget> w;
  std::string n(name);
  if (id == "vb.textbox") {
    auto t = std::make_shared<TextBox>(n);
    t->setFontSize(f.FontSize());  // new text boxes take the form's font
    t->setFontBold(f.FontBold());
    w = t;
  } else if (id == "vb.label") {
    w = std::make_shared<Label>(n);
  } else if (id == "vb.commandbutton") {
    w = std::make_shared<CommandButton>(n);
  } else if (id == "vb.checkbox") {
    w = std::make_shared<CheckBox>(n);
  } else if (id == "vb.image") {
    w = std::make_shared<Image>(n);
  } else if (id == "vb.picturebox") {
    w = std::make_shared<PictureBox>(n);
  } else if (id == "vb.frame") {
    w = std::make_shared<Frame>(n);
  } else if (id == "vb.timer") {
    w = std::make_shared<Timer>(n);
  } else {
    raise(err::InvalidCall, "Invalid class string: " + std::string(progId));
  }
  if (name.empty()) raise(err::InvalidCall);
  if (mayHold(name)) {
    for (Widget* existing : list()) {
      if (sameName(existing->name(), name)) raise(err::NameInUse);
    }
  }
  w->setVisible(false);  // added controls start hidden
  f.attach(w);
  return w;
}

void ControlsCollection::Remove(std::string_view name) {
  for (Widget* w : list()) {
    if (sameName(w->name(), name)) {
      w->container()->detach(*w);
      return;
    }
  }
  raise(err::ControlNotFound);
}

int32_t ControlsCollection::Count() const {
  return static_cast<int32_t>(list().size());
}

std::shared_ptr<Widget> ControlsCollection::Item(std::string_view name) const {
  for (Widget* w : list()) {
    if (sameName(w->name(), name)) return std::static_pointer_cast<Widget>(w->shared_from_this());
  }
  raise(err::ControlNotFound);
}

std::shared_ptr<Widget> ControlsCollection::Item(int32_t index) const {
  std::vector<Widget*> all = list();
  if (index < 0 || index >= static_cast<int32_t>(all.size())) raise(9, "Subscript out of range");
  return std::static_pointer_cast<Widget>(all[static_cast<size_t>(index)]->shared_from_this());
}

namespace {
const DispatchTable<ControlsCollection>& controlsTable() {
  static const DispatchTable<ControlsCollection> table = [] {
    DispatchTable<ControlsCollection> t;
    t.method("Add", [](ControlsCollection& c, std::span<Variant> a) {
      if (a.size() < 2) wrongArgCount();
      return Variant(c.Add(a[0].asString(), a[1].asString()));
    });
    t.method("Remove", [](ControlsCollection& c, std::span<Variant> a) {
      if (a.size() != 1) wrongArgCount();
      c.Remove(a[0].asString());
      return Variant();
    });
    t.method("Item", [](ControlsCollection& c, std::span<Variant> a) {
      if (a.size() != 1) wrongArgCount();
      if (a[0].value().isString()) return Variant(c.Item(a[0].asString()));
      return Variant(c.Item(a[0].asLong()));
    });
    t.property("Count", [](ControlsCollection& c) { return Variant(c.Count()); });
    return t;
  }();
  return table;
}
}  // namespace

int32_t ControlsCollection::idOfName(std::string_view name) const {
  return controlsTable().idOfName(name);
}

Variant ControlsCollection::invoke(int32_t id, Invoke kind, std::span<Variant> args) {
  return controlsTable().invoke(*this, id, kind, args);
}

// ---- lookup ---------------------------------------------------------------------------------

Widget* findWidget(const ContainerWidget& root, std::string_view name) {
  for (const auto& c : root.children()) {
    if (sameName(c->name(), name)) return c.get();
  }
  for (const auto& c : root.children()) {
    if (const ContainerWidget* cc = c->asContainer()) {
      if (Widget* w = findWidget(*cc, name)) return w;
    }
  }
  return nullptr;
}

}  // namespace host
