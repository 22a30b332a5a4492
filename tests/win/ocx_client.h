// The control as a client of KeloScroll.ocx holds it in these tests: created by its class, sited
// on a client site of ours and initialised as new or left to be loaded. The library is registered
// by ocx_client_test.cpp's environment before the first test.
#pragma once

// clang-format off
#include "tests/win/com_client.h"  // first: windows.h before the other Windows headers
// clang-format on
#include <gtest/gtest.h>

#include "tests/win/ocx_test_util.h"

namespace kelo_test {

// The client's site; its IDispatch answers the ambient UserMode: run mode. It counts the saves
// the control asks of it and, as a property-notify sink, the changes it reports.
class ClientSite final : public IOleClientSite,
                         public IPropertyNotifySink,
                         public DispatchBase<IDispatch> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return answer(iid, out,
                  {{&IID_IUnknown, static_cast<IOleClientSite*>(this)},
                   {&IID_IOleClientSite, static_cast<IOleClientSite*>(this)},
                   {&IID_IPropertyNotifySink, static_cast<IPropertyNotifySink*>(this)},
                   {&IID_IDispatch, static_cast<IDispatch*>(this)}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return ++saves, S_OK; }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override { return ++changes, S_OK; }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    if (id != DISPID_AMBIENT_USERMODE || !(kind & DISPATCH_PROPERTYGET))
      return DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    *result = Var::boolean(true);  // no resources: a plain copy
    return S_OK;
  }
  int saves = 0;
  int changes = 0;
};

// A control of the class KeloScroll.UsrKeloScroll names, sited on a client site of ours and
// initialised as new unless it is to be loaded.
struct Control {
  Ptr<IDispatch> disp;
  Ptr<ClientSite> site = Ptr<ClientSite>::adopt(new ClientSite);

  explicit Control(bool initNew = true) {
    EXPECT_EQ(
        CoCreateInstance(kControl, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, disp.putVoid()),
        S_OK);
    auto ole = disp.query<IOleObject>(IID_IOleObject);
    EXPECT_EQ(ole ? ole->SetClientSite(site.get()) : E_NOINTERFACE, S_OK);
    auto persist = disp.query<IPersistStreamInit>(IID_IPersistStreamInit);
    EXPECT_EQ(!initNew ? S_OK : persist ? persist->InitNew() : E_NOINTERFACE, S_OK);
  }
  ~Control() {
    // The container's goodbye: no site; then its own reference goes.
    if (auto ole = disp.query<IOleObject>(IID_IOleObject)) {
      ole->Close(OLECLOSE_NOSAVE);
      ole->SetClientSite(nullptr);
    }
  }
  LONG getLong(DISPID id) const { return kelo_test::getLong(disp.get(), id); }
};

}  // namespace kelo_test
