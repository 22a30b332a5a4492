// An engine's window handles and the widgets they name.
//
// The engine numbers its windows from a first handle upwards in steps of 4, so the handles it gave
// out index pages of slots directly: a lookup is an index and a window costs one slot, where a
// hash map costs a node per window. A page is made when a window first needs it and freed when
// its last window goes. Numbers are never given out twice, so the list of pages grows by one
// pointer per 256 numbers ever given out. Other handles (a real window's, or one a widget brings
// from another engine) are kept apart in a map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace keloscroll::host {

class Widget;

class WindowHandles {
 public:
  explicit WindowHandles(int32_t first) : first_(first), next_(first) {}
  WindowHandles(const WindowHandles&) = delete;
  WindowHandles& operator=(const WindowHandles&) = delete;
  ~WindowHandles();

  // The widget a handle names, or null.
  Widget* find(int32_t handle) const {
    size_t page = 0, slot = 0;
    if (place(handle, page, slot) && page < pages_.size() && pages_[page]) {
      if (Widget* w = pages_[page]->slots[slot]) return w;
    }
    // A handle set before the series reached it is in the map.
    return foreign_.empty() ? nullptr : findForeign(handle);
  }
  // Gives `w` a number never given out before and not in use, and returns it. Inline while the
  // series fills a page it has and no handle from elsewhere may take its next number.
  int32_t add(Widget& w) {
    auto i = static_cast<size_t>((int64_t{next_} - first_) >> 2);
    size_t page = i / kPageSlots;
    if (!foreign_.empty() || page >= pages_.size() || !pages_[page]) return addElsewhere(w);
    Page& p = *pages_[page];
    p.slots[i % kPageSlots] = &w;  // a number the series reaches has an empty slot
    ++p.used;
    int32_t h = next_;
    next_ += 4;
    return h;
  }
  // `handle` (not in use) names `w` from now on.
  void set(int32_t handle, Widget& w);
  // `handle` names nothing any more, if it named `w`.
  void erase(int32_t handle, const Widget& w) {
    size_t page = 0, slot = 0;
    if (place(handle, page, slot) && page < pages_.size() && pages_[page] &&
        pages_[page]->slots[slot] == &w) {
      Page& p = *pages_[page];
      p.slots[slot] = nullptr;
      if (--p.used == 0) pageEmptied(page);
      return;
    }
    if (!foreign_.empty()) eraseForeign(handle, w);
  }
  void clear();
  // Calls f on every widget a handle names.
  template <class F>
  void forEach(F&& f) const {
    for (const auto& page : pages_) {
      if (!page) continue;
      for (Widget* w : page->slots) {
        if (w) f(*w);
      }
    }
    for (const auto& [handle, w] : foreign_) f(*w);
  }

 private:
  static constexpr size_t kPageSlots = 256;
  struct Page {
    Widget* slots[kPageSlots] = {};
    size_t used = 0;
  };
  // The slot of a number in the engine's series below the next it gives out; false for any other
  // handle.
  bool place(int32_t handle, size_t& page, size_t& slot) const {
    int64_t d = int64_t{handle} - first_;
    if (d < 0 || handle >= next_ || (d & 3) != 0) return false;
    auto i = static_cast<size_t>(d >> 2);
    page = i / kPageSlots;
    slot = i % kPageSlots;
    return true;
  }
  size_t pageOfNext() const {
    return static_cast<size_t>((int64_t{next_} - first_) >> 2) / kPageSlots;
  }
  Widget* findForeign(int32_t handle) const;
  int32_t addElsewhere(Widget& w);
  void pageEmptied(size_t page);
  void eraseForeign(int32_t handle, const Widget& w);

  int32_t first_;
  int32_t next_;
  std::vector<std::unique_ptr<Page>> pages_;
  std::unordered_map<int32_t, Widget*> foreign_;
};

}  // namespace keloscroll::host
