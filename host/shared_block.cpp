#include "host/shared_block.h"

#include <functional>
#include <new>

namespace keloscroll::host {

namespace {
std::byte* bytesOf(void* store, std::size_t header) {
  return static_cast<std::byte*>(store) + header;
}
}  // namespace

SharedBlock::SharedBlock(std::size_t capacity)
    : store_(new (::operator new(sizeof(Store) + capacity)) Store{{1}, 0, capacity}) {}

SharedBlock::~SharedBlock() {
  store_->give(nullptr);
}

void* SharedBlock::Store::take(std::size_t bytes, std::size_t align) {
  const std::size_t at = (used + align - 1) / align * align;
  if (at + bytes > capacity) return ::operator new(bytes);
  used = at + bytes;
  users.fetch_add(1, std::memory_order_relaxed);
  return bytesOf(this, sizeof(Store)) + at;
}

void SharedBlock::Store::give(void* p) {
  std::byte* start = bytesOf(this, sizeof(Store));
  auto* b = static_cast<std::byte*>(p);
  const std::less<const std::byte*> before;  // a total order, also for pointers from elsewhere
  if (p && (before(b, start) || !before(b, start + capacity))) {
    ::operator delete(p);  // unsized: not every compiler has sized deallocation on
    return;
  }
  if (users.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    this->~Store();
    ::operator delete(this);
  }
}

}  // namespace keloscroll::host
