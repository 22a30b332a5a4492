#include "tests/win/form_container/object_base.h"

#include <cmath>
#include <new>

namespace form_container {

namespace {

long gLive = 0;

int screenDpi() {
  static int dpi = [] {
    HDC dc = GetDC(nullptr);
    int d = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
  }();
  return dpi;
}

}  // namespace

long liveObjects() {
  return gLive;
}

Counted::Live::Live() {
  ++gLive;
}

Counted::Live::~Live() {
  --gLive;
}

ULONG Counted::release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

void fail(long number, std::wstring description) {
  throw Failure{number, std::move(description)};
}

// ---- arguments ------------------------------------------------------------------------------

Arguments::Arguments(const DISPPARAMS& params) {
  // COM passes the last argument first.
  for (UINT i = params.cArgs; i-- > 0;) args_.push_back(&params.rgvarg[i]);
}

bool Arguments::has(size_t i) const {
  if (i >= args_.size()) return false;
  const VARIANT& v = *args_[i];
  return !(v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

VARIANT Arguments::as(size_t i, VARTYPE type) const {
  if (!has(i)) fail(449, L"Argument not optional");
  VARIANT plain, out;
  VariantInit(&plain);
  VariantInit(&out);
  HRESULT hr = VariantCopyInd(&plain, const_cast<VARIANT*>(args_[i]));
  if (SUCCEEDED(hr)) hr = VariantChangeType(&out, &plain, 0, type);
  VariantClear(&plain);
  if (hr == DISP_E_OVERFLOW) fail(6, L"Overflow");
  if (FAILED(hr)) fail(13, L"Type mismatch");
  return out;
}

double Arguments::number(size_t i) const {
  VARIANT v = as(i, VT_R8);
  return v.dblVal;
}

long Arguments::integer(size_t i) const {
  VARIANT v = as(i, VT_I4);
  return v.lVal;
}

bool Arguments::boolean(size_t i) const {
  VARIANT v = as(i, VT_BOOL);
  return v.boolVal != VARIANT_FALSE;
}

std::wstring Arguments::text(size_t i) const {
  VARIANT v = as(i, VT_BSTR);
  std::wstring s(v.bstrVal ? v.bstrVal : L"", v.bstrVal ? SysStringLen(v.bstrVal) : 0);
  VariantClear(&v);
  return s;
}

bool Arguments::isText(size_t i) const {
  return has(i) && (args_[i]->vt & VT_TYPEMASK) == VT_BSTR;
}

size_t Arguments::last() const {
  if (args_.empty()) fail(450, L"Wrong number of arguments or invalid property assignment");
  return args_.size() - 1;
}

void setNumber(VARIANT* out, double value) {
  if (!out) return;
  out->vt = VT_R4;
  out->fltVal = static_cast<float>(value);
}

void setInteger(VARIANT* out, long value) {
  if (!out) return;
  out->vt = VT_I4;
  out->lVal = value;
}

void setBoolean(VARIANT* out, bool value) {
  if (!out) return;
  out->vt = VT_BOOL;
  out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void setText(VARIANT* out, const std::wstring& value) {
  if (!out) return;
  out->vt = VT_BSTR;
  out->bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  if (!out->bstrVal) throw std::bad_alloc();
}

void setObject(VARIANT* out, IDispatch* object) {
  if (!out) return;
  out->vt = VT_DISPATCH;
  out->pdispVal = object;
  if (object) object->AddRef();
}

// ---- units ------------------------------------------------------------------------------------

int toPixels(double twips) {
  return static_cast<int>(std::lround(twips * screenDpi() / 1440.0));
}

double toTwips(int pixels) {
  return pixels * 1440.0 / screenDpi();
}

LONG toHimetric(double twips) {
  return static_cast<LONG>(std::lround(twips * 2540.0 / 1440.0));
}

double himetricToTwips(LONG himetric) {
  return himetric * 1440.0 / 2540.0;
}

}  // namespace form_container
