#include "server/linux/exports.h"

#include <dlfcn.h>

#include <filesystem>
#include <new>
#include <string>

#include "server/linux/com.h"
#include "server/linux/registry.h"

namespace {

using namespace keloscroll::server;

const int kHere = 0;

// This library file's path, as the dynamic linker loaded it.
std::string libraryPath() {
  Dl_info info{};
  if (dladdr(&kHere, &info) == 0 || !info.dli_fname) return {};
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(info.dli_fname, ec);
  return ec ? std::string(info.dli_fname) : absolute.lexically_normal().string();
}

// Runs an export's work; nothing thrown inside may cross into the host, which knows only status
// codes.
template <class Work>
HRESULT guarded(Work work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

extern "C" {

HRESULT DllRegisterServer() {
  return guarded([] {
    std::string path = libraryPath();
    if (path.empty()) return E_FAIL;
    return registerServer(registryPath(), path);
  });
}

HRESULT DllUnregisterServer() {
  return guarded([] { return unregisterServer(registryPath()); });
}

HRESULT DllGetClassObject(const GUID* clsid, const GUID* iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!clsid || !iid) return E_POINTER;
  return guarded([&] { return getClassObject(*clsid, *iid, out); });
}

HRESULT DllCanUnloadNow() {
  return guarded([] { return canUnloadNow(); });
}

}  // extern "C"
