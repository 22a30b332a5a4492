#include "tests/win/form_container/site.h"

#include "tests/win/form_container/extender.h"
#include "tests/win/form_container/form.h"
#include "tests/win/form_container/frame.h"

namespace form_container {

Site::Site(Form& form, const Placement& how)
    : form_(&form),
      name_(how.name),
      left_(how.left),
      top_(how.top),
      width_(how.width),
      height_(how.height),
      userMode_(how.userMode) {
  extender_ = new Extender(*this, form);
}

Site::~Site() {
  close();
}

IDispatch* Site::extender() const {
  return extender_;
}

HRESULT Site::attach(REFCLSID clsid, const Placement& how) {
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&control_));
  if (FAILED(hr)) return hr;
  DWORD misc = 0;
  control_->GetMiscStatus(DVASPECT_CONTENT, &misc);
  bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  IQuickActivate* quick = nullptr;
  if (how.quick) control_->QueryInterface(IID_IQuickActivate, reinterpret_cast<void**>(&quick));
  if (quick) {
    // The site, the sinks and the ambient values in one call, before the control is loaded.
    hr = quickActivate(quick, how);
  } else if (siteFirst) {
    hr = control_->SetClientSite(this);
  }
  if (SUCCEEDED(hr)) {
    IPersistPropertyBag* persist = nullptr;
    if (SUCCEEDED(control_->QueryInterface(IID_IPersistPropertyBag,
                                           reinterpret_cast<void**>(&persist)))) {
      hr = how.bag ? persist->Load(how.bag, nullptr) : persist->InitNew();
      persist->Release();
    } else {
      hr = E_NOINTERFACE;  // the form saves its controls in property bags
    }
  }
  if (SUCCEEDED(hr) && !quick && !siteFirst) hr = control_->SetClientSite(this);
  if (SUCCEEDED(hr) && !quick) {
    // PropertyChanged reaches the form through this sink.
    hr = CONNECT_E_NOCONNECTION;
    if (IConnectionPoint* p = point(IID_IPropertyNotifySink)) {
      hr = p->Advise(static_cast<IPropertyNotifySink*>(this), &notifyCookie_);
      p->Release();
    }
  }
  if (SUCCEEDED(hr)) {
    SIZEL size{toHimetric(width_), toHimetric(height_)};
    hr = quick ? quick->SetContentExtent(&size) : control_->SetExtent(DVASPECT_CONTENT, &size);
  }
  if (quick) quick->Release();
  if (FAILED(hr)) return hr;
  RECT r = pixels();
  return control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, form_->hwnd(), &r);
}

HRESULT Site::quickActivate(IQuickActivate* quick, const Placement& how) {
  QACONTAINER container{};
  container.cbSize = sizeof container;
  container.pClientSite = this;
  container.pPropertyNotifySink = this;
  container.pUnkEventSink = how.events;
  container.pOleControlSite = this;
  container.dwAmbientFlags = userMode_ ? QACONTAINER_USERMODE : 0;
  container.colorFore = 0x80000012;  // button text
  container.colorBack = 0x8000000F;  // button face
  container.dwAppearance = 1;
  container.lcid = LOCALE_USER_DEFAULT;
  QACONTROL control{};
  control.cbSize = sizeof control;
  HRESULT hr = quick->QuickActivate(&container, &control);
  if (FAILED(hr)) return hr;
  quickActivated = true;
  quickControl = control;
  notifyCookie_ = control.dwPropNotifyCookie;
  eventsCookie_ = control.dwEventCookie;
  // Which interface those events are, to take the sink back when the form closes.
  IProvideClassInfo2* info = nullptr;
  if (eventsCookie_ && SUCCEEDED(control_->QueryInterface(IID_IProvideClassInfo2,
                                                          reinterpret_cast<void**>(&info)))) {
    info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &eventsIid_);
    info->Release();
  }
  return S_OK;
}

IConnectionPoint* Site::point(REFIID iid) const {
  if (!control_) return nullptr;
  IConnectionPointContainer* points = nullptr;
  if (FAILED(control_->QueryInterface(IID_IConnectionPointContainer,
                                      reinterpret_cast<void**>(&points))))
    return nullptr;
  IConnectionPoint* p = nullptr;
  if (FAILED(points->FindConnectionPoint(iid, &p))) p = nullptr;
  points->Release();
  return p;
}

