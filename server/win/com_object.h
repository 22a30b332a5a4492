// The base of the library's COM objects: IUnknown written once. An object lists the interfaces
// it offers in one table (its interface map, `Derived::interfaceMap()`); the base answers
// QueryInterface from it, counts references and deletes the object at the last Release, and
// counts the object alive for DllCanUnloadNow.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <span>

#include "host/win/com_ptr.h"
#include "server/win/module.h"

namespace keloscroll::win {

using host::win::ComPtr;

// One line of an interface map: an interface id and the object's pointer of that interface.
template <class Derived>
struct MapEntry {
  ::GUID iid;
  void* (*cast)(Derived*);
};

template <class Derived, class... Interfaces>
class ComObject : public Interfaces..., private ModuleObject {
 public:
  using Entry = MapEntry<Derived>;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const Entry& e : Derived::interfaceMap()) {
      if (e.iid == iid) {
        *out = e.cast(static_cast<Derived*>(this));
        AddRef();
        return S_OK;
      }
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) {
      // What runs while the object is torn down (a container told of its deactivation may take
      // and drop a reference) can never bring the count to zero a second time.
      refs_ = kTearingDown;
      delete static_cast<Derived*>(this);
    }
    return left;
  }

 protected:
  ComObject() = default;
  ~ComObject() = default;

  // The interface-map line that answers `iid` with the object as `I`.
  template <class I>
  static Entry offer(const ::GUID& iid) {
    return Entry{iid, [](Derived* self) -> void* { return static_cast<I*>(self); }};
  }
  // A new object, made with one reference, answered as `iid` (and gone if it offers none such).
  static HRESULT answer(Derived* made, REFIID iid, void** out) {
    return ComPtr<Derived>::adopt(made)->QueryInterface(iid, out);
  }
  // A reference that keeps the object alive through a call in which a handler (an event sink,
  // the container) may release it.
  ComPtr<Derived> keepAlive() { return ComPtr<Derived>(static_cast<Derived*>(this)); }
  // The same as a token a window holds while it handles a message (host::win::FormWindow::hold).
  std::shared_ptr<void> holdToken() {
    AddRef();
    return std::shared_ptr<void>(static_cast<Derived*>(this),
                                 [](Derived* self) { self->Release(); });
  }

 private:
  static constexpr ULONG kTearingDown = 1u << 30;
  std::atomic<ULONG> refs_{1};
};

}  // namespace keloscroll::win
