#include "server/win/accessible_object.h"

#include <cmath>
#include <new>
#include <string>

#include "host/win/window.h"
#include "server/win/convert.h"

namespace keloscroll::win {

namespace {

LONG roleOf(host::AccessibleRole r) {
  switch (r) {
    case host::AccessibleRole::ScrollBar:
      return ROLE_SYSTEM_SCROLLBAR;
    case host::AccessibleRole::Indicator:
      return ROLE_SYSTEM_INDICATOR;
    case host::AccessibleRole::PushButton:
      break;
  }
  return ROLE_SYSTEM_PUSHBUTTON;
}

// The platform has no orientation state: a screen reader tells it from the parts' names.
LONG statesOf(uint32_t s) {
  namespace access = host::access;
  LONG r = 0;
  if (s & access::Unavailable) r |= STATE_SYSTEM_UNAVAILABLE;
  if (s & access::Invisible) r |= STATE_SYSTEM_INVISIBLE;
  if (s & access::Focused) r |= STATE_SYSTEM_FOCUSED;
  if (s & access::Focusable) r |= STATE_SYSTEM_FOCUSABLE;
  if (s & access::Pressed) r |= STATE_SYSTEM_PRESSED;
  return r;
}

// Form-client twips to the window's client pixels at the screen's density, edges rounded as the
// engine draws them.
LONG pixel(double twips) {
  return static_cast<LONG>(std::floor(host::pixelsOf(twips, host::win::screenDpi()) + 0.5));
}

void setChild(VARIANT* v, int index) {
  VariantInit(v);
  v->vt = VT_I4;
  v->lVal = index;
}

}  // namespace

LRESULT AccessibleObject::answer(std::shared_ptr<host::Accessible> model, HWND window, WPARAM w,
                                 LPARAM l) {
  if (static_cast<LONG>(static_cast<DWORD>(l)) != OBJID_CLIENT || !model) return 0;
  auto* made = new (std::nothrow) AccessibleObject(std::move(model), window);
  if (!made) return 0;
  ComPtr<AccessibleObject> object = ComPtr<AccessibleObject>::adopt(made);
  LRESULT r = LresultFromObject(IID_IAccessible, w, static_cast<IAccessible*>(object.get()));
  return r > 0 ? r : 0;  // a failure lets the platform answer with its own object
}

void AccessibleObject::notify(HWND window, DWORD event) {
  if (window) NotifyWinEvent(event, window, OBJID_CLIENT, CHILDID_SELF);
}

AccessibleObject::AccessibleObject(std::shared_ptr<host::Accessible> model, HWND window)
    : model_(std::move(model)), window_(window) {}

std::span<const AccessibleObject::Entry> AccessibleObject::interfaceMap() {
  static const Entry map[] = {offer<IAccessible>(IID_IUnknown), offer<IAccessible>(IID_IDispatch),
                              offer<IAccessible>(IID_IAccessible)};
  return map;
}

// ---- IDispatch --------------------------------------------------------------------------------

HRESULT AccessibleObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT AccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;
}

HRESULT AccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT AccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                 UINT*) {
  return E_NOTIMPL;
}

// ---- the children and their texts -------------------------------------------------------------

int AccessibleObject::childOf(const VARIANT& child) const {
  if (child.vt != VT_I4 || child.lVal < 0) return -1;
  return child.lVal <= model_->childCount() ? static_cast<int>(child.lVal) : -1;
}

template <class F>
HRESULT AccessibleObject::withChild(const VARIANT& child, F&& f) {
  return guarded(IID_IAccessible, [&]() -> HRESULT {
    if (!model_->connected() || !IsWindow(window_)) return CO_E_OBJNOTCONNECTED;
    int index = childOf(child);
    if (index < 0) return E_INVALIDARG;
    return f(index);
  });
}

template <class Pick>
HRESULT AccessibleObject::text(const VARIANT& child, BSTR* out, Pick pick) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return withChild(child, [&](int index) -> HRESULT {
    std::string s = pick(model_->node(index));
    if (s.empty()) return S_FALSE;
    *out = toBstr(s);
    return *out ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT AccessibleObject::get_accParent(IDispatch** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!model_->connected() || !IsWindow(window_)) return CO_E_OBJNOTCONNECTED;
  // The window's own object, which the platform makes.
  return AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                    reinterpret_cast<void**>(out));
}

HRESULT AccessibleObject::get_accChildCount(LONG* out) {
  if (!out) return E_POINTER;
  *out = 0;
  if (!model_->connected()) return CO_E_OBJNOTCONNECTED;
  *out = model_->childCount();
  return S_OK;
}

HRESULT AccessibleObject::get_accChild(VARIANT child, IDispatch** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  // The parts are simple elements, answered by this object with their numbers.
  return withChild(child, [](int index) { return index == 0 ? E_INVALIDARG : S_FALSE; });
}

HRESULT AccessibleObject::get_accName(VARIANT child, BSTR* out) {
  return text(child, out, [](const host::AccessibleNode& n) { return n.name; });
}

