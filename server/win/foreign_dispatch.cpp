#include "server/win/foreign_dispatch.h"

#include <optional>
#include <utility>
#include <vector>

#include "server/win/convert.h"

namespace keloscroll::win {

namespace {

using host::win::ComPtr;

// The name the object's type information gives it, or nothing.
std::optional<std::string> typeNameOf(IDispatch* object) {
  ComPtr<ITypeInfo> info;
  std::optional<std::string> name;
  if (SUCCEEDED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) && info) {
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &text, nullptr, nullptr, nullptr)) && text) {
      name = utf8(text);
      SysFreeString(text);
    }
  }
  return name;
}

// Whether two interface pointers are one object: the same IUnknown.
bool sameObject(IUnknown* a, IUnknown* b) {
  ComPtr<IUnknown> ua = ComPtr<IUnknown>(a).query<IUnknown>(IID_IUnknown);
  ComPtr<IUnknown> ub = ComPtr<IUnknown>(b).query<IUnknown>(IID_IUnknown);
  return ua && ub && ua.get() == ub.get();
}

// The extender's Parent, or null.
ComPtr<IDispatch> parentOf(IDispatch* extender) {
  wchar_t name[] = L"Parent";
  LPOLESTR names[1] = {name};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(extender->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return nullptr;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VariantHolder result;
  if (FAILED(extender->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                              &result, nullptr, nullptr))) {
    return nullptr;
  }
  VARIANT& v = result.get();
  if ((v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN) || !v.punkVal) return nullptr;
  return ComPtr<IUnknown>(v.punkVal).query<IDispatch>(IID_IDispatch);
}

WORD invokeFlags(host::Invoke kind) {
  switch (kind) {
    case host::Invoke::Get:
      return DISPATCH_PROPERTYGET;
    case host::Invoke::Let:
      return DISPATCH_PROPERTYPUT;
    case host::Invoke::Set:
      return DISPATCH_PROPERTYPUTREF;
    case host::Invoke::Method:
      break;
  }
  return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
}

// The arguments as VARIANTs in COM's order (last first), cleared on destruction.
class Arguments {
 public:
  explicit Arguments(std::span<host::Variant> args) : v_(args.size()) {
    for (VARIANT& x : v_) VariantInit(&x);
    for (size_t i = 0; i < args.size(); ++i) toVariant(args[i], &v_[args.size() - 1 - i]);
  }
  ~Arguments() {
    for (VARIANT& x : v_) VariantClear(&x);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  VARIANT* data() { return v_.empty() ? nullptr : v_.data(); }
  UINT size() const { return static_cast<UINT>(v_.size()); }

 private:
  std::vector<VARIANT> v_;
};

}  // namespace

std::shared_ptr<ForeignDispatch> ForeignDispatch::wrap(ComPtr<IDispatch> object) {
  return std::shared_ptr<ForeignDispatch>(new ForeignDispatch(std::move(object)));
}

std::shared_ptr<ForeignDispatch> ForeignDispatch::wrapExtender(ComPtr<IDispatch> extender) {
  IDispatch* origin = extender.get();
  std::shared_ptr<ForeignDispatch> d = wrap(std::move(extender));
  d->origin_ = std::make_shared<Origin>(Origin{origin});
  d->isOrigin_ = true;
  return d;
}

ForeignDispatch::ForeignDispatch(ComPtr<IDispatch> object) : object_(std::move(object)) {
  std::optional<std::string> name = typeNameOf(object_.get());
  typed_ = name.has_value();
  typeName_ = name.value_or("Object");
}

ForeignDispatch::~ForeignDispatch() {
  if (isOrigin_) origin_->extender = nullptr;
}

int32_t ForeignDispatch::idOfName(std::string_view name) const {
  std::wstring w = wide(name);
  LPOLESTR names[1] = {w.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw errorOf(hr);
  return id;
}

host::Variant ForeignDispatch::invoke(int32_t id, host::Invoke kind,
                                      std::span<host::Variant> args) {
  Arguments in(args);
  DISPID named = DISPID_PROPERTYPUT;
  bool put = kind == host::Invoke::Let || kind == host::Invoke::Set;
  DISPPARAMS params{in.data(), put ? &named : nullptr, in.size(), put ? 1u : 0u};
  VariantHolder result;
  EXCEPINFO info{};
  UINT argError = 0;
  HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, invokeFlags(kind), &params,
                               put ? nullptr : &result, &info, &argError);
  if (FAILED(hr)) {
    host::Error e = errorOf(hr, hr == DISP_E_EXCEPTION ? &info : nullptr);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    throw e;
  }
  if (put) return host::Variant();
  host::Variant value = fromVariant(result.get());
  // An object reached from the extender's world knows the extender too.
  if (origin_ && value.isObject()) {
    if (auto reached = std::dynamic_pointer_cast<ForeignDispatch>(value.asObject());
        reached && !reached->origin_) {
      reached->origin_ = origin_;
    }
  }
  return value;
}

bool ForeignDispatch::isForm() const {
  // A type named as a form is one; any other object (a form whose class is Form1, or an object
  // without type information) is the form when it is the extender's Parent.
  if (typed_ && typeName_.ends_with("Form")) return true;
  if (!origin_ || !origin_->extender) return false;
  ComPtr<IDispatch> parent = parentOf(origin_->extender);
  return parent && sameObject(parent.get(), object_.get());
}

}  // namespace keloscroll::win
