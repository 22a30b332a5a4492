#include "server/win/convert.h"

#include <olectl.h>

#include <utility>

#include "host/picture.h"
#include "host/units.h"
#include "server/win/dispatch_bridge.h"
#include "server/win/foreign_dispatch.h"
#include "server/win/picture_bridge.h"

namespace keloscroll::win {

float twipsOf(LONG himetric) {
  return static_cast<float>(host::toTwips(host::Himetric{static_cast<double>(himetric)}).value);
}
LONG himetricOf(float twips) {
  return static_cast<LONG>(host::toHimetric(host::Twips{static_cast<double>(twips)}).value + 0.5);
}

namespace {

constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kInvalidCall = 5;
constexpr wchar_t kSource[] = L"KeloScroll";

}  // namespace

std::string utf8(BSTR text) {
  return text ? host::win::utf8(std::wstring_view(text, SysStringLen(text))) : std::string();
}

BSTR toBstr(std::string_view s) {
  std::wstring w = wide(s);
  return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

void toVariant(const host::Variant& in, VARIANT* out) {
  VariantInit(out);
  host::Variant v = in.value();
  switch (v.type()) {
    case host::VarType::Empty:
      break;
    case host::VarType::Boolean:
      out->vt = VT_BOOL;
      out->boolVal = v.asBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case host::VarType::Integer:
      out->vt = VT_I2;
      out->iVal = v.asInteger();
      break;
    case host::VarType::Long:
      out->vt = VT_I4;
      out->lVal = v.asLong();
      break;
    case host::VarType::Single:
      out->vt = VT_R4;
      out->fltVal = v.asSingle();
      break;
    case host::VarType::Double:
      out->vt = VT_R8;
      out->dblVal = v.asDouble();
      break;
    case host::VarType::String:
      out->bstrVal = toBstr(v.asString());
      if (!out->bstrVal && !v.asString().empty()) host::raise(kOutOfMemory);
      out->vt = VT_BSTR;
      break;
    case host::VarType::Object: {
      host::ObjectRef o = v.asObject();
      out->vt = VT_DISPATCH;
      out->pdispVal = nullptr;
      if (!o) break;
      if (auto p = std::dynamic_pointer_cast<host::Picture>(o)) {
        out->pdispVal = pictureToCom(*p).detach();
      } else if (auto f = std::dynamic_pointer_cast<ForeignDispatch>(o)) {
        f->object().copyTo(&out->pdispVal);
      } else {
        out->pdispVal = DispatchBridge::create(o).detach();
      }
      break;
    }
  }
}

host::Variant fromVariant(const VARIANT& in) {
  const VARIANT* v = &in;
  VARIANT direct;
  if (in.vt == (VT_BYREF | VT_VARIANT)) {
    if (!in.pvarVal) host::raise(host::err::TypeMismatch);
    v = in.pvarVal;
  }
  if (v->vt & VT_BYREF) {
    // Read through the reference with the platform's own copying.
    VariantInit(&direct);
    if (FAILED(VariantCopyInd(&direct, const_cast<VARIANT*>(v)))) {
      host::raise(host::err::TypeMismatch);
    }
    host::Variant result;
    try {
      result = fromVariant(direct);
    } catch (...) {
      VariantClear(&direct);
      throw;
    }
    VariantClear(&direct);
    return result;
  }
  switch (v->vt) {
    case VT_EMPTY:
      return host::Variant();
    case VT_NULL:
      host::raise(94, "Invalid use of Null");
    case VT_BOOL:
      return host::Variant::boolean(v->boolVal != VARIANT_FALSE);
    case VT_UI1:
      return host::Variant(static_cast<int16_t>(v->bVal));
    case VT_I1:
      return host::Variant(static_cast<int16_t>(v->cVal));
    case VT_I2:
      return host::Variant(v->iVal);
    case VT_I4:
    case VT_INT:
      return host::Variant(static_cast<int32_t>(v->lVal));
    case VT_UI2:
      return host::Variant(static_cast<int32_t>(v->uiVal));
    case VT_R4:
      return host::Variant(v->fltVal);
    case VT_R8:
      return host::Variant(v->dblVal);
    case VT_BSTR:
      return host::Variant(utf8(v->bstrVal));
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* u = v->vt == VT_DISPATCH ? v->pdispVal : v->punkVal;
      if (!u) return host::Variant::nothing();
      if (host::PictureRef p = pictureFromCom(u)) return host::Variant(p);
      auto d = host::win::ComPtr<IUnknown>(u).query<IDispatch>(IID_IDispatch);
      if (!d) host::raise(host::err::TypeMismatch);
      return host::Variant(ForeignDispatch::wrap(std::move(d)));
    }
    default: {
      // Other numbers (unsigned, currency, dates) through the platform's conversion to Double.
      VARIANT d;
      VariantInit(&d);
      HRESULT hr = VariantChangeType(&d, const_cast<VARIANT*>(v), 0, VT_R8);
      if (FAILED(hr))
        host::raise(hr == DISP_E_OVERFLOW ? host::err::Overflow : host::err::TypeMismatch);
      return host::Variant(d.dblVal);
    }
  }
}

host::Error errorOf(HRESULT hr, const EXCEPINFO* info) {
  if (info && (info->scode || info->wCode)) {
    int32_t number = info->wCode ? info->wCode : 0;
    if (!number && HRESULT_FACILITY(info->scode) == FACILITY_CONTROL) {
      number = HRESULT_CODE(info->scode);
    }
    if (number) {
      std::string text = info->bstrDescription ? utf8(info->bstrDescription) : std::string();
      return text.empty() ? host::Error(number) : host::Error(number, text);
    }
    hr = info->scode;
  }
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
      return host::Error(host::err::NoSuchMember);
    case DISP_E_TYPEMISMATCH:
      return host::Error(host::err::TypeMismatch);
    case DISP_E_OVERFLOW:
      return host::Error(host::err::Overflow);
    case E_OUTOFMEMORY:
      return host::Error(kOutOfMemory);
    default:
      if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return host::Error(HRESULT_CODE(hr));
      return host::Error(kInvalidCall);
  }
}

void fillExcepInfo(const host::Error& e, EXCEPINFO* info) {
  if (!info) return;
  *info = EXCEPINFO{};
  info->scode = server::status::ofError(e.number());
  info->bstrSource = SysAllocString(kSource);
  info->bstrDescription = toBstr(e.description());
}

HRESULT reportError(const host::Error& e, const IID& iid) {
  host::win::ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put())) && create) {
    std::wstring text = wide(e.description());
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(kSource));
    create->SetDescription(text.data());
    if (auto info = create.query<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.get());
  }
  return server::status::ofError(e.number());
}

}  // namespace keloscroll::win
