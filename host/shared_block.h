// One heap block for objects that are made together and mostly go together, such as a control and
// its parts: one allocation and one release serve them all instead of one each. Each object is
// made with std::allocate_shared and keeps its own shared count, so it may outlive the others (a
// client may hold a part); the block is freed when the last object made in it is. An object that
// does not fit goes to the heap as it would without the block.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <utility>

namespace keloscroll::host {

class SharedBlock {
  struct alignas(std::max_align_t) Store {
    std::atomic<std::size_t> users;  // objects made in the block, and the handle while it lives
    std::size_t used, capacity;
    // `bytes` aligned to `align` from the block, or from the heap when the block is full.
    void* take(std::size_t bytes, std::size_t align);
    // Gives back what take gave: the block goes with the last of its users.
    void give(void* p);
  };

 public:
  // The allocator that std::allocate_shared uses to place an object and its count in the block.
  template <class T>
  struct Allocator {
    using value_type = T;
    Store* store;
    explicit Allocator(Store* s) : store(s) {}
    template <class U>
    Allocator(const Allocator<U>& other) : store(other.store) {}  // NOLINT: rebinding
    T* allocate(std::size_t n) {
      static_assert(alignof(T) <= alignof(std::max_align_t));
      return static_cast<T*>(store->take(n * sizeof(T), alignof(T)));
    }
    void deallocate(T* p, std::size_t) { store->give(p); }
    template <class U>
    bool operator==(const Allocator<U>& other) const {
      return store == other.store;
    }
  };

  // Room for objects of these types made with make(), each with its shared count.
  template <class... T>
  static constexpr std::size_t roomFor() {
    // allocate_shared keeps, beside the object, the count's vtable and two int counters, and
    // this allocator (24 bytes on 64-bit, 16 on 32-bit).
    constexpr std::size_t kBeside = sizeof(void*) + 2 * sizeof(int) + sizeof(Allocator<char>);
    return ((roundUp(sizeof(T) + kBeside, std::max(alignof(T), alignof(void*)))) + ... + 0);
  }

  explicit SharedBlock(std::size_t capacity);
  ~SharedBlock();  // the block stays while objects made in it do
  SharedBlock(const SharedBlock&) = delete;
  SharedBlock& operator=(const SharedBlock&) = delete;

  template <class T, class... Args>
  std::shared_ptr<T> make(Args&&... args) {
    return std::allocate_shared<T>(Allocator<T>(store_), std::forward<Args>(args)...);
  }

 private:
  static constexpr std::size_t roundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
  }
  Store* store_;
};

}  // namespace keloscroll::host
