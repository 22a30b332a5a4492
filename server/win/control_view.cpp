// The control as its container sees it without activating it: its drawing into any device
// context (a designer's view, printing), its extent, its property pages, and the ambient and
// event controls of IOleControl.
#include "control/interface_table.h"
#include "server/win/control_object.h"

namespace keloscroll::win {

namespace {

// The framework's standard picture page, listed before the control's own page.
const CLSID kStandardPicturePage = {
    0x0BE35202, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

}  // namespace

// ---- IOleControl -----------------------------------------------------------------------------

HRESULT ControlObject::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->cb = sizeof(CONTROLINFO);
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT ControlObject::OnMnemonic(MSG*) {
  return E_NOTIMPL;
}

HRESULT ControlObject::OnAmbientPropertyChange(DISPID id) {
  // Ambient UserMode is read whenever the control asks, so design or run behaviour follows at
  // once. A designer that switches its form between design and run mode (or tells of every
  // ambient at once) gets the control as a newly shown one: Show rescales the track, which the
  // setters leave alone in design mode.
  if ((id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) && initialized_) {
    lifecycle([](host::ControlSite& site) {
      site.show();
      return S_OK;
    });
  }
  if (window_) window_->refresh();
  return S_OK;
}

HRESULT ControlObject::FreezeEvents(BOOL freeze) {
  // While the container is not ready for events, they are dropped (not queued).
  if (freeze) {
    ++frozenEvents_;
  } else if (frozenEvents_ > 0) {
    --frozenEvents_;
  }
  return S_OK;
}

// ---- IViewObject2 ----------------------------------------------------------------------------

HRESULT ControlObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                            LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                            ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  if (!hosting_) return E_UNEXPECTED;
  RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
  return lifecycle([&](host::ControlSite&) {
    host::win::drawForm(*hosting_->form, dc, r);
    return S_OK;
  });
}

HRESULT ControlObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (!colors) return E_POINTER;
  *colors = nullptr;
  return S_FALSE;  // no palette of its own
}

HRESULT ControlObject::Freeze(DWORD, LONG, void*, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  return E_NOTIMPL;
}

HRESULT ControlObject::Unfreeze(DWORD) {
  return E_NOTIMPL;
}

HRESULT ControlObject::SetAdvise(DWORD, DWORD flags, IAdviseSink* sink) {
  if (sink) sink->AddRef();
  if (viewSink_) viewSink_->Release();
  viewSink_ = sink;
  viewAdviseFlags_ = flags;
  return S_OK;
}

HRESULT ControlObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = DVASPECT_CONTENT;
  if (flags) *flags = viewAdviseFlags_;
  if (sink) {
    *sink = viewSink_;
    if (viewSink_) viewSink_->AddRef();
  }
  return S_OK;
}

HRESULT ControlObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- ISpecifyPropertyPages --------------------------------------------------------------------

HRESULT ControlObject::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(2 * sizeof(GUID)));
  if (!pages->pElems) return E_OUTOFMEMORY;
  pages->pElems[0] = kStandardPicturePage;
  pages->pElems[1] = toGuid(server::kClsidPropertyPage1);
  pages->cElems = 2;
  return S_OK;
}

HRESULT ControlObject::showPropertyPages() {
  CAUUID pages{};
  HRESULT hr = GetPages(&pages);
  if (FAILED(hr)) return hr;
  HWND parent = window_ ? GetAncestor(window_->hwnd(), GA_ROOT) : GetActiveWindow();
  IUnknown* self = static_cast<_UsrKeloScroll*>(this);
  hr = OleCreatePropertyFrame(parent, 0, 0, L"KeloScroll", 1, &self, pages.cElems, pages.pElems,
                              LOCALE_USER_DEFAULT, 0, nullptr);
  CoTaskMemFree(pages.pElems);
  return hr;
}

}  // namespace keloscroll::win
