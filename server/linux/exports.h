// The four entry points of the component library (libKeloScroll.so), with COM's contract for
// in-process servers. A host finds them with dlsym; their types are below.
#pragma once

#include "server/identities.h"

extern "C" {
// Registers the type library and both classes in the registry file (server/linux/registry.h).
keloscroll::server::HRESULT DllRegisterServer();
// Removes what DllRegisterServer wrote; other entries stay.
keloscroll::server::HRESULT DllUnregisterServer();
// The class factory of UsrKeloScroll or PropertyPage1 as interface `iid` (IUnknown or
// IClassFactory); CLASS_E_CLASSNOTAVAILABLE for any other class id.
keloscroll::server::HRESULT DllGetClassObject(const keloscroll::server::GUID* clsid,
                                              const keloscroll::server::GUID* iid, void** out);
// S_OK while no object of the library lives and no factory lock is held, else S_FALSE.
keloscroll::server::HRESULT DllCanUnloadNow();
}

namespace keloscroll::server {
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
using DllGetClassObjectFn = HRESULT (*)(const GUID*, const GUID*, void**);
using DllCanUnloadNowFn = HRESULT (*)();
}  // namespace keloscroll::server
