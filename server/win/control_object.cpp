// The control object's life and its interface map: its host (a form engine of its own with the
// control on it) made and torn down, the interfaces it answers, its class information and its
// connection points. The other roles live beside it: the container's services
// (control_site.cpp), persistence (control_persist.cpp), IOleObject (control_ole.cpp), in-place
// activation (control_inplace.cpp), the view (control_view.cpp) and the public face
// (control_dispatch.cpp).
#include "server/win/control_object.h"

#include "server/win/convert.h"
#include "server/win/enumerator.h"

namespace keloscroll::win {

namespace {

// The control's connection points as IEnumConnectionPoints gives them.
struct PointTraits {
  using Interface = IEnumConnectionPoints;
  using Item = IConnectionPoint*;
  using Stored = ComPtr<IConnectionPoint>;
  static const IID& iid() { return IID_IEnumConnectionPoints; }
  static void copy(const Stored& from, Item* to) { from.copyTo(to); }
};

const ::GUID kIid = toGuid(server::kIidUsrKeloScroll);
const ::GUID kEventsIid = toGuid(server::kDiidUsrKeloScrollEvents);

// The name the control's site has on its form; a real container's extender has its own. A
// container that names it nothing leaves this one, the product's, which assistive technology
// hears as the bar's name.
constexpr char kSiteName[] = "KeloScroll";

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
  return answer(made, iid, out);
}

ControlObject::ControlObject()
    : events_(*this, toGuid(server::kDiidUsrKeloScrollEvents)),
      propertyNotify_(*this, IID_IPropertyNotifySink) {
  hosting_ = std::make_unique<Hosting>();
  Hosting& h = *hosting_;
  // The control is drawn on the screen until a container gives it a window of its own.
  h.engine.setDpi(host::win::screenDpi());
  h.form = h.engine.createForm("Container");
  h.site = std::make_shared<host::ControlSite>(h.engine, *h.form, kSiteName);
  h.site->setRecording(false);
  // Until the container gives its client site, ambient properties cannot be read (398).
  h.site->setClientSiteAvailable(false);
  h.site->setEventSink([this](std::string_view name, std::span<host::Variant> args) {
    std::string before = name == "GetDescription" && !args.empty() ? args[0].asString() : "";
    fireEvent(name, args);
    announce(name, before);
  });
  h.site->setContainerServices(services(nullptr));
  h.control = UsrKeloScroll::create(*h.site);
  installModalPolicies();
  const host::UserControl& designed = h.site->surface();
  naturalExtent_ = SIZEL{himetricOf(designed.Width()), himetricOf(designed.Height())};
}

ControlObject::~ControlObject() {
  InPlaceDeactivate();
  viewSink_.reset();
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
  adviseHolder_.reset();
  ambient_.reset();
  clientSite_.reset();
}

// ---- the interface map ----------------------------------------------------------------------

std::span<const ControlObject::Entry> ControlObject::interfaceMap() {
  static const Entry map[] = {
      offer<_UsrKeloScroll>(IID_IUnknown),
      offer<_UsrKeloScroll>(IID_IDispatch),
      offer<_UsrKeloScroll>(kIid),
      offer<IProvideClassInfo2>(IID_IProvideClassInfo),
      offer<IProvideClassInfo2>(IID_IProvideClassInfo2),
      offer<ISupportErrorInfo>(IID_ISupportErrorInfo),
      offer<IConnectionPointContainer>(IID_IConnectionPointContainer),
      offer<IPersistStreamInit>(IID_IPersist),
      offer<IPersistStreamInit>(IID_IPersistStreamInit),
      offer<IPersistPropertyBag>(IID_IPersistPropertyBag),
      offer<IPersistStorage>(IID_IPersistStorage),
      offer<IOleObject>(IID_IOleObject),
      offer<IOleInPlaceObject>(IID_IOleWindow),
      offer<IOleInPlaceObject>(IID_IOleInPlaceObject),
      offer<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject),
      offer<IOleControl>(IID_IOleControl),
      offer<IViewObjectEx>(IID_IViewObject),
      offer<IViewObjectEx>(IID_IViewObject2),
      offer<IViewObjectEx>(IID_IViewObjectEx),
      offer<IQuickActivate>(IID_IQuickActivate),
      offer<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages),
      offer<IObjectSafety>(IID_IObjectSafety),
  };
  return map;
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
  return guarded(IID_IConnectionPointContainer, [&] {
    return Enumerator<PointTraits>::create(
        {ComPtr<IConnectionPoint>(&events_), ComPtr<IConnectionPoint>(&propertyNotify_)}, out);
  });
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

}  // namespace keloscroll::win
