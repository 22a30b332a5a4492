#include "tests/win/form_container/frame.h"

namespace form_container {

Frame::~Frame() {
  close();
}

void Frame::close() {
  if (active_) active_->Release();
  active_ = nullptr;
}

// ---- IUnknown: the interface map ------------------------------------------------------------

HRESULT Frame::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow ||
      iid == IID_IOleInPlaceFrame) {
    *out = static_cast<IOleInPlaceFrame*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

// ---- IOleWindow, IOleInPlaceUIWindow, IOleInPlaceFrame --------------------------------------

HRESULT Frame::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = form_;
  return form_ ? S_OK : E_FAIL;
}

HRESULT Frame::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}

HRESULT Frame::GetBorder(LPRECT border) {
  if (!border) return E_POINTER;
  return INPLACE_E_NOTOOLSPACE;
}

HRESULT Frame::RequestBorderSpace(LPCBORDERWIDTHS) {
  return INPLACE_E_NOTOOLSPACE;
}

HRESULT Frame::SetBorderSpace(LPCBORDERWIDTHS widths) {
  // No tools: only "none" is granted.
  if (!widths) return S_OK;
  bool none = widths->left == 0 && widths->top == 0 && widths->right == 0 && widths->bottom == 0;
  return none ? S_OK : OLE_E_INVALIDRECT;
}

HRESULT Frame::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  if (object) object->AddRef();
  if (active_) active_->Release();
  active_ = object;
  return S_OK;
}

HRESULT Frame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) {
  if (!widths) return E_POINTER;
  for (LONG& w : widths->width) w = 0;
  return S_OK;
}

HRESULT Frame::SetMenu(HMENU, HOLEMENU, HWND) {
  return S_OK;
}

HRESULT Frame::RemoveMenus(HMENU) {
  return S_OK;
}

HRESULT Frame::SetStatusText(LPCOLESTR) {
  return S_OK;
}

HRESULT Frame::EnableModeless(BOOL) {
  return S_OK;
}

HRESULT Frame::TranslateAccelerator(LPMSG msg, WORD) {
  if (!msg) return E_POINTER;
  return S_FALSE;  // no accelerators of the form's own
}

}  // namespace form_container
