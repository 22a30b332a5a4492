// Where a widget's events go. A form's code binds handlers one event at a time: they live in the
// widget's own slots, made when the first one is bound (`Widget::on()`). A control that owns its
// parts takes every event of every part in one object instead (`Widget::setEvents`), so a part
// carries one pointer rather than a slot per event it may never raise.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "host/handler.h"

namespace keloscroll::host {

class Accessible;
class Widget;
class PropertyBag;

// Mouse and keyboard event handlers, as widgets raise them.
using MouseHandler = Handler<void(int16_t button, int16_t shift, float x, float y)>;
using KeyHandler = Handler<void(int16_t& keyCode, int16_t shift)>;
using EventHandler = Handler<void()>;
using BagHandler = Handler<void(PropertyBag&)>;

// Receives the events of the widgets bound to it; each call names the widget that raised it.
// Mouse coordinates are in the widget's own scale (containers) or in its container's scale units
// from the widget's top-left corner (other widgets). The user control's own events (Resize and
// the property and lifetime events) come the same way.
class WidgetEvents {
 public:
  virtual void onMouseDown(Widget&, int16_t /*button*/, int16_t /*shift*/, float /*x*/,
                           float /*y*/) {}
  virtual void onMouseMove(Widget&, int16_t /*button*/, int16_t /*shift*/, float /*x*/,
                           float /*y*/) {}
  virtual void onMouseUp(Widget&, int16_t /*button*/, int16_t /*shift*/, float /*x*/, float /*y*/) {
  }
  virtual void onClick(Widget&) {}
  virtual void onKeyDown(Widget&, int16_t& /*keyCode*/, int16_t /*shift*/) {}
  virtual void onKeyUp(Widget&, int16_t& /*keyCode*/, int16_t /*shift*/) {}
  virtual void onTimer(Widget&) {}
  virtual void onResize(Widget&) {}
  virtual void onInitProperties(Widget&) {}
  virtual void onReadProperties(Widget&, PropertyBag&) {}
  virtual void onWriteProperties(Widget&, PropertyBag&) {}
  virtual void onShow(Widget&) {}
  virtual void onTerminate(Widget&) {}
  // Not an event: the model of the widget that assistive technology reads, made when first
  // asked (most widgets never are), or null for none.
  virtual std::shared_ptr<Accessible> accessibleOf(Widget&) { return nullptr; }

 protected:
  ~WidgetEvents() = default;
};

// Handlers bound one event at a time. Each is copied before it runs: it may replace itself.
struct EventSlots final : WidgetEvents {
  MouseHandler MouseDown, MouseMove, MouseUp;
  EventHandler Click;
  KeyHandler KeyDown, KeyUp;
  EventHandler Tick;  // a timer's Timer event
  EventHandler Resize, InitProperties, Show, Terminate;
  BagHandler ReadProperties, WriteProperties;

  void onMouseDown(Widget&, int16_t b, int16_t s, float x, float y) override {
    call(MouseDown, b, s, x, y);
  }
  void onMouseMove(Widget&, int16_t b, int16_t s, float x, float y) override {
    call(MouseMove, b, s, x, y);
  }
  void onMouseUp(Widget&, int16_t b, int16_t s, float x, float y) override {
    call(MouseUp, b, s, x, y);
  }
  void onClick(Widget&) override { call(Click); }
  void onKeyDown(Widget&, int16_t& key, int16_t s) override { call(KeyDown, key, s); }
  void onKeyUp(Widget&, int16_t& key, int16_t s) override { call(KeyUp, key, s); }
  void onTimer(Widget&) override { call(Tick); }
  void onResize(Widget&) override { call(Resize); }
  void onInitProperties(Widget&) override { call(InitProperties); }
  void onReadProperties(Widget&, PropertyBag& bag) override { call(ReadProperties, bag); }
  void onWriteProperties(Widget&, PropertyBag& bag) override { call(WriteProperties, bag); }
  void onShow(Widget&) override { call(Show); }
  void onTerminate(Widget&) override { call(Terminate); }

 private:
  template <class H, class... B>
  static void call(const H& slot, B&&... args) {
    if (H h = slot) h(std::forward<B>(args)...);
  }
};

}  // namespace keloscroll::host
