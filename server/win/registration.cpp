#include "server/win/registration.h"

#include <oleauto.h>

#include <string>

#include "server/win/convert.h"
#include "server/win/module.h"

namespace keloscroll::win {

namespace {

#ifdef _WIN64
constexpr wchar_t kPlatform[] = L"win64";
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr wchar_t kPlatform[] = L"win32";
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

std::wstring guidText(const server::GUID& g) {
  return wide(server::formatGuid(g));
}

// The version as the registry spells a type library's: hexadecimal major.minor (21.0 is "15.0").
std::wstring typeLibVersion() {
  wchar_t text[16];
  swprintf(text, 16, L"%x.%x", 21u, 0u);
  return text;
}

class Writer {
 public:
  // Sets `name` (empty: the default value) of key `path` under HKEY_CLASSES_ROOT.
  void value(const std::wstring& path, const std::wstring& name, const std::wstring& data) {
    if (FAILED(hr_)) return;
    HKEY key = nullptr;
    LONG err = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE, nullptr, &key, nullptr);
    if (err == ERROR_SUCCESS) {
      err = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
      RegCloseKey(key);
    }
    if (err != ERROR_SUCCESS) hr_ = HRESULT_FROM_WIN32(err);
  }
  void key(const std::wstring& path) { value(path, L"", L""); }
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_ = S_OK;
};

LONG removeTree(const std::wstring& path) {
  LONG err = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
    return ERROR_SUCCESS;
  }
  return err;
}

void writeClass(Writer& w, const server::GUID& clsid, std::string_view progId,
                const std::wstring& path) {
  std::wstring id = guidText(clsid), prog = wide(progId);
  w.value(prog, L"", prog);
  w.value(prog + L"\\CLSID", L"", id);
  std::wstring key = L"CLSID\\" + id;
  w.value(key, L"", prog);
  w.value(key + L"\\InprocServer32", L"", path);
  w.value(key + L"\\InprocServer32", L"ThreadingModel", wide(server::kThreadingModel));
  w.value(key + L"\\ProgID", L"", prog);
}

HRESULT registerTypeLibrary(const std::wstring& path) {
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
  if (FAILED(hr)) return hr;
  std::wstring file = path;
  hr = RegisterTypeLib(lib, file.data(), nullptr);
  lib->Release();
  if (FAILED(hr)) return hr;
  // The platform registers the library under its own locale (409); a client that asks for the
  // neutral locale, as LoadRegTypeLib(libid, 21, 0, 0) does, looks under 0.
  Writer w;
  std::wstring base = L"TypeLib\\" + guidText(server::kLibId) + L"\\" + typeLibVersion();
  w.value(base + L"\\0\\" + kPlatform, L"", path);
  return w.result();
}

}  // namespace

HRESULT registerServer() {
  std::wstring path = modulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  HRESULT hr = registerTypeLibrary(path);
  if (SUCCEEDED(hr)) {
    Writer w;
    writeClass(w, server::kClsidUsrKeloScroll, server::kControlProgId, path);
    writeClass(w, server::kClsidPropertyPage1, server::kPageProgId, path);
    std::wstring key = L"CLSID\\" + guidText(server::kClsidUsrKeloScroll);
    w.key(key + L"\\Control");
    w.value(key + L"\\ToolboxBitmap32", L"",
            path + L", " + std::to_wstring(server::kToolboxBitmap));
    w.value(key + L"\\MiscStatus", L"", L"0");
    w.value(key + L"\\MiscStatus\\1", L"", std::to_wstring(server::kMiscStatus));
    w.value(key + L"\\TypeLib", L"", guidText(server::kLibId));
    w.value(key + L"\\Version", L"", wide(server::kVersion));
    hr = w.result();
  }
  if (FAILED(hr)) unregisterServer();
  return hr;
}

HRESULT unregisterServer() {
  LONG err = ERROR_SUCCESS;
  auto remove = [&](const std::wstring& path) {
    LONG e = removeTree(path);
    if (err == ERROR_SUCCESS) err = e;
  };
  remove(L"CLSID\\" + guidText(server::kClsidUsrKeloScroll));
  remove(L"CLSID\\" + guidText(server::kClsidPropertyPage1));
  remove(wide(server::kControlProgId));
  remove(wide(server::kPageProgId));
  std::wstring lib = L"TypeLib\\" + guidText(server::kLibId);
  // The interface keys go with the platform's own unregistration; the neutral-locale key that
  // registration adds goes first, so that the platform finds the version as it left it.
  remove(lib + L"\\" + typeLibVersion() + L"\\0");
  ::GUID libId = toGuid(server::kLibId);
  HRESULT hr = UnRegisterTypeLib(libId, 21, 0, 0x409, kSysKind);
  (void)hr;  // not registered is as good as removed
  remove(lib + L"\\" + typeLibVersion());
  // The library's key only when no other version of it is left.
  RegDeleteKeyW(HKEY_CLASSES_ROOT, lib.c_str());
  return err == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(err);
}

}  // namespace keloscroll::win