HRESULT AccessibleObject::get_accValue(VARIANT child, BSTR* out) {
  return text(child, out, [](const host::AccessibleNode& n) { return n.value; });
}

HRESULT AccessibleObject::get_accDescription(VARIANT child, BSTR* out) {
  return text(child, out, [](const host::AccessibleNode& n) { return n.description; });
}

HRESULT AccessibleObject::get_accDefaultAction(VARIANT child, BSTR* out) {
  return text(child, out, [](const host::AccessibleNode& n) { return n.defaultAction; });
}

HRESULT AccessibleObject::get_accHelp(VARIANT child, BSTR* out) {
  return text(child, out, [](const host::AccessibleNode&) { return std::string(); });
}

HRESULT AccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR* out) {
  return text(child, out, [](const host::AccessibleNode&) { return std::string(); });
}

HRESULT AccessibleObject::get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) {
  if (file) *file = nullptr;
  if (topic) *topic = 0;
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleObject::get_accRole(VARIANT child, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return withChild(child, [&](int index) {
    out->vt = VT_I4;
    out->lVal = roleOf(model_->node(index).role);
    return S_OK;
  });
}

HRESULT AccessibleObject::get_accState(VARIANT child, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return withChild(child, [&](int index) {
    out->vt = VT_I4;
    out->lVal = statesOf(model_->node(index).states);
    return S_OK;
  });
}

HRESULT AccessibleObject::get_accFocus(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  VARIANT self;
  setChild(&self, CHILDID_SELF);
  return withChild(self, [&](int) {
    if (!(model_->node(0).states & host::access::Focused) || GetFocus() != window_) return S_FALSE;
    setChild(out, CHILDID_SELF);
    return S_OK;
  });
}

HRESULT AccessibleObject::get_accSelection(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return model_->connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;  // nothing to select in a bar
}

// ---- places and actions -----------------------------------------------------------------------

HRESULT AccessibleObject::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                      VARIANT child) {
  if (!left || !top || !width || !height) return E_POINTER;
  *left = *top = *width = *height = 0;
  return withChild(child, [&](int index) {
    host::TwipsRect r = model_->node(index).place;
    POINT a{pixel(r.left), pixel(r.top)}, b{pixel(r.left + r.width), pixel(r.top + r.height)};
    ClientToScreen(window_, &a);
    ClientToScreen(window_, &b);
    *left = a.x;
    *top = a.y;
    *width = b.x - a.x;
    *height = b.y - a.y;
    return S_OK;
  });
}

HRESULT AccessibleObject::accHitTest(LONG x, LONG y, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  VARIANT self;
  setChild(&self, CHILDID_SELF);
  return withChild(self, [&](int) {
    POINT p{x, y};
    ScreenToClient(window_, &p);
    // The middle of the pixel, in twips.
    const host::Dpi dpi = host::win::screenDpi();
    int index = model_->childAt(host::twipsOf(p.x + 0.5, dpi), host::twipsOf(p.y + 0.5, dpi));
    if (index < 0) return S_FALSE;
    setChild(out, index);
    return S_OK;
  });
}

HRESULT AccessibleObject::accNavigate(LONG direction, VARIANT start, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return withChild(start, [&](int index) -> HRESULT {
    const int last = model_->childCount();
    int to = -1;
    switch (direction) {
      case NAVDIR_FIRSTCHILD:
      case NAVDIR_LASTCHILD:
        if (index != 0) return E_INVALIDARG;
        to = direction == NAVDIR_FIRSTCHILD ? 1 : last;
        break;
      case NAVDIR_NEXT:
      case NAVDIR_DOWN:
      case NAVDIR_RIGHT:
        to = index == 0 ? -1 : index + 1;  // the bar's siblings are its parent's to tell
        break;
      case NAVDIR_PREVIOUS:
      case NAVDIR_UP:
      case NAVDIR_LEFT:
        to = index == 0 ? -1 : index - 1;
        break;
      default:
        return E_INVALIDARG;
    }
    if (to < 1 || to > last) return S_FALSE;
    setChild(out, to);
    return S_OK;
  });
}

HRESULT AccessibleObject::accDoDefaultAction(VARIANT child) {
  return withChild(child, [&](int index) -> HRESULT {
    if (model_->node(index).defaultAction.empty()) return DISP_E_MEMBERNOTFOUND;
    bool done = false;
    // As the window's own input, so that the window repaints and its timer follows.
    if (host::win::FormWindow* w = host::win::FormWindow::of(window_)) {
      w->input([&] { done = model_->doDefaultAction(index); });
    } else {
      done = model_->doDefaultAction(index);
    }
    return done ? S_OK : E_FAIL;
  });
}

HRESULT AccessibleObject::accSelect(LONG flags, VARIANT child) {
  return withChild(child, [&](int) -> HRESULT {
    if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;  // a bar has nothing to select
    SetFocus(window_);
    model_->focus();
    return S_OK;
  });
}

HRESULT AccessibleObject::put_accName(VARIANT, BSTR) {
  return E_NOTIMPL;
}

HRESULT AccessibleObject::put_accValue(VARIANT, BSTR) {
  return E_NOTIMPL;
}

}  // namespace keloscroll::win
