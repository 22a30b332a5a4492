#include "tests/win/form_container.h"

namespace form_container {

using kelo_test::Ptr;
using kelo_test::sameName;

Var Arguments::as(size_t i, VARTYPE type) const {
  if (i >= args_.size()) fail(450);  // wrong number of arguments
  Var plain, out;
  HRESULT hr = VariantCopyInd(&plain, const_cast<VARIANT*>(args_[i]));
  if (SUCCEEDED(hr)) hr = VariantChangeType(&out, &plain, 0, type);
  if (FAILED(hr)) fail(13);
  return out;
}

// ---- DispatchObject -----------------------------------------------------------------------------

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count != 1) return E_INVALIDARG;  // one name: no named arguments
  *ids = DISPID_UNKNOWN;
  for (size_t i = 0; i < members_.size(); ++i)
    if (sameName(members_[i], *names)) *ids = kFirstId + static_cast<DISPID>(i);
  if (*ids == DISPID_UNKNOWN) *ids = otherId(*names);
  return *ids != DISPID_UNKNOWN ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* error, UINT* argError) {
  if (!params) return E_POINTER;
  if (result) VariantInit(result);
  if (error) *error = EXCEPINFO{};
  size_t index = static_cast<size_t>(id - kFirstId);
  if (id < kFirstId || index >= members_.size())
    return invokeOther(id, kind, params, result, error, argError);
  bool put = (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  // Named arguments only as a property's new value.
  if (params->cNamedArgs > (put ? 1u : 0u)) return DISP_E_NONAMEDARGS;
  try {
    Var v = member(index, put, Arguments(*params));
    return result ? VariantCopy(result, &v) : S_OK;
  } catch (const Failure& f) {
    if (error) error->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, f.number);
    return DISP_E_EXCEPTION;
  }
}

HRESULT DispatchObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (typeName_.empty()) return E_NOTIMPL;
  if (index != 0) return DISP_E_BADINDEX;
  // A description of the type by name alone, in a library made in memory: all a control asks.
  Ptr<ICreateTypeLib2> library;
  Ptr<ICreateTypeInfo> type;
  HRESULT hr = CreateTypeLib2(SYS_WIN32, L"form.tlb", library.put());
  if (SUCCEEDED(hr)) hr = library->CreateTypeInfo(typeName_.data(), TKIND_DISPATCH, type.put());
  if (SUCCEEDED(hr)) hr = type->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(out));
  return hr;
}

// ---- TextBox ------------------------------------------------------------------------------------

namespace {
enum BoxMember { Text, Visible, Move, Refresh, ZOrder, FontBold };
}  // namespace

TextBox::TextBox(HWND form, std::wstring boxName)
    : DispatchObject({L"Text", L"Visible", L"Move", L"Refresh", L"ZOrder", L"FontBold",
                      L"Appearance", L"BackColor", L"ForeColor"}),
      name(std::move(boxName)) {
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL | ES_LEFT, 0, 0,
                          80, 25, form, nullptr, nullptr, nullptr);
  if (hwnd_)
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
}

void TextBox::destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

HWND TextBox::window() const {
  if (!hwnd_) fail(91);  // object variable not set
  return hwnd_;
}

