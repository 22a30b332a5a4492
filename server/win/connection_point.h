// A connection point of the control: the sinks advised for one outgoing interface (the events
// __UsrKeloScroll, or IPropertyNotifySink). It lives inside the control and counts its
// references on the control, as COM's rules for contained objects have it.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "host/win/com_ptr.h"

namespace keloscroll::win {

class ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer& owner, const IID& iid) : owner_(owner), iid_(iid) {}
  ~ConnectionPoint() { releaseAll(); }
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

  const IID& iid() const { return iid_; }
  // The sinks now advised, each with a reference of its own: a sink may unadvise (or release the
  // control) while it is being called. Each is the sink's pointer of the interface advised.
  std::vector<host::win::ComPtr<IUnknown>> sinks() const;
  void releaseAll();

 private:
  IConnectionPointContainer& owner_;
  IID iid_;
  std::vector<std::pair<DWORD, host::win::ComPtr<IUnknown>>> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace keloscroll::win
