// The form engine's widgets, each with the members the control and its pages use and the effects
// they rely on. Positions and sizes are stored physically, in twips relative to the container's
// inner top-left corner, and are read and written in the container's scale units: changing a
// container's scale changes the numbers its children report, never where they are.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/dispatch.h"
#include "host/handler.h"
#include "host/picture.h"
#include "host/types.h"

namespace host {

class FormEngine;
class ContainerWidget;
class Form;
class PropertyBag;
class Accessible;

enum class WidgetKind {
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

inline constexpr double kTwipsPerPixel = 15.0;  // 96 dots per inch

// Mouse and keyboard event handlers, as widgets raise them.
using MouseHandler = Handler<void(int16_t button, int16_t shift, float x, float y)>;
using KeyHandler = Handler<void(int16_t& keyCode, int16_t shift)>;
using EventHandler = Handler<void()>;

// Physical rectangle in twips, relative to some origin.
struct TwipsRect {
  double left = 0, top = 0, width = 0, height = 0;
  bool contains(double x, double y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};

class Widget : public Dispatch {
 public:
  Widget(WidgetKind kind, std::string name);
  ~Widget() override;
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  WidgetKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  ContainerWidget* container() const { return container_; }
  Form* form() const;  // the form that ultimately holds the widget (null while detached)
  FormEngine* engine() const;
  // The widget as a container (form, user control, picture box, frame), or null.
  ContainerWidget* asContainer();
  const ContainerWidget* asContainer() const;

  // Geometry in the container's scale units (twips for a top-level form).
  float Left() const;
  float Top() const;
  float Width() const;
  float Height() const;
  void setLeft(float v);
  void setTop(float v);
  void setWidth(float v);
  void setHeight(float v);
  // One move; arguments left out keep their value.
  void Move(float left, std::optional<float> top = {}, std::optional<float> width = {},
            std::optional<float> height = {});

  // Physical geometry, twips relative to the container's inner origin.
  const TwipsRect& rectTwips() const { return rect_; }
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

  // Mouse events, coordinates in this widget's own scale (containers) or in its container's
  // scale units measured from the widget's top-left corner (other widgets).
  MouseHandler MouseDown, MouseMove, MouseUp;
  EventHandler Click;
  KeyHandler KeyDown, KeyUp;

  // Converts a point in form-client twips to this widget's mouse coordinates.
  void mousePoint(double formX, double formY, float& x, float& y) const;
  // This widget's top-left corner in form-client twips.
  void originOnForm(double& x, double& y) const;

  // Dispatch over the widget's member table.
  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override;
  std::string_view typeName() const override { return kindName(kind_); }

 protected:
  using Table = DispatchTable<Widget>;
  virtual const Table& table() const;
  static void addWidgetMembers(Table& t);
  // Called after the physical size changed, and after Enabled changed.
  virtual void sizeChanged() {}
  virtual void enabledChanged() {}

 private:
  friend class ContainerWidget;
  friend class FormEngine;
  WidgetKind kind_;
  std::string name_;
  ContainerWidget* container_ = nullptr;
  TwipsRect rect_;
  bool visible_ = true;
  bool enabled_ = true;
  int16_t tabIndex_ = 0;
  bool looseInGrid_ = false;  // listed apart in its container's hit grid (see ContainerWidget)
  int32_t hwnd_ = 0;
  uint32_t slot_ = 0;                       // its place in the container's list of children
  FormEngine* registeredEngine_ = nullptr;  // the engine that knows this widget (hwnd, timers)
  Widget* registeredPrev_ = nullptr;        // its neighbours in that engine's list
  Widget* registeredNext_ = nullptr;
};

// A widget that holds others and has a coordinate scale: form, user control, picture box, frame.
class ContainerWidget : public Widget {
 public:
  ContainerWidget(WidgetKind kind, std::string name);
  ~ContainerWidget() override;

