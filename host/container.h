// Container services: what a host gives a control placed on one of its forms. The site holds the
// control's surface widget, answers ambient properties, records PropertyChanged, delivers the
// control's events to the host's handler, and drives the control's lifecycle.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/dispatch.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/form.h"
#include "host/handler.h"

namespace keloscroll::host {

// Named values, each written with a default. As the host does, a value equal to its default is
// not stored, and reading a missing key gives the default. Values keep their types.
// A real container's bag (a COM IPropertyBag) takes this one's place by overriding the two
// operations a control uses.
class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  virtual Variant ReadProperty(std::string_view key, const Variant& defaultValue) const;
  virtual void WriteProperty(std::string_view key, const Variant& value,
                             const Variant& defaultValue);
  // The host's test of a value against its default: numbers by value whatever their type,
  // everything else by type and value. A value equal to its default is not stored.
  static bool isDefault(const Variant& value, const Variant& defaultValue);

  bool has(std::string_view key) const;
  // Stored entries in the order first written.
  const std::vector<std::pair<std::string, Variant>>& entries() const { return entries_; }
  void set(std::string_view key, Variant value);  // stores unconditionally (loading a file)
  void clear() {
    entries_.clear();
    index_.clear();
  }

 private:
  // Keys compare without regard to ASCII case; the index finds one without copying it.
  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const;
  };
  struct KeyEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  const Variant* find(std::string_view key) const;

  std::vector<std::pair<std::string, Variant>> entries_;
  std::unordered_map<std::string, size_t, KeyHash, KeyEqual> index_;  // key -> place in entries_
};

class Extender;

class ControlSite : public std::enable_shared_from_this<ControlSite> {
 public:
  // Places a new user-control surface named `name` on `container` (a form, frame or picture box).
  ControlSite(FormEngine& engine, ContainerWidget& container, std::string name);
  ~ControlSite();

  FormEngine& engine() const { return engine_; }
  UserControl& surface() const { return *surface_; }
  std::shared_ptr<UserControl> surfaceRef() const { return surface_; }
  std::string_view name() const { return surface_->name(); }

  // The control's public face, which the extender forwards unknown members to.
  void setControl(ObjectRef control) { control_ = std::move(control); }
  ObjectRef control() const { return control_.lock(); }

  // What a real container (a COM client site) answers in place of this host; each part is
  // optional. The extender is the container's own object (its Parent, Controls and Container
  // are then the container's, reached by name).
  struct ContainerServices {
    Handler<Boolean()> ambientUserMode;  // may raise 398
    Handler<void(std::string_view property)> propertyChanged;
    ObjectRef extender;
  };
  void setContainerServices(ContainerServices services) {
    services_ = std::make_unique<ContainerServices>(std::move(services));
  }

  // Ambient UserMode: true at run time, false in a designer. Error 398 while the client site is
  // not available.
  Boolean AmbientUserMode() const;
  void setUserMode(bool runMode) { userMode_ = runMode; }
  void setClientSiteAvailable(bool available) { clientSite_ = available; }

  // The control tells that a property changed: the container marks the control dirty, so that
  // the form is saved again, and passes the name on to a real container's services.
  void PropertyChanged(std::string_view property);
  // Whether the control holds changes not yet saved. Set by PropertyChanged whether or not calls
  // are recorded; a control just made or loaded has none; save() clears it when asked to.
  bool dirty() const { return dirty_; }
  void setDirty(bool dirty) { dirty_ = dirty; }
  // Tests and the scenario runner read what the control reported and raised; a long-running host
  // turns recording off so that the records do not grow without end.
  void setRecording(bool on) { recording_ = on; }
  const std::vector<std::string>& propertyChanges() const { return records().propertyChanges; }
  void clearPropertyChanges() {
    if (records_) records_->propertyChanges.clear();
  }

  // Delivers an event to the host's handler, which runs to completion (and may call back into
  // the control); by-reference arguments come back as the handler left them.
  using EventSink = Handler<void(std::string_view event, std::span<Variant> args)>;
  void setEventSink(EventSink sink) { sink_ = std::move(sink); }
  void RaiseEvent(std::string_view event, std::span<Variant> args = {});
  struct EventRecord {
    std::string name;
    std::vector<Variant> args;  // values as raised (before the handler)
  };
  const std::vector<EventRecord>& events() const { return records().events; }
  void clearEvents() {
    if (records_) records_->events.clear();
  }

  // The container's wrapper of the control: Name, Left, Top, Width, Height, Visible, Container,
  // Parent; any other member goes to the control itself.
  ObjectRef extender();
  // The form that holds the control.
  Form& parentForm() const;

  // The lifecycle, as the host drives it.
  void initNew();               // InitProperties; the control is then clean
  void load(PropertyBag& bag);  // ReadProperties; the control is then clean
  // WriteProperties. A host that saves the form clears the dirty state; one that only copies the
  // properties (or may still fail to write them out) keeps it and clears it when it is done.
  void save(PropertyBag& bag, bool clearDirty = true);
  void show();                             // Show
  void terminate();                        // Terminate (once; later calls do nothing)
  void resize(float width, float height);  // in the container's units; raises Resize

 private:
  FormEngine& engine_;
  std::shared_ptr<UserControl> surface_;
  std::weak_ptr<Dispatch> control_;
  std::shared_ptr<Extender> extender_;
  bool userMode_ = true;
  bool clientSite_ = true;
  bool terminated_ = false;
  bool recording_ = true;
  bool dirty_ = false;
  EventSink sink_;
  // What only some hosts use is made when first needed: container services come from a real
  // container alone, and only tests and the scenario runner keep records.
  struct Records {
    std::vector<std::string> propertyChanges;
    std::vector<EventRecord> events;
  };
  const Records& records() const;
  Records& recordsToWrite();
  std::unique_ptr<Records> records_;
  std::unique_ptr<ContainerServices> services_;
};

// A control's hold on its site. The host may release the site before the control (a container
// that lets go of its site first, a script that keeps the control): from then on reports and
// events go nowhere, and whatever needs the site is error 398, as before the site existed.
class SiteLink {
 public:
  // The site must be shared (made with make_shared): its count is what tells it is gone.
  explicit SiteLink(ControlSite& site) : site_(&site), alive_(site.weak_from_this()) {}
  bool alive() const { return !alive_.expired(); }
  ControlSite& get() const {
    if (!alive()) raise(err::NoClientSite);
    return *site_;
  }
  FormEngine& engine() const { return get().engine(); }
  ObjectRef extender() const { return get().extender(); }
  Boolean AmbientUserMode() const { return get().AmbientUserMode(); }
  void PropertyChanged(std::string_view property) const {
    if (alive()) site_->PropertyChanged(property);
  }
  void RaiseEvent(std::string_view event, std::span<Variant> args = {}) const {
    if (alive()) site_->RaiseEvent(event, args);
  }

 private:
  ControlSite* site_;
  std::weak_ptr<ControlSite> alive_;
};

class Extender final : public Dispatch {
 public:
  explicit Extender(ControlSite& site) : link_(site) {}
  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override;
  std::string_view typeName() const override;

 private:
  // A script may keep the extender after the site has gone.
  SiteLink link_;
  // Ids of control members that would clash with the extender's own, renumbered by position.
  mutable std::vector<int32_t> remapped_;
};

}  // namespace keloscroll::host
