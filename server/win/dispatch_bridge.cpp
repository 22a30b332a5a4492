#include "server/win/dispatch_bridge.h"

#include <cstdint>
#include <string>
#include <vector>

#include "server/win/convert.h"

namespace keloscroll::win {

namespace {

// A by-reference argument's value, held here while the host writes into it.
struct RefSlot {
  VARIANT* target = nullptr;
  int16_t i2 = 0;
  int32_t i4 = 0;
  host::Boolean b = 0;
  std::string s;
};

host::Variant argument(VARIANT& v, RefSlot& slot) {
  switch (v.vt) {
    case VT_BYREF | VT_I2:
      slot.target = &v;
      slot.i2 = v.piVal ? *v.piVal : int16_t{0};
      return host::Variant::refInteger(&slot.i2);
    case VT_BYREF | VT_I4:
      slot.target = &v;
      slot.i4 = v.plVal ? static_cast<int32_t>(*v.plVal) : 0;
      return host::Variant::refLong(&slot.i4);
    case VT_BYREF | VT_BOOL:
      slot.target = &v;
      slot.b = v.pboolVal && *v.pboolVal ? host::True : host::False;
      return host::Variant::refBoolean(&slot.b);
    case VT_BYREF | VT_BSTR:
      slot.target = &v;
      slot.s = v.pbstrVal ? utf8(*v.pbstrVal) : std::string();
      return host::Variant::refString(&slot.s);
    default:
      return fromVariant(v);
  }
}

void writeBack(const RefSlot& slot) {
  VARIANT& v = *slot.target;
  switch (v.vt) {
    case VT_BYREF | VT_I2:
      if (v.piVal) *v.piVal = slot.i2;
      break;
    case VT_BYREF | VT_I4:
      if (v.plVal) *v.plVal = slot.i4;
      break;
    case VT_BYREF | VT_BOOL:
      if (v.pboolVal) *v.pboolVal = slot.b ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VT_BYREF | VT_BSTR:
      if (v.pbstrVal) {
        BSTR fresh = toBstr(slot.s);
        SysFreeString(*v.pbstrVal);
        *v.pbstrVal = fresh;
      }
      break;
    default:
      break;
  }
}

}  // namespace

host::Invoke invokeKindOf(WORD flags) {
  if (flags & DISPATCH_PROPERTYPUTREF) return host::Invoke::Set;
  if (flags & DISPATCH_PROPERTYPUT) return host::Invoke::Let;
  if (flags & DISPATCH_METHOD) return host::Invoke::Method;
  return host::Invoke::Get;
}

HRESULT dispatchIdsOfNames(host::Dispatch& object, LPOLESTR* names, UINT count, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (count == 0) return S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (!names[0]) return E_POINTER;
  return server::status::guard(
      [&] {
        ids[0] = object.idOfName(host::win::utf8(names[0]));
        // The members take no named arguments.
        return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
      },
      [](const host::Error&) { return DISP_E_UNKNOWNNAME; });
}

HRESULT dispatchInvoke(host::Dispatch& object, DISPID id, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* info, UINT* argError,
                       std::optional<int> (*argumentCount)(DISPID, host::Invoke)) {
  if (!params) return E_POINTER;
  if (params->cArgs && !params->rgvarg) return E_POINTER;
  if (result) VariantInit(result);
  host::Invoke kind = invokeKindOf(flags);
  bool put = kind == host::Invoke::Let || kind == host::Invoke::Set;
  if (argumentCount) {
    std::optional<int> count = argumentCount(id, kind);
    if (!count) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != static_cast<UINT>(*count)) return DISP_E_BADPARAMCOUNT;
  }
  if (put) {
    if (params->cArgs == 0) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
        params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
  } else if (params->cNamedArgs) {
    return DISP_E_NONAMEDARGS;
  }
  auto call = [&]() -> HRESULT {
    const UINT n = params->cArgs;
    std::vector<RefSlot> slots(n);
    std::vector<host::Variant> args;
    args.reserve(n);
    for (UINT i = 0; i < n; ++i) {
      // COM passes the last argument first (and the value of a put at index 0).
      UINT at = n - 1 - i;
      // A caller leaves out an argument as VT_ERROR with DISP_E_PARAMNOTFOUND; none is optional.
      const VARIANT& given = params->rgvarg[at];
      if (given.vt == VT_ERROR && given.scode == DISP_E_PARAMNOTFOUND) {
        if (argError) *argError = at;
        return DISP_E_PARAMNOTOPTIONAL;
      }
      try {
        args.push_back(argument(params->rgvarg[at], slots[i]));
      } catch (const host::Error&) {
        if (argError) *argError = at;
        return DISP_E_TYPEMISMATCH;
      }
    }
    host::Variant value = object.invoke(id, kind, args);
    for (const RefSlot& s : slots) {
      if (s.target) writeBack(s);
    }
    if (result && !put) toVariant(value, result);
    return S_OK;
  };
  return server::status::guard(call, [&](const host::Error& e) -> HRESULT {
    if (e.number() == host::err::NoSuchMember) return DISP_E_MEMBERNOTFOUND;
    fillExcepInfo(e, info);
    return DISP_E_EXCEPTION;
  });
}

ComPtr<IDispatch> DispatchBridge::create(host::ObjectRef object) {
  return ComPtr<IDispatch>::adopt(new DispatchBridge(std::move(object)));
}

std::span<const DispatchBridge::Entry> DispatchBridge::interfaceMap() {
  static const Entry map[] = {offer<IDispatch>(IID_IUnknown), offer<IDispatch>(IID_IDispatch)};
  return map;
}

HRESULT DispatchBridge::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchBridge::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT DispatchBridge::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return dispatchIdsOfNames(*object_, names, count, ids);
}

HRESULT DispatchBridge::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* info, UINT* argError) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return dispatchInvoke(*object_, id, flags, params, result, info, argError);
}

}  // namespace keloscroll::win
