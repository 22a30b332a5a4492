// The engine's input: the mouse (hit test, capture, click), the keyboard (key preview through
// the user controls, Tab) and the focus.
#include <algorithm>
#include <vector>

#include "host/engine.h"
#include "host/error.h"
#include "host/leaf_widgets.h"

namespace keloscroll::host {

namespace {

// Tab order: a user control is one stop in its container's order, and its parts are ordered
// among themselves; elsewhere TabIndex orders the form's widgets.
std::vector<int16_t> tabKey(const Widget& w) {
  std::vector<int16_t> key{w.TabIndex()};
  for (const Widget* a = w.container(); a; a = a->container()) {
    if (a->kind() == WidgetKind::UserControl) key.insert(key.begin(), a->TabIndex());
  }
  return key;
}

}  // namespace

// ---- mouse ----------------------------------------------------------------------------------

Widget* FormEngine::hitTest(Form& form, double x, double y) const {
  return hitAt(form, x, y).widget;
}

// Front to back: invisible and disabled widgets are not there for the mouse, the point goes to
// whatever lies behind them, in the end their container; children are clipped to their
// container's inner area. A loop rather than a call per level: where a level finds nothing, the
// answer is the level above. The corner is summed on the way down as Widget::originOnForm sums
// it, so that the delivery need not walk up again.
FormEngine::Hit FormEngine::hitAt(Form& form, double x, double y) const {
  if (!form.Visible() || !form.Enabled()) return {};
  if (x < 0 || y < 0 || x >= form.innerWidthTwips() || y >= form.innerHeightTwips()) return {};
  Hit hit{&form, 0.0, 0.0};
  double inner = 0.0;  // a form's inner area starts at its corner
  for (const ContainerWidget* in = &form;;) {
    Widget* w = in->childAt(x, y);
    if (!w) return hit;
    const TwipsRect& r = w->rectTwips();
    hit = {w, hit.originX + (inner + r.left), hit.originY + (inner + r.top)};
    in = w->asContainer();
    if (!in) return hit;
    const ContainerWidget::InnerArea a = in->innerArea();
    inner = a.offset;
    x = x - r.left - inner;
    y = y - r.top - inner;
    if (!(x >= 0 && x < a.width && y >= 0 && y < a.height)) return hit;
  }
}

Widget* FormEngine::inputTarget(Widget* hit) const {
  return capture_ ? capture_ : hit;
}

void FormEngine::releaseCapture() {
  capture_ = nullptr;
  captureForm_ = nullptr;
  buttons_ = 0;
}

void FormEngine::deliverMouse(Widget& w, const Hit& hit, MouseEvent which, Form& form, double x,
                              double y, int16_t button, int16_t shiftMask) {
  float mx = 0, my = 0;
  if (&w == hit.widget) {
    w.mousePointFrom(x, y, hit.originX, hit.originY, mx, my);  // on `form`, its corner known
  } else {
    // Coordinates come on `form`; a widget captured on another form gets them through the
    // screen.
    double fx = x, fy = y;
    if (Form* wf = w.form(); wf && wf != &form) {
      fx += form.screenLeftTwips - wf->screenLeftTwips;
      fy += form.screenTopTwips - wf->screenTopTwips;
    }
    w.mousePoint(fx, fy, mx, my);
  }
  if (WidgetEvents* e = w.events()) (e->*which)(w, button, shiftMask, mx, my);
}

void FormEngine::mouseDown(Form& form, double x, double y, int16_t button, int16_t shiftMask,
                           int16_t held) {
  const Hit at = hitAt(form, x, y);
  Widget* hit = at.widget;
  notePointer(form, x, y, hit);
  // The button is held from now on, also when the press lands on nothing.
  buttons_ = static_cast<int16_t>((held >= 0 ? held : buttons_) | button);
  Widget* target = capture_ ? capture_ : hit;
  if (!target) return;
  auto keep = keepAlive(*target);
  if (!capture_) {
    capture_ = target;
    captureForm_ = target->form();
    // The first press of a gesture focuses what it lands on, as a click does in the host.
    if (target->canFocus() && target->effectivelyVisible() && target->effectivelyEnabled()) {
      focus_ = target;
    }
  }
  if (target->kind() == WidgetKind::CommandButton && (button & mouse::Left)) {
    static_cast<CommandButton*>(target)->pressed_ = true;
  }
  deliverMouse(*target, at, &WidgetEvents::onMouseDown, form, x, y, buttons_, shiftMask);
}

void FormEngine::mouseMove(Form& form, double x, double y, int16_t shiftMask, int16_t held) {
  const Hit at = hitAt(form, x, y);
  Widget* hit = at.widget;
  notePointer(form, x, y, hit);
  if (held >= 0) buttons_ = held;
  // A captured mouse goes to the capture wherever it is.
  Widget* target = capture_ ? capture_ : hit;
  if (!target) return;
  auto keep = keepAlive(*target);
  deliverMouse(*target, at, &WidgetEvents::onMouseMove, form, x, y, buttons_, shiftMask);
}

// The release goes to the widget that holds the mouse, wherever it happens. Click follows the
// MouseUp of the left button when the pointer is still over the pressed widget at the release
// (decided before MouseUp runs, as the pointer stands); a check box toggles instead, and its
// Value change raises the Click.
void FormEngine::mouseUp(Form& form, double x, double y, int16_t button, int16_t shiftMask,
                         int16_t held) {
  // The release reports what was held up to it, the released button included.
  const int16_t mask = static_cast<int16_t>((held >= 0 ? held : buttons_) | button);
  buttons_ = static_cast<int16_t>(mask & ~button);
  const Hit at = hitAt(form, x, y);
  Widget* hit = at.widget;
  notePointer(form, x, y, hit);
  bool pressed = capture_ != nullptr;
  Widget* target = inputTarget(hit);
  if (!target) return;
  auto keep = keepAlive(*target);
  bool click = pressed && (button & mouse::Left) && hit == target;
  if (target->kind() == WidgetKind::CommandButton && (button & mouse::Left)) {
    static_cast<CommandButton*>(target)->pressed_ = false;
  }
  if (buttons_ == 0 && capture_ == target) releaseCapture();
  deliverMouse(*target, at, &WidgetEvents::onMouseUp, form, x, y, mask, shiftMask);
  // A MouseUp handler may have removed the widget from the form.
  if (!click || target->registeredEngine_ != this) return;
  if (target->kind() == WidgetKind::CheckBox) {
    auto* box = static_cast<CheckBox*>(target);
    box->setValue(box->Value() == 1 ? int16_t{0} : int16_t{1});
  } else if (WidgetEvents* e = target->events()) {
    e->onClick(*target);
  }
}

// ---- keyboard -------------------------------------------------------------------------------

void FormEngine::deliverKey(int16_t keyCode, int16_t shiftMask, bool down) {
  Widget* target = focus_;
  if (!target) return;
  // Tab (alone or with Shift) moves the focus and is not a key for the widgets.
  if (down && keyCode == vk::Tab && (shiftMask & ~shift::Shift) == 0) {
    if (Form* f = target->form()) focusNext(*f, (shiftMask & shift::Shift) != 0);
    return;
  }
  auto which = down ? &WidgetEvents::onKeyDown : &WidgetEvents::onKeyUp;
  // Key preview: the user controls around the focused part, outermost first.
  std::vector<std::weak_ptr<Widget>> chain;
  for (Widget* w = target; w; w = w->container()) {
    if (w->kind() == WidgetKind::UserControl) chain.insert(chain.begin(), w->strongRef());
  }
  std::weak_ptr<Widget> focused = target->strongRef();
  int16_t code = keyCode;
  for (auto& weak : chain) {
    auto uc = weak.lock();
    if (!uc || uc->registeredEngine_ != this) continue;
    if (WidgetEvents* e = uc->events()) (e->*which)(*uc, code, shiftMask);
    if (code == 0) return;  // swallowed
  }
  auto w = focused.lock();
  if (!w || w->kind() == WidgetKind::UserControl || w->registeredEngine_ != this) return;
  if (WidgetEvents* e = w->events()) (e->*which)(*w, code, shiftMask);
  if (down && code == vk::Back && w->kind() == WidgetKind::TextBox &&
      w->registeredEngine_ == this) {
    auto& box = static_cast<TextBox&>(*w);
    std::string text = box.Text();
    // The last character: its lead byte and the continuation bytes (10xxxxxx) after it.
    size_t end = text.size();
    while (end > 0 && (static_cast<unsigned char>(text[end - 1]) & 0xC0) == 0x80) --end;
    if (end > 0) {
      text.erase(end - 1);
      box.setText(std::move(text));
    }
  }
}

void FormEngine::typeText(std::string_view utf8) {
  Widget* w = focus_;
  if (utf8.empty() || !w || w->kind() != WidgetKind::TextBox) return;
  auto keep = keepAlive(*w);
  auto& box = static_cast<TextBox&>(*w);
  box.setText(box.Text() + std::string(utf8));
}

void FormEngine::keyDown(int16_t keyCode, int16_t shiftMask) {
  deliverKey(keyCode, shiftMask, true);
}

void FormEngine::keyUp(int16_t keyCode, int16_t shiftMask) {
  deliverKey(keyCode, shiftMask, false);
}

void FormEngine::setFocus(Widget& w) {
  if (w.registeredEngine_ != this || !w.canFocus() || !w.effectivelyVisible() ||
      !w.effectivelyEnabled()) {
    raise(err::InvalidCall);
  }
  focus_ = &w;
}

void FormEngine::focusNext(Form& form, bool backwards) {
  std::vector<Widget*> stops;
  forEachWidget(form, [&](Widget& w) {
    if (w.registeredEngine_ == this && w.canFocus() && w.effectivelyVisible() &&
        w.effectivelyEnabled()) {
      stops.push_back(&w);
    }
  });
  if (stops.empty()) return;
  std::stable_sort(stops.begin(), stops.end(),
                   [](const Widget* a, const Widget* b) { return tabKey(*a) < tabKey(*b); });
  auto it = std::find(stops.begin(), stops.end(), focus_);
  auto n = static_cast<std::ptrdiff_t>(stops.size());
  std::ptrdiff_t i;
  if (it == stops.end()) {
    i = backwards ? n - 1 : 0;
  } else {
    i = (it - stops.begin() + (backwards ? n - 1 : 1)) % n;
  }
  focus_ = stops[static_cast<size_t>(i)];
}

}  // namespace keloscroll::host
