// The control as its container sees it without activating it: its drawing into any device
// context (a designer's view, printing), its extent, natural size, opacity and hit tests, its
// property pages, and the ambient and event controls of IOleControl.
#include <algorithm>
#include <cmath>

#include "control/interface_table.h"
#include "server/win/control_object.h"

namespace keloscroll::win {

namespace {

// Hit tests get lengths in the screen's pixels and in HIMETRIC.
LONG pixelsOfHimetric(LONG himetric) {
  return std::lround(
      host::toPixels(host::Himetric{static_cast<double>(himetric)}, host::win::screenDpi()).value);
}
LONG himetricOfPixels(LONG pixels) {
  return std::lround(
      host::toHimetric(host::Pixels{static_cast<double>(pixels)}, host::win::screenDpi()).value);
}

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

// ---- IViewObject, IViewObject2 ----------------------------------------------------------------

HRESULT ControlObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                            LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                            ULONG_PTR) {
  // Every pixel of the control is its own: the opaque part is the whole content.
  if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_OPAQUE) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  if (!hosting_) return E_UNEXPECTED;
  RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
  return lifecycle([&](host::ControlSite&) {
    // At the density of the container's device, which may be a printer's.
    host::win::drawForm(*hosting_->form, dc, r, host::win::dpiOf(dc));
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
  viewSink_ = ComPtr<IAdviseSink>(sink);
  viewAdviseFlags_ = flags;
  // The picture the sink starts from: it hears when a later call changes it.
  if (sink && hosting_) viewFingerprint_ = pictureFingerprint();
  return S_OK;
}

HRESULT ControlObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = DVASPECT_CONTENT;
  if (flags) *flags = viewAdviseFlags_;
  if (sink) {
    viewSink_.copyTo(sink);
  }
  return S_OK;
}

HRESULT ControlObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- IViewObjectEx ----------------------------------------------------------------------------
// The control is an opaque rectangle that paints its own background, so a container need not
// draw what lies behind it, and a point or rectangle hits it wherever it meets that rectangle.

HRESULT ControlObject::GetRect(DWORD aspect, LPRECTL rect) {
  if (!rect) return E_POINTER;
  if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_OPAQUE) return DV_E_DVASPECT;
  SIZEL size{};
  HRESULT hr = GetExtent(DVASPECT_CONTENT, &size);
  if (FAILED(hr)) return hr;
  *rect = RECTL{0, 0, size.cx, size.cy};
  return S_OK;
}

HRESULT ControlObject::GetViewStatus(DWORD* status) {
  if (!status) return E_POINTER;
  *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND | VIEWSTATUS_DVASPECTOPAQUE;
  return S_OK;
}

HRESULT ControlObject::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint,
                                     DWORD* result) {
  if (!result) return E_POINTER;
  *result = HITRESULT_OUTSIDE;
  if (!bounds) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  if (PtInRect(bounds, location)) {
    *result = HITRESULT_HIT;
    return S_OK;
  }
  // Near enough: within the container's distance (HIMETRIC) of the rectangle.
  RECT closeBy = *bounds;
  InflateRect(&closeBy, pixelsOfHimetric(closeHint), pixelsOfHimetric(closeHint));
  if (closeHint > 0 && PtInRect(&closeBy, location)) *result = HITRESULT_CLOSE;
  return S_OK;
}

HRESULT ControlObject::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG,
                                    DWORD* result) {
  if (!result) return E_POINTER;
  *result = HITRESULT_OUTSIDE;
  if (!bounds || !location) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  // `location` is HIMETRIC from the control's top left corner; the control covers its bounds.
  RECT self{0, 0, himetricOfPixels(bounds->right - bounds->left),
            himetricOfPixels(bounds->bottom - bounds->top)};
  RECT common{};
  if (IntersectRect(&common, &self, location)) *result = HITRESULT_HIT;
  return S_OK;
}

HRESULT ControlObject::GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC,
                                        DVEXTENTINFO* info, LPSIZEL size) {
  if (!info || !size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  // Content: the size the control was designed at. Integral: the size proposed, raised to the
  // least a resize leaves the control (it has no steps of size between).
  if (info->dwExtentMode == DVEXTENT_CONTENT) {
    *size = naturalExtent_;
    return S_OK;
  }
  if (info->dwExtentMode != DVEXTENT_INTEGRAL) return E_INVALIDARG;
  if (!hosting_) return E_UNEXPECTED;
  return guarded(toGuid(server::kIidUsrKeloScroll), [&] {
    auto [width, height] = hosting_->control->SmallestSizeTwips();
    size->cx = std::max(info->sizelProposed.cx, himetricOf(width));
    size->cy = std::max(info->sizelProposed.cy, himetricOf(height));
    return S_OK;
  });
}

// ---- ISpecifyPropertyPages --------------------------------------------------------------------

HRESULT ControlObject::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(2 * sizeof(GUID)));
  if (!pages->pElems) return E_OUTOFMEMORY;
  pages->pElems[0] = toGuid(server::kClsidStandardPicturePage);
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
