// The form engine's widgets, each with the members the control and its pages use and the effects
// they rely on. Positions and sizes are stored physically, in twips relative to the container's
// inner top-left corner, and are read and written in the container's scale units: changing a
// container's scale changes the numbers its children report, never where they are.
//
// The base of every widget: its kind, name, geometry, visibility and mouse and key events.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/dispatch.h"
#include "host/types.h"
#include "host/units.h"
#include "host/widget_events.h"

namespace keloscroll::host {

class FormEngine;
class ContainerWidget;
class Form;
class PropertyBag;

enum class WidgetKind : uint8_t {
  Form,
  UserControl,
  PictureBox,
  Frame,
  Image,
  CommandButton,
  Timer,
  TextBox,
  CheckBox,
  Label,
};

const char* kindName(WidgetKind k);  // "Form", "UserControl", "PictureBox", ... as type names

// Scale modes of a container: 0 user, 1 twips, 3 pixels.
namespace scale {
inline constexpr int16_t User = 0;
inline constexpr int16_t Twips = 1;
inline constexpr int16_t Pixels = 3;
}  // namespace scale

// Physical rectangle in twips, relative to some origin.
struct TwipsRect {
  double left = 0, top = 0, width = 0, height = 0;
  bool contains(double x, double y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};

// The name a widget is made with. Most widgets are a control's parts, named by literals that live
// as long as the program: such a widget points at its literal (`WidgetName::literal`, checked at
// compile time). Any other name is copied for the widget to own.
class WidgetName {
 public:
  constexpr WidgetName(std::string_view text) : text_(text) {}  // names convert from strings
  constexpr WidgetName(const std::string& text) : text_(text) {}
  constexpr WidgetName(const char* text) : text_(text) {}
  static consteval WidgetName literal(const char* text) { return WidgetName(text, true); }
  std::string_view text() const { return text_; }
  bool isLiteral() const { return literal_; }

 private:
  constexpr WidgetName(std::string_view text, bool literal) : text_(text), literal_(literal) {}
  std::string_view text_;
  bool literal_ = false;
};

// A place a widget is made at, in twips from its container's inner origin, as a design layout
// gives it: checked when the program is compiled (finite, no negative size), so that a part made
// in its place needs no rectangle write with its checks.
struct DesignRect {
  consteval DesignRect(float l, float t, float w, float h) : left(l), top(t), width(w), height(h) {
    auto finite = [](float v) { return v == v && v - v == 0; };
    if (!finite(l) || !finite(t) || !finite(w) || !finite(h) || w < 0 || h < 0) {
      throw "a design rectangle is finite and has no negative size";
    }
  }
  float left, top, width, height;
};

// Room for a name given at run time inside the allocation of a widget made often with one (a user
// control's surface, named by its container): a base listed before the widget, so that it is there
// when the widget's constructor copies the name in, and the name costs no allocation of its own.
struct NameRoom {
  static constexpr size_t kSize = 32;
  alignas(size_t) char bytes[kSize];
};

class Widget : public Dispatch {
 public:
  // A name that is no literal is copied into `room` when it fits there, else into an array of the
  // widget's own.
  Widget(WidgetKind kind, WidgetName name, NameRoom* room = nullptr)
      : name_(name.isLiteral() ? name.text().data() : copyName(name.text(), room)),
        kind_(kind),
        ownsName_(!name.isLiteral()),
        nameInRoom_(!name.isLiteral() && fitsRoom(name.text(), room)) {}
  ~Widget() override;
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  WidgetKind kind() const { return kind_; }
  std::string_view name() const;
  ContainerWidget* container() const { return container_; }
  Form* form() const;  // the form that ultimately holds the widget (null while detached)
  FormEngine* engine() const { return registeredEngine_; }
  // The density the widget is drawn at: its engine's, or the classic 96 while it has none.
  Dpi dpi() const;
  // The widget as a container (form, user control, picture box, frame), or null.
  ContainerWidget* asContainer();
  const ContainerWidget* asContainer() const;
  // Only the four container kinds are made as ContainerWidgets (see their constructors).
  static constexpr bool isContainerKind(WidgetKind k) {
    return k == WidgetKind::Form || k == WidgetKind::UserControl || k == WidgetKind::PictureBox ||
           k == WidgetKind::Frame;
  }

  // Geometry in the container's scale units (twips for a top-level form).
  float Left() const;
  float Top() const;
  // Inline, in container_widget.h: they need the container's scale (a layout reads sizes often).
  inline float Width() const;
  inline float Height() const;
  void setLeft(float v);
  void setTop(float v);
  void setWidth(float v);
  void setHeight(float v);
  // One move; arguments left out keep their value.
  void Move(float left, std::optional<float> top = {}, std::optional<float> width = {},
            std::optional<float> height = {});

