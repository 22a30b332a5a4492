#include "host/engine.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "host/error.h"
#include "host/leaf_widgets.h"
#include "host/numeric.h"

namespace keloscroll::host {

int32_t PtInRect(const Rect& r, Point p) {
  return (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) ? 1 : 0;
}

namespace {

std::shared_ptr<Widget> keepAlive(Widget& w) {
  return std::static_pointer_cast<Widget>(w.weak_from_this().lock());
}

// The widget under a point given in twips from the inner origin of `c`, front to back. Invisible
// and disabled widgets are not there for the mouse: the point goes to whatever lies behind them,
// in the end their container. Children are clipped to their container's inner area.
Widget* hitIn(const ContainerWidget& c, double x, double y) {
  Widget* w = c.childAt(x, y);
  if (!w) return nullptr;
  const ContainerWidget* cc = w->asContainer();
  if (!cc) return w;
  const TwipsRect& r = w->rectTwips();
  double inner = cc->innerOffsetTwips();
  double ix = x - r.left - inner, iy = y - r.top - inner;
  if (ix >= 0 && ix < cc->innerWidthTwips() && iy >= 0 && iy < cc->innerHeightTwips()) {
    if (Widget* deeper = hitIn(*cc, ix, iy)) return deeper;
  }
  return w;
}

template <class F>
void forEachWidget(Widget& w, F&& f) {
  f(w);
  if (ContainerWidget* c = w.asContainer()) {
    // A copy: the callback may change the tree.
    auto children = c->children();
    for (auto& child : children) forEachWidget(*child, f);
  }
}

// Tab order: a user control is one stop in its container's order, and its parts are ordered
// among themselves; elsewhere TabIndex orders the form's widgets.
std::vector<int16_t> tabKey(const Widget& w) {
  std::vector<int16_t> key{w.TabIndex()};
  for (const Widget* a = w.container(); a; a = a->container()) {
    if (a->kind() == WidgetKind::UserControl) key.insert(key.begin(), a->TabIndex());
  }
  return key;
}

// Each engine numbers its windows in a block of its own, as a desktop's windows are unique: the
// .ocx runs an engine per control, and two bars on one form must still name their tooltip boxes
// apart. A block holds 262,144 handles; after 2,047 engines the blocks come round again. The
// counter is the engine's, not the process's, so code of a second copy of the host (a library
// loaded beside a program) numbers widgets on the same engine from the same count.
int32_t firstHwndOfNextEngine() {
  static std::atomic<uint32_t> engines{0};
  return 0x10010 + static_cast<int32_t>(engines.fetch_add(1) % 2047u) * 0x100000;
}

}  // namespace

FormEngine::FormEngine(Clock& clock) : clock_(clock), nextHwnd_(firstHwndOfNextEngine()) {}

FormEngine::~FormEngine() {
  // Kept objects first: they may still unload their forms here.
  while (!instances_.empty()) {
    std::shared_ptr<void> last = std::move(instances_.back().second);
    instances_.pop_back();
    last.reset();
  }
  for (auto& f : forms_) f->setEngine(nullptr);
  timers_.clear();
  while (Widget* w = registered_) {
    unlist(*w);
    w->registeredEngine_ = nullptr;
    if (w->kind_ == WidgetKind::Timer) static_cast<Timer*>(w)->arrival_ = 0;
  }
  hwnds_.clear();
}

// ---- forms and registration -----------------------------------------------------------------

std::shared_ptr<Form> FormEngine::createForm(std::string name) {
  auto form = std::make_shared<Form>(std::move(name));
  forms_.push_back(form);
  form->setEngine(this);
  return form;
}

void FormEngine::unloadForm(Form& form) {
  auto keep = keepAlive(form);
  std::erase_if(forms_, [&form](const std::shared_ptr<Form>& f) { return f.get() == &form; });
  form.setVisible(false);
  form.setEngine(nullptr);
}

std::shared_ptr<Form> FormEngine::findForm(std::string_view name) const {
  std::string key = toLowerAscii(name);
  for (const auto& f : forms_) {
    if (toLowerAscii(f->name()) == key) return f;
  }
  return nullptr;
}

int32_t FormEngine::assignHwnd(Widget& w) {
  if (w.registeredEngine_ != this) {
    if (w.registeredEngine_) w.registeredEngine_->forget(w);
    enlist(w);
  }
  auto it = hwnds_.find(w.hwnd_);
  if (w.hwnd_ == 0 || (it != hwnds_.end() && it->second != &w)) {
    // Past numbers in use: a widget may carry its real window's handle (useWindowHandle).
    while (hwnds_.count(nextHwnd_) != 0) nextHwnd_ += 4;
    w.hwnd_ = nextHwnd_;
    nextHwnd_ += 4;
  }
  hwnds_[w.hwnd_] = &w;
  return w.hwnd_;
}

void FormEngine::useWindowHandle(Widget& w, int32_t handle) {
  if (w.registeredEngine_ != this) return;
  auto it = hwnds_.find(w.hwnd_);
  if (it != hwnds_.end() && it->second == &w) hwnds_.erase(it);
  auto taken = hwnds_.find(handle);
  w.hwnd_ = handle != 0 && taken == hwnds_.end() ? handle : 0;
  assignHwnd(w);
}

Widget* FormEngine::widgetOfHwnd(int32_t hwnd) const {
  auto it = hwnds_.find(hwnd);
  return it == hwnds_.end() ? nullptr : it->second;
}

void FormEngine::adopt(Widget& w) {
  if (w.registeredEngine_ && w.registeredEngine_ != this) w.registeredEngine_->forget(w);
  if (w.registeredEngine_ != this) enlist(w);
  if (w.isWindowed()) assignHwnd(w);
  if (w.kind() == WidgetKind::Timer) {
    auto* t = static_cast<Timer*>(&w);
    if (t->arrival_ == 0) t->arrival_ = ++timerArrivals_;
    timerChanged(*t);  // a running timer starts counting when it reaches the engine
  }
}

void FormEngine::adoptTree(Widget& w) {
  forEachWidget(w, [this](Widget& x) { adopt(x); });
}

void FormEngine::forgetTree(Widget& w) {
  forEachWidget(w, [this](Widget& x) {
    if (x.kind() == WidgetKind::CommandButton) static_cast<CommandButton&>(x).pressed_ = false;
    if (x.kind() == WidgetKind::Timer) static_cast<Timer&>(x).due_ = -1;
    forget(x);
  });
}

// Also called from the widgets' destructors: touches only the engine's own records.
void FormEngine::forget(Widget& w) {
  auto it = hwnds_.find(w.hwnd_);
  if (it != hwnds_.end() && it->second == &w) hwnds_.erase(it);
  if (w.kind_ == WidgetKind::Timer) {
    auto& t = static_cast<Timer&>(w);
    timers_.remove(t);
    t.arrival_ = 0;
  }
  if (capture_ == &w || captureForm_ == &w) releaseCapture();
  if (focus_ == &w) focus_ = nullptr;
  if (w.registeredEngine_) w.registeredEngine_->unlist(w);
  w.registeredEngine_ = nullptr;
}

// The engine's widgets form a list threaded through the widgets themselves: no allocation per
// widget, and leaving costs two pointer writes.
void FormEngine::enlist(Widget& w) {
  w.registeredEngine_ = this;
  w.registeredPrev_ = nullptr;
  w.registeredNext_ = registered_;
  if (registered_) registered_->registeredPrev_ = &w;
  registered_ = &w;
}

void FormEngine::unlist(Widget& w) {
  if (w.registeredPrev_) {
    w.registeredPrev_->registeredNext_ = w.registeredNext_;
  } else if (registered_ == &w) {
    registered_ = w.registeredNext_;
  }
  if (w.registeredNext_) w.registeredNext_->registeredPrev_ = w.registeredPrev_;
  w.registeredPrev_ = w.registeredNext_ = nullptr;
}

// ---- mouse ----------------------------------------------------------------------------------

Widget* FormEngine::hitTest(Form& form, double x, double y) const {
  if (!form.Visible() || !form.Enabled()) return nullptr;
  if (x < 0 || y < 0 || x >= form.innerWidthTwips() || y >= form.innerHeightTwips()) return nullptr;
  Widget* hit = hitIn(form, x, y);
  return hit ? hit : &form;
}

Widget* FormEngine::inputTarget(Widget* hit) const {
  return capture_ ? capture_ : hit;
}

void FormEngine::releaseCapture() {
  capture_ = nullptr;
  captureForm_ = nullptr;
  buttons_ = 0;
}

void FormEngine::deliverMouse(Widget& w, MouseHandler Widget::*which, Form& form, double x,
                              double y, int16_t button, int16_t shiftMask) {
  // Coordinates come on `form`; a widget captured on another form gets them through the screen.
  double fx = x, fy = y;
  if (Form* wf = w.form(); wf && wf != &form) {
    fx += form.screenLeftTwips - wf->screenLeftTwips;
    fy += form.screenTopTwips - wf->screenTopTwips;
  }
  float mx = 0, my = 0;
  w.mousePoint(fx, fy, mx, my);
  if (MouseHandler h = w.*which) h(button, shiftMask, mx, my);
}

void FormEngine::mouseDown(Form& form, double x, double y, int16_t button, int16_t shiftMask,
                           int16_t held) {
  Widget* hit = hitTest(form, x, y);
  cursor_ = pointerPixel(form, x, y, hit);
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
  deliverMouse(*target, &Widget::MouseDown, form, x, y, buttons_, shiftMask);
}

void FormEngine::mouseMove(Form& form, double x, double y, int16_t shiftMask, int16_t held) {
  Widget* hit = hitTest(form, x, y);
  cursor_ = pointerPixel(form, x, y, hit);
  if (held >= 0) buttons_ = held;
  // A captured mouse goes to the capture wherever it is.
  Widget* target = capture_ ? capture_ : hit;
  if (!target) return;
  auto keep = keepAlive(*target);
  deliverMouse(*target, &Widget::MouseMove, form, x, y, buttons_, shiftMask);
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
  Widget* hit = hitTest(form, x, y);
  cursor_ = pointerPixel(form, x, y, hit);
  bool pressed = capture_ != nullptr;
  Widget* target = inputTarget(hit);
  if (!target) return;
  auto keep = keepAlive(*target);
  bool click = pressed && (button & mouse::Left) && hit == target;
  if (target->kind() == WidgetKind::CommandButton && (button & mouse::Left)) {
    static_cast<CommandButton*>(target)->pressed_ = false;
  }
  if (buttons_ == 0 && capture_ == target) releaseCapture();
  deliverMouse(*target, &Widget::MouseUp, form, x, y, mask, shiftMask);
  // A MouseUp handler may have removed the widget from the form.
  if (!click || target->registeredEngine_ != this) return;
  if (target->kind() == WidgetKind::CheckBox) {
    auto* box = static_cast<CheckBox*>(target);
    box->setValue(box->Value() == 1 ? int16_t{0} : int16_t{1});
  } else if (EventHandler h = target->Click) {
    h();
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
  KeyHandler Widget::*which = down ? &Widget::KeyDown : &Widget::KeyUp;
  // Key preview: the user controls around the focused part, outermost first.
  std::vector<std::weak_ptr<Dispatch>> chain;
  for (Widget* w = target; w; w = w->container()) {
    if (w->kind() == WidgetKind::UserControl) chain.insert(chain.begin(), w->weak_from_this());
  }
  auto focused = target->weak_from_this();
  int16_t code = keyCode;
  for (auto& weak : chain) {
    auto uc = std::static_pointer_cast<Widget>(weak.lock());
    if (!uc || uc->registeredEngine_ != this) continue;
    if (KeyHandler h = (*uc).*which) h(code, shiftMask);
    if (code == 0) return;  // swallowed
  }
  auto w = std::static_pointer_cast<Widget>(focused.lock());
  if (!w || w->kind() == WidgetKind::UserControl || w->registeredEngine_ != this) return;
  if (KeyHandler h = (*w).*which) h(code, shiftMask);
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

// ---- timers ---------------------------------------------------------------------------------

void FormEngine::timerChanged(Timer& t) {
  if (t.registeredEngine_ != this) {
    t.due_ = -1;
    return;
  }
  if (t.arrival_ == 0) t.arrival_ = ++timerArrivals_;
  bool running = t.Enabled() && t.interval_ > 0;
  timers_.schedule(t, running ? clock_.nowMs() + t.interval_ : -1);
}

void FormEngine::fire(Timer& t) {
  auto keep = keepAlive(t);
  // The next tick is scheduled before the handler runs, so that a handler that stops or
  // re-arms the timer has the last word.
  timers_.schedule(t, clock_.nowMs() + t.interval_);
  if (EventHandler h = t.Tick) h();
}

Timer* FormEngine::earliestDue(int64_t until) const {
  Timer* t = timers_.first();
  return t && t->due_ <= until ? t : nullptr;
}

int64_t FormEngine::nextDue() const {
  const Timer* t = timers_.first();
  return t ? t->due_ : -1;
}

void FormEngine::advance(int64_t ms) {
  auto* clock = dynamic_cast<VirtualClock*>(&clock_);
  if (!clock) throw std::logic_error("FormEngine::advance needs a virtual clock");
  if (ms < 0) throw std::logic_error("FormEngine::advance: time does not go back");
  // Room is kept above the target for a timer's next due time (now + Interval).
  if (ms > kLatestMs - clock->nowMs()) raise(err::Overflow);
  const int64_t target = clock->nowMs() + ms;
  for (;;) {
    // The earliest due timer; among equals the one that reached the engine first.
    Timer* next = earliestDue(target);
    if (!next) break;
    if (next->due_ > clock->nowMs()) clock->advance(next->due_ - clock->nowMs());
    fire(*next);
  }
  // A handler may itself have let time pass (a modal loop): never move back.
  if (target > clock->nowMs()) clock->advance(target - clock->nowMs());
}

void FormEngine::runDueTimers() {
  const int64_t now = clock_.nowMs();
  for (;;) {
    Timer* next = earliestDue(now);
    if (!next) break;
    fire(*next);  // reschedules past `now`, so each timer fires at most once here
  }
}

// ---- window-system queries ------------------------------------------------------------------

namespace {
// Screen pixels are 32-bit: a point or edge farther out stands at the nearest end of the range.
int32_t saturatedPixel(double px) {
  if (!(px > -2147483648.0)) return INT32_MIN;  // also NaN
  if (px > 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(px);
}
// Halves round up, as painting rounds them, so a window's rectangle is where it is drawn.
int32_t pixelEdge(double twips, Dpi dpi) {
  return saturatedPixel(std::floor(pixelsOf(twips, dpi) + 0.5));
}
}  // namespace

// A point's pixel is the one it lies in, so that a point inside a widget in twips is inside its
// pixel rectangle whenever the widget's edges lie on pixel boundaries.
Point FormEngine::toScreen(const Form& form, double x, double y) const {
  return Point{saturatedPixel(std::floor(pixelsOf(form.screenLeftTwips + x, dpi_))),
               saturatedPixel(std::floor(pixelsOf(form.screenTopTwips + y, dpi_)))};
}

// The pixel the pointer lies in, counted on the side of the window that the hit test found under
// it where that window's edge falls inside the pixel (window edges round half up): a press that
// the hit test gave a window is then over that window for the pointer test too (a press on an
// end button's last pixel row keeps the button repeating).
Point FormEngine::pointerPixel(const Form& form, double x, double y, const Widget* hit) const {
  Point p = toScreen(form, x, y);
  while (hit && hit->hwnd() == 0) hit = hit->container();
  if (!hit) return p;
  // Only the pixel next to an edge moves; a point the hit test could not place (no number)
  // keeps its own.
  Rect r = screenRect(*hit);
  auto inside = [](int32_t v, int32_t from, int32_t to) {
    if (from >= to) return v;
    if (v == from - 1) return from;
    if (v == to) return to - 1;
    return v;
  };
  p.x = inside(p.x, r.left, r.right);
  p.y = inside(p.y, r.top, r.bottom);
  return p;
}

Rect FormEngine::screenRect(const Widget& w) const {
  double ox = 0, oy = 0;
  w.originOnForm(ox, oy);
  const TwipsRect& r = w.rectTwips();
  return screenRect(w.form(), TwipsRect{ox, oy, r.width, r.height});
}

Rect FormEngine::screenRect(const Form* f, const TwipsRect& r) const {
  double sx = (f ? f->screenLeftTwips : 0.0) + r.left, sy = (f ? f->screenTopTwips : 0.0) + r.top;
  return Rect{pixelEdge(sx, dpi_), pixelEdge(sy, dpi_), pixelEdge(sx + r.width, dpi_),
              pixelEdge(sy + r.height, dpi_)};
}

Rect FormEngine::GetWindowRect(int32_t hwnd) const {
  Widget* w = widgetOfHwnd(hwnd);
  if (!w) raise(err::InvalidCall);
  return screenRect(*w);
}

// ---- modal forms and message boxes ----------------------------------------------------------

void FormEngine::showModal(Form& form) {
  auto keep = keepAlive(form);
  if (std::find(modalForms_.begin(), modalForms_.end(), &form) != modalForms_.end()) {
    raise(err::FormAlreadyShown);
  }
  shown_.push_back(Shown{"modal", form.name(), form.Caption(), 0});
  form.setVisible(true);
  struct Depth {
    FormEngine& e;
    Depth(FormEngine& engine, const Form& f) : e(engine) {
      ++e.modalDepth_;
      e.modalForms_.push_back(&f);
    }
    ~Depth() {
      --e.modalDepth_;
      e.modalForms_.pop_back();
    }
  } depth(*this, form);
  if (ModalPolicy p = modalPolicy_) p(form);
}

std::shared_ptr<void> FormEngine::instance(std::string_view name) const {
  for (const auto& [key, object] : instances_) {
    if (key == name) return object;
  }
  return nullptr;
}

void FormEngine::setInstance(std::string_view name, std::shared_ptr<void> object) {
  auto it = std::find_if(instances_.begin(), instances_.end(),
                         [name](const auto& e) { return e.first == name; });
  if (it != instances_.end()) {
    // Taken out before it is released: its destructor may reach the engine again.
    std::shared_ptr<void> old = std::move(it->second);
    instances_.erase(it);
    old.reset();
  }
  if (object) instances_.emplace_back(std::string(name), std::move(object));
}

int16_t FormEngine::MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
  shown_.push_back(Shown{"msgbox", title, prompt, buttons});
  if (MsgBoxPolicy p = msgBoxPolicy_) return p(prompt, buttons);
  return 1;
}

}  // namespace keloscroll::host
