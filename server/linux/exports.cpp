#include "server/linux/exports.h"

#include <dlfcn.h>

#include <filesystem>
#include <new>
#include <string>

#include "server/linux/com.h"
#include "server/linux/registry.h"
#include "server/status.h"

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

}  // namespace

extern "C" {

HRESULT DllRegisterServer() {
  return status::guard([] {
    std::string path = libraryPath();
    if (path.empty()) return E_FAIL;
    return registerServer(registryPath(), path);
  });
}

HRESULT DllUnregisterServer() {
  return status::guard([] { return unregisterServer(registryPath()); });
}

HRESULT DllGetClassObject(const GUID* clsid, const GUID* iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!clsid || !iid) return E_POINTER;
  return status::guard([&] { return getClassObject(*clsid, *iid, out); });
}

HRESULT DllCanUnloadNow() {
  return status::guard([] { return canUnloadNow(); });
}

}  // extern "C"
