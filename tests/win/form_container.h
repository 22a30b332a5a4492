// A form of a form designer's kind, played by a top-level window: it places ActiveX controls on
// itself through sites of its own, in design mode (UserMode false) or at run time, and offers the
// object model a control reaches by name: the extender (Left, Top, Container, Parent and Name; any
// other name is the control's own member), the form (Width, Refresh, Controls) and its Controls,
// whose Add("VB.TextBox", name) makes a real EDIT text box on the form.
// Positions are twips from the client area's top left corner. A control's PropertyChanged marks
// the form dirty. The form is also its controls' in-place frame; it has no menus or tools to share.
#pragma once

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "host/system_colors.h"
#include "tests/win/com_client.h"

namespace form_container {

using kelo_test::Counted;
using kelo_test::Var;

// The form's units: twips (1/1440 inch) on the form, pixels of the screen at the density its
// display settings give, HIMETRIC (0.01 mm) for OLE extents. Pixels round to the nearest.
inline int screenDpi() {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi;
}
inline int toPixels(double t) {
  return static_cast<int>(std::lround(t * screenDpi() / 1440));
}
inline double toTwips(int pixels) {
  return pixels * 1440.0 / screenDpi();
}
inline LONG toHimetric(double t) {
  return static_cast<LONG>(std::lround(t * 2540 / 1440));
}

// An error of the form's object model, numbered as the platform numbers them (13 type mismatch,
// 438 no such member, 727 name in use, 730 control not found...). It reaches the caller as
// DISP_E_EXCEPTION with the scode 0x800A0000 + number.
struct Failure {
  long number;
};
[[noreturn]] inline void fail(long number) {
  throw Failure{number};
}

// The arguments of a late-bound call in their natural order (a property's new value last), read
// in the type asked for with the platform's conversions.
class Arguments {
 public:
  explicit Arguments(const DISPPARAMS& params) {
    for (UINT i = params.cArgs; i-- > 0;) args_.push_back(&params.rgvarg[i]);
  }
  Var as(size_t i, VARTYPE type) const;
  double number(size_t i) const { return as(i, VT_R8).dblVal; }
  long integer(size_t i) const { return as(i, VT_I4).lVal; }
  bool boolean(size_t i) const { return as(i, VT_BOOL).boolVal != VARIANT_FALSE; }
  std::wstring text(size_t i) const {
    Var v = as(i, VT_BSTR);
    return std::wstring(v.bstrVal ? v.bstrVal : L"", v.bstrVal ? SysStringLen(v.bstrVal) : 0);
  }
  // The value of a property put.
  size_t last() const { return args_.size() - 1; }

 private:
  std::vector<const VARIANT*> args_;
};

// An IDispatch whose members are named in a list; GetIDsOfNames is case-insensitive and gives
// member i the id kFirstId + i. A name the object does not know may be another object's. On a
// typed form the object gives type information that names its type (Form1, Frame).
class DispatchObject : public kelo_test::DispatchBase<IDispatch> {
 public:
  static constexpr DISPID kFirstId = 0x40000001;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return kelo_test::answer(iid, out, {{&IID_IUnknown, this}, {&IID_IDispatch, this}});
  }
  void setTypeName(std::wstring name) { typeName_ = std::move(name); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    return n ? *n = typeName_.empty() ? 0 : 1, S_OK : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* argError) override;

 protected:
  explicit DispatchObject(std::vector<std::wstring> members) : members_(std::move(members)) {}
  // Member `index` of the list, read or (`put`) written: the value last of `args`. Throws Failure.
  virtual Var member(size_t index, bool put, const Arguments& args) = 0;
  // A name of another object (the extender's control): its id, or DISPID_UNKNOWN; and its call.
  virtual DISPID otherId(LPOLESTR) { return DISPID_UNKNOWN; }
  virtual HRESULT invokeOther(DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::vector<std::wstring> members_;
  std::wstring typeName_;
};

// A text box of the form: an EDIT child window of the form's, made hidden and empty; what a control
// sets or calls when it shows a description: Text, Visible, Move, Refresh, ZOrder, and the style
// FontBold (kept for the tests to read), Appearance, BackColor and ForeColor. Once the form closes,
// its calls fail with 91.
class TextBox final : public DispatchObject {
 public:
  TextBox(HWND form, std::wstring name);
  void destroy();

