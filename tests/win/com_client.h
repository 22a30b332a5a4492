// What the KeloScroll.ocx client test needs of COM, kept small: owning pointers, BSTR and VARIANT
// holders, a late-bound call, the registry, a child process, and the container's own objects
// (client site with ambient properties, event sinks, a property bag).
#pragma once

// clang-format off
#include <windows.h>  // first: the other Windows headers build on it
// clang-format on
#include <cguid.h>
#include <ocidl.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelo_test {

// An owned interface pointer: releases what it holds.
template <class T>
class Ptr {
 public:
  Ptr() = default;
  explicit Ptr(T* p) : p_(p) {}  // takes over a reference
  Ptr(const Ptr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  Ptr(Ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  Ptr& operator=(Ptr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ptr() { reset(); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  template <class U>
  Ptr<U> as(REFIID iid) const {
    Ptr<U> u;
    if (p_) p_->QueryInterface(iid, u.putVoid());
    return u;
  }

 private:
  T* p_ = nullptr;
};

struct Bstr {
  BSTR b = nullptr;
  Bstr() = default;
  explicit Bstr(std::wstring_view s)
      : b(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b); }
  BSTR* put() {
    SysFreeString(b);
    b = nullptr;
    return &b;
  }
  std::wstring str() const { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
};

struct Var : VARIANT {
  Var() { VariantInit(this); }
  Var(const Var& o) : Var() { VariantCopy(this, const_cast<Var*>(&o)); }
  Var& operator=(const Var& o) {
    if (this != &o) VariantCopy(this, const_cast<Var*>(&o));
    return *this;
  }
  ~Var() { VariantClear(this); }
  static Var i4(LONG v);
  static Var i2(SHORT v);
  static Var boolean(bool v);
  static Var str(std::wstring_view s);
  static Var unknown(IUnknown* u);  // adds a reference
};

std::wstring wide(std::string_view utf8);
std::wstring guidString(REFGUID g);
// The folder of the test program, with a trailing backslash.
std::wstring programDir();
// Runs a command line and waits; its exit code, or -1 when it could not start.
DWORD runProcess(std::wstring commandLine);

// A value under HKEY_CLASSES_ROOT (name null: the key's default value), or nothing.
std::optional<std::wstring> regString(const std::wstring& key, const wchar_t* name = nullptr);
bool regKeyExists(const std::wstring& key);

// A late-bound call: arguments in their natural order (the call reverses them for COM).
struct CallResult {
  HRESULT hr;
  Var value;
  EXCEPINFO error;
};
CallResult call(IDispatch* d, DISPID id, WORD kind, std::vector<Var> args = {});
CallResult get(IDispatch* d, DISPID id);
CallResult put(IDispatch* d, DISPID id, Var value, WORD kind = DISPATCH_PROPERTYPUT);
DISPID idOf(IDispatch* d, std::wstring_view name);

// Reference counting shared by the container's objects; each starts with one reference, its
// creator's.
class Counted {
 public:
  virtual ~Counted() = default;
  ULONG refs() const { return refs_; }

 protected:
  ULONG addRef() { return ++refs_; }
  ULONG release();  // out of line: deletes through the virtual destructor

 private:
  ULONG refs_ = 1;
};

// IDispatch with no type information, for the objects below.
template <class I>
class DispatchBase : public I, public Counted {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** t) override {
    if (t) *t = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
};

// The container's client site; its IDispatch answers the ambient UserMode.
class ClientSite final : public IOleClientSite, public IDispatch, public Counted {
 public:
  explicit ClientSite(bool userMode) : userMode_(userMode) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** t) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) override;
  int ambientReads = 0;

 private:
  bool userMode_;
};

// One event as a sink received it.
struct Event {
  DISPID id;
  std::vector<Var> args;  // in declaration order, by-reference arguments dereferenced
};

// A sink of __UsrKeloScroll: records events; writes `changeReply` into Change's argument and
// `description` into GetDescription's.
class EventSink final : public DispatchBase<IDispatch> {
 public:
  explicit EventSink(REFIID events) : events_(events) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override;
  std::vector<Event> events;
  LONG changeReply = -7;
  std::wstring description = L"riga 7";

 private:
  IID events_;
};

class PropertyNotifySink final : public IPropertyNotifySink, public Counted {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
    changed.push_back(id);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
  std::vector<DISPID> changed;
};

// A property bag that keeps named values; Read converts to the type asked for, if any.
class PropertyBag final : public IPropertyBag, public Counted {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;
  std::map<std::wstring, Var> values;
  std::vector<std::wstring> writeOrder;
};

}  // namespace kelo_test
