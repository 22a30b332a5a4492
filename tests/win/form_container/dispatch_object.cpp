#include "tests/win/form_container/dispatch_object.h"

#include <cwctype>
#include <new>

namespace form_container {

namespace {

std::wstring lower(const wchar_t* s) {
  std::wstring r = s ? s : L"";
  for (wchar_t& c : r) c = static_cast<wchar_t>(std::towlower(c));
  return r;
}

}  // namespace

DispatchObject::DispatchObject(std::initializer_list<const wchar_t*> members) {
  for (const wchar_t* m : members) members_.push_back(lower(m));
}

HRESULT DispatchObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
  *out = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (count == 0) return S_OK;
  for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;  // no named arguments
  std::wstring key = lower(names[0]);
  for (size_t i = 0; i < members_.size(); ++i) {
    if (members_[i] == key) {
      ids[0] = kFirstId + static_cast<DISPID>(i);
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  try {
    ids[0] = otherId(names[0]);
  } catch (...) {
    ids[0] = DISPID_UNKNOWN;
  }
  if (ids[0] == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* error, UINT* argError) {
  if (!params) return E_POINTER;
  if (result) VariantInit(result);
  if (error) *error = EXCEPINFO{};
  size_t index = static_cast<size_t>(id - kFirstId);
  if (id < kFirstId || index >= members_.size()) {
    try {
      return invokeOther(id, kind, params, result, error, argError);
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  // Named arguments only as a property's new value.
  if (params->cNamedArgs > (isPut(kind) ? 1u : 0u)) return DISP_E_NONAMEDARGS;
  try {
    member(index, kind, Arguments(*params), result);
    return S_OK;
  } catch (const Failure& f) {
    if (result) VariantClear(result);
    if (error) {
      error->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, f.number);
      error->bstrDescription = SysAllocString(f.description.c_str());
      error->bstrSource = SysAllocString(L"Form");
    }
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    if (result) VariantClear(result);
    return E_OUTOFMEMORY;
  } catch (...) {
    if (result) VariantClear(result);
    return E_UNEXPECTED;
  }
}

DISPID DispatchObject::otherId(LPOLESTR) {
  return DISPID_UNKNOWN;
}

HRESULT DispatchObject::invokeOther(DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace form_container
