#include "server/win/class_factory.h"

#include "server/win/control_object.h"
#include "server/win/module.h"
#include "server/win/page_object.h"

namespace keloscroll::win {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
  *out = static_cast<IClassFactory*>(this);
  return S_OK;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return create_(iid, out);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  lockServer(lock != FALSE);
  return S_OK;
}

HRESULT classObject(REFCLSID clsid, REFIID iid, void** out) {
  static ClassFactory controlFactory(&ControlObject::create);
  static ClassFactory pageFactory(&PageObject::create);
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid == toGuid(server::kClsidUsrKeloScroll)) return controlFactory.QueryInterface(iid, out);
  if (clsid == toGuid(server::kClsidPropertyPage1)) return pageFactory.QueryInterface(iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace keloscroll::win
