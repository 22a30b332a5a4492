// The property page PropertyPage1 as a COM object: its own (memberless) dual interface
// _PropertyPage1, and IPropertyPage2, through which the platform's property frame shows the page
// in a window of its own, applies it to the selected controls (reached by name) and puts the
// focus on the field of one property.
#pragma once

#include <oaidl.h>
#include <ocidl.h>
#include <windows.h>

#include <memory>
#include <span>
#include <vector>

#include "KeloScroll_h.h"
#include "design/PropertyPage1.h"
#include "host/clock.h"
#include "host/engine.h"
#include "host/property_page.h"
#include "host/win/window.h"
#include "server/win/com_object.h"

namespace keloscroll::win {

class PageObject final : public ComObject<PageObject, _PropertyPage1, IPropertyPage2> {
 public:
  static HRESULT create(REFIID iid, void** out);
  static std::span<const Entry> interfaceMap();

  // _PropertyPage1 (no members of its own)
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override;

  // IPropertyPage
  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT STDMETHODCALLTYPE Show(UINT command) override;
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE IsPageDirty() override;
  HRESULT STDMETHODCALLTYPE Apply() override;
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDir) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override;
  // IPropertyPage2
  HRESULT STDMETHODCALLTYPE EditProperty(DISPID id) override;

 private:
  friend ComObject;
  PageObject() = default;
  ~PageObject();

  // The page's form on an engine of its own, shown in the frame's window.
  struct Shown {
    host::SystemClock clock;
    host::FormEngine engine{clock};
    std::shared_ptr<host::Form> form;
    std::shared_ptr<host::PropertyPageSite> site;
    std::unique_ptr<design::PropertyPage1> page;
    std::unique_ptr<host::win::FormWindow> window;
  };
  // Tells the frame when the page's Changed flag turned on (its Apply button).
  void reportStatus();
  // The focus on the field of `editing_`, once the page shows.
  void focusField();

  ComPtr<IPropertyPageSite> pageSite_;
  std::vector<host::ObjectRef> objects_;
  std::unique_ptr<Shown> shown_;
  bool reportedDirty_ = false;
  DISPID editing_ = DISPID_UNKNOWN;  // the property EditProperty named
};

}  // namespace keloscroll::win
