// The control's public face through COM: IDispatch (late-bound by name or dispatch id) and the
// dual interface's vtable, both going to the control's own dispatch through its interface table.
// Each vtable method names its entry of the table by number, which is its place in the vtable.
#include <span>

#include "control/interface_table.h"
#include "server/win/control_object.h"
#include "server/win/convert.h"
#include "server/win/dispatch_bridge.h"
#include "server/win/picture_bridge.h"

namespace keloscroll::win {

namespace {

const ::GUID kIid = toGuid(server::kIidUsrKeloScroll);

host::Invoke invokeKind(Access a) {
  switch (a) {
    case Access::Get:
      return host::Invoke::Get;
    case Access::Let:
    case Access::LetByRef:
      return host::Invoke::Let;
    case Access::Set:
      return host::Invoke::Set;
    case Access::Method:
      break;
  }
  return host::Invoke::Method;
}

void storeBoolean(const host::Variant& v, VARIANT_BOOL* out) {
  *out = v.asBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
}
void storeLong(const host::Variant& v, LONG* out) {
  *out = v.asLong();
}
void storeInteger(const host::Variant& v, short* out) {
  *out = v.asInteger();
}
void storeString(const host::Variant& v, BSTR* out) {
  *out = toBstr(v.asString());
}
void storePicture(const host::Variant& v, IPictureDisp** out) {
  auto p = std::dynamic_pointer_cast<host::Picture>(v.asObject());
  if (!p) return;
  auto picture = pictureToCom(*p).query<IPictureDisp>(IID_IPictureDisp);
  if (!picture) host::raise(host::err::TypeMismatch);
  *out = picture.detach();
}

host::Variant pictureArgument(IPictureDisp* p) {
  if (!p) return host::Variant::nothing();
  host::PictureRef picture = pictureFromCom(p);
  if (!picture) host::raise(host::err::TypeMismatch);
  return host::Variant(picture);
}

}  // namespace

// ---- IDispatch ------------------------------------------------------------------------------

HRESULT ControlObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ControlObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return typeInfoOf(server::kIidUsrKeloScroll, out);
}

HRESULT ControlObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!hosting_) return E_UNEXPECTED;
  return dispatchIdsOfNames(*hosting_->control, names, count, ids);
}

HRESULT ControlObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* info, UINT* argError) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!hosting_) return E_UNEXPECTED;
  auto alive = keepAlive();  // a handler of an event raised by this call may release the control
  // Every member takes its value (a put) or nothing: no indexed properties, no method arguments.
  auto argumentCount = [](DISPID member, host::Invoke kind) -> std::optional<int> {
    const InterfaceEntry* e = entryFor(member, kind);
    if (!e) return std::nullopt;
    return kind == host::Invoke::Let || kind == host::Invoke::Set ? 1 : 0;
  };
  HRESULT hr =
      dispatchInvoke(*hosting_->control, id, flags, params, result, info, argError, argumentCount);
  announceState();
  if (flags != DISPATCH_PROPERTYGET) afterChange();
  return hr;
}

// ---- the dual interface ----------------------------------------------------------------------

template <class T>
HRESULT ControlObject::getEntry(int entry, T* out, void (*store)(const host::Variant&, T*)) {
  if (!out) return E_POINTER;
  *out = T{};
  if (!hosting_) return E_UNEXPECTED;
  const InterfaceEntry& e = kInterface[static_cast<size_t>(entry - 1)];
  auto alive = keepAlive();
  return guarded(kIid, [&] {
    store(hosting_->control->invoke(e.dispid, host::Invoke::Get, {}), out);
    return S_OK;
  });
}

HRESULT ControlObject::putEntry(int entry, host::Variant value) {
  if (!hosting_) return E_UNEXPECTED;
  const InterfaceEntry& e = kInterface[static_cast<size_t>(entry - 1)];
  auto alive = keepAlive();
  HRESULT hr = guarded(kIid, [&] {
    hosting_->control->invoke(e.dispid, invokeKind(e.access),
                              e.access == Access::Method ? std::span<host::Variant>()
                                                         : std::span<host::Variant>(&value, 1));
    return S_OK;
  });
  announceState();
  afterChange();
  return hr;
}

