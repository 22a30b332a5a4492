#include "host/container.h"

#include <array>
#include <utility>

#include "host/error.h"
#include "host/widget_members.h"

namespace keloscroll::host {

// ---- PropertyBag ----------------------------------------------------------------------------

namespace {

bool isNumber(VarType t) {
  return t == VarType::Integer || t == VarType::Long || t == VarType::Single ||
         t == VarType::Double || t == VarType::Boolean;
}

// The bag compares a value with its default as the host's comparison does: numbers by value
// whatever their type, everything else by type and value.
bool equalsDefault(const Variant& value, const Variant& def) {
  Variant a = value.value(), b = def.value();
  if (a.type() == b.type()) return a == b;
  if (isNumber(a.type()) && isNumber(b.type())) return a.asDouble() == b.asDouble();
  return false;
}

bool sameKey(std::string_view a, std::string_view b) {
  return a.size() == b.size() && toLowerAscii(a) == toLowerAscii(b);
}

}  // namespace

namespace {
unsigned char lowerAscii(char c) {
  auto u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}
}  // namespace

size_t PropertyBag::KeyHash::operator()(std::string_view key) const {
  // FNV-1a over the lower-case bytes.
  uint64_t h = 14695981039346656037ull;
  for (char c : key) {
    h ^= lowerAscii(c);
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

bool PropertyBag::KeyEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

const Variant* PropertyBag::find(std::string_view key) const {
  auto it = index_.find(key);
  return it == index_.end() ? nullptr : &entries_[it->second].second;
}

Variant PropertyBag::ReadProperty(std::string_view key, const Variant& defaultValue) const {
  if (const Variant* v = find(key)) return *v;
  return defaultValue.value();
}

void PropertyBag::WriteProperty(std::string_view key, const Variant& value,
                                const Variant& defaultValue) {
  if (equalsDefault(value, defaultValue)) {
    // Not stored: a reader gets the default back, also in place of an older value.
    auto it = index_.find(key);
    if (it == index_.end()) return;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(it->second));
    index_.clear();
    for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].first, i);
    return;
  }
  set(key, value);
}

bool PropertyBag::isDefault(const Variant& value, const Variant& defaultValue) {
  return equalsDefault(value, defaultValue);
}

bool PropertyBag::has(std::string_view key) const {
  return find(key) != nullptr;
}

void PropertyBag::set(std::string_view key, Variant value) {
  if (auto it = index_.find(key); it != index_.end()) {
    entries_[it->second].second = value.value();
    return;
  }
  entries_.emplace_back(std::string(key), value.value());
  index_.emplace(entries_.back().first, entries_.size() - 1);
}

// ---- ControlSite ----------------------------------------------------------------------------

ControlSite::ControlSite(FormEngine& engine, ContainerWidget& container, std::string name)
    : engine_(engine), surface_(std::make_shared<UserControl>(std::move(name))) {
  container.attach(surface_);
  // A container not yet on one of the engine's forms: the surface still needs its handle.
  if (surface_->engine() != &engine) engine.assignHwnd(*surface_);
}

ControlSite::~ControlSite() {
  if (ContainerWidget* c = surface_->container()) c->detach(*surface_);
}

const ControlSite::Records& ControlSite::records() const {
  static const Records kNone;
  return records_ ? *records_ : kNone;
}

ControlSite::Records& ControlSite::recordsToWrite() {
  if (!records_) records_ = std::make_unique<Records>();
  return *records_;
}

Boolean ControlSite::AmbientUserMode() const {
  if (!clientSite_) raise(err::NoClientSite);
  if (services_ && services_->ambientUserMode) return services_->ambientUserMode();
  return toBoolean(userMode_);
}

void ControlSite::PropertyChanged(std::string_view property) {
  dirty_ = true;
  if (recording_) recordsToWrite().propertyChanges.emplace_back(property);
  if (services_ && services_->propertyChanged) services_->propertyChanged(property);
}

void ControlSite::RaiseEvent(std::string_view event, std::span<Variant> args) {
  if (recording_) {
    EventRecord record{std::string(event), {}};
    record.args.reserve(args.size());
    for (const Variant& a : args) record.args.push_back(a.value());
    recordsToWrite().events.push_back(std::move(record));
  }
  // A copy: the handler may install another sink while it runs.
  if (EventSink sink = sink_) sink(event, args);
}

ObjectRef ControlSite::extender() {
  if (services_ && services_->extender) return services_->extender;
  if (!extender_) extender_ = std::make_shared<Extender>(*this);
  return extender_;
}

Form& ControlSite::parentForm() const {
  Form* f = surface_->form();
  if (!f) raise(err::ObjectNotSet);
  return *f;
}

// The setters that InitProperties and ReadProperties go through report every property they
// set; what they set is what the form already holds, so nothing is left to save.
void ControlSite::initNew() {
  if (WidgetEvents* e = surface_->events()) e->onInitProperties(*surface_);
  dirty_ = false;
}

