// The control UsrKeloScroll as a COM object. It hosts the control on a form engine of its own
// (the control's six parts are that engine's widgets) and speaks to its container through the
// container's client site: ambient UserMode, the extender, PropertyChanged to property-notify
// sinks, events to the __UsrKeloScroll connection point, and persistence through property bags
// and streams. Its public face is IDispatch and the dual interface _UsrKeloScroll, both served
// from the control's interface table (control_dispatch.cpp).
#pragma once

#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "KeloScroll_h.h"
#include "control/UsrKeloScroll.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/win/window.h"
#include "server/win/com_object.h"
#include "server/win/connection_point.h"
#include "server/win/convert.h"
#include "server/win/module.h"

namespace keloscroll::win {

class ControlObject final
    : public ComObject<ControlObject, _UsrKeloScroll, IProvideClassInfo2, ISupportErrorInfo,
                       IConnectionPointContainer, IPersistStreamInit, IPersistPropertyBag,
                       IPersistStorage, IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject,
                       IOleControl, IViewObjectEx, IQuickActivate, ISpecifyPropertyPages,
                       IObjectSafety> {
 public:
  // A new control (Initialize has run) answering `iid` in `out`.
  static HRESULT create(REFIID iid, void** out);
  // The interfaces the control offers (control_object.cpp).
  static std::span<const Entry> interfaceMap();

  // ---- IDispatch (control_dispatch.cpp) -----------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT* argError) override;

  // ---- _UsrKeloScroll, in the order of its table of functions (control_dispatch.cpp) --------
  HRESULT STDMETHODCALLTYPE get_VerticalBar(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_VerticalBar(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE get_PictureBarra(IPictureDisp** value) override;
  HRESULT STDMETHODCALLTYPE putref_PictureBarra(IPictureDisp* value) override;
  HRESULT STDMETHODCALLTYPE get_PictureCursor(IPictureDisp** value) override;
  HRESULT STDMETHODCALLTYPE putref_PictureCursor(IPictureDisp* value) override;
  HRESULT STDMETHODCALLTYPE get_PictureSXUP(IPictureDisp** value) override;
  HRESULT STDMETHODCALLTYPE putref_PictureSXUP(IPictureDisp* value) override;
  HRESULT STDMETHODCALLTYPE get_PictureDXDN(IPictureDisp** value) override;
  HRESULT STDMETHODCALLTYPE putref_PictureDXDN(IPictureDisp* value) override;
  HRESULT STDMETHODCALLTYPE ShowAboutBox() override;
  HRESULT STDMETHODCALLTYPE get_Max(LONG* value) override;
  HRESULT STDMETHODCALLTYPE put_Max(LONG value) override;
  HRESULT STDMETHODCALLTYPE put_LargeChange(LONG value) override;
  HRESULT STDMETHODCALLTYPE get_Value(LONG* value) override;
  HRESULT STDMETHODCALLTYPE put_Value(LONG value) override;
  HRESULT STDMETHODCALLTYPE get_Description(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_RefreshMsecGD(short* value) override;
  HRESULT STDMETHODCALLTYPE put_RefreshMsecGD(short value) override;
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Min(LONG* value) override;
  HRESULT STDMETHODCALLTYPE put_Min(LONG value) override;
  HRESULT STDMETHODCALLTYPE get_SmallChange(LONG* value) override;
  HRESULT STDMETHODCALLTYPE put_SmallChange(LONG value) override;
  HRESULT STDMETHODCALLTYPE get_LargeChange(LONG* value) override;

  // ---- IProvideClassInfo2, ISupportErrorInfo -------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override;
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

  // ---- IConnectionPointContainer -------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // ---- IPersist, IPersistStreamInit, IPersistPropertyBag, IPersistStorage (control_persist.cpp)
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
  HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL sameAsLoad) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override;

  // ---- IOleObject (control_ole.cpp) ----------------------------------------------------------
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** out) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** out) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** out) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index,
                                   HWND parent, LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* out) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* out) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

  // ---- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject (control_inplace.cpp) ---------
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                                         BOOL frame) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // ---- IQuickActivate (control_inplace.cpp) --------------------------------------------------
  HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override;

  // ---- IOleControl, IViewObjectEx, ISpecifyPropertyPages (control_view.cpp) ------------------
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* msg) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                 HDC targetDevice, HDC dc, LPCRECTL bounds, LPCRECTL metaBounds,
                                 BOOL(STDMETHODCALLTYPE* keepGoing)(ULONG_PTR),
                                 ULONG_PTR argument) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectInfo,
                                        DVTARGETDEVICE* device, HDC targetDevice,
                                        LOGPALETTE** colors) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectInfo,
                                   DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                      LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetRect(DWORD aspect, LPRECTL rect) override;
  HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD* status) override;
  HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location,
                                          LONG closeHint, DWORD* result) override;
  HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location,
                                         LONG closeHint, DWORD* result) override;
  HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                             HDC targetDevice, DVEXTENTINFO* info,
                                             LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // ---- IObjectSafety (control_safety.cpp) ----------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported,
                                                      DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask,
                                                      DWORD enabled) override;

 private:
  friend ComObject;
  ControlObject();
  ~ControlObject();

  // The host the control stands on: a clock, a form engine and a form that holds its site.
  struct Hosting {
    host::SystemClock clock;
    host::FormEngine engine{clock};
    std::shared_ptr<host::Form> form;
    std::shared_ptr<host::ControlSite> site;
    std::shared_ptr<UsrKeloScroll> control;
  };

  // ---- the container's services (control_site.cpp) ------------------------------------------
  // Delivers an event to the advised __UsrKeloScroll sinks; by-reference arguments come back as
  // the last sink left them.
  void fireEvent(std::string_view name, std::span<host::Variant> args);
  void propertyChanged(std::string_view property);
  host::Boolean ambientUserMode();
  // What the container answers in place of the control's own host: the extender is the
  // container's when its site offers one (else the host's own).
  host::ControlSite::ContainerServices services(host::ObjectRef extender);
  // After InitNew or Load: the container places the control at its extent (Resize), at the
  // default extent when it has set none.
  void placed();
  // Runs a lifecycle step on the site, with host errors as HRESULTs.
  template <class F>
  HRESULT lifecycle(F&& step);
  // Reads and writes through the dual interface (control_dispatch.cpp), by interface-table entry.
  template <class T>
  HRESULT getEntry(int entry, T* out, void (*store)(const host::Variant&, T*));
  HRESULT putEntry(int entry, host::Variant value);

  // In-place activation (control_inplace.cpp): the window in the container's window, at `rect`
  // (parent-client pixels); UI activation as well when `ui`.
  HRESULT activate(bool ui);
  // The control's extent follows the window's size, in twips.
  void sizeTo(int widthPixels, int heightPixels);
  void focusChanged(bool focused);
  // Assistive technology hears of a Change (the value), of a description the host changed, and
  // of the control being enabled or disabled (accessible_object.cpp).
  void announce(std::string_view event, const std::string& descriptionBefore);
  void announceState();
  // The property frame of the platform with the control's pages, for the Properties verb.
  HRESULT showPropertyPages();
  // Modal forms and message boxes over the container (control_modal.cpp): its top window, and
  // its in-place frame whether or not the control is active.
  void installModalPolicies();
  HWND containerWindow() const;
  ComPtr<IOleInPlaceFrame> containerFrame() const;
  // After a call from the container that may have changed the control (control_notify.cpp): the
  // window repainted or the view sink told, and the in-place site told of a size the control
  // raised itself to.
  void afterChange();
  void positionMayHaveChanged();
  void pictureMayHaveChanged();
  uint64_t pictureFingerprint() const;

  std::unique_ptr<host::win::FormWindow> window_;
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IAdviseSink> viewSink_;
  DWORD viewAdviseFlags_ = 0;
  uint64_t viewFingerprint_ = 0;  // the picture the view sink last heard of
  bool tellingPosition_ = false;
  bool uiActive_ = false;
  int frozenEvents_ = 0;
  std::unique_ptr<Hosting> hosting_;
  ConnectionPoint events_;
  ConnectionPoint propertyNotify_;
  ComPtr<IOleClientSite> clientSite_;
  ComPtr<IDispatch> ambient_;
  ComPtr<IOleAdviseHolder> adviseHolder_;
  bool initialized_ = false;
  bool extentSet_ = false;
  SIZEL naturalExtent_{0, 0};  // the control as designed, in HIMETRIC
  bool dirty_ = false;
  bool loading_ = false;  // the properties a load applies are no change to report
  bool announcedEnabled_ = true;
  DWORD safetyEnabled_[2] = {0, 0};  // what a container asked of the scripting and data faces
};

template <class F>
HRESULT ControlObject::lifecycle(F&& step) {
  if (!hosting_) return E_UNEXPECTED;
  auto alive = keepAlive();  // a handler of an event the step raises may release the control
  return guarded(toGuid(server::kIidUsrKeloScroll), [&] { return step(*hosting_->site); });
}

}  // namespace keloscroll::win
