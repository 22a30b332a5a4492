#include "host/engine.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <utility>

#include "host/error.h"
#include "host/leaf_widgets.h"

namespace keloscroll::host {

namespace {

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

FormEngine::FormEngine(Clock& clock) : clock_(clock), hwnds_(firstHwndOfNextEngine()) {}

FormEngine::~FormEngine() {
  // Kept objects first: they may still unload their forms here.
  while (!instances_.empty()) {
    std::shared_ptr<void> last = std::move(instances_.back().second);
    instances_.pop_back();
    last.reset();
  }
  for (auto& f : forms_) f->setEngine(nullptr);
  timers_.clear();
  // Widgets that outlive the engine forget it. The engine knows a widget only as a window it
  // numbered or inside one (a tree joins an engine through its windowed root), so the table of
  // handles reaches them all, without a list of its own that every widget would carry links for.
  std::vector<Widget*> windows;
  hwnds_.forEach([&windows](Widget& w) { windows.push_back(&w); });
  for (Widget* window : windows) {
    visitWidgets(*window, [this](Widget& w) {
      if (w.registeredEngine_ != this) return;
      w.registeredEngine_ = nullptr;
      if (w.kind_ == WidgetKind::Timer) static_cast<Timer&>(w).arrival_ = 0;
    });
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
    w.registeredEngine_ = this;
  }
  // A widget keeps a handle it brings (its real window's, another engine's) while it is free.
  Widget* holder = w.hwnd_ != 0 ? hwnds_.find(w.hwnd_) : nullptr;
  if (holder == &w) return w.hwnd_;
  if (w.hwnd_ == 0 || holder) {
    w.hwnd_ = hwnds_.add(w);
  } else {
    hwnds_.set(w.hwnd_, w);
  }
  return w.hwnd_;
}

void FormEngine::useWindowHandle(Widget& w, int32_t handle) {
  if (w.registeredEngine_ != this) return;
  hwnds_.erase(w.hwnd_, w);
  w.hwnd_ = handle != 0 && !hwnds_.find(handle) ? handle : 0;
  assignHwnd(w);
}

Widget* FormEngine::widgetOfHwnd(int32_t hwnd) const {
  return hwnds_.find(hwnd);
}

void FormEngine::adopt(Widget& w) {
  if (w.registeredEngine_ && w.registeredEngine_ != this) w.registeredEngine_->forget(w);
  w.registeredEngine_ = this;
  if (w.isWindowed()) {
    // A widget that brings no handle takes the next number (as assignHwnd would give it).
    if (w.hwnd_ == 0) {
      w.hwnd_ = hwnds_.add(w);
    } else {
      assignHwnd(w);
    }
  }
  if (w.kind() == WidgetKind::Timer) {
    auto* t = static_cast<Timer*>(&w);
    if (t->arrival_ == 0) t->arrival_ = ++timerArrivals_;
    timerChanged(*t);  // a running timer starts counting when it reaches the engine
  }
}

void FormEngine::adoptTree(Widget& w) {
  visitWidgets(w, [this](Widget& x) { adopt(x); });
}

// Inline where a leaving tree drops each widget's records: one call a widget fewer.
[[gnu::always_inline]] inline void FormEngine::dropRecords(Widget& w) {
  if (w.hwnd_ != 0) hwnds_.erase(w.hwnd_, w);  // windowless widgets have none
  if (w.kind_ == WidgetKind::Timer) {
    auto& t = static_cast<Timer&>(w);
    unschedule(t);
    t.arrival_ = 0;
  }
  w.registeredEngine_ = nullptr;
}

void FormEngine::forgetTree(Widget& w) {
  // Most often no widget holds the capture or the focus, nor is the pointer's: then a tree that
  // leaves drops only its handles and timers, without asking each widget about those. A timer
  // taken off the engine's queue has no due time either way.
  const bool heldBySome = capture_ || captureForm_ || focus_ || cursorBeside_;
  visitWidgets(w, [this, heldBySome](Widget& x) {
    if (x.kind_ == WidgetKind::CommandButton) static_cast<CommandButton&>(x).pressed_ = false;
    if (heldBySome) {
      forget(x);
    } else {
      dropRecords(x);
    }
  });
}

// Also called from the widgets' destructors: touches only the engine's own records.
void FormEngine::forget(Widget& w) {
  dropRecords(w);
  if (capture_ == &w || captureForm_ == &w) releaseCapture();
  if (focus_ == &w) focus_ = nullptr;
  if (cursorBeside_ == &w) cursorBeside_ = nullptr;
}

// ---- timers ---------------------------------------------------------------------------------

void FormEngine::timerChanged(Timer& t) {
  if (t.registeredEngine_ != this) {
    t.due_ = -1;
    return;
  }
  if (t.arrival_ == 0) t.arrival_ = ++timerArrivals_;
  if (t.Enabled() && t.interval_ > 0) {
    timers_.schedule(t, clock_.nowMs() + t.interval_);
  } else {
    unschedule(t);
  }
}

// Most timers that stop were not running (a part's timer is set up stopped): no call then.
void FormEngine::unschedule(Timer& t) {
  if (t.queueIndex_ < 0) {
    t.due_ = -1;
  } else {
    timers_.remove(t);
  }
}

void FormEngine::fire(Timer& t) {
  auto keep = keepAlive(t);
  // The next tick is scheduled before the handler runs, so that a handler that stops or
  // re-arms the timer has the last word.
  timers_.schedule(t, clock_.nowMs() + t.interval_);
  if (WidgetEvents* e = t.events()) e->onTimer(t);
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

}  // namespace keloscroll::host
