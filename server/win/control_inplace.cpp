// In-place activation of the control: quick activation, its window inside the container's
// window, UI activation and the keys the container routes to it.
#include <cstddef>
#include <utility>

#include "server/win/accessible_object.h"
#include "server/win/control_object.h"
#include "server/win/window_container.h"

namespace keloscroll::win {

namespace {

int32_t handleNumber(HWND window) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(window));
}

bool isNavigationKey(WPARAM key) {
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
      return true;
    default:
      return false;
  }
}

}  // namespace

void ControlObject::sizeTo(int widthPixels, int heightPixels) {
  Hosting& h = *hosting_;
  host::Dpi dpi = h.engine.dpi();
  float w = static_cast<float>(host::twipsOf(widthPixels, dpi));
  float hgt = static_cast<float>(host::twipsOf(heightPixels, dpi));
  // The form that holds the control is exactly the control's window.
  h.form->Move(0, 0, w, hgt);
  h.site->resize(w, hgt);
  extentSet_ = true;
}

void ControlObject::focusChanged(bool focused) {
  if (focused && window_) AccessibleObject::notify(window_->hwnd(), EVENT_OBJECT_FOCUS);
  if (auto site = clientSite_.query<IOleControlSite>(IID_IOleControlSite)) site->OnFocus(focused);
}

void ControlObject::announce(std::string_view event, const std::string& descriptionBefore) {
  if (!window_ || !hosting_) return;
  if (event == "Change") {
    AccessibleObject::notify(window_->hwnd(), EVENT_OBJECT_VALUECHANGE);
  } else if (event == "GetDescription" && hosting_->control->Description() != descriptionBefore) {
    AccessibleObject::notify(window_->hwnd(), EVENT_OBJECT_DESCRIPTIONCHANGE);
  }
}

void ControlObject::announceState() {
  if (!hosting_) return;
  bool enabled = host::isTrue(hosting_->control->Enabled());
  if (enabled == announcedEnabled_) return;
  announcedEnabled_ = enabled;
  if (window_) AccessibleObject::notify(window_->hwnd(), EVENT_OBJECT_STATECHANGE);
}

HRESULT ControlObject::activate(bool ui) {
  if (!hosting_) return E_UNEXPECTED;
  if (!clientSite_) return E_UNEXPECTED;
  if (!window_) {
    auto site = clientSite_.query<IOleInPlaceSite>(IID_IOleInPlaceSite);
    if (!site) return OLE_E_NOT_INPLACEACTIVE;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    site->OnInPlaceActivate();
    HWND parent = nullptr;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    ComPtr<IOleInPlaceUIWindow> document;
    if (FAILED(site->GetWindow(&parent)) ||
        FAILED(
            site->GetWindowContext(frame_.put(), document.put(), &position, &clip, &frameInfo))) {
      site->OnInPlaceDeactivate();
      return E_FAIL;
    }
    document.reset();
    HRESULT hr = lifecycle([&](host::ControlSite& hostSite) {
      // The container's rectangle is in the pixels of its window's screen.
      hosting_->engine.setDpi(host::win::dpiOf(parent));
      sizeTo(position.right - position.left, position.bottom - position.top);
      // The modal policies stay the control's own (control_modal.cpp), window or not.
      window_ = std::make_unique<host::win::FormWindow>(hosting_->engine, *hosting_->form, false);
      // A handler of an event a message raises may release the control: it stays until the
      // message has been handled.
      window_->hold = [this] { return holdToken(); };
      window_->onFocus = [this](bool focused) { focusChanged(focused); };
      window_->onGetObject = [this](WPARAM w, LPARAM l) -> LRESULT {
        if (!hosting_ || !window_) return 0;
        return AccessibleObject::answer(hosting_->site->surface().accessible(), window_->hwnd(), w,
                                        l);
      };
      if (!window_->create(parent, position)) host::raise(host::err::InvalidCall);
      // The control's hwnd is its real window's while it has one (its tooltip box is named after
      // it). Window handles fit 32 bits on both architectures.
      hosting_->engine.useWindowHandle(hostSite.surface(), handleNumber(window_->hwnd()));
      // Becoming visible: the control's Show rescales its track.
      hostSite.show();
      window_->refresh();
      return S_OK;
    });
    if (FAILED(hr)) {
      window_.reset();
      frame_.reset();
      site->OnInPlaceDeactivate();
      return hr;
    }
    inPlaceSite_ = std::move(site);
    positionMayHaveChanged();
  }
  if (ui && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    if (frame_) frame_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
    if (window_->hwnd()) SetFocus(window_->hwnd());
  }
  return S_OK;
}