Var TextBox::member(size_t index, bool put, const Arguments& args) {
  if (put != (index != Move && index != Refresh && index != ZOrder)) fail(438);
  switch (static_cast<BoxMember>(index)) {
    case Text:
      SetWindowTextW(window(), args.text(args.last()).c_str());
      break;
    case Visible:
      ShowWindow(window(), args.boolean(args.last()) ? SW_SHOWNA : SW_HIDE);
      break;
    case Move: {
      // Move left, top, width, height in twips (all four: the control gives them); the window's
      // edges from the box's twips, so that a box placed to end where another window begins ends
      // there to the pixel.
      double left = args.number(0), top = args.number(1);
      int l = toPixels(left), t = toPixels(top);
      MoveWindow(window(), l, t, toPixels(left + args.number(2)) - l,
                 toPixels(top + args.number(3)) - t, TRUE);
      break;
    }
    case Refresh:
      InvalidateRect(window(), nullptr, TRUE);
      UpdateWindow(window());
      break;
    case ZOrder:
      // 0: in front of its siblings; 1: behind them.
      SetWindowPos(window(), args.integer(0) == 1 ? HWND_BOTTOM : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    default:  // the style: only FontBold is kept
      window();
      if (args.integer(args.last()) && index == FontBold) bold = true;
      break;
  }
  return Var();
}

// ---- Controls -----------------------------------------------------------------------------------

void Controls::close() {
  for (auto& b : boxes_) b->destroy();
  boxes_.clear();
  form_ = nullptr;
}

TextBox* Controls::textBox(const std::wstring& boxName) const {
  for (auto& b : boxes_)
    if (sameName(b->name, boxName)) return b.get();
  return nullptr;
}

Var Controls::member(size_t, bool, const Arguments& args) {
  if (!form_) fail(91);
  // Add(ProgID, name): this form makes text boxes.
  std::wstring boxName = args.text(1);
  if (!sameName(args.text(0), L"VB.TextBox")) fail(711);
  bool taken = textBox(boxName) != nullptr;
  for (auto& s : form_->sites()) taken = taken || sameName(s->name, boxName);
  if (taken) fail(727);  // name in use
  boxes_.push_back(Ptr<TextBox>::adopt(new TextBox(form_->hwnd(), boxName)));
  added.push_back(boxName);
  return Var::dispatch(boxes_.back().get());
}

// ---- Form ---------------------------------------------------------------------------------------

namespace {
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}  // namespace

Form* Form::create(int clientWidth, int clientHeight, bool typed) {
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, kFormStyle, FALSE, 0);
  auto* form = new Form();
  form->typed_ = typed;
  if (typed) form->setTypeName(L"Form1");
  // A window of the system's plain STATIC class: it paints the button face and nothing more.
  form->hwnd_ = CreateWindowExW(0, L"STATIC", L"", kFormStyle, 40, 40, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
  form->controls_ = Ptr<Controls>::adopt(new Controls(*form));
  ShowWindow(form->hwnd_, SW_SHOW);
  UpdateWindow(form->hwnd_);
  return form;
}

Form::~Form() {
  close();
}

void Form::close() {
  // The controls first: they may still reach the form's objects while they close.
  for (; !sites_.empty(); sites_.pop_back()) sites_.back()->close();
  if (controls_) controls_->close();
  controls_.reset();
  for (auto& f : frames_) f->close();
  frames_.clear();
  active_.reset();
  if (hwnd_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

HRESULT Form::place(REFCLSID clsid, const Placement& how, Site** site) {
  auto s = Ptr<Site>::adopt(new Site(*this, how));
  HRESULT hr = s->attach(clsid, how);
  if (FAILED(hr)) s->close();
  *site = SUCCEEDED(hr) ? s.get() : nullptr;
  if (SUCCEEDED(hr)) sites_.push_back(s);
  return hr;
}

Frame* Form::addFrame(double left, double top) {
  frames_.push_back(Ptr<Frame>::adopt(new Frame(*this, left, top)));
  if (typed_) frames_.back()->setTypeName(L"Frame");
  return frames_.back().get();
}

Var Frame::member(size_t index, bool, const Arguments&) {
  if (!form_) fail(91);
  if (index == 2) return Var::dispatch(static_cast<IDispatch*>(form_));
  return Var::r4(static_cast<float>(index == 0 ? left : top));
}

Var Form::member(size_t index, bool, const Arguments&) {
  if (!hwnd_) fail(91);
  RECT outer{};
  switch (index) {
    case 0:  // Width: the whole window, as a form's Width is
      GetWindowRect(hwnd_, &outer);
      return Var::r4(static_cast<float>(toTwips(outer.right - outer.left)));
    case 1:
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      return Var();
    default:
      return Var::dispatch(controls_.get());
  }
}

// ---- Extender -----------------------------------------------------------------------------------

// The extender the form wraps around a placed control, as a form designer does: Left, Top (twips
// in its container), Container (its frame, or the form), Parent (the form) and Name (the site's);
// any other name is the control's own member.
class Extender final : public DispatchObject {
 public:
  Extender(Site& site, Form& form)
      : DispatchObject({L"Left", L"Top", L"Container", L"Parent", L"Name"}),
        site_(&site),
        form_(&form) {}
  // The site closes: the extender no longer reaches the control or the form.
  void detach() { site_ = nullptr, form_ = nullptr; }

 private:
  Var member(size_t index, bool, const Arguments&) override {
    if (!site_ || !form_) fail(91);
    if (index == 4) return Var::str(site_->name);
    if (index == 2 && site_->frame()) return Var::dispatch(site_->frame());
    if (index >= 2) return Var::dispatch(static_cast<IDispatch*>(form_));
    return Var::r4(static_cast<float>(index == 0 ? site_->left() : site_->top()));
  }
  Ptr<IDispatch> control() const {
    return kelo_test::query<IDispatch>(site_ ? site_->control() : nullptr, IID_IDispatch);
  }
  DISPID otherId(LPOLESTR name) override {
    DISPID id = DISPID_UNKNOWN;
    if (auto d = control()) d->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    return id;
  }
  HRESULT invokeOther(DISPID id, WORD kind, DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                      UINT* argError) override {
    auto d = control();
    return d ? d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, params, result, error, argError)
             : DISP_E_MEMBERNOTFOUND;
  }

  Site* site_;
  Form* form_;
};

// ---- Site ---------------------------------------------------------------------------------------

Site::Site(Form& form, const Placement& how)
    : name(how.name),
      form_(&form),
      frame_(how.frame),
      left_(how.left),
      top_(how.top),
      width_(how.width),
      height_(how.height),
      userMode_(how.userMode),
      extender_(new Extender(*this, form)) {}

IDispatch* Site::extender() const {
  return extender_;
}

HRESULT Site::attach(REFCLSID clsid, const Placement& how) {
  HRESULT hr =
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control_.putVoid());
  if (FAILED(hr)) return hr;
  // Which interface the control's events are, to connect `how.events` and take it back.
  if (auto info = control_.query<IProvideClassInfo2>(IID_IProvideClassInfo2))
    info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &eventsIid_);
  Ptr<IQuickActivate> quick;
  if (how.quick) quick = control_.query<IQuickActivate>(IID_IQuickActivate);
  // The site first, as the control asks (OLEMISC_SETCLIENTSITEFIRST, which the tests check);
  // quickly activated, the site, the sinks and the ambient values in one call.
  hr = quick ? quickActivate(quick.get(), how) : control_->SetClientSite(this);
  if (SUCCEEDED(hr)) {
    // The form saves its controls in property bags.
    auto persist = control_.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
    hr = persist ? persist->InitNew() : E_NOINTERFACE;
  }
  if (SUCCEEDED(hr) && !quick) {
    // PropertyChanged reaches the form through this sink.
    auto p = point(IID_IPropertyNotifySink);
    hr = p ? p->Advise(static_cast<IPropertyNotifySink*>(this), &notifyCookie_)
           : CONNECT_E_NOCONNECTION;
    auto events = how.events ? point(eventsIid_) : Ptr<IConnectionPoint>();
    if (SUCCEEDED(hr) && events) hr = events->Advise(how.events, &eventsCookie_);
  }
  if (SUCCEEDED(hr)) {
    SIZEL size{toHimetric(width_), toHimetric(height_)};
    hr = quick ? quick->SetContentExtent(&size) : control_->SetExtent(DVASPECT_CONTENT, &size);
  }
  if (FAILED(hr) || !how.activate) return hr;
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
  container.colorFore = static_cast<OLE_COLOR>(keloscroll::host::syscolor::ButtonText);
  container.colorBack = static_cast<OLE_COLOR>(keloscroll::host::syscolor::ButtonFace);
  container.dwAppearance = 1;
  container.lcid = LOCALE_USER_DEFAULT;
  quickControl.cbSize = sizeof quickControl;
  HRESULT hr = quick->QuickActivate(&container, &quickControl);
  notifyCookie_ = quickControl.dwPropNotifyCookie;
  eventsCookie_ = quickControl.dwEventCookie;
  return hr;
}

