// IDispatch by case-insensitive name without type information, the base of the form's objects
// that a control reaches by name (the form, its Controls, its text boxes, the extenders).
#pragma once

#include "tests/win/form_container/object_base.h"

namespace form_container {

// An IDispatch whose members are named in a list; GetIDsOfNames is case-insensitive and gives
// member i the id kFirstId + i. A name the object does not know may be another object's.
class DispatchObject : public IDispatch, public Counted {
 public:
  static constexpr DISPID kFirstId = 0x40000001;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD kind, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* argError) override;

 protected:
  explicit DispatchObject(std::initializer_list<const wchar_t*> members);

  // Member `index` of the list; `kind` has DISPATCH_PROPERTYPUT for a write, whose value is the
  // last argument. Throws Failure; `result` may be null.
  virtual void member(size_t index, WORD kind, const Arguments& args, VARIANT* result) = 0;
  // A name of another object (the extender's control): its id, or DISPID_UNKNOWN.
  virtual DISPID otherId(LPOLESTR name);
  virtual HRESULT invokeOther(DISPID id, WORD kind, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* error, UINT* argError);

  static bool isPut(WORD kind) {
    return (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  }

 private:
  std::vector<std::wstring> members_;  // lower case
};

}  // namespace form_container
