#include "server/win/control_object.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "control/interface_table.h"
#include "server/win/convert.h"
#include "server/win/foreign_dispatch.h"
#include "server/win/property_bag.h"
#include "server/win/window_container.h"

namespace keloscroll::win {

namespace {

const ::GUID kClsid = toGuid(server::kClsidUsrKeloScroll);
const ::GUID kIid = toGuid(server::kIidUsrKeloScroll);
const ::GUID kEventsIid = toGuid(server::kDiidUsrKeloScrollEvents);

// The name the control's site has on its form; a real container's extender has its own.
constexpr char kSiteName[] = "UsrKeloScroll1";

// An event argument as the sinks receive it: by reference for Change's Long and
// GetDescription's String, as the event interface declares them.
struct EventArgument {
  LONG i4 = 0;
  BSTR text = nullptr;
  VARIANT v;
};

}  // namespace

HRESULT ControlObject::create(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ControlObject* made = nullptr;
  HRESULT hr = guarded(kIid, [&] {
    made = new ControlObject();
    return S_OK;
  });
  if (FAILED(hr)) return hr;
  hr = made->QueryInterface(iid, out);
  made->Release();
  return hr;
}

ControlObject::ControlObject()
    : events_(*this, toGuid(server::kDiidUsrKeloScrollEvents)),
      propertyNotify_(*this, IID_IPropertyNotifySink) {
  hosting_ = std::make_unique<Hosting>();
  Hosting& h = *hosting_;
  h.form = h.engine.createForm("Container");
  h.site = std::make_shared<host::ControlSite>(h.engine, *h.form, kSiteName);
  h.site->setRecording(false);
  // Until the container gives its client site, ambient properties cannot be read (398).
  h.site->setClientSiteAvailable(false);
  h.site->setEventSink(
      [this](std::string_view name, std::span<host::Variant> args) { fireEvent(name, args); });
  h.site->setContainerServices(services(nullptr));
  h.control = UsrKeloScroll::create(*h.site);
  const host::UserControl& designed = h.site->surface();
  naturalExtent_ = SIZEL{himetricOf(designed.Width()), himetricOf(designed.Height())};
}

ControlObject::~ControlObject() {
  InPlaceDeactivate();
  if (viewSink_) viewSink_->Release();
  if (hosting_) {
    try {
      hosting_->site->terminate();
    } catch (...) {
      // Termination's failures have nobody to go to: the object is going anyway.
    }
    hosting_->control.reset();
    hosting_->site.reset();
    hosting_.reset();
  }
  events_.releaseAll();
  propertyNotify_.releaseAll();
  if (adviseHolder_) adviseHolder_->Release();
  if (ambient_) ambient_->Release();
  if (clientSite_) clientSite_->Release();
}

// ---- IUnknown: the interface map ------------------------------------------------------------

HRESULT ControlObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIid) {
    *out = static_cast<_UsrKeloScroll*>(this);
  } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
    *out = static_cast<IProvideClassInfo2*>(this);
  } else if (iid == IID_ISupportErrorInfo) {
    *out = static_cast<ISupportErrorInfo*>(this);
  } else if (iid == IID_IConnectionPointContainer) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) {
    *out = static_cast<IPersistStreamInit*>(this);
  } else if (iid == IID_IPersistPropertyBag) {
    *out = static_cast<IPersistPropertyBag*>(this);
  } else if (iid == IID_IOleObject) {
    *out = static_cast<IOleObject*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
    *out = static_cast<IOleInPlaceObject*>(this);
  } else if (iid == IID_IOleInPlaceActiveObject) {
    *out = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (iid == IID_IOleControl) {
    *out = static_cast<IOleControl*>(this);
  } else if (iid == IID_IViewObject || iid == IID_IViewObject2 || iid == IID_IViewObjectEx) {
    *out = static_cast<IViewObjectEx*>(this);
  } else if (iid == IID_IQuickActivate) {
    *out = static_cast<IQuickActivate*>(this);
  } else if (iid == IID_ISpecifyPropertyPages) {
    *out = static_cast<ISpecifyPropertyPages*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ControlObject::AddRef() {
  return ++refs_;
}

ULONG ControlObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ---- container services ---------------------------------------------------------------------

void ControlObject::fireEvent(std::string_view name, std::span<host::Variant> args) {
  auto entry = std::find_if(kEvents.begin(), kEvents.end(),
                            [&](const EventEntry& e) { return e.name == name; });
  if (entry == kEvents.end()) return;
  if (frozenEvents_ > 0) return;
  std::vector<IUnknown*> sinks = events_.sinks();
  if (sinks.empty()) return;
  AddRef();  // a sink may release the control while it runs
  std::vector<EventArgument> slots(args.size());
  std::vector<VARIANT> params(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    EventArgument& a = slots[i];
    VARIANT& v = params[args.size() - 1 - i];  // COM passes the last argument first
    VariantInit(&v);
    if (args[i].type() == host::VarType::String) {
      a.text = toBstr(args[i].asString());
      v.vt = VT_BYREF | VT_BSTR;
      v.pbstrVal = &a.text;
    } else {
      a.i4 = args[i].asLong();
      v.vt = VT_BYREF | VT_I4;
      v.plVal = &a.i4;
    }
  }
  DISPPARAMS dp{params.empty() ? nullptr : params.data(), nullptr, static_cast<UINT>(params.size()),
                0};
  for (IUnknown* sink : sinks) {
    auto* d = static_cast<IDispatch*>(sink);  // advised as the event interface or IDispatch
    EXCEPINFO info{};
    // A sink's own failure is its own: the control goes on, as a host's handler error would.
    d->Invoke(entry->dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, &info,
              nullptr);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    sink->Release();
  }
  try {
    for (size_t i = 0; i < args.size(); ++i) {
      if (slots[i].text || args[i].type() == host::VarType::String) {
        args[i].assign(host::Variant(utf8(slots[i].text)));
      } else {
        args[i].assign(host::Variant(static_cast<int32_t>(slots[i].i4)));
      }
    }
  } catch (...) {
    for (EventArgument& a : slots) SysFreeString(a.text);
    Release();
    throw;
  }
  for (EventArgument& a : slots) SysFreeString(a.text);
  Release();
}

void ControlObject::propertyChanged(std::string_view property) {
  dirty_ = true;
  DISPID id = DISPID_UNKNOWN;
  try {
    id = dispidOfName(property);
  } catch (const host::Error&) {
  }
  for (IUnknown* sink : propertyNotify_.sinks()) {
    static_cast<IPropertyNotifySink*>(sink)->OnChanged(id);
    sink->Release();
  }
}

host::Boolean ControlObject::ambientUserMode() {
  // A container that offers no ambient properties, or not this one, runs its controls.
  if (!ambient_) return host::True;
  VariantHolder result;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  HRESULT hr = ambient_->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
  if (FAILED(hr)) return host::True;
  return fromVariant(result.get()).asBoolean();
}

host::ControlSite::ContainerServices ControlObject::services(host::ObjectRef extender) {
  host::ControlSite::ContainerServices s;
  s.ambientUserMode = [this] { return ambientUserMode(); };
  s.propertyChanged = [this](std::string_view p) { propertyChanged(p); };
  // Containers without a form for the control (no extender, or a parent with no Controls) get
  // one of ours over the control's window, so that the tooltip still has a place to stand.
  bool gave = extender != nullptr;
  host::ControlSite& site = *hosting_->site;
  host::ObjectRef base = gave ? std::move(extender) : std::make_shared<host::Extender>(site);
  s.extender = windowExtender(site, std::move(base), gave,
                              [this] { return window_ ? window_->hwnd() : HWND{nullptr}; });
  return s;
}

void ControlObject::placed() {
  if (extentSet_) return;
  const host::UserControl& s = hosting_->site->surface();
  hosting_->form->Move(0, 0, s.Width(), s.Height());
  hosting_->site->resize(s.Width(), s.Height());
}

// ---- IProvideClassInfo2, ISupportErrorInfo ----------------------------------------------------

HRESULT ControlObject::GetClassInfo(ITypeInfo** out) {
  return typeInfoOf(server::kClsidUsrKeloScroll, out);
}

HRESULT ControlObject::GetGUID(DWORD kind, GUID* out) {
  if (!out) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *out = GUID_NULL;
    return E_INVALIDARG;
  }
  *out = kEventsIid;
  return S_OK;
}

HRESULT ControlObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == kIid || iid == IID_IDispatch ? S_OK : S_FALSE;
}

