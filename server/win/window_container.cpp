#include "server/win/window_container.h"

#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "host/engine.h"
#include "host/widgets.h"
#include "host/win/window.h"

namespace keloscroll::win {

namespace {

using host::Variant;

// The screen's pixels of the windows the control stands in, at the density the control's
// engine draws with.
int pixels(double twips, host::Dpi dpi) {
  return static_cast<int>(std::lround(host::pixelsOf(twips, dpi)));
}
double twips(LONG px, host::Dpi dpi) {
  return host::twipsOf(px, dpi);
}

// The top window the control stands in (the form the user sees), or nullptr while it is not in
// place: the window a container gives the control is often no larger than the control.
HWND parentOf(HWND window) {
  return window ? GetAncestor(window, GA_ROOT) : nullptr;
}

// A tooltip box of ours: a form of the control's engine holding one text box (so it looks as the
// host's own text box does), shown in a borderless window. Its Left and Top are twips from the
// client origin of the window the control stands in, as a box on that window would have them.
class TipBox final : public host::Dispatch {
 public:
  TipBox(host::FormEngine& engine, const std::string& name, double fontSize,
         std::function<HWND()> parent, std::function<std::shared_ptr<void>()> hold)
      : engine_(engine), name_(name), parent_(std::move(parent)) {
    form_ = engine.createForm("Tip" + name);
    box_ = std::make_shared<host::TextBox>(name);
    box_->setFontSize(fontSize);
    form_->attach(box_);
    window_ = std::make_unique<host::win::FormWindow>(engine, *form_, false);
    window_->hold = std::move(hold);
  }
  ~TipBox() override {
    close();
    engine_.unloadForm(*form_);
  }
  TipBox(const TipBox&) = delete;
  TipBox& operator=(const TipBox&) = delete;

  // The window goes with the control's; a later showing makes it again.
  void close() { window_->destroy(); }

  int32_t idOfName(std::string_view name) const override {
    for (size_t i = 0; i < std::size(kOwn); ++i)
      if (host::toLowerAscii(name) == kOwn[i]) return -static_cast<int32_t>(i) - 1;
    return box_->idOfName(name);  // Text, fonts and colours are the text box's
  }

  Variant invoke(int32_t id, host::Invoke kind, std::span<Variant> args) override {
    if (id > 0) {
      Variant v = box_->invoke(id, kind, args);
      window_->refresh();
      return v;
    }
    bool put = kind == host::Invoke::Let || kind == host::Invoke::Set;
    switch (-id - 1) {
      case 0:  // Name
        if (put) host::raise(382, "Property cannot be set at run time");
        return Variant(name_);
      case 1:  // Visible
        if (!put) return Variant::boolean(visible_);
        if (args.empty()) host::raise(host::err::InvalidCall);
        visible_ = host::isTrue(args.back().asBoolean());
        if (HWND h = visible_ ? ensureWindow() : window_->hwnd())
          ShowWindow(h, visible_ ? SW_SHOWNOACTIVATE : SW_HIDE);
        return Variant();
      case 2:  // Move left[, top[, width[, height]]]
        if (args.empty() || args.size() > 4) host::raise(450, "Wrong number of arguments");
        move(args);
        return Variant();
      case 3:  // Refresh
        window_->refresh();
        if (HWND h = window_->hwnd()) UpdateWindow(h);
        return Variant();
      case 4:  // ZOrder: in front of every window
        if (HWND h = window_->hwnd())
          SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return Variant();
      case 5:
        return Variant(static_cast<float>(left_));
      case 6:
        return Variant(static_cast<float>(top_));
      case 7:
        return Variant(static_cast<float>(width_));
      case 8:
        return Variant(static_cast<float>(height_));
    }
    host::raise(host::err::NoSuchMember);
  }
  std::string_view typeName() const override { return "TextBox"; }

 private:
  static constexpr const char* kOwn[] = {"name", "visible", "move",  "refresh", "zorder",
                                         "left", "top",     "width", "height"};

