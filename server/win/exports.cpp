// The library's entry point and its four exports. Nothing but an HRESULT leaves an export. The
// functions carry names of their own, which KeloScroll.def exports under COM's names: the
// platform's headers declare those with references, and a client may hand them null pointers.
#include <windows.h>

#include "server/status.h"
#include "server/win/class_factory.h"
#include "server/win/module.h"
#include "server/win/registration.h"

using namespace keloscroll::win;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // Every notification, thread ones included, goes on to the server layer: the C++ runtime
  // linked into the library ends a thread's thread-local data on its detach notification.
  moduleNotified(instance, reason);
  return TRUE;
}

HRESULT STDAPICALLTYPE KeloDllRegisterServer() {
  return keloscroll::server::status::guard([] { return registerServer(); });
}

HRESULT STDAPICALLTYPE KeloDllUnregisterServer() {
  return keloscroll::server::status::guard([] { return unregisterServer(); });
}

HRESULT STDAPICALLTYPE KeloDllGetClassObject(const CLSID* clsid, const IID* iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!clsid || !iid) return E_POINTER;
  return keloscroll::server::status::guard([&] { return classObject(*clsid, *iid, out); });
}

HRESULT STDAPICALLTYPE KeloDllCanUnloadNow() {
  return canUnload() ? S_OK : S_FALSE;
}

}  // extern "C"
