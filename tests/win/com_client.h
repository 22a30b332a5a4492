// What the KeloScroll.ocx tests need of COM, kept small: owning pointers, a VARIANT holder, a
// late-bound call, and the container's own objects (reference counts, event sinks, a property
// bag).
#pragma once

// clang-format off
#include <windows.h>  // first: the other Windows headers build on it
// clang-format on
#include <cguid.h>
#include <ocidl.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/win/com_ptr.h"

namespace kelo_test {

// An owned interface pointer: the library's own. Ptr<T>::adopt takes over a reference, the
// constructor adds one.
template <class T>
using Ptr = keloscroll::host::win::ComPtr<T>;

// Another interface of a borrowed pointer, or null.
template <class U, class T>
Ptr<U> query(T* p, REFIID iid) {
  Ptr<U> u;
  if (p) p->QueryInterface(iid, u.putVoid());
  return u;
}

struct Var : VARIANT {
  Var() { VariantInit(this); }
  Var(const Var& o) : Var() { VariantCopy(this, const_cast<Var*>(&o)); }
  Var& operator=(const Var& o) {
    if (this != &o) VariantCopy(this, const_cast<Var*>(&o));
    return *this;
  }
  ~Var() { VariantClear(this); }
  static Var i4(LONG v) { return with(VT_I4, &Var::lVal, v); }
  static Var i2(SHORT v) { return with(VT_I2, &Var::iVal, v); }
  static Var r4(float v) { return with(VT_R4, &Var::fltVal, v); }
  static Var boolean(bool v) {
    return with(VT_BOOL, &Var::boolVal, VARIANT_BOOL{v ? VARIANT_TRUE : VARIANT_FALSE});
  }
  static Var str(std::wstring_view s) {
    return with(VT_BSTR, &Var::bstrVal, SysAllocStringLen(s.data(), static_cast<UINT>(s.size())));
  }
  // Each adds a reference.
  static Var unknown(IUnknown* u) {
    return with(VT_UNKNOWN, &Var::punkVal, u ? u->AddRef(), u : u);
  }
  static Var dispatch(IDispatch* d) {
    return with(VT_DISPATCH, &Var::pdispVal, d ? d->AddRef(), d : d);
  }

 private:
  template <class Field, class T>
  static Var with(VARTYPE type, Field field, T value) {
    Var r;
    r.vt = type;
    r.*field = value;
    return r;
  }
};

// A function of a loaded library, as its real type (through void*: FARPROC's type is a stand-in).
template <class F>
F function(HMODULE m, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// Names compared as the platform compares names: in any case.
inline bool sameName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}
// A late-bound call: arguments in their natural order (the call reverses them for COM).
struct CallResult {
  HRESULT hr;
  Var value;
  EXCEPINFO error;
};
CallResult call(IDispatch* d, DISPID id, WORD kind, std::vector<Var> args = {});
inline CallResult get(IDispatch* d, DISPID id) {
  return call(d, id, DISPATCH_PROPERTYGET);
}
inline CallResult put(IDispatch* d, DISPID id, Var value) {
  return call(d, id, DISPATCH_PROPERTYPUT, {std::move(value)});
}
DISPID idOf(IDispatch* d, std::wstring_view name);
// A property read as a Long; LONG_MIN when the read or the conversion fails.
LONG getLong(IDispatch* d, DISPID id);

// Reference counting shared by the tests' COM objects; each starts with one reference, its
// creator's. The objects alive are counted: a test checks that the control handed back every
// reference it was given.
class Counted {
 public:
  Counted() { ++live_; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  virtual ~Counted() { --live_; }
  ULONG refs() const { return refs_; }
  static long live() { return live_; }

 protected:
  ULONG addRef() { return ++refs_; }
  ULONG release();  // out of line: deletes through the virtual destructor

 private:
  ULONG refs_ = 1;
  static inline long live_ = 0;
};

// QueryInterface for the objects here: the pointer given for the interface asked for.
using Answer = std::pair<const IID*, IUnknown*>;
HRESULT answer(REFIID iid, void** out, std::initializer_list<Answer> answers);

// IDispatch with no type information, for the objects below.
template <class I>
class DispatchBase : public I, public Counted {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    return n ? *n = 0, S_OK : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
};

// One event as a sink received it.
struct Event {
  DISPID id;
  std::vector<Var> args;  // in declaration order, by-reference arguments dereferenced
};
enum EventId : DISPID { kScroll = 1, kChange = 2, kGetDescription = 3 };

// A sink of __UsrKeloScroll: records events; when given, writes `changeReply` into Change's
// argument and `description` into GetDescription's, and runs `handler`.
class EventSink final : public DispatchBase<IDispatch> {
 public:
  explicit EventSink(REFIID events) : events_(events) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return answer(iid, out, {{&IID_IUnknown, this}, {&IID_IDispatch, this}, {&events_, this}});
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override;
  int count(DISPID id) const {
    return static_cast<int>(
        std::count_if(events.begin(), events.end(), [id](const Event& e) { return e.id == id; }));
  }
  std::vector<Event> events;
  std::optional<LONG> changeReply;
  std::wstring description;
  // Called after each event is recorded: what the host's handler does besides.
  std::function<void(DISPID)> handler;

 private:
  IID events_;
};

// A property bag that keeps every write in order; Read finds the last one of that name (in any
// case, as a form file's names are). Given a `failure`, every Read and Write fails with it.
class PropertyBag final : public IPropertyBag, public Counted {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return answer(iid, out, {{&IID_IUnknown, this}, {&IID_IPropertyBag, this}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;
  const Var* find(std::wstring_view name) const;
  std::vector<std::pair<std::wstring, Var>> writes;
  HRESULT failure = S_OK;
};

// Picture objects of the platform's, owned: one made from `d` (its size filled in here), owning
// what `d` holds; a 16 x 16 icon, its left half transparent and its right half red; and one of a
// few bytes that claims 8192 x 8192 pixels (an empty metafile).
Ptr<IPicture> pictureOf(PICTDESC d);
Ptr<IPictureDisp> halfTransparentIcon();
Ptr<IPictureDisp> hugePicture();

}  // namespace kelo_test
