// The control's accessible model (control/accessible.h) as the platform's IAccessible, which
// the control's window hands to assistive technology for WM_GETOBJECT. The bar is the object
// itself (CHILDID_SELF); its five parts are simple children 1 to 5. The object holds the model,
// which holds the control only weakly: once the control is gone every call answers
// CO_E_OBJNOTCONNECTED.
#pragma once

#include <oleacc.h>
#include <windows.h>

#include <memory>
#include <span>

#include "host/accessible.h"
#include "server/win/com_object.h"

namespace keloscroll::win {

class AccessibleObject final : public ComObject<AccessibleObject, IAccessible> {
 public:
  static std::span<const Entry> interfaceMap();

  // The answer to WM_GETOBJECT for `window`, whose arguments are `w` and `l`: an object over
  // `model` for OBJID_CLIENT, 0 (the platform's own answer) for anything else.
  static LRESULT answer(std::shared_ptr<host::Accessible> model, HWND window, WPARAM w, LPARAM l);
  // Tells assistive technology listening for the window's events (EVENT_OBJECT_*) about the bar.
  static void notify(HWND window, DWORD event);

  // ---- IDispatch: the vtable is the interface; no names to dispatch by -----------------------
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override;

  // ---- IAccessible ----------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* out) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override;
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override;
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

 private:
  friend ComObject;
  AccessibleObject(std::shared_ptr<host::Accessible> model, HWND window);
  ~AccessibleObject() = default;
  // The child a VARIANT names (0 the bar), or -1 when it names none.
  int childOf(const VARIANT& child) const;
  // Runs f(index) for a child the VARIANT names, once the model and window are still there.
  template <class F>
  HRESULT withChild(const VARIANT& child, F&& f);
  // One text of a node, S_FALSE with a null string when it is empty.
  template <class Pick>
  HRESULT text(const VARIANT& child, BSTR* out, Pick pick);

  std::shared_ptr<host::Accessible> model_;
  HWND window_;
};

}  // namespace keloscroll::win
