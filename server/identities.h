// The component library's identities: the six GUIDs of its type library, classes and interfaces,
// its ProgIDs and registration values, and the COM status codes its exports return. A GUID has
// COM's binary layout; its registry form is "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keloscroll::server {

// COM's GUID: Data1..Data3 in the machine's byte order, Data4 as bytes.
struct GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  std::array<uint8_t, 8> Data4{};

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes, as in COM");

namespace detail {
constexpr int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
constexpr std::optional<uint32_t> hexField(std::string_view s) {
  uint32_t v = 0;
  for (char c : s) {
    int d = hexDigit(c);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return v;
}
}  // namespace detail

// Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits of either case; the braces may be
// left out). Anything else gives nothing.
constexpr std::optional<GUID> parseGuid(std::string_view s) {
  if (s.size() == 38) {
    if (s.front() != '{' || s.back() != '}') return std::nullopt;
    s = s.substr(1, 36);
  }
  if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') {
    return std::nullopt;
  }
  auto d1 = detail::hexField(s.substr(0, 8));
  auto d2 = detail::hexField(s.substr(9, 4));
  auto d3 = detail::hexField(s.substr(14, 4));
  if (!d1 || !d2 || !d3) return std::nullopt;
  GUID g;
  g.Data1 = *d1;
  g.Data2 = static_cast<uint16_t>(*d2);
  g.Data3 = static_cast<uint16_t>(*d3);
  constexpr std::array<size_t, 8> kAt{19, 21, 24, 26, 28, 30, 32, 34};
  for (size_t i = 0; i < kAt.size(); ++i) {
    auto b = detail::hexField(s.substr(kAt[i], 2));
    if (!b) return std::nullopt;
    g.Data4[i] = static_cast<uint8_t>(*b);
  }
  return g;
}

// The registry form, upper-case, with braces.
std::string formatGuid(const GUID& g);

namespace detail {
consteval GUID guid(std::string_view s) {
  auto g = parseGuid(s);
  if (!g) throw "not a GUID";  // a compile-time error
  return *g;
}
}  // namespace detail

// Generated once; never change them.
inline constexpr GUID kLibId = detail::guid("{53A596E5-5113-436B-A8C9-AA3B1EC77F4C}");
inline constexpr GUID kClsidUsrKeloScroll = detail::guid("{86637D22-A896-459E-B33E-0D1CC18ED0CF}");
inline constexpr GUID kIidUsrKeloScroll = detail::guid("{7EFB7FCA-3F3E-44B3-A1CD-275CF8313CCC}");
inline constexpr GUID kDiidUsrKeloScrollEvents =
    detail::guid("{ECB61BF8-FA1C-40CF-BD7D-935E670DAEED}");
inline constexpr GUID kClsidPropertyPage1 = detail::guid("{5507A9C0-BCDC-42FF-BEA5-78FCB353DDC4}");
inline constexpr GUID kIidPropertyPage1 = detail::guid("{D86E2BE2-5DB6-461F-BC0F-00EFB4E69A37}");
// The platform's standard picture page, listed before the control's own page: OLE's
// CLSID_CPicturePropPage, which every Windows has (olectl.h).
inline constexpr GUID kClsidStandardPicturePage =
    detail::guid("{0BE35202-8F91-11CE-9DE3-00AA004BB851}");
// The platform's component categories a control that scripts and pages may use safely implements
// (objsafe.h's CATID_SafeForScripting and CATID_SafeForInitializing): the control runs no code a
// page supplies, and reads no file by itself at run time.
inline constexpr GUID kCatidSafeForScripting =
    detail::guid("{7DD95801-9882-11CF-9FA9-00AA006C42C4}");
inline constexpr GUID kCatidSafeForInitializing =
    detail::guid("{7DD95802-9882-11CF-9FA9-00AA006C42C4}");

inline constexpr std::string_view kControlProgId = "KeloScroll.UsrKeloScroll";
inline constexpr std::string_view kPageProgId = "KeloScroll.PropertyPage1";
inline constexpr std::string_view kVersion = "21.0";
inline constexpr std::string_view kThreadingModel = "Apartment";
// OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
// OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST
inline constexpr uint32_t kMiscStatus = 0x1 | 0x10 | 0x80 | 0x100 | 0x20000;
static_assert(kMiscStatus == 131473);
inline constexpr int kToolboxBitmap = 30000;
// LIBFLAG_FCONTROL: the type library describes controls.
inline constexpr int kLibFlagControl = 2;

#ifndef _WIN32
// COM status codes (HRESULT), where the platform's headers do not define them.
using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
#endif

}  // namespace keloscroll::server