Ptr<IConnectionPoint> Site::point(REFIID iid) const {
  Ptr<IConnectionPoint> p;
  if (auto points = control_.query<IConnectionPointContainer>(IID_IConnectionPointContainer))
    points->FindConnectionPoint(iid, p.put());
  return p;
}

void Site::close() {
  if (control_) {
    control_->Close(OLECLOSE_NOSAVE);
    if (auto p = notifyCookie_ ? point(IID_IPropertyNotifySink) : Ptr<IConnectionPoint>())
      p->Unadvise(notifyCookie_);
    if (auto p = eventsCookie_ ? point(eventsIid_) : Ptr<IConnectionPoint>())
      p->Unadvise(eventsCookie_);
    notifyCookie_ = eventsCookie_ = 0;
    control_->SetClientSite(nullptr);
    control_.reset();
  }
  if (extender_) {
    extender_->detach();
    extender_->Release();
    extender_ = nullptr;
  }
  frame_.reset();
  form_ = nullptr;
}

HWND Site::window() const {
  HWND h = nullptr;
  if (auto inPlaceObject = control_.query<IOleInPlaceObject>(IID_IOleInPlaceObject))
    inPlaceObject->GetWindow(&h);
  return h;
}

RECT Site::pixels() const {
  double left = left_ + (frame_ ? frame_->left : 0), top = top_ + (frame_ ? frame_->top : 0);
  return RECT{toPixels(left), toPixels(top), toPixels(left + width_), toPixels(top + height_)};
}

