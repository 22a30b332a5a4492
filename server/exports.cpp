#include "server/exports.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "server/com.h"
#include "server/registry.h"

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
  std::string path = libraryPath();
  if (path.empty()) return E_FAIL;
  return registerServer(registryPath(), path);
}

HRESULT DllUnregisterServer() {
  return unregisterServer(registryPath());
}

HRESULT DllGetClassObject(const GUID* clsid, const GUID* iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!clsid || !iid) return E_POINTER;
  return getClassObject(*clsid, *iid, out);
}

HRESULT DllCanUnloadNow() {
  return canUnloadNow();
}

}  // extern "C"
