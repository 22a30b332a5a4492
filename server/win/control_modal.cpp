// The control's modal windows (the about box and its credit message) over its container: owned
// by the container's top window whether or not the control is active in place, with the
// container's modeless dialogs turned off while one shows and on again after.
#include "server/win/control_object.h"

namespace keloscroll::win {

namespace {

// While a modal window shows: the container's frame with its modeless dialogs off, and the
// control kept active in place (a container may otherwise deactivate it when the focus goes).
class ContainerPaused {
 public:
  ContainerPaused(ComPtr<IOleInPlaceFrame> frame, ComPtr<IOleControlSite> site)
      : frame_(std::move(frame)), site_(std::move(site)) {
    if (site_) site_->LockInPlaceActive(TRUE);
    if (frame_) frame_->EnableModeless(FALSE);
  }
  ~ContainerPaused() {
    if (frame_) frame_->EnableModeless(TRUE);
    if (site_) site_->LockInPlaceActive(FALSE);
  }
  ContainerPaused(const ContainerPaused&) = delete;
  ContainerPaused& operator=(const ContainerPaused&) = delete;

 private:
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IOleControlSite> site_;
};

}  // namespace

HWND ControlObject::containerWindow() const {
  HWND h = nullptr;
  if (window_ && window_->hwnd()) {
    h = GetParent(window_->hwnd());
  } else if (auto site = clientSite_.query<IOleWindow>(IID_IOleWindow)) {
    if (FAILED(site->GetWindow(&h))) h = nullptr;
  }
  return h ? GetAncestor(h, GA_ROOT) : nullptr;
}

ComPtr<IOleInPlaceFrame> ControlObject::containerFrame() const {
  if (frame_) return frame_;
  // Not active in place: the frame the in-place site would give an activation.
  auto site = clientSite_.query<IOleInPlaceSite>(IID_IOleInPlaceSite);
  if (!site) return nullptr;
  ComPtr<IOleInPlaceFrame> frame;
  ComPtr<IOleInPlaceUIWindow> document;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof info;
  if (FAILED(site->GetWindowContext(frame.put(), document.put(), &position, &clip, &info)))
    frame.reset();
  return frame;
}

void ControlObject::installModalPolicies() {
  host::FormEngine& engine = hosting_->engine;
  engine.setModalPolicy([this](host::Form& form) {
    ContainerPaused paused(containerFrame(),
                           clientSite_.query<IOleControlSite>(IID_IOleControlSite));
    host::win::runModalWindow(hosting_->engine, form, containerWindow());
  });
  engine.setMsgBoxPolicy([this](const std::string& prompt, int32_t) -> int16_t {
    // Over the window the user works in: the about box when it shows the message.
    HWND owner = GetActiveWindow();
    if (!owner) owner = containerWindow();
    std::wstring text = wide(prompt);
    MessageBoxW(owner, text.c_str(), L"KeloScroll", MB_OK);
    return 1;  // OK, the only button
  });
}

}  // namespace keloscroll::win
