// The property page PropertyPage1 as a COM object: its own (memberless) dual interface
// _PropertyPage1. The page's form and its work on the selected controls come with the
// platform's property frame.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <atomic>

#include "KeloScroll_h.h"
#include "server/win/module.h"

namespace keloscroll::win {

class PageObject final : public _PropertyPage1, private ModuleObject {
 public:
  static HRESULT create(REFIID iid, void** out);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override;

 private:
  PageObject() = default;
  ~PageObject() = default;

  std::atomic<ULONG> refs_{1};
};

}  // namespace keloscroll::win