  // Adds a child (in front of its siblings). The engine gives windowed widgets their hwnd.
  template <class W>
  std::shared_ptr<W> add(std::string name) {
    auto w = std::make_shared<W>(std::move(name));
    attach(w);
    return w;
  }
  void attach(std::shared_ptr<Widget> child);
  void detach(Widget& child);
  // Children from back to front.
  const std::vector<std::shared_ptr<Widget>>& children() const;
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

  // Inner (client) size in twips: the area the scale spans.
  virtual double innerWidthTwips() const { return rectTwips().width; }
  virtual double innerHeightTwips() const { return rectTwips().height; }
  // Offset of the inner area from the outer top-left corner, in twips (borders, captions).
  virtual double innerOffsetTwips() const { return 0.0; }

  // Conversions between this container's units and twips from its inner origin.
  double toTwipsX(double units) const;
  double toTwipsY(double units) const;
  double toTwipsW(double units) const;
  double toTwipsH(double units) const;
  double fromTwipsX(double twips) const;
  double fromTwipsY(double twips) const;
  double fromTwipsW(double twips) const;
  double fromTwipsH(double twips) const;

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
  // Tells the form's Controls collection of a child that arrives or leaves.
  void countControls(const Widget& child, int delta) const;

 private:
  friend class Widget;  // ZOrder reorders the siblings
  friend class ControlsCollection;
  void switchToUserScale();
  double twipsPerUnitX() const;  // fixed scale modes only
  double twipsPerUnitY() const;
  // Children leave their place empty (null) when they go, so that removal is O(1); the list
  // closes up when half of it is empty, or when someone reads it.
  void closeUp() const;
  void childMoved(Widget& child);
  struct HitGrid;
  void dropGrid() const;
  const HitGrid* grid() const;
  mutable std::vector<std::shared_ptr<Widget>> children_;
  mutable uint32_t empty_ = 0;  // null places in children_
  mutable std::unique_ptr<HitGrid> grid_;
  int16_t scaleMode_ = scale::Twips;
  float scaleLeft_ = 0, scaleTop_ = 0;
  float userScaleWidth_ = 0, userScaleHeight_ = 0;  // used while scaleMode_ is User
  double fontSize_ = 8.0;
  bool fontBold_ = false;
};

class PictureBox final : public ContainerWidget {
 public:
  explicit PictureBox(std::string name);
  PictureRef Picture() const { return picture_; }
  void setPicture(PictureRef p) { picture_ = std::move(p); }
  int32_t BackColor() const { return backColor_; }
  void setBackColor(int32_t c);  // an RGB value or a system colour, error 380 otherwise
  int16_t BorderStyle() const { return borderStyle_; }  // 0 none (all we need), 1 fixed single
  void setBorderStyle(int16_t b);                       // error 380 for anything but 0 and 1
  bool canFocus() const override { return true; }
  bool isWindowed() const override { return true; }
  // A fixed single border takes two pixels on every side.
  double innerOffsetTwips() const override;
  double innerWidthTwips() const override;
  double innerHeightTwips() const override;

 protected:
  const Table& table() const override;

 private:
  PictureRef picture_;
  int32_t backColor_ = static_cast<int32_t>(0x8000000F);
  int16_t borderStyle_ = 0;
};

class Frame final : public ContainerWidget {
 public:
  explicit Frame(std::string name);
  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  bool isWindowed() const override { return true; }

 protected:
  const Table& table() const override;

 private:
  std::string caption_;
};

class Image final : public Widget {
 public:
  explicit Image(std::string name);
  PictureRef Picture() const { return picture_; }
  void setPicture(PictureRef p) { picture_ = std::move(p); }
  bool Stretch() const { return stretch_; }
  void setStretch(bool s) { stretch_ = s; }

 protected:
  const Table& table() const override;