void ControlSite::load(PropertyBag& bag) {
  if (WidgetEvents* e = surface_->events()) e->onReadProperties(*surface_, bag);
  dirty_ = false;
}

void ControlSite::save(PropertyBag& bag, bool clearDirty) {
  if (WidgetEvents* e = surface_->events()) e->onWriteProperties(*surface_, bag);
  if (clearDirty) dirty_ = false;
}

void ControlSite::show() {
  if (WidgetEvents* e = surface_->events()) e->onShow(*surface_);
}

void ControlSite::terminate() {
  if (terminated_) return;
  terminated_ = true;
  if (WidgetEvents* e = surface_->events()) e->onTerminate(*surface_);
}

// The host places the control at its extent: Resize comes once, also when the size is the one
// the surface already has.
void ControlSite::resize(float width, float height) {
  TwipsRect r = surface_->rectTwips();
  const ContainerWidget* c = surface_->container();
  r.width = c ? c->toTwipsW(width) : width;
  r.height = c ? c->toTwipsH(height) : height;
  bool same = r.width == surface_->rectTwips().width && r.height == surface_->rectTwips().height;
  surface_->setRectTwips(r);
  if (same) surface_->raiseResize();
}

// ---- Extender -------------------------------------------------------------------------------

namespace {

// The extender's own members take ids from the range the host reserves for them, apart from
// any id a control gives its members.
constexpr int32_t kOwnBase = static_cast<int32_t>(0x80010000u);
constexpr int32_t kRemapBase = static_cast<int32_t>(0x80020000u);
constexpr std::array<const char*, 9> kOwnNames = {
    "Name", "Left", "Top", "Width", "Height", "Visible", "Container", "Parent", "Object"};
enum Own { Name, Left, Top, Width, Height, Visible, Container, Parent, Object };

bool isOwnId(int32_t id) {
  return id >= kOwnBase && id < kOwnBase + static_cast<int32_t>(kOwnNames.size());
}

}  // namespace

int32_t Extender::idOfName(std::string_view name) const {
  for (size_t i = 0; i < kOwnNames.size(); ++i) {
    if (sameKey(kOwnNames[i], name)) return kOwnBase + static_cast<int32_t>(i);
  }
  ObjectRef control = link_.get().control();
  if (!control) raise(err::NoSuchMember);
  int32_t id = control->idOfName(name);
  bool clash = isOwnId(id) || (id >= kRemapBase && id < kRemapBase + 0x10000);
  if (!clash) return id;
  for (size_t i = 0; i < remapped_.size(); ++i) {
    if (remapped_[i] == id) return kRemapBase + static_cast<int32_t>(i);
  }
  remapped_.push_back(id);
  return kRemapBase + static_cast<int32_t>(remapped_.size() - 1);
}

Variant Extender::invoke(int32_t id, Invoke kind, std::span<Variant> args) {
  if (isOwnId(id)) {
    UserControl& s = link_.get().surface();
    bool put = kind == Invoke::Let || kind == Invoke::Set;
    if (put && args.empty()) raise(err::NoSuchMember);
    const Variant* v = put ? &args.back() : nullptr;
    switch (static_cast<Own>(id - kOwnBase)) {
      case Name:
        if (put) raise(382, "Property cannot be set at run time");
        return Variant(s.name());
      case Left:
        if (put) s.setLeft(v->asSingle());
        return put ? Variant() : Variant(s.Left());
      case Top:
        if (put) s.setTop(v->asSingle());
        return put ? Variant() : Variant(s.Top());
      case Width:
        if (put) s.setWidth(v->asSingle());
        return put ? Variant() : Variant(s.Width());
      case Height:
        if (put) s.setHeight(v->asSingle());
        return put ? Variant() : Variant(s.Height());
      case Visible:
        if (put) s.setVisible(isTrue(v->asBoolean()));
        return put ? Variant() : Variant::boolean(s.Visible());
      case Container:
        if (put) raise(err::NoSuchMember);
        return widget_members::objectOf(s.container());
      case Parent:
        if (put) raise(err::NoSuchMember);
        return widget_members::objectOf(s.form());
      case Object: {
        if (put) raise(err::NoSuchMember);
        ObjectRef control = link_.get().control();
        return control ? Variant(control) : Variant::nothing();
      }
    }
  }
  ObjectRef control = link_.get().control();
  if (!control) raise(err::NoSuchMember);
  if (id >= kRemapBase && id < kRemapBase + static_cast<int32_t>(remapped_.size())) {
    id = remapped_[static_cast<size_t>(id - kRemapBase)];
  }
  return control->invoke(id, kind, args);
}

std::string_view Extender::typeName() const {
  // The host reports the control's own type for its extender.
  if (!link_.alive()) return "Object";
  ObjectRef control = link_.get().control();
  return control ? control->typeName() : std::string_view("Object");
}

}  // namespace keloscroll::host