void Site::close() {
  if (control_) {
    control_->Close(OLECLOSE_NOSAVE);
    if (notifyCookie_) {
      if (IConnectionPoint* p = point(IID_IPropertyNotifySink)) {
        p->Unadvise(notifyCookie_);
        p->Release();
      }
    }
    if (eventsCookie_) {
      if (IConnectionPoint* p = point(eventsIid_)) {
        p->Unadvise(eventsCookie_);
        p->Release();
      }
    }
    notifyCookie_ = eventsCookie_ = 0;
    control_->SetClientSite(nullptr);
    control_->Release();
    control_ = nullptr;
  }
  if (extender_) {
    extender_->detach();
    extender_->Release();
    extender_ = nullptr;
  }
  form_ = nullptr;
}

HWND Site::window() const {
  if (!control_) return nullptr;
  IOleInPlaceObject* inPlace = nullptr;
  HWND h = nullptr;
  if (SUCCEEDED(
          control_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    if (FAILED(inPlace->GetWindow(&h))) h = nullptr;
    inPlace->Release();
  }
  return h;
}

RECT Site::pixels() const {
  int l = toPixels(left_), t = toPixels(top_);
  return RECT{l, t, toPixels(left_ + width_), toPixels(top_ + height_)};
}

void Site::move(double left, double top, double width, double height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (!control_) return;
  SIZEL size{toHimetric(width_), toHimetric(height_)};
  control_->SetExtent(DVASPECT_CONTENT, &size);
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(
          control_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    RECT r = pixels();
    RECT clip{};
    if (form_) GetClientRect(form_->hwnd(), &clip);
    inPlace->SetObjectRects(&r, &clip);
    inPlace->Release();
  }
}

IViewObjectEx* Site::view() const {
  IViewObjectEx* v = nullptr;
  if (!control_ ||
      FAILED(control_->QueryInterface(IID_IViewObjectEx, reinterpret_cast<void**>(&v))))
    return nullptr;
  return v;
}

DWORD Site::hitPoint(POINT at, LONG closeHint) const {
  DWORD hit = HITRESULT_OUTSIDE;
  if (IViewObjectEx* v = view()) {
    RECT bounds = pixels();
    if (FAILED(v->QueryHitPoint(DVASPECT_CONTENT, &bounds, at, closeHint, &hit)))
      hit = HITRESULT_OUTSIDE;
    v->Release();
  }
  return hit;
}

DWORD Site::hitRect(const RECT& band) const {
  DWORD hit = HITRESULT_OUTSIDE;
  if (IViewObjectEx* v = view()) {
    // The band from the control's top left corner, in HIMETRIC.
    RECT bounds = pixels();
    auto himetric = [](LONG px) { return toHimetric(toTwips(px)); };
    RECT location{himetric(band.left - bounds.left), himetric(band.top - bounds.top),
                  himetric(band.right - bounds.left), himetric(band.bottom - bounds.top)};
    if (FAILED(v->QueryHitRect(DVASPECT_CONTENT, &bounds, &location, 0, &hit)))
      hit = HITRESULT_OUTSIDE;
    v->Release();
  }
  return hit;
}

HRESULT Site::sizeToFit() {
  IViewObjectEx* v = view();
  if (!v) return E_NOINTERFACE;
  DVEXTENTINFO info{};
  info.cb = sizeof info;
  info.dwExtentMode = DVEXTENT_CONTENT;
  SIZEL natural{};
  HRESULT hr = v->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &info, &natural);
  v->Release();
  if (FAILED(hr)) return hr;
  move(left_, top_, himetricToTwips(natural.cx), himetricToTwips(natural.cy));
  return S_OK;
}

void Site::setUserMode(bool run) {
  userMode_ = run;
  if (!control_) return;
  IOleControl* c = nullptr;
  if (SUCCEEDED(control_->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&c)))) {
    c->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
    c->Release();
  }
}

// ---- IUnknown: the interface map ------------------------------------------------------------

HRESULT Site::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
    *out = static_cast<IOleInPlaceSite*>(this);
  } else if (iid == IID_IOleControlSite) {
    *out = static_cast<IOleControlSite*>(this);
  } else if (iid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
  } else if (iid == IID_IPropertyNotifySink) {
    *out = static_cast<IPropertyNotifySink*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

// ---- IOleClientSite -------------------------------------------------------------------------

HRESULT Site::SaveObject() {
  return S_OK;
}

HRESULT Site::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT Site::GetContainer(IOleContainer** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT Site::ShowObject() {
  return S_OK;
}

HRESULT Site::OnShowWindow(BOOL) {
  return S_OK;
}

HRESULT Site::RequestNewObjectLayout() {
  return E_NOTIMPL;
}

// ---- IOleWindow, IOleInPlaceSite ------------------------------------------------------------

HRESULT Site::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = form_ ? form_->hwnd() : nullptr;
  return *out ? S_OK : E_FAIL;
}

HRESULT Site::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}

