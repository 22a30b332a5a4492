#include "server/win/page_object.h"

#include <new>

namespace keloscroll::win {

HRESULT PageObject::create(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto* made = new (std::nothrow) PageObject();
  if (!made) return E_OUTOFMEMORY;
  HRESULT hr = made->QueryInterface(iid, out);
  made->Release();
  return hr;
}

HRESULT PageObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch && iid != toGuid(server::kIidPropertyPage1)) {
    return E_NOINTERFACE;
  }
  *out = static_cast<_PropertyPage1*>(this);
  AddRef();
  return S_OK;
}

ULONG PageObject::AddRef() {
  return ++refs_;
}

ULONG PageObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT PageObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT PageObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return typeInfoOf(server::kIidPropertyPage1, out);
}

HRESULT PageObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return count ? DISP_E_UNKNOWNNAME : S_OK;  // the interface has no members
}

HRESULT PageObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO*, UINT*) {
  if (!params) return E_POINTER;
  if (result) VariantInit(result);
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace keloscroll::win
