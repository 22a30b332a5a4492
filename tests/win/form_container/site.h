// The form's site for one control: its client site, in-place site and control site, its ambient
// properties (UserMode, DisplayName) and the property-notify sink that marks the form dirty. It
// gives the control its extender and the window context of the form.
#pragma once

#include <vector>

#include "tests/win/form_container/object_base.h"

namespace form_container {

class Extender;
class Form;
struct Placement;

class Site final : public IOleClientSite,
                   public IOleInPlaceSite,
                   public IOleControlSite,
                   public IDispatch,
                   public IPropertyNotifySink,
                   public Counted {
 public:
  Site(Form& form, const Placement& how);

  // Creates the control and places it (Form::place).
  HRESULT attach(REFCLSID clsid, const Placement& how);
  // Deactivates the control, takes the site back from it and releases it.
  void close();

  const std::wstring& name() const { return name_; }
  IOleObject* control() const { return control_; }  // borrowed; null once closed
  IDispatch* extender() const;                      // borrowed
  // The control's in-place window, or null.
  HWND window() const;
  // The control's rectangle on the form, in twips, and in the form's client pixels.
  double left() const { return left_; }
  double top() const { return top_; }
  double width() const { return width_; }
  double height() const { return height_; }
  RECT pixels() const;
  // Moves and sizes the control (twips), as the extender's Left, Top, Width and Height do.
  void move(double left, double top, double width, double height);

  // The designer's hit tests, through the control's view (IViewObjectEx): a point of the form's
  // client area, near enough within `closeHint` (HIMETRIC); a band of the form's client area
  // dragged over controls. A HITRESULT; HITRESULT_OUTSIDE when the control cannot tell.
  DWORD hitPoint(POINT at, LONG closeHint) const;
  DWORD hitRect(const RECT& band) const;
  // The designer's Size to Fit: the control takes its natural size, where it stands.
  HRESULT sizeToFit();

  bool userMode() const { return userMode_; }
  // A designer switching between design and run: the control is told the ambient changed.
  void setUserMode(bool run);

  // What the control told its site.
  std::vector<DISPID> changed;  // IPropertyNotifySink::OnChanged
  bool focused = false;         // IOleControlSite::OnFocus
  bool inPlace = false, uiActive = false;
  bool quickActivated = false;
  QACONTROL quickControl{};  // what the control answered to quick activation

  // ---- IUnknown: the interface map (site.cpp) -------------------------------------------------
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }

  // ---- IOleClientSite ---------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE SaveObject() override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** out) override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override;
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override;
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

  // ---- IOleWindow, IOleInPlaceSite --------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnUIActivate() override;
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) override;
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;

  // ---- IOleControlSite --------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override;
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL lock) override;
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** out) override;
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container,
                                            DWORD flags) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg, DWORD modifiers) override;
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL gotFocus) override;
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override;

  // ---- IDispatch: the ambient properties --------------------------------------------------------
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD kind, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* argError) override;

  // ---- IPropertyNotifySink ----------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override;
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID id) override;

 private:
  ~Site() override;
  // The control's connection point for `iid`, or null.
  IConnectionPoint* point(REFIID iid) const;
  IViewObjectEx* view() const;  // with a reference, or null
  HRESULT quickActivate(IQuickActivate* quick, const Placement& how);

  Form* form_;  // the form owns its sites; null once closed
  std::wstring name_;
  double left_, top_, width_, height_;
  bool userMode_;
  IOleObject* control_ = nullptr;
  Extender* extender_ = nullptr;
  DWORD notifyCookie_ = 0;
  DWORD eventsCookie_ = 0;  // events advised by quick activation
  IID eventsIid_ = IID_NULL;
};

}  // namespace form_container