HRESULT Site::CanInPlaceActivate() {
  return form_ ? S_OK : S_FALSE;
}

HRESULT Site::OnInPlaceActivate() {
  inPlace = true;
  return S_OK;
}

HRESULT Site::OnUIActivate() {
  uiActive = true;
  return S_OK;
}

HRESULT Site::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT position,
                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (frame) *frame = nullptr;
  if (doc) *doc = nullptr;  // the form is frame and document at once
  if (!frame || !doc || !position || !clip || !info) return E_POINTER;
  if (!form_) return E_UNEXPECTED;
  *frame = &form_->frame();
  (*frame)->AddRef();
  *position = pixels();
  GetClientRect(form_->hwnd(), clip);
  info->fMDIApp = FALSE;
  info->hwndFrame = form_->hwnd();
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT Site::Scroll(SIZE) {
  return E_NOTIMPL;
}

HRESULT Site::OnUIDeactivate(BOOL) {
  uiActive = false;
  return S_OK;
}

HRESULT Site::OnInPlaceDeactivate() {
  inPlace = false;
  return S_OK;
}

HRESULT Site::DiscardUndoState() {
  return S_OK;
}

HRESULT Site::DeactivateAndUndo() {
  if (!control_) return E_UNEXPECTED;
  IOleInPlaceObject* inPlaceObject = nullptr;
  if (FAILED(control_->QueryInterface(IID_IOleInPlaceObject,
                                      reinterpret_cast<void**>(&inPlaceObject))))
    return E_UNEXPECTED;
  HRESULT hr = inPlaceObject->InPlaceDeactivate();
  inPlaceObject->Release();
  return hr;
}

HRESULT Site::OnPosRectChange(LPCRECT position) {
  if (!position) return E_POINTER;
  // The control asks for another rectangle: the form grants it.
  move(toTwips(position->left), toTwips(position->top), toTwips(position->right - position->left),
       toTwips(position->bottom - position->top));
  return S_OK;
}

// ---- IOleControlSite ------------------------------------------------------------------------

HRESULT Site::OnControlInfoChanged() {
  return S_OK;
}

HRESULT Site::LockInPlaceActive(BOOL) {
  return S_OK;
}

HRESULT Site::GetExtendedControl(IDispatch** out) {
  if (!out) return E_POINTER;
  *out = extender_;
  if (!extender_) return E_NOTIMPL;
  extender_->AddRef();
  return S_OK;
}

HRESULT Site::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
  if (!himetric || !container) return E_POINTER;
  // The form's units are twips.
  if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
    container->x = static_cast<float>(himetricToTwips(himetric->x));
    container->y = static_cast<float>(himetricToTwips(himetric->y));
  } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
    himetric->x = toHimetric(container->x);
    himetric->y = toHimetric(container->y);
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT Site::TranslateAccelerator(MSG* msg, DWORD) {
  if (!msg) return E_POINTER;
  return S_FALSE;
}

HRESULT Site::OnFocus(BOOL gotFocus) {
  focused = gotFocus != FALSE;
  return S_OK;
}

HRESULT Site::ShowPropertyFrame() {
  return E_NOTIMPL;  // a property frame of the platform's serves
}

// ---- IDispatch: the ambient properties ------------------------------------------------------

HRESULT Site::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT Site::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT Site::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;  // ambient properties are asked for by their standard ids
}

HRESULT Site::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params, VARIANT* result,
                     EXCEPINFO*, UINT*) {
  if (!params) return E_POINTER;
  if (!(kind & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (!result) return E_POINTER;
  VariantInit(result);
  try {
    switch (id) {
      case DISPID_AMBIENT_USERMODE:
        setBoolean(result, userMode_);
        return S_OK;
      case DISPID_AMBIENT_UIDEAD:
        setBoolean(result, false);
        return S_OK;
      case DISPID_AMBIENT_DISPLAYNAME:
        setText(result, name_);
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// ---- IPropertyNotifySink --------------------------------------------------------------------

HRESULT Site::OnChanged(DISPID id) {
  changed.push_back(id);
  if (form_) form_->setDirty();
  return S_OK;
}

HRESULT Site::OnRequestEdit(DISPID) {
  return S_OK;
}

}  // namespace form_container
