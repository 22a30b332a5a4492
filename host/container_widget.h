// Widgets that hold others and have a coordinate scale, and the two plain ones among them: the
// picture box and the frame.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/picture.h"
#include "host/system_colors.h"
#include "host/widget.h"

namespace keloscroll::host {

// Room for a container's first children inside the widget itself, so that the list of a
// container that holds few (a bar's surface four, its track two) makes no allocation. A private
// base placed before ContainerWidget, so that it outlives the list kept in it. Aligned to 8 on
// every target: the allocator keeps the size in the address's low bits.
template <size_t N>
struct ChildRoom {
  static_assert(N > 0 && N < 8, "the size shares the address");
  alignas(8) alignas(std::shared_ptr<Widget>) std::byte bytes[N * sizeof(std::shared_ptr<Widget>)];
};

// Allocates a list of children in its container's room when the list asks for exactly the room's
// size, on the heap otherwise. The list only grows, so it asks for that size once at most while
// it is in the room. The room's size is kept in the low bits of its address (one word, as the
// containers of a bar are many). A copy of a list goes to the heap.
template <class T>
class ChildAllocator {
 public:
  using value_type = T;
  ChildAllocator() = default;
  template <size_t N>
  explicit ChildAllocator(ChildRoom<N>& room)
      : room_(reinterpret_cast<uintptr_t>(room.bytes) | N) {}
  size_t roomSize() const { return room_ & kSizeBits; }
  T* allocate(size_t n) {
    if (n == roomSize()) return room();
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, size_t n) {
    if (p != room()) std::allocator<T>().deallocate(p, n);
  }
  ChildAllocator select_on_container_copy_construction() const { return {}; }
  bool operator==(const ChildAllocator&) const = default;

 private:
  static constexpr uintptr_t kSizeBits = 7;
  T* room() const { return reinterpret_cast<T*>(room_ & ~kSizeBits); }
  uintptr_t room_ = 0;
};

// A widget that holds others and has a coordinate scale: form, user control, picture box, frame.
class ContainerWidget : public Widget {
 public:
  using ChildList = std::vector<std::shared_ptr<Widget>, ChildAllocator<std::shared_ptr<Widget>>>;

  ContainerWidget(WidgetKind kind, WidgetName name, NameRoom* room = nullptr,
                  ChildList::allocator_type childRoom = {})
      : Widget(kind, name, room), children_(childRoom) {}
  ~ContainerWidget() override;

  // Adds a child (in front of its siblings). The engine gives windowed widgets their hwnd.
  template <class W>
  std::shared_ptr<W> add(WidgetName name) {
    auto w = std::make_shared<W>(name);
    attach(w);
    return w;
  }
  void attach(std::shared_ptr<Widget> child);
  void detach(Widget& child);
  // Room for n children in all, for a container that knows how many it will hold.
  void reserveChildren(size_t n) {
    children_.reserve(std::max(n, children_.get_allocator().roomSize()));
  }
  // Children from back to front.
  std::span<const std::shared_ptr<Widget>> children() const;
  // Calls f on each child from back to front, as they stand: f must leave the list as it is.
  template <class F>
  void forEachChild(F&& f) const {
    for (const auto& child : children_) {
      if (child) f(*child);
    }
  }
  Widget* child(std::string_view name) const;  // case-insensitive; null when absent
  // The frontmost child that the mouse reaches at a point of the inner area (twips from the inner
  // origin): visible, enabled, not a timer, its rectangle holding the point. Null when none does.
  Widget* childAt(double x, double y) const;

  int16_t ScaleMode() const { return scaleMode_; }
  void setScaleMode(int16_t mode);  // 1 or 3: a fixed scale from 0; 0 keeps the current one
  float ScaleLeft() const { return scaleLeft_; }
  float ScaleTop() const { return scaleTop_; }
  float ScaleWidth() const;
  float ScaleHeight() const;
  void setScaleLeft(float v);
  void setScaleTop(float v);
  void setScaleWidth(float v);   // switches to the user scale; error 380 for 0
  void setScaleHeight(float v);  // switches to the user scale; error 380 for 0

  // Inner (client) size in twips: the area the scale spans. Only a picture box's border takes
  // room; every conversion in a user scale asks, so these are no virtual calls.
  double innerWidthTwips() const;
  double innerHeightTwips() const;
  // Offset of the inner area from the outer top-left corner, in twips (borders).
  double innerOffsetTwips() const;
  // The three at once, for a caller that needs them together (a hit test, a mouse point): the
  // border asked once rather than three times.
  struct InnerArea {
    double offset, width, height;
  };
  InnerArea innerArea() const;

