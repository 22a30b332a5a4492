#include "server/win/connection_point.h"

#include <olectl.h>

namespace keloscroll::win {

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
  IUnknown* held = nullptr;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&held))) || !held) {
    if (iid_ == IID_IPropertyNotifySink ||
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&held))) || !held) {
      return CONNECT_E_CANNOTCONNECT;
    }
  }
  try {
    sinks_.emplace_back(nextCookie_, held);
  } catch (...) {
    held->Release();
    return E_OUTOFMEMORY;
  }
  *cookie = nextCookie_++;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->first == cookie) {
      IUnknown* sink = it->second;
      sinks_.erase(it);
      sink->Release();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

std::vector<IUnknown*> ConnectionPoint::sinks() const {
  std::vector<IUnknown*> out;
  out.reserve(sinks_.size());
  for (const auto& [cookie, sink] : sinks_) {
    sink->AddRef();
    out.push_back(sink);
  }
  return out;
}

void ConnectionPoint::releaseAll() {
  auto gone = std::move(sinks_);
  sinks_.clear();
  for (auto& [cookie, sink] : gone) sink->Release();
}

}  // namespace keloscroll::win
