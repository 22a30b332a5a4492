#include "server/win/connection_point.h"

#include <olectl.h>

#include <utility>

#include "server/win/enumerator.h"

namespace keloscroll::win {

namespace {

// The connections as IEnumConnections gives them: the list holds each sink, and each item handed
// out carries a reference of the caller's.
struct ConnectionTraits {
  using Interface = IEnumConnections;
  using Item = CONNECTDATA;
  using Stored = std::pair<DWORD, host::win::ComPtr<IUnknown>>;
  static const IID& iid() { return IID_IEnumConnections; }
  static void copy(const Stored& from, Item* to) {
    to->dwCookie = from.first;
    to->pUnk = from.second.get();
    to->pUnk->AddRef();
  }
};

}  // namespace

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
  *out = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = &owner_;
  owner_.AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  // The sink must speak the interface; an event sink may answer it as plain IDispatch.
  host::win::ComPtr<IUnknown> offered(sink);
  auto held = offered.query<IUnknown>(iid_);
  if (!held && iid_ != IID_IPropertyNotifySink) held = offered.query<IUnknown>(IID_IDispatch);
  if (!held) return CONNECT_E_CANNOTCONNECT;
  try {
    sinks_.emplace_back(nextCookie_, std::move(held));
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  *cookie = nextCookie_++;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->first == cookie) {
      host::win::ComPtr<IUnknown> sink = std::move(it->second);
      sinks_.erase(it);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
  try {
    return Enumerator<ConnectionTraits>::create(sinks_, out);
  } catch (...) {  // the copy of the list
    if (out) *out = nullptr;
    return E_OUTOFMEMORY;
  }
}

std::vector<host::win::ComPtr<IUnknown>> ConnectionPoint::sinks() const {
  std::vector<host::win::ComPtr<IUnknown>> out;
  out.reserve(sinks_.size());
  for (const auto& [cookie, sink] : sinks_) out.push_back(sink);
  return out;
}

void ConnectionPoint::releaseAll() {
  // The sinks go after the list is empty: a sink's release may call back into the control.
  auto gone = std::move(sinks_);
  sinks_.clear();
}

}  // namespace keloscroll::win