  void move(std::span<Variant> a) {
    left_ = a[0].asSingle();
    if (a.size() > 1 && !a[1].isEmpty()) top_ = a[1].asSingle();
    if (a.size() > 2 && !a[2].isEmpty()) width_ = a[2].asSingle();
    if (a.size() > 3 && !a[3].isEmpty()) height_ = a[3].asSingle();
    form_->Move(0, 0, static_cast<float>(width_), static_cast<float>(height_));
    box_->Move(0, 0, static_cast<float>(width_), static_cast<float>(height_));
    HWND h = ensureWindow();
    if (!h) return;
    host::Dpi dpi = engine_.dpi();
    POINT at{pixels(left_, dpi), pixels(top_, dpi)};
    if (HWND p = parent_()) ClientToScreen(p, &at);
    SetWindowPos(h, nullptr, at.x, at.y, pixels(width_, dpi), pixels(height_, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    window_->refresh();
  }

  // Owned by the top window of the container's, so that it goes with it.
  HWND ensureWindow() {
    if (!window_->hwnd()) {
      HWND p = parent_();
      if (!p || !window_->createTip(GetAncestor(p, GA_ROOT))) return nullptr;
      host::Dpi dpi = engine_.dpi();
      POINT at{pixels(left_, dpi), pixels(top_, dpi)};
      ClientToScreen(p, &at);
      SetWindowPos(window_->hwnd(), nullptr, at.x, at.y, pixels(width_, dpi), pixels(height_, dpi),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return window_->hwnd();
  }

  host::FormEngine& engine_;
  std::string name_;
  std::function<HWND()> parent_;
  std::shared_ptr<host::Form> form_;
  std::shared_ptr<host::TextBox> box_;
  std::unique_ptr<host::win::FormWindow> window_;
  bool visible_ = false;
  double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

// What the extender, its parent and its Controls share: the boxes made so far, by name.
struct Shared {
  host::ControlSite& site;
  std::function<HWND()> window;
  std::function<std::shared_ptr<void>()> hold;
  std::map<std::string, std::shared_ptr<TipBox>> boxes;  // keys lower case

  HWND parent() const { return parentOf(window()); }
  host::Dpi dpi() const { return site.engine().dpi(); }
};

// A small member table for the objects below: case-insensitive names, ids in order.
template <size_t N>
int32_t idIn(const char* const (&names)[N], std::string_view name) {
  std::string key = host::toLowerAscii(name);
  for (size_t i = 0; i < N; ++i)
    if (key == names[i]) return static_cast<int32_t>(i) + 1;
  host::raise(host::err::NoSuchMember);
}

class WindowControls final : public host::Dispatch {
 public:
  explicit WindowControls(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  int32_t idOfName(std::string_view name) const override { return idIn(kNames, name); }
  Variant invoke(int32_t id, host::Invoke, std::span<Variant> args) override {
    if (args.size() < 1) host::raise(450, "Wrong number of arguments");
    if (id == 1) {  // Add(progId, name): text boxes only
      if (args.size() < 2) host::raise(450, "Wrong number of arguments");
      std::string progId = args[0].asString();
      if (host::toLowerAscii(progId) != "vb.textbox")
        host::raise(host::err::InvalidCall, "Invalid class string: " + progId);
      std::string name = args[1].asString();
      if (name.empty()) host::raise(host::err::InvalidCall);
      std::string key = host::toLowerAscii(name);
      if (shared_->boxes.count(key)) host::raise(host::err::NameInUse);
      std::weak_ptr<Shared> shared = shared_;
      auto box = std::make_shared<TipBox>(
          shared_->site.engine(), name, shared_->site.surface().FontSize(),
          [shared] {
            auto s = shared.lock();
            return s ? s->parent() : HWND{nullptr};
          },
          shared_->hold);
      shared_->boxes[key] = box;
      return Variant(host::ObjectRef(box));
    }
    if (id == 2) {  // Remove(name)
      auto it = shared_->boxes.find(host::toLowerAscii(args[0].asString()));
      if (it == shared_->boxes.end()) host::raise(host::err::ControlNotFound);
      it->second->close();
      shared_->boxes.erase(it);
      return Variant();
    }
    host::raise(host::err::NoSuchMember);
  }
  std::string_view typeName() const override { return "Object"; }

 private:
  static constexpr const char* kNames[] = {"add", "remove"};
  std::shared_ptr<Shared> shared_;
};

// The window the control stands in, as a form: its client size in twips and its Controls.
class WindowForm final : public host::Dispatch {
 public:
  explicit WindowForm(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  int32_t idOfName(std::string_view name) const override { return idIn(kNames, name); }
  Variant invoke(int32_t id, host::Invoke kind, std::span<Variant>) override {
    if (kind == host::Invoke::Let || kind == host::Invoke::Set)
      host::raise(host::err::NoSuchMember);
    RECT r{0, 0, 0, 0};
    if (HWND p = shared_->parent()) GetClientRect(p, &r);
    switch (id) {
      case 1:
      case 3:
        return Variant(static_cast<float>(twips(r.right, dpi())));
      case 2:
      case 4:
        return Variant(static_cast<float>(twips(r.bottom, dpi())));
      case 5:
        return Variant(host::ObjectRef(std::make_shared<WindowControls>(shared_)));
      case 6:
        if (HWND p = shared_->parent()) InvalidateRect(p, nullptr, FALSE);
        return Variant();
    }
    host::raise(host::err::NoSuchMember);
  }
  std::string_view typeName() const override { return "Form"; }
  bool isForm() const override { return true; }

 private:
  host::Dpi dpi() const { return shared_->dpi(); }
  static constexpr const char* kNames[] = {"width",       "height",   "scalewidth",
                                           "scaleheight", "controls", "refresh"};
  std::shared_ptr<Shared> shared_;
};

class WindowExtender final : public host::Dispatch {
 public:
  WindowExtender(std::shared_ptr<Shared> shared, host::ObjectRef base, bool containerGave)
      : shared_(std::move(shared)), base_(std::move(base)), containerGave_(containerGave) {}

  int32_t idOfName(std::string_view name) const override {
    std::string key = host::toLowerAscii(name);
    for (size_t i = 0; i < std::size(kOwn); ++i)
      if (key == kOwn[i]) return -static_cast<int32_t>(i) - 1;
    return base_->idOfName(name);
  }

  Variant invoke(int32_t id, host::Invoke kind, std::span<Variant> args) override {
    // Our own ids are -1 to -4; the base's may be negative too (its Name, ShowAboutBox's -552).
    if (id >= 0 || -static_cast<int64_t>(id) > static_cast<int64_t>(std::size(kOwn))) {
      return base_->invoke(id, kind, args);
    }
    const char* name = kOwn[-id - 1];
    if (!ownForm()) return base_->invoke(base_->idOfName(name), kind, args);
    if (kind == host::Invoke::Let || kind == host::Invoke::Set)
      host::raise(host::err::NoSuchMember);
    HWND window = shared_->window();
    if (!window) host::raise(host::err::NoClientSite);  // not in place: nothing to stand on yet
    switch (-id - 1) {
      case 0:
      case 1: {
        POINT at{0, 0};
        MapWindowPoints(window, parentOf(window), &at, 1);
        return Variant(static_cast<float>(twips(id == -1 ? at.x : at.y, shared_->dpi())));
      }
      default:
        return Variant(host::ObjectRef(std::make_shared<WindowForm>(shared_)));
    }
  }
  std::string_view typeName() const override { return base_->typeName(); }

  void closeTips() {
    for (auto& [key, box] : shared_->boxes) box->close();
  }

 private:
  static constexpr const char* kOwn[] = {"left", "top", "container", "parent"};

  // Our own form whenever the container's extender has no parent with a Controls collection.
  bool ownForm() const {
    if (!containerGave_) return true;
    try {
      host::ObjectRef parent = base_->get("Parent").asObject();
      host::deref(parent).idOfName("Controls");
      return false;
    } catch (const host::Error&) {
      return true;
    }
  }

  std::shared_ptr<Shared> shared_;
  host::ObjectRef base_;
  bool containerGave_;
};

}  // namespace

host::ObjectRef windowExtender(host::ControlSite& site, host::ObjectRef base, bool containerGave,
                               std::function<HWND()> window,
                               std::function<std::shared_ptr<void>()> hold) {
  auto shared = std::make_shared<Shared>(Shared{site, std::move(window), std::move(hold), {}});
  return std::make_shared<WindowExtender>(std::move(shared), std::move(base), containerGave);
}

void closeWindowTips(const host::ObjectRef& extender) {
  if (auto* own = dynamic_cast<WindowExtender*>(extender.get())) own->closeTips();
}

}  // namespace keloscroll::win
