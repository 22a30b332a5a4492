// keloscroll::ScrollBar: the KeloScroll control for a host written in C++, with typed properties,
// typed events, and saving and restoring.
//
// A ScrollBar places the control UsrKeloScroll on a container of the form engine by its ProgID,
// as any container does, and then reaches it only through the control's dispatch interface: each
// typed accessor is one get or let of the member of the same name (docs/control.md lists them),
// so the control behaves exactly as it does for a script or a COM host. A value the control
// refuses comes back as the host::Error it raised (6 overflow, 13 type mismatch, 380 ...).
//
//   host::VirtualClock clock;                    // or host::SystemClock for a real window
//   host::FormEngine engine(clock);
//   auto form = engine.createForm("Main");
//   keloscroll::ScrollBar bar(*form, "Bar1", {4500, 0, 255, 3600});
//   bar.setMax(500);
//   bar.onGetDescription([&](std::string& text) { text = "row " + std::to_string(bar.value()); });
//
// Everything runs on the engine's thread: the handlers run inside the control's event, before the
// call or input that raised it returns.
#pragma once

#include "host/cxx20.h"  // first: says "needs C++20" before anything fails

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/clock.h"
#include "host/container.h"
#include "host/dispatch.h"
#include "host/engine.h"
#include "host/picture.h"
#include "host/widgets.h"

namespace keloscroll {

// The bar's place in its container's units: twips on a form of the default scale (see
// host/units.h for pixels at a density).
struct Bounds {
  float left = 0;
  float top = 0;
  float width = 255;
  float height = 2400;
};

enum class Orientation { Vertical, Horizontal };

class ScrollBar {
 public:
  // The control class's ProgID.
  static constexpr std::string_view kProgId = "KeloScroll.UsrKeloScroll";

  // Places a new bar named `name` on `container` (a form of an engine, or a frame or picture box
  // on one), at run time, with the control's defaults. Error 727 when the container already holds
  // a widget of that name; error 91 when the container is on no engine's form.
  ScrollBar(host::ContainerWidget& container, std::string name, Bounds bounds = {},
            Orientation orientation = Orientation::Vertical);
  // Restores a bar that save() saved: its properties come from the bag, through the control's
  // setters. A value the control refuses throws its error and places nothing.
  ScrollBar(host::ContainerWidget& container, std::string name, Bounds bounds,
            const host::PropertyBag& saved);
  // Takes the bar off its container.
  ~ScrollBar();
  ScrollBar(ScrollBar&&) noexcept;
  ScrollBar& operator=(ScrollBar&&) noexcept;
  ScrollBar(const ScrollBar&) = delete;
  ScrollBar& operator=(const ScrollBar&) = delete;

  // ---- properties (each one get or let of the member named in brackets) --------------------
  int32_t value() const;  // [Value] the position, 1..max; reading it also records it for saving
  void setValue(int32_t v);
  int32_t min() const;  // [Min] stored and saved only; positions start at 1
  void setMin(int32_t v);
  int32_t max() const;  // [Max] the number of positions
  void setMax(int32_t v);
  int32_t smallChange() const;  // [SmallChange] the end buttons' step
  void setSmallChange(int32_t v);
  int32_t largeChange() const;  // [LargeChange] the page step (track clicks, PgUp and PgDn)
  void setLargeChange(int32_t v);
  bool vertical() const;  // [VerticalBar]
  void setVertical(bool v);
  bool enabled() const;  // [Enabled]
  void setEnabled(bool v);
  int16_t refreshMsecGD() const;  // [RefreshMsecGD] least ms between two GetDescription events
  void setRefreshMsecGD(int16_t ms);
  std::string description() const;  // [Description] the text the last GetDescription gave

  // The pictures; null is no picture (the widget then shows none). host::Picture::load reads a
  // BMP, PNG, GIF or JPEG file.
  host::PictureRef pictureBarra() const;  // [PictureBarra] the track's background
  void setPictureBarra(host::PictureRef p);
  host::PictureRef pictureCursor() const;  // [PictureCursor] the thumb
  void setPictureCursor(host::PictureRef p);
  host::PictureRef pictureSXUP() const;  // [PictureSXUP] the button at the start (up, left)
  void setPictureSXUP(host::PictureRef p);
  host::PictureRef pictureDXDN() const;  // [PictureDXDN] the button at the end (down, right)
  void setPictureDXDN(host::PictureRef p);

  // [ShowAboutBox] The about box, modally.
  void showAboutBox();

  // ---- events: one handler each; a new one replaces the old, an empty one removes it ---------
  // Change: the value after a move (an assignment to Value, a step, a click, the end of a drag, a
  // key).
  void onChange(std::function<void(int32_t value)> handler);
  // Scroll: after each end-button step, following its Change.
  void onScroll(std::function<void()> handler);
  // GetDescription: the control asks for the text of the current position while the user moves
  // the bar; what the handler leaves in `description` is the tooltip and the Description property.
  void onGetDescription(std::function<void(std::string& description)> handler);

  // ---- saving and restoring -------------------------------------------------------------------
  // The properties a container saves (the control's WriteProperties), with the position the thumb
  // shows now. Only values that differ from their defaults are in the bag; pictures are objects
  // and stay in it as such.
  host::PropertyBag save();
  // Rebuilds the bar from a saved bag, in place: same name, place and handlers. When the control
  // refuses a value the bar is rebuilt as it was and the error is thrown.
  void load(const host::PropertyBag& saved);

  // ---- placing ----------------------------------------------------------------------------------
  // Moves and sizes the bar (the control lays itself out again).
  void move(Bounds bounds);
  // Gives the bar the keyboard focus: the arrow, page, Home and End keys then move it. Error 5
  // while the bar is disabled or hidden.
  void focus();
  Bounds bounds() const;
  const std::string& name() const;

  // ---- beneath: the control as its container sees it ------------------------------------------
  // The control's public face (its dispatch interface).
  host::Dispatch& dispatch() const;
  // The site the bar lives on, and its surface widget on the container (which holds the parts).
  host::ControlSite& site() const;
  host::UserControl& surface() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace keloscroll
