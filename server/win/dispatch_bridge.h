// A COM IDispatch over a host object: how a host object other than the control and its pictures
// (a widget, a form) is handed to a COM client. Late-bound only.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <optional>
#include <span>
#include <utility>

#include "host/dispatch.h"
#include "server/win/com_object.h"

namespace keloscroll::win {

class DispatchBridge final : public ComObject<DispatchBridge, IDispatch> {
 public:
  static ComPtr<IDispatch> create(host::ObjectRef object);
  static std::span<const Entry> interfaceMap();

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override;

 private:
  friend ComObject;
  explicit DispatchBridge(host::ObjectRef object) : object_(std::move(object)) {}
  ~DispatchBridge() = default;

  host::ObjectRef object_;
};

// IDispatch's GetIDsOfNames and Invoke over any host Dispatch, shared by the bridge and the
// control: names and arguments converted, by-reference arguments written back, host errors as
// DISP_E_EXCEPTION with their numbers.
HRESULT dispatchIdsOfNames(host::Dispatch& object, LPOLESTR* names, UINT count, DISPID* ids);
// A caller that knows the member's shape (the control, from its interface table) passes the
// number of arguments it takes, or -1 when the id has no member of that kind: the call is then
// refused before any argument is converted.
HRESULT dispatchInvoke(host::Dispatch& object, DISPID id, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* info, UINT* argError,
                       std::optional<int> (*argumentCount)(DISPID, host::Invoke) = nullptr);
// What kind of invocation IDispatch::Invoke's flags ask for.
host::Invoke invokeKindOf(WORD flags);

}  // namespace keloscroll::win