  // Conversions between this container's units and twips from its inner origin, inline: in twips
  // a number is its own conversion, and in a user scale a unit is inner extent / scale extent, the
  // products formed before the division so that a whole number of units survives the round trip.
  double toTwipsX(double units) const {
    if (scaleMode_ == scale::Twips) return units - scaleLeft_;
    if (scaleMode_ != scale::User) return (units - scaleLeft_) * twipsPerUnitX();
    return userToTwips(units - scaleLeft_, innerWidthTwips(), userScaleWidth_);
  }
  double toTwipsY(double units) const {
    if (scaleMode_ == scale::Twips) return units - scaleTop_;
    if (scaleMode_ != scale::User) return (units - scaleTop_) * twipsPerUnitY();
    return userToTwips(units - scaleTop_, innerHeightTwips(), userScaleHeight_);
  }
  double toTwipsW(double units) const {
    if (scaleMode_ == scale::Twips) return units;
    if (scaleMode_ != scale::User) return units * twipsPerUnitX();
    return userToTwips(units, innerWidthTwips(), userScaleWidth_);
  }
  double toTwipsH(double units) const {
    if (scaleMode_ == scale::Twips) return units;
    if (scaleMode_ != scale::User) return units * twipsPerUnitY();
    return userToTwips(units, innerHeightTwips(), userScaleHeight_);
  }
  double fromTwipsX(double twips) const { return scaleLeft_ + fromTwipsW(twips); }
  double fromTwipsY(double twips) const { return scaleTop_ + fromTwipsH(twips); }
  // The same, given the inner width or height (from innerArea).
  double fromTwipsX(double twips, double innerWidth) const {
    if (scaleMode_ == scale::Twips) return scaleLeft_ + twips;
    if (scaleMode_ != scale::User) return scaleLeft_ + twips / twipsPerUnitX();
    return scaleLeft_ + userFromTwips(twips, innerWidth, userScaleWidth_);
  }
  double fromTwipsY(double twips, double innerHeight) const {
    if (scaleMode_ == scale::Twips) return scaleTop_ + twips;
    if (scaleMode_ != scale::User) return scaleTop_ + twips / twipsPerUnitY();
    return scaleTop_ + userFromTwips(twips, innerHeight, userScaleHeight_);
  }
  double fromTwipsW(double twips) const {
    if (scaleMode_ == scale::Twips) return twips;
    if (scaleMode_ != scale::User) return twips / twipsPerUnitX();
    return userFromTwips(twips, innerWidthTwips(), userScaleWidth_);
  }
  double fromTwipsH(double twips) const {
    if (scaleMode_ == scale::Twips) return twips;
    if (scaleMode_ != scale::User) return twips / twipsPerUnitY();
    return userFromTwips(twips, innerHeightTwips(), userScaleHeight_);
  }
  // A user scale's conversion of units from its origin, and back, over an inner extent in twips
  // and the scale's extent: the one formula, also for foreseeing a scale before it is set.
  static double userToTwips(double units, double inner, float extent) {
    return extent == 0 ? 0.0 : units * inner / extent;
  }
  static double userFromTwips(double twips, double inner, float extent) {
    return inner == 0 ? 0.0 : twips * extent / inner;
  }

  // Text measurement in this container's units, in its font (DejaVu Sans 8 pt unless set).
  float TextWidth(std::string_view text) const;
  float TextHeight(std::string_view text) const;
  double FontSize() const { return fontSize_; }
  void setFontSize(double pt);  // error 380 outside (0, 2048]
  bool FontBold() const { return fontBold_; }
  void setFontBold(bool b) { fontBold_ = b; }

 protected:
  static void addContainerMembers(Table& t);
  void sizeChanged() override;
  // Tells the form's Controls collection of a child that arrives or leaves. Parts of a user
  // control are the control's own, not the form's: a surface's children are not counted.
  void countControls(const Widget& child, int delta) const {
    if (kind() != WidgetKind::UserControl) countControlsAbove(child, delta);
  }