// ---- IQuickActivate ------------------------------------------------------------------------

HRESULT ControlObject::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  if (!container || !control) return E_POINTER;
  // The sinks are the last fields every version of the structure has.
  if (container->cbSize < offsetof(QACONTAINER, pUnkEventSink) + sizeof(IUnknown*) ||
      control->cbSize < sizeof(QACONTROL)) {
    return E_INVALIDARG;
  }
  // One call for the site and the container's sinks; the sinks hear from the control once it
  // has been loaded or made new.
  HRESULT hr = SetClientSite(container->pClientSite);
  if (FAILED(hr)) return hr;
  if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
  control->dwPropNotifyCookie = 0;
  control->dwEventCookie = 0;
  if (container->pPropertyNotifySink) {
    hr = propertyNotify_.Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
    if (FAILED(hr)) return hr;
  }
  if (container->pUnkEventSink) {
    hr = events_.Advise(container->pUnkEventSink, &control->dwEventCookie);
    if (FAILED(hr)) {
      if (control->dwPropNotifyCookie) propertyNotify_.Unadvise(control->dwPropNotifyCookie);
      control->dwPropNotifyCookie = 0;
      return hr;
    }
  }
  control->dwMiscStatus = server::kMiscStatus;
  GetViewStatus(&control->dwViewStatus);
  control->dwPointerActivationPolicy = 0;  // the control is always active in place
  return S_OK;
}

HRESULT ControlObject::SetContentExtent(LPSIZEL size) {
  return SetExtent(DVASPECT_CONTENT, size);
}

HRESULT ControlObject::GetContentExtent(LPSIZEL size) {
  return GetExtent(DVASPECT_CONTENT, size);
}

// ---- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject --------------------------------

HRESULT ControlObject::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = window_ ? window_->hwnd() : nullptr;
  return *out ? S_OK : E_FAIL;
}

HRESULT ControlObject::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}

HRESULT ControlObject::InPlaceDeactivate() {
  if (!window_) return S_OK;
  auto alive = keepAlive();  // the container told of it may let the control go
  UIDeactivate();
  closeWindowTips(hosting_->site->extender());
  hosting_->engine.useWindowHandle(hosting_->site->surface(), 0);
  window_.reset();
  frame_.reset();
  if (ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_)) site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT ControlObject::UIDeactivate() {
  if (!uiActive_) return S_OK;
  auto alive = keepAlive();
  uiActive_ = false;
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT ControlObject::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (!hosting_) return E_UNEXPECTED;
  return lifecycle([&](host::ControlSite&) {
    sizeTo(position->right - position->left, position->bottom - position->top);
    if (window_) window_->move(*position);
    positionMayHaveChanged();
    return S_OK;
  });
}

HRESULT ControlObject::ReactivateAndUndo() {
  return INPLACE_E_NOTUNDOABLE;
}

HRESULT ControlObject::TranslateAccelerator(LPMSG msg) {
  if (!msg) return E_POINTER;
  // The arrow, page, Home and End keys belong to the bar, not to the container's navigation.
  bool key = msg->message == WM_KEYDOWN || msg->message == WM_KEYUP;
  if (!key || !isNavigationKey(msg->wParam) || !window_ || !window_->hwnd()) return S_FALSE;
  SendMessageW(window_->hwnd(), msg->message, msg->wParam, msg->lParam);
  return S_OK;
}

HRESULT ControlObject::OnFrameWindowActivate(BOOL) {
  return S_OK;
}

HRESULT ControlObject::OnDocWindowActivate(BOOL) {
  return S_OK;
}

HRESULT ControlObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
  return S_OK;
}

HRESULT ControlObject::EnableModeless(BOOL) {
  return S_OK;
}

}  // namespace keloscroll::win
