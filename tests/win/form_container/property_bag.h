// The form's property bag: what a control saves of itself, kept by name (case-insensitive, as a
// form file's are) in the order written, and read back in the type the control asks for.
#pragma once

#include <utility>
#include <vector>

#include "tests/win/form_container/object_base.h"

namespace form_container {

class PropertyBag final : public IPropertyBag, public Counted {
 public:
  PropertyBag() = default;
  // The names written, in order.
  std::vector<std::wstring> names() const;
  // The value saved under `name` (a copy the caller clears), or VT_EMPTY.
  VARIANT value(const std::wstring& name) const;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

 private:
  ~PropertyBag() override;
  const VARIANT* find(LPCOLESTR name) const;

  std::vector<std::pair<std::wstring, VARIANT>> values_;
};

}  // namespace form_container