 private:
  PictureRef picture_;
  bool stretch_ = false;
};

class CommandButton final : public Widget {
 public:
  explicit CommandButton(std::string name);
  PictureRef Picture() const { return picture_; }
  void setPicture(PictureRef p);  // also drops the face picture given for the old one
  // What a graphical button's face shows: its Picture, or a picture its owner gives to draw in
  // its place while the Picture itself, which is read and saved, stays as it is (a scroll bar
  // lying down draws its arrows turned).
  PictureRef facePicture() const { return face_ ? face_ : picture_; }
  void setFacePicture(PictureRef p) { face_ = std::move(p); }
  int16_t Style() const { return style_; }  // 0 standard, 1 graphical
  void setStyle(int16_t s);                 // error 380 for anything but 0 and 1
  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  bool pressed() const { return pressed_; }  // drawn pushed in while the mouse holds it
  bool canFocus() const override { return true; }
  bool isWindowed() const override { return true; }

 protected:
  const Table& table() const override;

 private:
  friend class FormEngine;
  PictureRef picture_;
  PictureRef face_;
  int16_t style_ = 0;
  std::string caption_;
  bool pressed_ = false;
};

// Ticks every Interval ms while enabled. Writing Interval, or Enabled = true, while it runs
// restarts the count: the next tick comes a full interval after the write.
class Timer final : public Widget {
 public:
  explicit Timer(std::string name);
  ~Timer() override;
  int32_t Interval() const { return interval_; }
  void setInterval(int32_t ms);  // 0 to 65535; error 380 outside
  bool TimerEnabled() const { return Enabled(); }
  EventHandler Tick;  // the widget's Timer event

  int64_t dueMs() const { return due_; }  // -1 while stopped (for the engine)

 protected:
  const Table& table() const override;

 private:
  friend class FormEngine;
  friend class TimerQueue;
  void enabledChanged() override;
  void rearm();
  int32_t interval_ = 0;
  int32_t queueIndex_ = -1;  // place in the engine's queue of running timers, -1 outside it
  int64_t due_ = -1;
  uint64_t arrival_ = 0;  // when it reached the engine (ties of due times), 0 while away
};

class TextBox final : public Widget {
 public:
  explicit TextBox(std::string name);
  const std::string& Text() const { return text_; }
  void setText(std::string t);  // raises Change when the text differs
  bool FontBold() const { return fontBold_; }
  void setFontBold(bool b) { fontBold_ = b; }
  double FontSize() const { return fontSize_; }
  void setFontSize(double pt);                        // error 380 outside (0, 2048]
  int16_t Appearance() const { return appearance_; }  // 0 flat, 1 3-D
  void setAppearance(int16_t a);                      // error 380 for anything but 0 and 1
  int32_t BackColor() const { return backColor_; }
  void setBackColor(int32_t c);
  int32_t ForeColor() const { return foreColor_; }
  void setForeColor(int32_t c);
  void Refresh() { ++refreshCount_; }
  int refreshCount() const { return refreshCount_; }
  EventHandler Change;
  bool canFocus() const override { return true; }
  bool isWindowed() const override { return true; }

 protected:
  const Table& table() const override;

 private:
  std::string text_;
  bool fontBold_ = false;
  double fontSize_ = 8.0;
  int16_t appearance_ = 1;
  int32_t backColor_ = static_cast<int32_t>(0x80000005);
  int32_t foreColor_ = static_cast<int32_t>(0x80000008);
  int refreshCount_ = 0;
};

class CheckBox final : public Widget {
 public:
  explicit CheckBox(std::string name);
  int16_t Value() const { return value_; }  // 0 unchecked, 1 checked, 2 grayed
  void setValue(int16_t v);                 // raises Click when the value changes
  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  bool canFocus() const override { return true; }
  bool isWindowed() const override { return true; }

 protected:
  const Table& table() const override;

 private:
  int16_t value_ = 0;
  std::string caption_;
};

class Label final : public Widget {
 public:
  explicit Label(std::string name);
  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  int16_t Alignment() const { return alignment_; }  // 0 left, 1 right, 2 centre
  void setAlignment(int16_t a);                     // 0, 1 or 2; error 380 otherwise

 protected:
  const Table& table() const override;

