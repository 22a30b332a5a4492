#include "host/window_handles.h"

namespace keloscroll::host {

WindowHandles::~WindowHandles() = default;

Widget* WindowHandles::findForeign(int32_t handle) const {
  auto it = foreign_.find(handle);
  return it == foreign_.end() ? nullptr : it->second;
}

int32_t WindowHandles::addElsewhere(Widget& w) {
  while (!foreign_.empty() && findForeign(next_)) next_ += 4;  // taken by a handle from elsewhere
  int32_t h = next_;
  next_ += 4;
  // A number the series reaches now has an empty slot: nothing was set there before.
  size_t i = static_cast<size_t>((int64_t{h} - first_) >> 2), page = i / kPageSlots;
  if (page >= pages_.size()) pages_.resize(page + 1);
  if (!pages_[page]) pages_[page] = std::make_unique<Page>();
  pages_[page]->slots[i % kPageSlots] = &w;
  ++pages_[page]->used;
  return h;
}

void WindowHandles::set(int32_t handle, Widget& w) {
  size_t page = 0, slot = 0;
  if (!place(handle, page, slot)) {
    foreign_[handle] = &w;
    return;
  }
  if (page >= pages_.size()) pages_.resize(page + 1);
  if (!pages_[page]) pages_[page] = std::make_unique<Page>();
  Page& p = *pages_[page];
  if (!p.slots[slot]) ++p.used;
  p.slots[slot] = &w;
}

// The page the series is filling stays: a form that makes and drops one window at a time would
// otherwise make it again for each.
void WindowHandles::pageEmptied(size_t page) {
  if (page != pageOfNext()) pages_[page].reset();
}

void WindowHandles::eraseForeign(int32_t handle, const Widget& w) {
  auto it = foreign_.find(handle);
  if (it != foreign_.end() && it->second == &w) foreign_.erase(it);
}

void WindowHandles::clear() {
  pages_.clear();
  foreign_.clear();
}

}  // namespace keloscroll::host