  // Physical geometry, twips relative to the container's inner origin.
  TwipsRect rectTwips() const { return {rect_.left, rect_.top, rect_.width, rect_.height}; }
  void setRectTwips(const TwipsRect& r);

  bool Visible() const { return visible_; }
  void setVisible(bool v);
  bool Enabled() const { return enabled_; }
  void setEnabled(bool v);  // tells the widget even when the value stays (a timer restarts)
  // Visible and enabled along the whole container chain.
  bool effectivelyVisible() const;
  bool effectivelyEnabled() const;

  // 0 brings the widget in front of its siblings, 1 sends it behind them.
  void ZOrder(int16_t position = 0);

  int16_t TabIndex() const { return tabIndex_; }
  void setTabIndex(int16_t i) { tabIndex_ = i; }
  virtual bool canFocus() const { return false; }
  virtual bool isWindowed() const { return false; }
  // The window handle of a windowed widget (0 for windowless ones).
  int32_t hwnd() const { return hwnd_; }

  // The widget's own handler slots, made when the first is bound (this sends the widget's events
  // there, away from an owner set with setEvents).
  EventSlots& on();
  // Sends every event of the widget to `events` (null: nowhere), which must stay alive while it
  // is set: an owner unbinds its parts before it goes.
  void setEvents(WidgetEvents* events) {
    // Slots the widget made go with what they hold; a handler that runs copied itself first.
    if (ownsEvents_) delete static_cast<EventSlots*>(events_);
    ownsEvents_ = false;
    events_ = events;
  }
  // Where the widget's events go now: its slots, its owner, or null.
  WidgetEvents* events() const { return events_; }

  // Converts a point in form-client twips to this widget's mouse coordinates.
  void mousePoint(double formX, double formY, float& x, float& y) const;
  // The same, given this widget's top-left corner in form-client twips (from originOnForm).
  void mousePointFrom(double formX, double formY, double originX, double originY, float& x,
                      float& y) const;
  // This widget's top-left corner in form-client twips.
  void originOnForm(double& x, double& y) const;

  // A strong reference to the widget, or null when nothing owns it. A widget made on its own owns
  // its count; a part made in one allocation with others is owned through its entry in its
  // container's list of children, or, where that entry does not own, through its container.
  std::shared_ptr<Widget> strongRef();

  // Dispatch over the widget's member table.
  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override;
  std::string_view typeName() const override { return kindName(kind_); }

 protected:
  using Table = DispatchTable<Widget>;
  virtual const Table& table() const;
  static void addWidgetMembers(Table& t);
  // Only while the widget is made, before anything sees it: stored as it stands.
  void madeAt(const DesignRect& at) { rect_ = {at.left, at.top, at.width, at.height}; }
  // Called after the physical size changed, and after Enabled changed.
  virtual void sizeChanged() {}
  virtual void enabledChanged() {}

 private:
  friend class ContainerWidget;
  friend class FormEngine;
  static bool fitsRoom(std::string_view text, const NameRoom* room) {
    return room && text.size() <= NameRoom::kSize - sizeof(size_t);
  }
  static const char* copyName(std::string_view text, NameRoom* room);
  struct StoredRect;
  void setEdge(float StoredRect::*edge, double twips, bool isSize);
  void setStoredRect(const StoredRect& r);
  // A literal (nul-terminated), or when ownsName_ the characters of an array of its own that
  // starts with their count: a name given at run time keeps whatever it holds, a NUL included.
  const char* name_;
  ContainerWidget* container_ = nullptr;
  // Kept in floats: the Left/Top/Width/Height a host reads and writes are floats already, and a
  // bar holds seven widgets.
  struct StoredRect {
    float left = 0, top = 0, width = 0, height = 0;
  } rect_;
  int32_t hwnd_ = 0;
  uint32_t slot_ = 0;                       // its place in the container's list of children
  WidgetEvents* events_ = nullptr;          // the widget's own slots when ownsEvents_
  FormEngine* registeredEngine_ = nullptr;  // the engine that knows this widget (hwnd, timers)
  // The small members fill four bytes, so that a derived widget's first small member takes the
  // four after them rather than padding.
  int16_t tabIndex_ = 0;
  WidgetKind kind_;
  bool visible_ : 1 = true;
  bool enabled_ : 1 = true;
  bool looseInGrid_ : 1 = false;  // listed apart in its container's hit grid (see ContainerWidget)
  bool ownsEvents_ : 1 = false;
  bool ownsName_ : 1 = false;
  bool nameInRoom_ : 1 = false;  // the owned name is in the NameRoom before the widget
};

// A strong reference to `w` for as long as something it raised runs: a handler may unload it.
inline std::shared_ptr<Widget> keepAlive(Widget& w) {
  return w.strongRef();
}

}  // namespace keloscroll::host
