// The engine's running timers, ordered by due time and, among timers due at the same moment, by
// the order in which they reached the engine. A binary heap whose entries know their place: the
// earliest timer is at hand, and starting, stopping or rescheduling one costs O(log n), however
// many timers the engine's forms hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace keloscroll::host {

class Timer;

class TimerQueue {
 public:
  // Puts the timer at `due` (a clock time in ms), or takes it out for a negative `due`.
  void schedule(Timer& t, int64_t due);
  void remove(Timer& t);
  // The running timer due first, or null.
  Timer* first() const { return heap_.empty() ? nullptr : heap_.front(); }
  // Takes every timer out (their due times become -1).
  void clear();
  size_t size() const { return heap_.size(); }

 private:
  static bool before(const Timer* a, const Timer* b);
  void place(size_t i, Timer* t);
  void siftUp(size_t i);
  void siftDown(size_t i);
  std::vector<Timer*> heap_;
};

}  // namespace keloscroll::host
