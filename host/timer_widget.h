// The timer: a widget without a window or a face that raises Tick.
#pragma once

#include <cstdint>
#include <string>

#include "host/widget.h"

namespace keloscroll::host {

// Ticks every Interval ms while enabled. Writing Interval, or Enabled = true, while it runs
// restarts the count: the next tick comes a full interval after the write.
class Timer final : public Widget {
 public:
  explicit Timer(WidgetName name) : Widget(WidgetKind::Timer, name) {}
  ~Timer() override;
  int32_t Interval() const { return interval_; }
  void setInterval(int32_t ms);  // 0 to 65535; error 380 outside
  bool TimerEnabled() const { return Enabled(); }

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

}  // namespace keloscroll::host
