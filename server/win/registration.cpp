#include "server/win/registration.h"

#include <oleauto.h>

#include <string>
#include <vector>

#include "server/registration.h"
#include "server/win/convert.h"
#include "server/win/module.h"

namespace keloscroll::win {

namespace {

#ifdef _WIN64
constexpr char kPlatform[] = "win64";
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr char kPlatform[] = "win32";
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

std::wstring guidText(const server::GUID& g) {
  return wide(server::formatGuid(g));
}

// Sets value `name` (empty: the default value) of key `path` under HKEY_CLASSES_ROOT.
LONG setValue(const std::wstring& path, const std::wstring& name, const std::wstring& data) {
  HKEY key = nullptr;
  LONG err = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_SET_VALUE, nullptr, &key, nullptr);
  if (err != ERROR_SUCCESS) return err;
  err = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return err;
}

LONG removeTree(const std::wstring& path) {
  LONG err = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
    return ERROR_SUCCESS;
  }
  return err;
}

// The platform's own type-library registration writes what only it knows: the interfaces'
// keys (with their proxies) and the file under the library's own locale (409).
HRESULT registerTypeLibrary(const std::wstring& path) {
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr)) return hr;
  std::wstring file = path;
  hr = RegisterTypeLib(lib, file.data(), nullptr);
  lib->Release();
  return hr;
}

}  // namespace

HRESULT registerServer() {
  const std::wstring path = modulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  HRESULT hr = registerTypeLibrary(path);
  if (SUCCEEDED(hr)) {
    // The table's keys, the type library's among them: its flags as Windows writes them (Wine's
    // registration adds "has a disk image"), and the file for the neutral locale, where a client
    // asking for locale 0, as LoadRegTypeLib(libid, 21, 0, 0) does, looks.
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    const server::LibraryFile file{host::win::utf8(path), host::win::utf8(folder), kPlatform};
    for (const server::RegistryValue& v : server::registrationValues(file)) {
      if (LONG err = setValue(wide(v.key), wide(v.name), wide(v.data)); err != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(err);
        break;
      }
    }
  }
  if (FAILED(hr)) unregisterServer();
  return hr;
}

HRESULT unregisterServer() {
  const std::vector<std::string> owned = server::ownedKeys();
  const std::wstring version = wide(server::typeLibKey());
  LONG err = ERROR_SUCCESS;
  auto remove = [&](const std::wstring& path) {
    LONG e = removeTree(path);
    if (err == ERROR_SUCCESS) err = e;
  };
  // The interface keys go with the platform's own unregistration; the neutral-locale key that
  // registration adds goes first, so that the platform finds the version as it left it.
  remove(version + L"\\0");
  ::GUID libId = toGuid(server::kLibId);
  HRESULT hr = UnRegisterTypeLib(libId, 21, 0, 0x409, kSysKind);
  (void)hr;  // not registered is as good as removed
  for (const std::string& key : owned) remove(wide(key));
  // The library's key only when no other version of it is left.
  RegDeleteKeyW(HKEY_CLASSES_ROOT, (L"TypeLib\\" + guidText(server::kLibId)).c_str());
  return err == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(err);
}

}  // namespace keloscroll::win
