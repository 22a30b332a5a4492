// Time for the form engine: a monotonic millisecond count that drives the timers, and the
// seconds-since-midnight `Timer` function. Tests use the virtual clock and advance it by hand.
#pragma once

#include <cstdint>

namespace keloscroll::host {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds; timers are scheduled on this count.
  virtual int64_t nowMs() const = 0;
  // Local seconds since midnight, with fractions, in [0, 86400).
  virtual double secondsSinceMidnight() const = 0;

  // The host's `Timer` function: seconds since midnight as a Single; it wraps to 0 at midnight.
  float Timer() const;
};

class SystemClock final : public Clock {
 public:
  int64_t nowMs() const override;
  double secondsSinceMidnight() const override;
};

// Starts at the given time of day (noon unless told otherwise) and moves only when advanced.
// Times of day outside [0, 86400) are taken modulo a day.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(double startSecondsSinceMidnight = 12 * 3600.0) {
    setTimeOfDay(startSecondsSinceMidnight);
  }

  int64_t nowMs() const override { return now_; }
  double secondsSinceMidnight() const override;

  void advance(int64_t ms) { now_ += ms; }
  // Moves the time of day without moving the monotonic count.
  void setTimeOfDay(double seconds);

 private:
  double start_ = 0;  // the time of day when the count was at base_
  int64_t base_ = 0;  // the count at the last setTimeOfDay
  int64_t now_ = 0;
};

}  // namespace keloscroll::host
