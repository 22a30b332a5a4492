// The bar's accessible model. Everything is read afresh at each call, so that what a screen
// reader hears is what the bar shows now; nothing is cached that a host could change behind it.
#include "control/accessible.h"

#include <algorithm>
#include <string>

#include "control/UsrKeloScroll.h"
#include "host/engine.h"
#include "host/error.h"

namespace keloscroll {

using host::AccessibleNode;
using host::AccessibleRole;
using host::TwipsRect;
namespace access = host::access;

struct AccessibleBar::Held {
  std::shared_ptr<UsrKeloScroll> control;
  std::shared_ptr<host::UserControl> surface;
};

namespace {

// The names the platform's own scroll bars give their parts, so a screen reader's user hears
// what they know.
const char* partName(int index, bool horizontal) {
  static const char* const vertical[] = {"",         "Line up",   "Page up",
                                         "Position", "Page down", "Line down"};
  static const char* const across[] = {"",         "Column left", "Page left",
                                       "Position", "Page right",  "Column right"};
  return (horizontal ? across : vertical)[index];
}

// A widget's outer rectangle in form-client twips; empty for a missing one.
TwipsRect onForm(const host::Widget* w) {
  if (!w) return {};
  double x = 0, y = 0;
  w->originOnForm(x, y);
  return TwipsRect{x, y, w->rectTwips().width, w->rectTwips().height};
}

bool within(const host::Widget& w, const host::Widget& ancestor) {
  for (const host::Widget* p = &w; p; p = p->container()) {
    if (p == &ancestor) return true;
  }
  return false;
}

// The container's name for the control: its extender's Name; the product's name when the
// container gives none (or the site is gone).
std::string barName(UsrKeloScroll& control) {
  try {
    std::string name = host::deref(control.site().extender()).get("Name").asString();
    if (!name.empty()) return name;
  } catch (const host::Error&) {
  }
  return "KeloScroll";
}

}  // namespace

AccessibleBar::AccessibleBar(std::weak_ptr<UsrKeloScroll> control,
                             std::weak_ptr<host::UserControl> surface)
    : control_(std::move(control)), surface_(std::move(surface)) {}

bool AccessibleBar::connected() const {
  return !control_.expired() && !surface_.expired();
}

AccessibleBar::Held AccessibleBar::hold() const {
  Held h{control_.lock(), surface_.lock()};
  if (!h.control || !h.surface) host::raise(host::err::ObjectNotSet);
  return h;
}

host::Form* AccessibleBar::form() const {
  return hold().surface->form();
}

AccessibleNode AccessibleBar::node(int index) const {
  if (index < 0 || index > kParts) host::raise(host::err::InvalidCall);
  Held h = hold();
  UsrKeloScroll& bar = *h.control;
  host::UserControl& surface = *h.surface;
  const bool horizontal = !host::isTrue(bar.VerticalBar());
  const bool enabled = host::isTrue(bar.Enabled());
  const bool shown = surface.form() && surface.effectivelyVisible();
  AccessibleNode n;
  if (index == Bar) {
    n.role = AccessibleRole::ScrollBar;
    n.name = barName(bar);
    n.value = std::to_string(bar.Value());
    n.description = bar.Description();
    n.place = onForm(&surface);
    n.states = access::Focusable | (horizontal ? access::Horizontal : access::Vertical);
    host::FormEngine* engine = surface.engine();
    if (engine && engine->focus() && within(*engine->focus(), surface)) n.states |= access::Focused;
    if (!enabled) n.states |= access::Unavailable;
    if (!shown) n.states |= access::Invisible;
    return n;
  }
  n.name = partName(index, horizontal);
  n.role = index == Thumb ? AccessibleRole::Indicator : AccessibleRole::PushButton;
  if (index != Thumb) n.defaultAction = "Press";
  if (!enabled) n.states |= access::Unavailable;
  if (index == StartButton || index == EndButton) {
    auto* button = dynamic_cast<host::CommandButton*>(
        surface.child(index == StartButton ? "cmdSxUp" : "cmdDXDN"));
    n.place = onForm(button);
    if (button && button->pressed()) n.states |= access::Pressed;
    if (!shown || !button || !button->Visible()) n.states |= access::Invisible;
    return n;
  }
  // The track's inside, split along the bar by the thumb (clipped to the track).
  auto* track = dynamic_cast<host::ContainerWidget*>(surface.child("picBarra"));
  TwipsRect inside = onForm(track);
  if (track) {
    double inner = track->innerOffsetTwips();
    inside = TwipsRect{inside.left + inner, inside.top + inner, track->innerWidthTwips(),
                       track->innerHeightTwips()};
  }
  TwipsRect thumb = onForm(track ? track->child("imgCursor") : nullptr);
  double start = horizontal ? inside.left : inside.top;
  double end = start + (horizontal ? inside.width : inside.height);
  double from = std::clamp(horizontal ? thumb.left : thumb.top, start, end);
  double to = std::clamp(from + (horizontal ? thumb.width : thumb.height), from, end);
  double a = index == PageBefore ? start : index == Thumb ? from : to;
  double b = index == PageBefore ? from : index == Thumb ? to : end;
  n.place = horizontal ? TwipsRect{a, inside.top, b - a, inside.height}
                       : TwipsRect{inside.left, a, inside.width, b - a};
  if (!shown || !track || b - a <= 0) n.states |= access::Invisible;
  return n;
}

int AccessibleBar::childAt(double x, double y) const {
  if (!node(Bar).place.contains(x, y)) return -1;
  for (int i = 1; i <= kParts; ++i) {
    AccessibleNode n = node(i);
    if (!(n.states & access::Invisible) && n.place.contains(x, y)) return i;
  }
  return Bar;
}

bool AccessibleBar::doDefaultAction(int index) {
  AccessibleNode n = node(index);
  Held h = hold();
  host::FormEngine* engine = h.surface->engine();
  host::Form* f = h.surface->form();
  if (n.defaultAction.empty() || !engine || !f) return false;
  if (n.states & (access::Invisible | access::Unavailable)) return false;
  // A press and release at the middle of the part: the same handlers, steps, events and
  // description as a click. Not while the user holds the mouse: that gesture is theirs.
  if (engine->capture() || engine->buttonsDown()) return false;
  double x = n.place.left + n.place.width / 2, y = n.place.top + n.place.height / 2;
  engine->mouseDown(*f, x, y, host::mouse::Left);
  engine->mouseUp(*f, x, y, host::mouse::Left);
  return true;
}

void AccessibleBar::focus() {
  Held h = hold();
  host::FormEngine* engine = h.surface->engine();
  // The first part in tab order takes it, as tabbing into the control does.
  if (host::Widget* track = h.surface->child("picBarra"); engine && track) engine->setFocus(*track);
}

}  // namespace keloscroll
