// A COM IDispatch over a host object: how a host object other than the control and its pictures
// (a widget, a form) is handed to a COM client. Late-bound only.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <atomic>

#include "host/dispatch.h"
#include "server/win/module.h"

namespace keloscroll::win {

class DispatchBridge final : public IDispatch, private ModuleObject {
 public:
  // A new bridge with one reference.
  static IDispatch* create(host::ObjectRef object);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override;

 private:
  explicit DispatchBridge(host::ObjectRef object) : object_(std::move(object)) {}
  ~DispatchBridge() = default;

  host::ObjectRef object_;
  std::atomic<ULONG> refs_{1};
};

// IDispatch's GetIDsOfNames and Invoke over any host Dispatch, shared by the bridge and the
// control: names and arguments converted, by-reference arguments written back, host errors as
// DISP_E_EXCEPTION with their numbers.
HRESULT dispatchIdsOfNames(host::Dispatch& object, LPOLESTR* names, UINT count, DISPID* ids);
HRESULT dispatchInvoke(host::Dispatch& object, DISPID id, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* info, UINT* argError);

}  // namespace keloscroll::win
