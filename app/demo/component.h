// Creating a control by ProgID as a container does on this platform: the registry file gives the
// class id and the component library that serves it (docs/server.md); the library is loaded, its
// class factory makes the control object, and the object is placed on the container's site.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/container.h"
#include "host/variant.h"
#include "server/linux/com.h"

namespace keloscroll::demo {

// The component library that came with this program: installed beside it
// (bin/../lib/keloscroll/libKeloScroll.so), else the one of the build it was made in.
std::string bundledComponentLibrary();

// The registry file: $KELO_REGISTRY, else ~/.keloscroll/registry.json.
std::filesystem::path registryFile();

// As the program's installer would: registers `library` (its DllRegisterServer) unless the
// registry already names that very file as the server of `progId`. Throws std::runtime_error
// when the library cannot be loaded or refuses.
void ensureRegistered(std::string_view progId, const std::string& library);

// A control object made by a component library and placed on a site. It holds one reference to
// the object and its public face; the library stays loaded (a host unloads one only when its
// DllCanUnloadNow allows, and the demo keeps its bars to the end).
class PlacedControl {
 public:
  PlacedControl() = default;
  PlacedControl(keloscroll::server::IKeloControl* object, host::ObjectRef face)
      : object_(object), face_(std::move(face)) {}
  ~PlacedControl() { reset(); }
  PlacedControl(PlacedControl&& o) noexcept : object_(o.object_), face_(std::move(o.face_)) {
    o.object_ = nullptr;
  }
  PlacedControl& operator=(PlacedControl&& o) noexcept {
    if (this != &o) {
      reset();
      object_ = o.object_;
      face_ = std::move(o.face_);
      o.object_ = nullptr;
    }
    return *this;
  }
  PlacedControl(const PlacedControl&) = delete;
  PlacedControl& operator=(const PlacedControl&) = delete;

  const host::ObjectRef& face() const { return face_; }
  void reset() {
    face_.reset();
    if (object_) object_->Release();
    object_ = nullptr;
  }

 private:
  keloscroll::server::IKeloControl* object_ = nullptr;
  host::ObjectRef face_;
};

// Creates the control of class `progId` on `site`: the registry names the class id and the
// library; the library's DllGetClassObject gives the class factory, whose object is placed with
// SetClientSite. Throws std::runtime_error naming the step that failed.
PlacedControl createControl(std::string_view progId, host::ControlSite& site);

// A control placed by ProgID on a site of its own, as a container holds it: the site, the
// library's object and the object's public face.
struct SitedControl {
  std::shared_ptr<host::ControlSite> site;
  PlacedControl object;
  host::ObjectRef control;

  explicit operator bool() const { return site != nullptr; }
  // Terminate, then off the form. Nothing to do for an empty one.
  void drop();
};

// How a container places a control: where (twips in the container), in which mode, what it
// hears from it, and what it starts from: a saved bag (ReadProperties) or, without one, the
// control's defaults (InitProperties) followed by `init`.
struct Placement {
  host::TwipsRect rect;
  bool userMode = true;
  host::ControlSite::EventSink sink;
  host::ControlSite::ContainerServices services;
  const host::PropertyBag* bag = nullptr;
  std::function<void(host::Dispatch&)> init;
};

// A new site named `name` on `container`, the control of class `progId` on it, its properties,
// then Resize and Show, in a container's order. When a step fails the site is gone again and
// the error (std::runtime_error, or the host::Error the control raised) goes to the caller.
SitedControl placeControl(std::string_view progId, host::FormEngine& engine,
                          host::ContainerWidget& container, const std::string& name,
                          const Placement& how);

}  // namespace keloscroll::demo
