// Shared by the tests that use KeloScroll.ocx as a client: the library's identities as Windows
// GUIDs, its path beside the test program, wide text, and a BSTR that frees itself.
#pragma once

// clang-format off
#include "server/identities.h"  // before the Windows headers, whose macros it must not meet
// clang-format on
#include <windows.h>

#include <ole2.h>

#include <bit>
#include <string>
#include <string_view>

#include "host/win/utf16.h"

namespace kelo_test {

inline const GUID kLib = std::bit_cast<GUID>(keloscroll::server::kLibId);
inline const GUID kControl = std::bit_cast<GUID>(keloscroll::server::kClsidUsrKeloScroll);
inline const GUID kPage = std::bit_cast<GUID>(keloscroll::server::kClsidPropertyPage1);
inline const GUID kDual = std::bit_cast<GUID>(keloscroll::server::kIidUsrKeloScroll);
inline const GUID kEventsIid = std::bit_cast<GUID>(keloscroll::server::kDiidUsrKeloScrollEvents);
inline const GUID kPageIid = std::bit_cast<GUID>(keloscroll::server::kIidPropertyPage1);

using keloscroll::host::win::wide;
inline std::wstring guidString(REFGUID g) {
  wchar_t buf[40] = {};
  StringFromGUID2(g, buf, 40);
  return buf;
}

// KeloScroll.ocx beside the test program, where regsvr32 finds it by path.
inline std::wstring ocxPath() {
  wchar_t buf[MAX_PATH] = {};
  std::wstring path(buf, GetModuleFileNameW(nullptr, buf, MAX_PATH));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"KeloScroll.ocx";
}

// Whether HKEY_CLASSES_ROOT has the key.
inline bool regKeyExists(const std::wstring& key) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

struct Bstr {
  BSTR b = nullptr;
  Bstr() = default;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b); }
  BSTR* put() {
    SysFreeString(b);
    b = nullptr;
    return &b;
  }
  std::wstring str() const { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
};

}  // namespace kelo_test
