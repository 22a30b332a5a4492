// The one conversion unit between the host's values and COM's: UTF-8 text and BSTRs, host
// Variants and VARIANTs (objects included), and host errors and COM's error reporting. A host
// error number n travels as the HRESULT 0x800A0000 + n (the control facility), with an
// IErrorInfo or EXCEPINFO carrying its description, as script clients expect.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <new>
#include <string>
#include <string_view>

#include "host/error.h"
#include "host/variant.h"
#include "host/win/utf16.h"
#include "server/status.h"

namespace keloscroll::win {

// HIMETRIC (0.01 mm), the unit of OLE's extents, and twips (1/1440 inch), the control's.
float twipsOf(LONG himetric);
LONG himetricOf(float twips);  // rounded to the nearest

using host::win::wide;
// A BSTR (null is the empty string) in UTF-8; other wide strings through host::win::utf8.
std::string utf8(BSTR text);
BSTR toBstr(std::string_view utf8);  // null only when out of memory

// A host Variant as a VARIANT (the caller clears it); host objects become IDispatch (pictures
// IPictureDisp). Error 7 when out of memory.
void toVariant(const host::Variant& v, VARIANT* out);
// A VARIANT as a host Variant, by value (a by-reference VARIANT is read through); COM objects
// become host objects reached by name (pictures become host pictures). Error 13 for a type the
// host has no value of.
host::Variant fromVariant(const VARIANT& v);

// The host error a failed COM call stands for (438 for an unknown member, 13 for a type
// mismatch, 6 for an overflow, the number itself for the control facility, else 5).
host::Error errorOf(HRESULT hr, const EXCEPINFO* info = nullptr);
void fillExcepInfo(const host::Error& e, EXCEPINFO* info);
// Sets the thread's IErrorInfo for a host error raised by an interface method, and returns its
// HRESULT.
HRESULT reportError(const host::Error& e, const IID& iid);

// Runs f, which returns an HRESULT, so that no exception leaves it (server::status::guard): a
// host error becomes its HRESULT with an IErrorInfo for interface `iid`.
template <class F>
HRESULT guarded(const IID& iid, F&& f) noexcept {
  return server::status::guard(f, [&](const host::Error& e) { return reportError(e, iid); });
}

// An owned VARIANT, cleared on destruction.
class VariantHolder {
 public:
  VariantHolder() { VariantInit(&v_); }
  ~VariantHolder() { VariantClear(&v_); }
  VariantHolder(const VariantHolder&) = delete;
  VariantHolder& operator=(const VariantHolder&) = delete;
  VARIANT* operator&() { return &v_; }
  VARIANT& get() { return v_; }

 private:
  VARIANT v_;
};

}  // namespace keloscroll::win
