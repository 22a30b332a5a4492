// The form's in-place frame (also its document window): what a control UI-activated on the form
// reaches for its active object, menus, border space and status text. The form has no menus or
// toolbars, so it refuses space and menus and keeps only the active object.
#pragma once

#include "tests/win/form_container/object_base.h"

namespace form_container {

class Frame final : public IOleInPlaceFrame, public Counted {
 public:
  explicit Frame(HWND form) : form_(form) {}
  // The control that is UI-active now, or null. Borrowed.
  IOleInPlaceActiveObject* activeObject() const { return active_; }
  // The form closes: the active object is let go.
  void close();

  // ---- IUnknown: the interface map (frame.cpp) -------------------------------------------------
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }

  // ---- IOleWindow, IOleInPlaceUIWindow, IOleInPlaceFrame --------------------------------------
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override;
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object,
                                            LPCOLESTR name) override;
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU descriptor, HWND object) override;
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) override;
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, WORD id) override;

 private:
  ~Frame() override;

  HWND form_;
  IOleInPlaceActiveObject* active_ = nullptr;
};

}  // namespace form_container