void Site::move(double left, double top, double width, double height) {
  left_ = left, top_ = top, width_ = width, height_ = height;
  if (!control_) return;
  SIZEL size{toHimetric(width_), toHimetric(height_)};
  control_->SetExtent(DVASPECT_CONTENT, &size);
  if (auto inPlaceObject = control_.query<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
    RECT r = pixels(), clip{};
    if (form_) GetClientRect(form_->hwnd(), &clip);
    inPlaceObject->SetObjectRects(&r, &clip);
  }
}

void Site::setUserMode(bool run) {
  userMode_ = run;
  if (auto c = control_.query<IOleControl>(IID_IOleControl))
    c->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
}

HRESULT Site::QueryInterface(REFIID iid, void** out) {
  return kelo_test::answer(iid, out,
                           {{&IID_IUnknown, static_cast<IOleClientSite*>(this)},
                            {&IID_IOleClientSite, static_cast<IOleClientSite*>(this)},
                            {&IID_IOleWindow, static_cast<IOleInPlaceSite*>(this)},
                            {&IID_IOleInPlaceSite, static_cast<IOleInPlaceSite*>(this)},
                            {&IID_IOleControlSite, static_cast<IOleControlSite*>(this)},
                            {&IID_IDispatch, static_cast<IDispatch*>(this)},
                            {&IID_IPropertyNotifySink, static_cast<IPropertyNotifySink*>(this)},
                            {&IID_IAdviseSink, static_cast<IAdviseSink*>(this)}});
}

HRESULT Site::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT position,
                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (frame) *frame = nullptr;
  if (doc) *doc = nullptr;  // the form is frame and document at once
  if (!frame || !doc || !position || !clip || !info) return E_POINTER;
  if (!form_) return E_UNEXPECTED;
  *frame = form_;
  form_->AddRef();
  *position = pixels();
  GetClientRect(form_->hwnd(), clip);
  *info = {info->cb, FALSE, form_->hwnd(), nullptr, 0};
  return S_OK;
}

HRESULT Site::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                     UINT*) {
  if (!(kind & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (!result) return E_POINTER;
  if (id != DISPID_AMBIENT_USERMODE) return DISP_E_MEMBERNOTFOUND;  // all a control asks
  *result = Var::boolean(userMode_);                                // no resources: a plain copy
  return S_OK;
}

}  // namespace form_container
