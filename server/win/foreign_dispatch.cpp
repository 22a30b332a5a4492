#include "server/win/foreign_dispatch.h"

#include <vector>

#include "server/win/convert.h"

namespace keloscroll::win {

namespace {

std::string typeNameOf(IDispatch* object) {
  ITypeInfo* info = nullptr;
  std::string name = "Object";
  if (SUCCEEDED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) && info) {
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &text, nullptr, nullptr, nullptr)) && text) {
      name = utf8(text);
      SysFreeString(text);
    }
    info->Release();
  }
  return name;
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

std::shared_ptr<ForeignDispatch> ForeignDispatch::wrap(IDispatch* object) {
  return std::shared_ptr<ForeignDispatch>(new ForeignDispatch(object));
}

ForeignDispatch::ForeignDispatch(IDispatch* object)
    : object_(object), typeName_(typeNameOf(object)) {}

ForeignDispatch::~ForeignDispatch() {
  object_->Release();
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
  return put ? host::Variant() : fromVariant(result.get());
}

bool ForeignDispatch::isForm() const {
  return typeName_ == "Form" || typeName_.ends_with("Form");
}

}  // namespace keloscroll::win
