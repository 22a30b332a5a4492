// The library module: its handle, the counts DllCanUnloadNow reads, the type library, and the
// conversion between the project's GUIDs and the platform's.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>

#include "server/identities.h"

namespace keloscroll::win {

// The entry point's notifications, as DllMain receives them: the handle is kept on the process
// attach, before any export runs. Thread notifications need nothing of the layer today: what
// objects share per thread lives in thread-local storage.
void moduleNotified(HMODULE module, DWORD reason);
HMODULE module();
// The library file's full path.
std::wstring modulePath();

// Every COM object of the library counts itself alive from construction to destruction; a class
// factory's LockServer holds the library too.
void objectCreated();
void objectDestroyed();
void lockServer(bool lock);
bool canUnload();
long liveObjects();

// A base that keeps the count for an object's lifetime.
class ModuleObject {
 public:
  ModuleObject() { objectCreated(); }
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;

 protected:
  ~ModuleObject() { objectDestroyed(); }
};

inline ::GUID toGuid(const server::GUID& g) {
  ::GUID out;
  out.Data1 = g.Data1;
  out.Data2 = g.Data2;
  out.Data3 = g.Data3;
  for (int i = 0; i < 8; ++i) out.Data4[i] = g.Data4[static_cast<size_t>(i)];
  return out;
}

// The library's own type library, loaded from its resource (and kept for the thread's life).
HRESULT typeLibrary(ITypeLib** out);
HRESULT typeInfoOf(const server::GUID& guid, ITypeInfo** out);

}  // namespace keloscroll::win
