#include "tests/win/form_container/property_bag.h"

#include <cwctype>

namespace form_container {

namespace {

bool sameName(const std::wstring& a, LPCOLESTR b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return i == a.size() && !b[i];
}

}  // namespace

PropertyBag::~PropertyBag() {
  for (auto& [name, v] : values_) VariantClear(&v);
}

std::vector<std::wstring> PropertyBag::names() const {
  std::vector<std::wstring> r;
  for (const auto& [name, v] : values_) r.push_back(name);
  return r;
}

VARIANT PropertyBag::value(const std::wstring& name) const {
  VARIANT r;
  VariantInit(&r);
  if (const VARIANT* v = find(name.c_str())) VariantCopy(&r, const_cast<VARIANT*>(v));
  return r;
}

const VARIANT* PropertyBag::find(LPCOLESTR name) const {
  for (const auto& [n, v] : values_)
    if (sameName(n, name)) return &v;
  return nullptr;
}

HRESULT PropertyBag::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IPropertyBag) return E_NOINTERFACE;
  *out = static_cast<IPropertyBag*>(this);
  AddRef();
  return S_OK;
}

HRESULT PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!name || !value) return E_POINTER;
  const VARIANT* v = find(name);
  if (!v) return E_INVALIDARG;
  // VT_EMPTY asks for the value as saved; any other type for the value in that type.
  VARTYPE wanted = value->vt;
  VariantClear(value);
  if (wanted == VT_EMPTY) return VariantCopy(value, const_cast<VARIANT*>(v));
  return VariantChangeType(value, const_cast<VARIANT*>(v), 0, wanted);
}

HRESULT PropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  if (!name || !value) return E_POINTER;
  VARIANT copy;
  VariantInit(&copy);
  HRESULT hr = VariantCopyInd(&copy, value);
  if (FAILED(hr)) return hr;
  for (auto& [n, v] : values_) {
    if (sameName(n, name)) {
      VariantClear(&v);
      v = copy;
      return S_OK;
    }
  }
  values_.emplace_back(name, copy);
  return S_OK;
}

}  // namespace form_container