 private:
  std::string caption_;
  int16_t alignment_ = 0;
};

// The surface of a user control: a container whose lifecycle and key-preview events the control
// handles. Key events reach it before the focused part (key preview); a key code set to 0 is
// swallowed. A change of its size raises Resize at once (also while a Resize runs). As an object
// it speaks twips (Width, Height) and has no Container: where it sits is its extender's business.
class UserControl final : public ContainerWidget {
 public:
  explicit UserControl(std::string name);
  bool isWindowed() const override { return true; }

  // The control's own size as its code sees it: twips, whatever its container's scale. (Left,
  // Top, Width and Height inherited from Widget are in the container's units: the extender's.)
  float WidthTwips() const { return static_cast<float>(rectTwips().width); }
  float HeightTwips() const { return static_cast<float>(rectTwips().height); }
  void setWidthTwips(float v);
  void setHeightTwips(float v);

  EventHandler Resize;
  // Raises Resize without a change of size (the site's first placement at an unchanged size).
  void raiseResize();
  // Lifecycle events, raised by the control's site (see container.h).
  EventHandler Initialize, InitProperties, Show, Terminate;
  Handler<void(PropertyBag&)> ReadProperties, WriteProperties;
  // What the control tells assistive technology (host/accessible.h), or null: the platform's
  // window and the scenario runner find it here.
  std::shared_ptr<Accessible> accessible;

 protected:
  const Table& table() const override;
  void sizeChanged() override;
};

class ControlsCollection;

class Form final : public ContainerWidget {
 public:
  explicit Form(std::string name);
  ~Form() override;
  bool isForm() const override { return true; }
  bool isWindowed() const override { return true; }

  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  // Screen position of the client area's top-left corner, in twips.
  double screenLeftTwips = 0, screenTopTwips = 0;

  // The Controls collection: Add("VB.TextBox", name) (727 for a name in use, 5 for an unknown
  // kind), Remove(name) (730 for a missing one), Item(name), Count.
  std::shared_ptr<ControlsCollection> Controls();
  void Refresh() { ++refreshCount_; }
  int refreshCount() const { return refreshCount_; }

  // Attaching a form to an engine registers its widgets there (window handles, timers).
  void setEngine(FormEngine* e);
  FormEngine* engine() const { return engine_; }

 protected:
  const Table& table() const override;

 private:
  friend class ContainerWidget;  // tells the Controls collection of controls coming and going
  std::string caption_;
  std::shared_ptr<ControlsCollection> controls_;
  FormEngine* engine_ = nullptr;
  int refreshCount_ = 0;
};

// The form's controls: every widget on it, also inside its frames and picture boxes, but not the
// parts inside a user control (those belong to the control). Error 91 once the form is gone.
class ControlsCollection final : public Dispatch {
 public:
  explicit ControlsCollection(Form& form) : form_(&form) {}
  std::shared_ptr<Widget> Add(std::string_view progId, std::string_view name);
  void Remove(std::string_view name);
  int32_t Count() const;
  std::shared_ptr<Widget> Item(std::string_view name) const;  // error 730 when absent
  std::shared_ptr<Widget> Item(int32_t index) const;          // from 0; error 9 outside
  std::vector<Widget*> list() const;                          // tree order, back to front

  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override;
  std::string_view typeName() const override { return "Object"; }

 private:
  friend class Form;
  friend class ContainerWidget;
  Form& form() const;
  // Whether a control of this name may be on the form: false means surely not. The first call
  // counts the form's names (by a hash of their lower-case form); from then on the form's
  // containers keep the count as controls come and go.
  bool mayHold(std::string_view name);
  // Counts a widget that arrives (+1) or leaves (-1), and the controls inside it.
  void countNames(const Widget& w, int delta);
  Form* form_;
  bool counted_ = false;
  std::unordered_map<uint64_t, uint32_t> names_;
};

// Finds a widget by name anywhere below a container (case-insensitive); null when absent.
Widget* findWidget(const ContainerWidget& root, std::string_view name);

}  // namespace host