 private:
  friend class Widget;  // ZOrder reorders the siblings
  friend class ControlsCollection;
  void countControlsAbove(const Widget& child, int delta) const;
  void switchToUserScale();
  double twipsPerUnitX() const;  // fixed scale modes only
  double twipsPerUnitY() const;
  // Children leave their place empty (null) when they go, so that removal is O(1); the list
  // closes up when half of it is empty, or when someone reads it.
  void closeUp() const;
  void childMoved(Widget& child);
  void childHidden(Widget& child);
  struct HitGrid;
  void dropGrid() const;
  const HitGrid* grid() const;
  // Ordered so that the small members fill what would be padding: a bar holds two containers.
  mutable ChildList children_;
  mutable uint32_t empty_ = 0;  // null places in children_
  int16_t scaleMode_ = scale::Twips;
  bool fontBold_ = false;
  // Deleted where the grid is known, so that the constructors can be inline.
  struct DeleteGrid {
    void operator()(HitGrid* g) const;
  };
  mutable std::unique_ptr<HitGrid, DeleteGrid> grid_;
  float scaleLeft_ = 0, scaleTop_ = 0;
  float userScaleWidth_ = 0, userScaleHeight_ = 0;  // used while scaleMode_ is User
  double fontSize_ = 8.0;
};

class PictureBox final : private ChildRoom<2>, public ContainerWidget {
 public:
  explicit PictureBox(WidgetName name)
      : ContainerWidget(WidgetKind::PictureBox, name, nullptr,
                        ChildList::allocator_type(static_cast<ChildRoom<2>&>(*this))) {}
  PictureBox(WidgetName name, const DesignRect& at) : PictureBox(name) { madeAt(at); }
  const PictureRef& Picture() const { return picture_; }
  void setPicture(PictureRef p) { picture_ = std::move(p); }
  int32_t BackColor() const { return backColor_; }
  void setBackColor(int32_t c);  // an RGB value or a system colour, error 380 otherwise
  int16_t BorderStyle() const { return borderStyle_; }  // 0 none (all we need), 1 fixed single
  void setBorderStyle(int16_t b);                       // error 380 for anything but 0 and 1
  bool canFocus() const override { return true; }
  bool isWindowed() const override { return true; }
  // A fixed single border takes two pixels on every side.
  double borderTwips() const { return borderStyle_ == 1 ? twipsOf(2, dpi()) : 0.0; }

 protected:
  const Table& table() const override;

 private:
  PictureRef picture_;
  int32_t backColor_ = syscolor::ButtonFace;
  int16_t borderStyle_ = 0;
};

class Frame final : public ContainerWidget {
 public:
  explicit Frame(WidgetName name) : ContainerWidget(WidgetKind::Frame, name) {}
  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  bool isWindowed() const override { return true; }

 protected:
  const Table& table() const override;

 private:
  std::string caption_;
};

inline double ContainerWidget::innerOffsetTwips() const {
  return kind() == WidgetKind::PictureBox ? static_cast<const PictureBox*>(this)->borderTwips()
                                          : 0.0;
}

inline ContainerWidget::InnerArea ContainerWidget::innerArea() const {
  const TwipsRect r = rectTwips();
  if (kind() != WidgetKind::PictureBox) return {0.0, r.width, r.height};
  double inner = static_cast<const PictureBox*>(this)->borderTwips();
  return {inner, std::max(0.0, r.width - 2 * inner), std::max(0.0, r.height - 2 * inner)};
}

inline double ContainerWidget::innerWidthTwips() const {
  if (kind() != WidgetKind::PictureBox) return rectTwips().width;
  return std::max(0.0, rectTwips().width - 2 * innerOffsetTwips());
}

inline double ContainerWidget::innerHeightTwips() const {
  if (kind() != WidgetKind::PictureBox) return rectTwips().height;
  return std::max(0.0, rectTwips().height - 2 * innerOffsetTwips());
}

inline float Widget::Width() const {
  return static_cast<float>(container_ ? container_->fromTwipsW(rect_.width) : rect_.width);
}

inline float Widget::Height() const {
  return static_cast<float>(container_ ? container_->fromTwipsH(rect_.height) : rect_.height);
}

// Finds a widget by name anywhere below a container (case-insensitive); null when absent.
Widget* findWidget(const ContainerWidget& root, std::string_view name);

// Calls f on `w` and on every widget inside it, depth first. The children are copied first: the
// callback may change the tree.
template <class F>
void forEachWidget(Widget& w, F&& f) {
  f(w);
  if (ContainerWidget* c = w.asContainer()) {
    std::span<const std::shared_ptr<Widget>> list = c->children();
    std::vector<std::shared_ptr<Widget>> children(list.begin(), list.end());
    for (auto& child : children) forEachWidget(*child, f);
  }
}

// As forEachWidget, without copying the lists of children: for a callback that adds, removes
// and reorders nothing (the engine's records of a tree that arrives or leaves).
template <class F>
void visitWidgets(Widget& w, F&& f) {
  f(w);
  if (Widget::isContainerKind(w.kind())) {
    // Most children hold none: they are visited here rather than through a call each.
    static_cast<ContainerWidget&>(w).forEachChild([&f](Widget& child) {
      if (Widget::isContainerKind(child.kind())) {
        visitWidgets(child, f);
      } else {
        f(child);
      }
    });
  }
}

}  // namespace keloscroll::host