// ---- IConnectionPointContainer ----------------------------------------------------------------

HRESULT ControlObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ConnectionPoint* point = iid == kEventsIid                ? &events_
                           : iid == IID_IPropertyNotifySink ? &propertyNotify_
                                                            : nullptr;
  if (!point) return CONNECT_E_NOCONNECTION;
  point->AddRef();
  *out = point;
  return S_OK;
}

// ---- IPersist, IPersistStreamInit, IPersistPropertyBag ----------------------------------------

HRESULT ControlObject::GetClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = kClsid;
  return S_OK;
}

HRESULT ControlObject::IsDirty() {
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT ControlObject::InitNew() {
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  return lifecycle([&](host::ControlSite& site) {
    site.initNew();
    initialized_ = true;
    placed();
    return S_OK;
  });
}

HRESULT ControlObject::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  return lifecycle([&](host::ControlSite& site) {
    host::PropertyBag bag;
    readStream(stream, bag);
    initialized_ = true;
    site.load(bag);
    placed();
    dirty_ = false;
    return S_OK;
  });
}

HRESULT ControlObject::Save(IStream* stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  return lifecycle([&](host::ControlSite& site) {
    host::PropertyBag bag;
    site.save(bag);
    writeStream(bag, stream);
    if (clearDirty) dirty_ = false;
    return S_OK;
  });
}

