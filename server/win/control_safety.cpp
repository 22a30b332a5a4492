// IObjectSafety: what a browser or script host asks before it scripts the control or loads it
// from a page's data. The control is safe for both: its methods and properties run no code the
// page supplies and touch no file or registry key, and its saved properties are numbers and
// pictures that loading checks (it reads no file by itself). The categories registered with the
// class say the same to hosts that read the registry (server/registration.cpp).
#include <algorithm>

#include "server/win/control_object.h"

namespace keloscroll::win {

namespace {

enum Face { kScripting = 0, kData = 1, kNeither = 2 };

// Which face of the control an interface is: what scripts call, or what loads saved data.
Face faceOf(REFIID iid) {
  if (iid == IID_IDispatch || iid == toGuid(server::kIidUsrKeloScroll)) return kScripting;
  for (const IID* data : {&IID_IPersist, &IID_IPersistStreamInit, &IID_IPersistStream,
                          &IID_IPersistPropertyBag, &IID_IPersistStorage}) {
    if (iid == *data) return kData;
  }
  return kNeither;
}

constexpr DWORD kSupported[] = {INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                INTERFACESAFE_FOR_UNTRUSTED_DATA, 0};

}  // namespace

HRESULT ControlObject::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  *supported = *enabled = 0;
  auto map = interfaceMap();
  if (std::none_of(map.begin(), map.end(), [&](const Entry& e) { return e.iid == iid; }))
    return E_NOINTERFACE;
  Face face = faceOf(iid);
  *supported = kSupported[face];
  *enabled = face == kNeither ? 0 : safetyEnabled_[face];
  return S_OK;
}

HRESULT ControlObject::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
  auto map = interfaceMap();
  if (std::none_of(map.begin(), map.end(), [&](const Entry& e) { return e.iid == iid; }))
    return E_NOINTERFACE;
  Face face = faceOf(iid);
  // Asked to be safe in a way this face is not: refused, and nothing changes.
  if (mask & enabled & ~kSupported[face]) return E_FAIL;
  if (face != kNeither) safetyEnabled_[face] = (safetyEnabled_[face] & ~mask) | (enabled & mask);
  return S_OK;
}

}  // namespace keloscroll::win
