// IOleObject: the container's client site, verbs, extent, the OLE advise sinks and the
// control's registered user type and status.
#include <cstring>
#include <cwchar>
#include <iterator>

#include "server/win/control_object.h"
#include "server/win/convert.h"
#include "server/win/enumerator.h"
#include "server/win/foreign_dispatch.h"

namespace keloscroll::win {

namespace {

const ::GUID kClsid = toGuid(server::kClsidUsrKeloScroll);

// The verbs DoVerb carries out, as EnumVerbs lists them: the activations, hiding, and the
// property pages, the one a container puts on its menu beside the primary verb. Listed by the
// control itself rather than read from the registry, so that a control used without
// registration lists them too.
const OLEVERB kVerbs[] = {
    {OLEIVERB_PRIMARY, const_cast<LPOLESTR>(L"&Edit"), MF_STRING | MF_ENABLED,
     OLEVERBATTRIB_ONCONTAINERMENU},
    {OLEIVERB_SHOW, const_cast<LPOLESTR>(L"&Show"), MF_STRING | MF_ENABLED, 0},
    {OLEIVERB_HIDE, const_cast<LPOLESTR>(L"&Hide"), MF_STRING | MF_ENABLED, 0},
    {OLEIVERB_UIACTIVATE, const_cast<LPOLESTR>(L"&Activate"), MF_STRING | MF_ENABLED, 0},
    {OLEIVERB_INPLACEACTIVATE, const_cast<LPOLESTR>(L"Activate &in place"), MF_STRING | MF_ENABLED,
     0},
    {OLEIVERB_PROPERTIES, const_cast<LPOLESTR>(L"&Properties..."), MF_STRING | MF_ENABLED,
     OLEVERBATTRIB_ONCONTAINERMENU},
};

// Each verb handed out carries a copy of its name, which the caller frees with CoTaskMemFree.
struct VerbTraits {
  using Interface = IEnumOLEVERB;
  using Item = OLEVERB;
  using Stored = OLEVERB;
  static const IID& iid() { return IID_IEnumOLEVERB; }
  static void copy(const Stored& from, Item* to) {
    *to = from;
    size_t bytes = (std::wcslen(from.lpszVerbName) + 1) * sizeof(wchar_t);
    to->lpszVerbName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (to->lpszVerbName) std::memcpy(to->lpszVerbName, from.lpszVerbName, bytes);
  }
};

}  // namespace

HRESULT ControlObject::SetClientSite(IOleClientSite* site) {
  auto alive = keepAlive();  // the site let go may have held the container's last reference
  ambient_.reset();
  clientSite_ = ComPtr<IOleClientSite>(site);
  return lifecycle([&](host::ControlSite& hostSite) {
    host::ObjectRef extender;
    if (site) {
      ambient_ = clientSite_.query<IDispatch>(IID_IDispatch);
      if (auto controlSite = clientSite_.query<IOleControlSite>(IID_IOleControlSite)) {
        ComPtr<IDispatch> extended;
        if (SUCCEEDED(controlSite->GetExtendedControl(extended.put())) && extended) {
          extender = ForeignDispatch::wrapExtender(std::move(extended));
        }
      }
    }
    hostSite.setContainerServices(services(std::move(extender)));
    hostSite.setClientSiteAvailable(site != nullptr);
    return S_OK;
  });
}

HRESULT ControlObject::GetClientSite(IOleClientSite** out) {
  if (!out) return E_POINTER;
  clientSite_.copyTo(out);
  return S_OK;
}

HRESULT ControlObject::SetHostNames(LPCOLESTR, LPCOLESTR) {
  return S_OK;
}

HRESULT ControlObject::Close(DWORD saveOption) {
  auto alive = keepAlive();  // the container told of the deactivation may let the control go
  // A control with changes is saved through its site when the container asks for it; there is
  // no user to prompt, so a prompt counts as yes. A failed save leaves the control open.
  if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) && dirty_ &&
      clientSite_) {
    ComPtr<IOleClientSite> site = clientSite_;
    HRESULT hr = site->SaveObject();
    if (FAILED(hr)) return hr;
    if (adviseHolder_) adviseHolder_->SendOnSave();
  }
  InPlaceDeactivate();
  if (adviseHolder_) adviseHolder_->SendOnClose();
  return S_OK;
}

HRESULT ControlObject::SetMoniker(DWORD, IMoniker*) {
  return E_NOTIMPL;
}

HRESULT ControlObject::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlObject::InitFromData(IDataObject*, BOOL, DWORD) {
  return E_NOTIMPL;
}

HRESULT ControlObject::GetClipboardData(DWORD, IDataObject** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
  auto alive = keepAlive();
  if (site && !clientSite_) SetClientSite(site);
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
      return activate(true);
    case OLEIVERB_INPLACEACTIVATE:
      return activate(false);
    case OLEIVERB_HIDE:
      UIDeactivate();
      if (window_ && window_->hwnd()) ShowWindow(window_->hwnd(), SW_HIDE);
      return S_OK;
    case OLEIVERB_PROPERTIES:
      return showPropertyPages();
    default:
      return OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT ControlObject::EnumVerbs(IEnumOLEVERB** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return guarded(IID_IOleObject, [&] {
    return Enumerator<VerbTraits>::create({std::begin(kVerbs), std::end(kVerbs)}, out);
  });
}

HRESULT ControlObject::Update() {
  return S_OK;
}

HRESULT ControlObject::IsUpToDate() {
  return S_OK;
}

HRESULT ControlObject::GetUserClassID(CLSID* out) {
  return GetClassID(out);
}

HRESULT ControlObject::GetUserType(DWORD form, LPOLESTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return OleRegGetUserType(kClsid, form, out);
}

HRESULT ControlObject::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  return lifecycle([&](host::ControlSite& site) {
    extentSet_ = true;
    float w = twipsOf(size->cx), h = twipsOf(size->cy);
    hosting_->form->Move(0, 0, w, h);
    site.resize(w, h);
    return S_OK;
  });
}

HRESULT ControlObject::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!hosting_) return E_UNEXPECTED;
  const host::UserControl& s = hosting_->site->surface();
  size->cx = himetricOf(s.Width());
  size->cy = himetricOf(s.Height());
  return S_OK;
}

HRESULT ControlObject::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  if (!adviseHolder_) {
    HRESULT hr = CreateOleAdviseHolder(adviseHolder_.put());
    if (FAILED(hr)) return hr;
  }
  return adviseHolder_->Advise(sink, cookie);
}

HRESULT ControlObject::Unadvise(DWORD cookie) {
  if (!adviseHolder_) return OLE_E_NOCONNECTION;
  return adviseHolder_->Unadvise(cookie);
}

HRESULT ControlObject::EnumAdvise(IEnumSTATDATA** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!adviseHolder_) return S_OK;
  return adviseHolder_->EnumAdvise(out);
}

HRESULT ControlObject::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = server::kMiscStatus;
  return S_OK;
}

HRESULT ControlObject::SetColorScheme(LOGPALETTE*) {
  return E_NOTIMPL;
}

}  // namespace keloscroll::win