HRESULT ControlObject::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return E_NOTIMPL;  // pictures make the size open-ended
}

HRESULT ControlObject::Load(IPropertyBag* bag, IErrorLog*) {
  if (!bag) return E_POINTER;
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  return lifecycle([&](host::ControlSite& site) {
    ComPropertyBag adapter(bag);
    initialized_ = true;
    site.load(adapter);
    placed();
    dirty_ = false;
    return S_OK;
  });
}

HRESULT ControlObject::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (!bag) return E_POINTER;
  return lifecycle([&](host::ControlSite& site) {
    ComPropertyBag adapter(bag);
    site.save(adapter);
    if (clearDirty) dirty_ = false;
    return S_OK;
  });
}

// ---- IOleObject -----------------------------------------------------------------------------

HRESULT ControlObject::SetClientSite(IOleClientSite* site) {
  if (ambient_) {
    ambient_->Release();
    ambient_ = nullptr;
  }
  if (site) site->AddRef();
  if (clientSite_) clientSite_->Release();
  clientSite_ = site;
  return lifecycle([&](host::ControlSite& hostSite) {
    host::ObjectRef extender;
    if (site) {
      site->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient_));
      IOleControlSite* controlSite = nullptr;
      if (SUCCEEDED(
              site->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&controlSite))) &&
          controlSite) {
        IDispatch* extended = nullptr;
        if (SUCCEEDED(controlSite->GetExtendedControl(&extended)) && extended) {
          extender = ForeignDispatch::wrapExtender(extended);
        }
        controlSite->Release();
      }
    }
    hostSite.setContainerServices(services(std::move(extender)));
    hostSite.setClientSiteAvailable(site != nullptr);
    return S_OK;
  });
}

HRESULT ControlObject::GetClientSite(IOleClientSite** out) {
  if (!out) return E_POINTER;
  *out = clientSite_;
  if (clientSite_) clientSite_->AddRef();
  return S_OK;
}

HRESULT ControlObject::SetHostNames(LPCOLESTR, LPCOLESTR) {
  return S_OK;
}

HRESULT ControlObject::Close(DWORD) {
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
  return OleRegEnumVerbs(kClsid, out);
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
    HRESULT hr = CreateOleAdviseHolder(&adviseHolder_);
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
