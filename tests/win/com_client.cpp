#include "tests/win/com_client.h"

#include <climits>

namespace kelo_test {

ULONG Counted::release() {
  ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

CallResult call(IDispatch* d, DISPID id, WORD kind, std::vector<Var> args) {
  std::reverse(args.begin(), args.end());
  DISPPARAMS params{};
  DISPID named = DISPID_PROPERTYPUT;
  params.cArgs = static_cast<UINT>(args.size());
  params.rgvarg = args.empty() ? nullptr : args.data();
  if (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &named;
  }
  CallResult r{};
  UINT argErr = 0;
  r.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, &r.value, &r.error, &argErr);
  return r;
}

LONG getLong(IDispatch* d, DISPID id) {
  CallResult r = get(d, id);
  Var v;
  if (FAILED(r.hr) || FAILED(VariantChangeType(&v, &r.value, 0, VT_I4))) return LONG_MIN;
  return v.lVal;
}

DISPID idOf(IDispatch* d, std::wstring_view name) {
  std::wstring n(name);
  LPOLESTR names[] = {n.data()};
  DISPID id = 0;
  HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
}

// Shared QueryInterface: the pointer given for the interface asked for.
HRESULT answer(REFIID iid, void** out, std::initializer_list<Answer> answers) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (auto [id, p] : answers) {
    if (IsEqualIID(iid, *id)) {
      *out = p;
      p->AddRef();
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params, VARIANT*,
                          EXCEPINFO*, UINT*) {
  if (!params || !(kind & DISPATCH_METHOD)) return E_INVALIDARG;
  Event e{id, {}};
  for (UINT i = params->cArgs; i-- > 0;) {
    VARIANT& a = params->rgvarg[i];
    Var v;
    if (a.vt == (VT_BYREF | VT_I4) && a.plVal) {
      v = Var::i4(*a.plVal);
      if (id == kChange && changeReply) *a.plVal = *changeReply;
    } else if (a.vt == (VT_BYREF | VT_BSTR) && a.pbstrVal) {
      v = Var::str(*a.pbstrVal ? std::wstring_view(*a.pbstrVal, SysStringLen(*a.pbstrVal)) : L"");
      if (id == kGetDescription && !description.empty()) {
        SysFreeString(*a.pbstrVal);
        *a.pbstrVal = SysAllocString(description.c_str());
      }
    } else {
      VariantCopy(&v, &a);
      v.vt = static_cast<VARTYPE>(v.vt | 0x8000);  // marks an argument of an unexpected type
    }
    e.args.push_back(v);
  }
  events.push_back(std::move(e));
  if (handler) handler(id);
  return S_OK;
}

const Var* PropertyBag::find(std::wstring_view name) const {
  for (auto it = writes.rbegin(); it != writes.rend(); ++it)
    if (sameName(it->first, name)) return &it->second;
  return nullptr;
}
HRESULT PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!name || !value) return E_POINTER;
  if (FAILED(failure)) return failure;
  const Var* v = find(name);
  if (!v) return E_INVALIDARG;
  VariantClear(value);  // the control asks for no type: the value as it was written
  return VariantCopy(value, const_cast<Var*>(v));
}
HRESULT PropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  if (!name || !value) return E_POINTER;
  if (FAILED(failure)) return failure;
  writes.emplace_back(name, Var());  // Empty if the value cannot be copied, as the call then fails
  return VariantCopyInd(&writes.back().second, value);
}

// ---- pictures ----------------------------------------------------------------------------------

Ptr<IPicture> pictureOf(PICTDESC d) {
  d.cbSizeofstruct = sizeof d;
  Ptr<IPicture> p;
  OleCreatePictureIndirect(&d, IID_IPicture, TRUE, p.putVoid());
  return p;
}
Ptr<IPictureDisp> halfTransparentIcon() {
  BYTE mask[32];  // a set bit lets the background through
  for (int row = 0; row < 16; ++row) mask[2 * row] = 0xFF, mask[2 * row + 1] = 0;
  std::vector<uint32_t> colour(256);
  for (size_t i = 0; i < colour.size(); ++i) colour[i] = i % 16 < 8 ? 0 : 0xFF0000;
  ICONINFO info{TRUE, 0, 0, CreateBitmap(16, 16, 1, 1, mask),
                CreateBitmap(16, 16, 1, 32, colour.data())};
  PICTDESC d{0, PICTYPE_ICON, {}};
  d.icon.hicon = CreateIconIndirect(&info);
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  return pictureOf(d).query<IPictureDisp>(IID_IPictureDisp);
}
Ptr<IPictureDisp> hugePicture() {
  // A classic metafile (Wine gives an enhanced one made this way no size at all), its sides in
  // HIMETRIC.
  const int side = MulDiv(8192, 2540, 96);
  PICTDESC d{0, PICTYPE_METAFILE, {}};
  d.wmf = {CloseMetaFile(CreateMetaFileW(nullptr)), side, side};
  return pictureOf(d).query<IPictureDisp>(IID_IPictureDisp);
}

}  // namespace kelo_test