  const std::wstring name;
  bool bold = false;

 private:
  ~TextBox() override { destroy(); }
  Var member(size_t index, bool put, const Arguments& args) override;
  HWND window() const;

  HWND hwnd_ = nullptr;
};

class Form;
class Site;

// A frame on the form, at (left, top) twips on it: a container between controls and the form,
// whose Container is the form.
class Frame final : public DispatchObject {
 public:
  Frame(Form& form, double left, double top)
      : DispatchObject({L"Left", L"Top", L"Container"}), left(left), top(top), form_(&form) {}
  const double left, top;
  void close() { form_ = nullptr; }

 private:
  Var member(size_t index, bool put, const Arguments& args) override;
  Form* form_;
};

class Controls final : public DispatchObject {
 public:
  explicit Controls(Form& form) : DispatchObject({L"Add"}), form_(&form) {}
  // Every name given to Add, in order.
  std::vector<std::wstring> added;
  // The text box of that name (case-insensitive), or null. Borrowed.
  TextBox* textBox(const std::wstring& name) const;
  // The form closes: its boxes go, and the collection no longer reaches it.
  void close();

 private:
  ~Controls() override { close(); }
  Var member(size_t index, bool put, const Arguments& args) override;

  Form* form_;
  std::vector<kelo_test::Ptr<TextBox>> boxes_;
};

// How a control is placed on the form.
struct Placement {
  std::wstring name = L"KeloScroll1";
  double left = 3000, top = 450, width = 255, height = 3000;  // twips
  bool userMode = true;
  // The frame the control stands in (left and top are then in the frame), or the form itself.
  Frame* frame = nullptr;
  // A sink of the control's default event interface, connected while the control is on the form.
  IUnknown* events = nullptr;
  // Activated in place (its window on the form) once placed; else it stays without a window.
  bool activate = true;
  // Placed through IQuickActivate when the control offers it: the site, the property-notify sink
  // and the events in one call.
  bool quick = false;
};

class Form final : public DispatchObject, public IOleInPlaceFrame {
 public:
  // A visible form with a client area of that many pixels; one reference, the caller's. The
  // objects of a typed form give type information: the form's type is Form1.
  static Form* create(int clientWidth, int clientHeight, bool typed = false);
  // A frame on the form at (left, top) twips (borrowed: the form keeps it).
  Frame* addFrame(double left, double top);
  HWND hwnd() const { return hwnd_; }
  // Creates a control of class `clsid` and places it: its site first when it asks so, then new, its
  // extent, in place at its rectangle. The site is the form's (valid until close).
  HRESULT place(REFCLSID clsid, const Placement& how, Site** site);
  const std::vector<kelo_test::Ptr<Site>>& sites() const { return sites_; }
  Controls& controls() const { return *controls_.get(); }
  bool dirty = false;
  std::vector<bool> modeless;  // what EnableModeless was told, in order
  // Closes every control (deactivated, its site taken back, released), removes the text boxes
  // and destroys the window.
  void close();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    auto* frame = static_cast<IOleInPlaceFrame*>(this);
    return kelo_test::answer(iid, out,
                             {{&IID_IUnknown, static_cast<IDispatch*>(this)},
                              {&IID_IDispatch, static_cast<IDispatch*>(this)},
                              {&IID_IOleWindow, frame},
                              {&IID_IOleInPlaceUIWindow, frame},
                              {&IID_IOleInPlaceFrame, frame}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    return out ? (*out = hwnd_, hwnd_ ? S_OK : E_FAIL) : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    active_ = kelo_test::Ptr<IOleInPlaceActiveObject>(object);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override {
    modeless.push_back(enable != FALSE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  Form() : DispatchObject({L"Width", L"Refresh", L"Controls"}) {}
  ~Form() override;
  Var member(size_t index, bool put, const Arguments& args) override;

  HWND hwnd_ = nullptr;
  bool typed_ = false;
  kelo_test::Ptr<Controls> controls_;
  std::vector<kelo_test::Ptr<Frame>> frames_;
  std::vector<kelo_test::Ptr<Site>> sites_;
  kelo_test::Ptr<IOleInPlaceActiveObject> active_;
};

class Extender;

// The form's site for one control: its client site, in-place site and control site, its ambient
// UserMode, the property-notify sink that marks the form dirty and the view sink of a control
// without a window. It gives the control its extender and the window context of the form.
class Site final : public IOleClientSite,
                   public IOleInPlaceSite,
                   public IOleControlSite,
                   public IPropertyNotifySink,
                   public IAdviseSink,
                   public kelo_test::DispatchBase<IDispatch> {
 public:
  Site(Form& form, const Placement& how);
  // Creates the control and places it (Form::place).
  HRESULT attach(REFCLSID clsid, const Placement& how);
  // Deactivates the control, takes the site back from it and releases it.
  void close();

  const std::wstring name;
  IOleObject* control() const { return control_.get(); }  // null once closed
  IDispatch* extender() const;
  HWND window() const;  // the control's in-place window, or null
  // The control's rectangle on the form in the form's client pixels; moved and sized in twips
  // (left and top in its frame when it has one).
  double left() const { return left_; }
  double top() const { return top_; }
  Frame* frame() const { return frame_.get(); }
  RECT pixels() const;
  void move(double left, double top, double width, double height);

  // A designer switching between design and run: the control is told the ambient changed.
  void setUserMode(bool run);
  // The site's own reference to the control goes, without Close: released where it stands.
  void letGo() { control_.reset(); }
  // What the site does besides when the control tells it that it deactivates.
  std::function<void()> onDeactivate;

  // What the control told its site.
  std::vector<DISPID> changed;       // IPropertyNotifySink::OnChanged
  std::vector<RECT> positionsAsked;  // IOleInPlaceSite::OnPosRectChange
  bool focused = false;              // IOleControlSite::OnFocus
  int viewChanges = 0;               // IAdviseSink::OnViewChange
  bool inPlace = false;
  QACONTROL quickControl{};  // what the control answered to quick activation (cbSize set then)

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    return form_ ? form_->GetWindow(out) : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return form_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return inPlace = true, S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
    inPlace = false;
    if (auto told = onDeactivate) told();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
  // Recorded, and refused: the form keeps the control's rectangle.
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override {
    if (rect) positionsAsked.push_back(*rect);
    return E_NOTIMPL;
  }
  // IOleControlSite
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** out) override {
    return out ? (*out = extender(), (*out)->AddRef(), S_OK) : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL gotFocus) override { return focused = gotFocus, S_OK; }
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }
  // IDispatch: the ambient properties
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) override;
  // IPropertyNotifySink
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
    changed.push_back(id);
    if (form_) form_->dirty = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
  // IAdviseSink
  void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override { ++viewChanges; }
  void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
  void STDMETHODCALLTYPE OnSave() override {}
  void STDMETHODCALLTYPE OnClose() override {}

 private:
  ~Site() override { close(); }
  // The control's connection point for `iid`, or null.
  kelo_test::Ptr<IConnectionPoint> point(REFIID iid) const;
  HRESULT quickActivate(IQuickActivate* quick, const Placement& how);

  Form* form_;  // the form owns its sites; null once closed
  kelo_test::Ptr<Frame> frame_;
  double left_, top_, width_, height_;
  bool userMode_;
  kelo_test::Ptr<IOleObject> control_;
  Extender* extender_ = nullptr;
  DWORD notifyCookie_ = 0;
  DWORD eventsCookie_ = 0;
  IID eventsIid_ = IID_NULL;
};

}  // namespace form_container
