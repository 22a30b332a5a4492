// The base of every widget: name, geometry in its container's units, visibility, z-order, mouse
// coordinates and the members every widget answers to.
#include "host/widgets.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "host/engine.h"
#include "host/error.h"
#include "host/widget_members.h"

namespace keloscroll::host {

using namespace widget_members;

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

namespace {
constexpr size_t kNameCount = sizeof(size_t);  // the count before an owned name's characters
}  // namespace

const char* Widget::copyName(std::string_view text, NameRoom* room) {
  char* copy = fitsRoom(text, room) ? room->bytes : new char[kNameCount + text.size()];
  const size_t size = text.size();
  std::memcpy(copy, &size, kNameCount);
  text.copy(copy + kNameCount, size);
  return copy + kNameCount;
}

Widget::~Widget() {
  if (registeredEngine_) registeredEngine_->forget(*this);
  if (ownsEvents_) delete static_cast<EventSlots*>(events_);
  if (ownsName_ && !nameInRoom_) delete[](name_ - kNameCount);
}

std::shared_ptr<Widget> Widget::strongRef() {
  // An attached widget's entry owns it (its own count, or its allocation's) unless its container
  // goes with it; a detached one, or a form, owns its own count or nothing.
  if (!container_) return std::static_pointer_cast<Widget>(weak_from_this().lock());
  const std::shared_ptr<Widget>& entry = container_->children_[slot_];
  if (entry.use_count() > 0) return entry;
  std::shared_ptr<Widget> outer = container_->strongRef();
  return outer ? std::shared_ptr<Widget>(outer, this) : nullptr;
}

std::string_view Widget::name() const {
  if (!ownsName_) return name_;
  size_t size = 0;
  std::memcpy(&size, name_ - kNameCount, kNameCount);
  return {name_, size};
}

Form* Widget::form() const {
  const Widget* w = this;
  while (w->container_) w = w->container_;
  return w->kind_ == WidgetKind::Form ? static_cast<Form*>(const_cast<Widget*>(w)) : nullptr;
}

EventSlots& Widget::on() {
  if (!ownsEvents_) {
    setEvents(new EventSlots);
    ownsEvents_ = true;
  }
  return *static_cast<EventSlots*>(events_);
}

Dpi Widget::dpi() const {
  return registeredEngine_ ? registeredEngine_->dpi() : kClassicDpi;
}

ContainerWidget* Widget::asContainer() {
  return isContainerKind(kind_) ? static_cast<ContainerWidget*>(this) : nullptr;
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

// One edge written: the other three are stored, and so finite, already; only the new one is
// checked. A top-level form goes the whole way, to take its place on the screen from the rectangle.
void Widget::setEdge(float StoredRect::*edge, double twips, bool isSize) {
  const auto v = static_cast<float>(twips);
  if (kind_ == WidgetKind::Form) {
    StoredRect r = rect_;
    r.*edge = v;
    setStoredRect(r);
    return;
  }
  // The same edge, to the bit, changes nothing: a layout writes many a place that stays.
  if (std::bit_cast<uint32_t>(v) == std::bit_cast<uint32_t>(rect_.*edge)) return;
  if (!std::isfinite(v)) raise(err::Overflow);
  if (isSize && v < 0) raise(err::InvalidPropertyValue);
  const bool changed = v != rect_.*edge;  // -0 for 0 is stored, and moves nothing
  rect_.*edge = v;
  if (changed && container_ && container_->grid_) container_->childMoved(*this);
  if (changed && isSize) sizeChanged();
}

void Widget::setLeft(float v) {
  setEdge(&StoredRect::left, container_ ? container_->toTwipsX(v) : v, false);
}

void Widget::setTop(float v) {
  setEdge(&StoredRect::top, container_ ? container_->toTwipsY(v) : v, false);
}

void Widget::setWidth(float v) {
  setEdge(&StoredRect::width, container_ ? container_->toTwipsW(v) : v, true);
}

void Widget::setHeight(float v) {
  setEdge(&StoredRect::height, container_ ? container_->toTwipsH(v) : v, true);
}

void Widget::Move(float left, std::optional<float> top, std::optional<float> width,
                  std::optional<float> height) {
  StoredRect r = rect_;
  const ContainerWidget* c = container_;
  r.left = static_cast<float>(c ? c->toTwipsX(left) : left);
  if (top) r.top = static_cast<float>(c ? c->toTwipsY(*top) : *top);
  if (width) r.width = static_cast<float>(c ? c->toTwipsW(*width) : *width);
  if (height) r.height = static_cast<float>(c ? c->toTwipsH(*height) : *height);
  setStoredRect(r);
}

void Widget::setRectTwips(const TwipsRect& to) {
  setStoredRect({static_cast<float>(to.left), static_cast<float>(to.top),
                 static_cast<float>(to.width), static_cast<float>(to.height)});
}

namespace {
// Whether four floats are finite, tested on their bits two at a time: a float is not finite when
// its exponent bits are all set, and only then does adding one to them carry into its sign bit.
bool allFinite(const std::array<uint64_t, 2>& pairs) {
  constexpr uint64_t kExponents = 0x7f8000007f800000, kOnes = 0x0080000000800000,
                     kSigns = 0x8000000080000000;
  return ((((pairs[0] & kExponents) + kOnes) | ((pairs[1] & kExponents) + kOnes)) & kSigns) == 0;
}
}  // namespace

void Widget::setStoredRect(const StoredRect& r) {
  // The same rectangle, to the bit, changes nothing: a layout writes many a place that stays. A
  // top-level form goes on, to take its place on the screen from the rectangle again. (What is
  // stored is finite, so the test below has nothing to add for it.)
  const auto bits = std::bit_cast<std::array<uint64_t, 2>>(r);
  const auto stored = std::bit_cast<std::array<uint64_t, 2>>(rect_);
  if (bits == stored && kind_ != WidgetKind::Form) return;
  // A place past a float's range is an overflow, as one that is no number at all.
  if (!allFinite(bits)) raise(err::Overflow);
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
  bool shown = v && !visible_;
  visible_ = v;
  if (container_ && container_->grid_) {
    if (shown) container_->childMoved(*this);
    if (!v) container_->childHidden(*this);
  }
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
    // Closing up renumbers every sibling and drops the grid: only when half the list is empty.
    if (c->empty_ > 16 && c->empty_ * 2 > siblings.size()) c->closeUp();
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

// Summed from the form down, the order the painter sums in (so that the pixels agree), over the
// containers listed on the way up: a call per level cost more than the sums.
void Widget::originOnForm(double& x, double& y) const {
  constexpr int kListed = 8;
  const Widget* below[kListed];
  int n = 0;
  const Widget* w = this;
  for (; w->container_ && n < kListed; w = w->container_) below[n++] = w;
  if (w->container_) {
    w->originOnForm(x, y);  // deeper than the list
  } else {
    x = y = 0.0;
  }
  while (n > 0) {
    const Widget* b = below[--n];
    double inner = b->container_->innerOffsetTwips();
    x += inner + b->rect_.left;
    y += inner + b->rect_.top;
  }
}

void Widget::mousePoint(double formX, double formY, float& x, float& y) const {
  double ox = 0, oy = 0;
  originOnForm(ox, oy);
  mousePointFrom(formX, formY, ox, oy, x, y);
}

void Widget::mousePointFrom(double formX, double formY, double originX, double originY, float& x,
                            float& y) const {
  if (const ContainerWidget* c = asContainer()) {
    const ContainerWidget::InnerArea a = c->innerArea();
    x = static_cast<float>(c->fromTwipsX(formX - originX - a.offset, a.width));
    y = static_cast<float>(c->fromTwipsY(formY - originY - a.offset, a.height));
  } else if (container_) {
    x = static_cast<float>(container_->fromTwipsW(formX - originX));
    y = static_cast<float>(container_->fromTwipsH(formY - originY));
  } else {
    x = static_cast<float>(formX - originX);
    y = static_cast<float>(formY - originY);
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

}  // namespace keloscroll::host
