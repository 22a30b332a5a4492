// An event handler slot: holds any callable of one signature, as std::function does, in half the
// room. Widgets carry many slots and most stay empty, so the size of an empty one counts; and a
// handler is copied before each call (it may replace itself while it runs), so copies are cheap:
// a callable no larger than a pointer that copies as plain bytes (a lambda capturing `this`)
// lives inside the slot, and a larger one lives on the heap, shared by the copies.
#pragma once

#include <cstddef>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

namespace keloscroll::host {

template <class Signature>
class Handler;

template <class R, class... Args>
class Handler<R(Args...)> {
 public:
  Handler() noexcept = default;
  Handler(std::nullptr_t) noexcept {}  // NOLINT: converts as std::function does

  template <
      class F, class D = std::decay_t<F>,
      class = std::enable_if_t<!std::is_same_v<D, Handler> && !std::is_same_v<D, std::nullptr_t> &&
                               std::is_invocable_r_v<R, D&, Args...>>>
  Handler(F&& f) {  // NOLINT: converts as std::function does
    if constexpr (std::is_pointer_v<D> || std::is_member_pointer_v<D>) {
      if (!f) return;
    }
    if constexpr (fitsInside<D>()) {
      ::new (static_cast<void*>(storage_.inside)) D(std::forward<F>(f));
      ops_ = &kInsideOps<D>;
    } else {
      storage_.heap = new Shared<D>{1, D(std::forward<F>(f))};
      ops_ = &kSharedOps<D>;
    }
  }

  Handler(const Handler& o) noexcept : ops_(o.ops_), storage_(o.storage_) {
    if (ops_ && ops_->share) ops_->share(storage_);
  }
  Handler(Handler&& o) noexcept : ops_(std::exchange(o.ops_, nullptr)), storage_(o.storage_) {}
  Handler& operator=(const Handler& o) noexcept {
    Handler(o).swap(*this);
    return *this;
  }
  Handler& operator=(Handler&& o) noexcept {
    Handler(std::move(o)).swap(*this);
    return *this;
  }
  Handler& operator=(std::nullptr_t) noexcept {
    Handler().swap(*this);
    return *this;
  }
  template <class F, class = decltype(Handler(std::declval<F>()))>
  Handler& operator=(F&& f) {
    Handler(std::forward<F>(f)).swap(*this);
    return *this;
  }
  ~Handler() {
    if (ops_ && ops_->release) ops_->release(storage_);
  }

  explicit operator bool() const noexcept { return ops_ != nullptr; }
  friend bool operator==(const Handler& h, std::nullptr_t) noexcept { return !h; }

  R operator()(Args... args) const {
    if (!ops_) throw std::bad_function_call();
    return ops_->call(storage_, std::forward<Args>(args)...);
  }

  void swap(Handler& o) noexcept {
    std::swap(ops_, o.ops_);
    std::swap(storage_, o.storage_);
  }

 private:
  union Storage {
    void* heap;
    alignas(void*) unsigned char inside[sizeof(void*)];
  };
  struct Ops {
    R (*call)(Storage&, Args&&...);
    void (*share)(Storage&);    // null: copies are plain bytes
    void (*release)(Storage&);  // null: nothing to release
  };
  template <class D>
  struct Shared {
    size_t owners;
    D callable;
  };

  template <class D>
  static constexpr bool fitsInside() {
    return sizeof(D) <= sizeof(Storage) && alignof(D) <= alignof(Storage) &&
           std::is_trivially_copyable_v<D> && std::is_trivially_destructible_v<D>;
  }
  template <class D>
  static D& inside(Storage& s) {
    return *std::launder(reinterpret_cast<D*>(s.inside));
  }
  template <class D>
  static Shared<D>& shared(Storage& s) {
    return *static_cast<Shared<D>*>(s.heap);
  }

  template <class D>
  static constexpr Ops kInsideOps{[](Storage& s, Args&&... a) -> R {
                                    return static_cast<R>(inside<D>(s)(std::forward<Args>(a)...));
                                  },
                                  nullptr, nullptr};
  template <class D>
  static constexpr Ops kSharedOps{
      [](Storage& s, Args&&... a) -> R {
        return static_cast<R>(shared<D>(s).callable(std::forward<Args>(a)...));
      },
      [](Storage& s) { ++shared<D>(s).owners; },
      [](Storage& s) {
        if (--shared<D>(s).owners == 0) delete &shared<D>(s);
      }};

  const Ops* ops_ = nullptr;
  mutable Storage storage_{};
};

}  // namespace keloscroll::host
