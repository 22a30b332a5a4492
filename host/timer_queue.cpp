#include "host/timer_queue.h"

#include "host/timer_widget.h"

namespace keloscroll::host {

bool TimerQueue::before(const Timer* a, const Timer* b) {
  if (a->due_ != b->due_) return a->due_ < b->due_;
  return a->arrival_ < b->arrival_;
}

void TimerQueue::place(size_t i, Timer* t) {
  heap_[i] = t;
  t->queueIndex_ = static_cast<int32_t>(i);
}

void TimerQueue::siftUp(size_t i) {
  Timer* t = heap_[i];
  while (i > 0) {
    size_t parent = (i - 1) / 2;
    if (!before(t, heap_[parent])) break;
    place(i, heap_[parent]);
    i = parent;
  }
  place(i, t);
}

void TimerQueue::siftDown(size_t i) {
  Timer* t = heap_[i];
  const size_t n = heap_.size();
  for (;;) {
    size_t child = 2 * i + 1;
    if (child >= n) break;
    if (child + 1 < n && before(heap_[child + 1], heap_[child])) ++child;
    if (!before(heap_[child], t)) break;
    place(i, heap_[child]);
    i = child;
  }
  place(i, t);
}

void TimerQueue::schedule(Timer& t, int64_t due) {
  if (due < 0) {
    remove(t);
    return;
  }
  t.due_ = due;
  if (t.queueIndex_ < 0) {
    heap_.push_back(&t);
    t.queueIndex_ = static_cast<int32_t>(heap_.size() - 1);
  }
  // An earlier time moves it towards the top, a later one away from it.
  auto i = static_cast<size_t>(t.queueIndex_);
  siftUp(i);
  siftDown(static_cast<size_t>(t.queueIndex_));
}

void TimerQueue::remove(Timer& t) {
  t.due_ = -1;
  if (t.queueIndex_ < 0) return;
  auto i = static_cast<size_t>(t.queueIndex_);
  t.queueIndex_ = -1;
  Timer* last = heap_.back();
  heap_.pop_back();
  if (last == &t) return;
  place(i, last);
  siftUp(i);
  siftDown(static_cast<size_t>(last->queueIndex_));
}

void TimerQueue::clear() {
  for (Timer* t : heap_) {
    t->queueIndex_ = -1;
    t->due_ = -1;
  }
  heap_.clear();
}

}  // namespace keloscroll::host
