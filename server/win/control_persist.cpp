// Persistence: the control's properties loaded from and saved to a container's property bag
// or stream, and its dirty flag.
#include "server/win/control_object.h"
#include "server/win/convert.h"
#include "server/win/property_bag.h"

namespace keloscroll::win {

namespace {

const ::GUID kClsid = toGuid(server::kClsidUsrKeloScroll);

}  // namespace

HRESULT ControlObject::GetClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = kClsid;
  return S_OK;
}

HRESULT ControlObject::IsDirty() {
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT ControlObject::InitNew() {
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  return lifecycle([&](host::ControlSite& site) {
    site.initNew();
    initialized_ = true;
    placed();
    return S_OK;
  });
}

HRESULT ControlObject::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  return lifecycle([&](host::ControlSite& site) {
    host::PropertyBag bag;
    readStream(stream, bag);
    initialized_ = true;
    site.load(bag);
    placed();
    dirty_ = false;
    return S_OK;
  });
}

HRESULT ControlObject::Save(IStream* stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  return lifecycle([&](host::ControlSite& site) {
    host::PropertyBag bag;
    site.save(bag);
    writeStream(bag, stream);
    if (clearDirty) dirty_ = false;
    return S_OK;
  });
}

HRESULT ControlObject::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return E_NOTIMPL;  // pictures make the size open-ended
}

HRESULT ControlObject::Load(IPropertyBag* bag, IErrorLog*) {
  if (!bag) return E_POINTER;
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  return lifecycle([&](host::ControlSite& site) {
    ComPropertyBag adapter(bag);
    initialized_ = true;
    site.load(adapter);
    placed();
    dirty_ = false;
    return S_OK;
  });
}

HRESULT ControlObject::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (!bag) return E_POINTER;
  return lifecycle([&](host::ControlSite& site) {
    ComPropertyBag adapter(bag);
    site.save(adapter);
    if (clearDirty) dirty_ = false;
    return S_OK;
  });
}

}  // namespace keloscroll::win
