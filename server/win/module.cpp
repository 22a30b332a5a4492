#include "server/win/module.h"

#include "host/win/com_ptr.h"

#include <atomic>

namespace keloscroll::win {

namespace {

HMODULE gModule = nullptr;
std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

}  // namespace

void moduleNotified(HMODULE m, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) gModule = m;
}

HMODULE module() {
  return gModule;
}

std::wstring modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(gModule, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void objectCreated() {
  ++gObjects;
}
void objectDestroyed() {
  --gObjects;
}
void lockServer(bool lock) {
  if (lock) {
    ++gLocks;
    return;
  }
  // An unlock with no lock held is ignored; the test and the decrement are one step, so that two
  // threads unlocking the last lock at once cannot take the count below zero.
  long held = gLocks.load();
  while (held > 0 && !gLocks.compare_exchange_weak(held, held - 1)) {
  }
}
bool canUnload() {
  return gObjects.load() == 0 && gLocks.load() == 0;
}
long liveObjects() {
  return gObjects.load();
}

HRESULT typeLibrary(ITypeLib** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  // Loaded anew for each caller: the platform caches loaded libraries by path itself, and a
  // library kept here would outlive the objects that DllCanUnloadNow counts.
  return LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, out);
}

HRESULT typeInfoOf(const server::GUID& guid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  host::win::ComPtr<ITypeLib> lib;
  HRESULT hr = typeLibrary(lib.put());
  if (FAILED(hr)) return hr;
  return lib->GetTypeInfoOfGuid(toGuid(guid), out);
}

}  // namespace keloscroll::win
