// An owning COM interface pointer: one reference, released when the pointer goes. Every COM
// reference the Windows code keeps (or holds across a call) lives in one of these, so no object
// counts references by hand.
#pragma once

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace keloscroll::host::win {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Shares `p`: takes a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  // Takes over the reference the caller holds on `p`.
  static ComPtr adopt(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // The address an out-parameter writes a new reference to (the old one released first).
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  // Hands the reference to the caller.
  T* detach() { return std::exchange(p_, nullptr); }
  // Writes a new reference (or null) to an out-parameter.
  void copyTo(T** out) const {
    *out = p_;
    if (p_) p_->AddRef();
  }
  // The object's interface `iid`, or null when it does not offer it.
  template <class U>
  ComPtr<U> query(REFIID iid) const {
    ComPtr<U> u;
    if (p_ && FAILED(p_->QueryInterface(iid, u.putVoid()))) u.detach();
    return u;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace keloscroll::host::win