HRESULT ControlObject::get_VerticalBar(VARIANT_BOOL* v) {
  return getEntry(1, v, storeBoolean);
}
HRESULT ControlObject::put_VerticalBar(VARIANT_BOOL* v) {
  if (!v) return E_POINTER;
  // The one property whose new value comes by reference: what the control leaves in it goes back.
  host::Boolean b = *v ? host::True : host::False;
  HRESULT hr = putEntry(2, host::Variant::refBoolean(&b));
  *v = b ? VARIANT_TRUE : VARIANT_FALSE;
  return hr;
}
HRESULT ControlObject::get_PictureBarra(IPictureDisp** v) {
  return getEntry(3, v, storePicture);
}
HRESULT ControlObject::putref_PictureBarra(IPictureDisp* v) {
  return guarded(kIid, [&] { return putEntry(4, pictureArgument(v)); });
}
HRESULT ControlObject::get_PictureCursor(IPictureDisp** v) {
  return getEntry(5, v, storePicture);
}
HRESULT ControlObject::putref_PictureCursor(IPictureDisp* v) {
  return guarded(kIid, [&] { return putEntry(6, pictureArgument(v)); });
}
HRESULT ControlObject::get_PictureSXUP(IPictureDisp** v) {
  return getEntry(7, v, storePicture);
}
HRESULT ControlObject::putref_PictureSXUP(IPictureDisp* v) {
  return guarded(kIid, [&] { return putEntry(8, pictureArgument(v)); });
}
HRESULT ControlObject::get_PictureDXDN(IPictureDisp** v) {
  return getEntry(9, v, storePicture);
}
HRESULT ControlObject::putref_PictureDXDN(IPictureDisp* v) {
  return guarded(kIid, [&] { return putEntry(10, pictureArgument(v)); });
}
HRESULT ControlObject::ShowAboutBox() {
  return putEntry(11, host::Variant());
}
HRESULT ControlObject::get_Max(LONG* v) {
  return getEntry(12, v, storeLong);
}
HRESULT ControlObject::put_Max(LONG v) {
  return putEntry(13, host::Variant(static_cast<int32_t>(v)));
}
HRESULT ControlObject::put_LargeChange(LONG v) {
  return putEntry(14, host::Variant(static_cast<int32_t>(v)));
}
HRESULT ControlObject::get_Value(LONG* v) {
  return getEntry(15, v, storeLong);
}
HRESULT ControlObject::put_Value(LONG v) {
  return putEntry(16, host::Variant(static_cast<int32_t>(v)));
}
HRESULT ControlObject::get_Description(BSTR* v) {
  return getEntry(17, v, storeString);
}
HRESULT ControlObject::get_RefreshMsecGD(short* v) {
  return getEntry(18, v, storeInteger);
}
HRESULT ControlObject::put_RefreshMsecGD(short v) {
  return putEntry(19, host::Variant(static_cast<int16_t>(v)));
}
HRESULT ControlObject::get_Enabled(VARIANT_BOOL* v) {
  return getEntry(20, v, storeBoolean);
}
HRESULT ControlObject::put_Enabled(VARIANT_BOOL v) {
  return putEntry(21, host::Variant::boolean(v != VARIANT_FALSE));
}
HRESULT ControlObject::get_Min(LONG* v) {
  return getEntry(22, v, storeLong);
}
HRESULT ControlObject::put_Min(LONG v) {
  return putEntry(23, host::Variant(static_cast<int32_t>(v)));
}
HRESULT ControlObject::get_SmallChange(LONG* v) {
  return getEntry(24, v, storeLong);
}
HRESULT ControlObject::put_SmallChange(LONG v) {
  return putEntry(25, host::Variant(static_cast<int32_t>(v)));
}
HRESULT ControlObject::get_LargeChange(LONG* v) {
  return getEntry(26, v, storeLong);
}

}  // namespace keloscroll::win
