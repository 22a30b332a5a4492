// Where the surface's and the parts' events go: each to the handler of the part that raised it,
// and only while the control lives. The host may let go of the bar inside an event a handler
// raises (a Change handler that unloads it): every handler keeps the control alive until it
// returns, so its step or tick finishes on a whole object.
#include <memory>

#include "control/UsrKeloScroll.h"
#include "control/accessible.h"

namespace keloscroll {

using geometry::BarEnd;

namespace {
// The control held while a handler runs, or null once its owner has let go (the handler then does
// nothing). shared_from_this takes the reference straight from the control's own weak one, where
// weak_from_this().lock() would copy that first: three of these run in every click.
std::shared_ptr<host::Dispatch> hold(host::Dispatch& control) {
  try {
    return control.shared_from_this();
  } catch (const std::bad_weak_ptr&) {
    return nullptr;
  }
}
}  // namespace

std::array<host::Widget*, 5> UsrKeloScroll::EventSources() const {
  return {surface_.get(), &parts_.picBarra, &parts_.cmdSxUp, &parts_.cmdDXDN, &parts_.tmr_Server};
}

void UsrKeloScroll::bindEvents() {
  for (host::Widget* w : EventSources()) w->setEvents(this);
}

void UsrKeloScroll::unbindEvents() {
  for (host::Widget* w : EventSources()) {
    if (w->events() == this) w->setEvents(nullptr);
  }
}

std::optional<BarEnd> UsrKeloScroll::EndOf(const host::Widget& w) const {
  if (&w == &parts_.cmdSxUp) return BarEnd::Start;
  if (&w == &parts_.cmdDXDN) return BarEnd::End;
  return std::nullopt;
}

// A press or a release reaches the track's handler or an end button's; the two ends share theirs.
// Called straight rather than through a router given the handlers: two of these run in a click.
void UsrKeloScroll::onMouseDown(host::Widget& w, Integer Button, Integer Shift, float X, float Y) {
  auto keep = hold(*this);
  if (!keep) return;
  if (&w == &parts_.picBarra) {
    picBarra_MouseDown(Button, Shift, X, Y);
  } else if (auto end = EndOf(w)) {
    EndButton_MouseDown(*end, Button, Shift, X, Y);
  }
}

void UsrKeloScroll::onMouseMove(host::Widget& w, Integer Button, Integer Shift, float X, float Y) {
  auto keep = hold(*this);
  if (keep && &w == &parts_.picBarra) picBarra_MouseMove(Button, Shift, X, Y);
}

void UsrKeloScroll::onMouseUp(host::Widget& w, Integer Button, Integer Shift, float X, float Y) {
  auto keep = hold(*this);
  if (!keep) return;
  if (&w == &parts_.picBarra) {
    picBarra_MouseUp(Button, Shift, X, Y);
  } else if (auto end = EndOf(w)) {
    EndButton_MouseUp(*end, Button, Shift, X, Y);
  }
}

void UsrKeloScroll::onClick(host::Widget& w) {
  auto keep = hold(*this);
  if (keep && &w == &parts_.picBarra) picBarra_Click();
}

// Keys reach the control through its surface, which sees them before the focused part does.
void UsrKeloScroll::onKeyDown(host::Widget& w, Integer& KeyCode, Integer Shift) {
  auto keep = hold(*this);
  if (keep && &w == surface_.get()) UserControl_KeyDown(KeyCode, Shift);
}

void UsrKeloScroll::onKeyUp(host::Widget& w, Integer& KeyCode, Integer Shift) {
  auto keep = hold(*this);
  if (keep && &w == surface_.get()) UserControl_KeyUp(KeyCode, Shift);
}

void UsrKeloScroll::onTimer(host::Widget& w) {
  auto keep = hold(*this);
  if (keep && &w == &parts_.tmr_Server) tmr_Server_Timer();
}

void UsrKeloScroll::onResize(host::Widget&) {
  if (auto keep = hold(*this)) UserControl_Resize();
}

void UsrKeloScroll::onInitProperties(host::Widget&) {
  if (auto keep = hold(*this)) UserControl_InitProperties();
}

void UsrKeloScroll::onReadProperties(host::Widget&, host::PropertyBag& bag) {
  if (auto keep = hold(*this)) UserControl_ReadProperties(bag);
}

void UsrKeloScroll::onWriteProperties(host::Widget&, host::PropertyBag& bag) {
  if (auto keep = hold(*this)) UserControl_WriteProperties(bag);
}

void UsrKeloScroll::onShow(host::Widget&) {
  if (auto keep = hold(*this)) UserControl_Show();
}

void UsrKeloScroll::onTerminate(host::Widget&) {
  if (auto keep = hold(*this)) UserControl_Terminate();
}

// The model assistive technology reads, made when a client first asks: most bars are never read.
std::shared_ptr<host::Accessible> UsrKeloScroll::accessibleOf(host::Widget& w) {
  if (&w != surface_.get()) return nullptr;
  auto self = std::static_pointer_cast<UsrKeloScroll>(shared_from_this());
  return std::make_shared<AccessibleBar>(self, surface_);
}

}  // namespace keloscroll
