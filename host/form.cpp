// The user control's surface, the form, and the form's Controls collection.
#include "host/widgets.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "host/engine.h"
#include "host/error.h"
#include "host/widget_members.h"

namespace keloscroll::host {

using namespace widget_members;

namespace {

// FNV-1a over the name's lower-case form, as sameName compares names.
uint64_t nameHash(std::string_view s) {
  uint64_t h = 14695981039346656037ull;
  for (char ch : s) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    h = (h ^ static_cast<unsigned char>(ch)) * 1099511628211ull;
  }
  return h;
}

void collectControls(const ContainerWidget& c, std::vector<Widget*>& out) {
  for (const auto& child : c.children()) {
    out.push_back(child.get());
    if (child->kind() == WidgetKind::UserControl) continue;  // its parts are its own
    if (const ContainerWidget* cc = child->asContainer()) collectControls(*cc, out);
  }
}

}  // namespace

// ---- UserControl ----------------------------------------------------------------------------

std::shared_ptr<Accessible> UserControl::accessible() {
  if (!accessible_) {
    if (WidgetEvents* e = events()) accessible_ = e->accessibleOf(*this);
  }
  return accessible_;
}

void UserControl::raiseResize() {
  if (WidgetEvents* e = events()) e->onResize(*this);
}

// Synchronous, so a handler that sets the size again runs a nested Resize before it goes on.
void UserControl::sizeChanged() {
  ContainerWidget::sizeChanged();
  raiseResize();
}

void UserControl::setWidthTwips(float v) {
  TwipsRect r = rectTwips();
  r.width = v;
  setRectTwips(r);
}

void UserControl::setHeightTwips(float v) {
  TwipsRect r = rectTwips();
  r.height = v;
  setRectTwips(r);
}

const Widget::Table& UserControl::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addContainerMembers(t);
    addHwnd(t);
    bind(t, "Width", &UserControl::WidthTwips, &UserControl::setWidthTwips);
    bind(t, "Height", &UserControl::HeightTwips, &UserControl::setHeightTwips);
    t.remove("Container");
    return t;
  }();
  return kTable;
}

// ---- Form -----------------------------------------------------------------------------------

Form::Form(WidgetName name) : ContainerWidget(WidgetKind::Form, name) {
  setRectTwips({0, 0, 4800, 3600});
}

Form::~Form() {
  if (controls_) {
    controls_->form_ = nullptr;
    controls_->counted_ = false;
    controls_->names_.clear();
  }
}

void Form::setEngine(FormEngine* e) {
  if (engine_ == e) return;
  if (engine_) engine_->forgetTree(*this);
  engine_ = e;
  if (e) e->adoptTree(*this);
}

std::shared_ptr<ControlsCollection> Form::Controls() {
  if (!controls_) controls_ = std::make_shared<ControlsCollection>(*this);
  return controls_;
}

const Widget::Table& Form::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addContainerMembers(t);
    addHwnd(t);
    bind(t, "Caption", &Form::Caption, &Form::setCaption);
    t.property("Controls", [](Widget& w) { return Variant(as<Form>(w).Controls()); });
    t.method("Refresh", [](Widget& w, std::span<Variant>) {
      as<Form>(w).Refresh();
      return Variant();
    });
    return t;
  }();
  return kTable;
}

// ---- ControlsCollection ---------------------------------------------------------------------

Form& ControlsCollection::form() const {
  if (!form_) raise(err::ObjectNotSet);
  return *form_;
}

std::vector<Widget*> ControlsCollection::list() const {
  std::vector<Widget*> out;
  collectControls(form(), out);
  return out;
}

bool ControlsCollection::mayHold(std::string_view name) {
  if (!counted_) {
    for (Widget* w : list()) ++names_[nameHash(w->name())];
    counted_ = true;
  }
  return names_.contains(nameHash(name));
}

void ControlsCollection::countNames(const Widget& w, int delta) {
  uint64_t h = nameHash(w.name());
  if (delta > 0) {
    ++names_[h];
  } else if (auto it = names_.find(h); it != names_.end() && --it->second == 0) {
    names_.erase(it);
  }
  if (w.kind() == WidgetKind::UserControl) return;
  if (const ContainerWidget* c = w.asContainer()) {
    for (const auto& child : c->children_) {
      if (child) countNames(*child, delta);
    }
  }
}

std::shared_ptr<Widget> ControlsCollection::Add(std::string_view progId, std::string_view name) {
  Form& f = form();
  std::string id = toLowerAscii(progId);
  std::shared_ptr<Widget> w;
  std::string n(name);
  if (id == "vb.textbox") {
    auto t = std::make_shared<TextBox>(n);
    t->setFontSize(f.FontSize());  // new text boxes take the form's font
    t->setFontBold(f.FontBold());
    w = t;
  } else if (id == "vb.label") {
    w = std::make_shared<Label>(n);
  } else if (id == "vb.commandbutton") {
    w = std::make_shared<CommandButton>(n);
  } else if (id == "vb.checkbox") {
    w = std::make_shared<CheckBox>(n);
  } else if (id == "vb.image") {
    w = std::make_shared<Image>(n);
  } else if (id == "vb.picturebox") {
    w = std::make_shared<PictureBox>(n);
  } else if (id == "vb.frame") {
    w = std::make_shared<Frame>(n);
  } else if (id == "vb.timer") {
    w = std::make_shared<Timer>(n);
  } else {
    raise(err::InvalidCall, "Invalid class string: " + std::string(progId));
  }
  if (name.empty()) raise(err::InvalidCall);
  if (mayHold(name)) {
    for (Widget* existing : list()) {
      if (sameName(existing->name(), name)) raise(err::NameInUse, nameInUse(name));
    }
  }
  w->setVisible(false);  // added controls start hidden
  f.attach(w);
  return w;
}

void ControlsCollection::Remove(std::string_view name) {
  for (Widget* w : list()) {
    if (sameName(w->name(), name)) {
      w->container()->detach(*w);
      return;
    }
  }
  raise(err::ControlNotFound);
}

int32_t ControlsCollection::Count() const {
  return static_cast<int32_t>(list().size());
}

std::shared_ptr<Widget> ControlsCollection::Item(std::string_view name) const {
  for (Widget* w : list()) {
    if (sameName(w->name(), name)) return w->strongRef();
  }
  raise(err::ControlNotFound);
}

std::shared_ptr<Widget> ControlsCollection::Item(int32_t index) const {
  std::vector<Widget*> all = list();
  if (index < 0 || index >= static_cast<int32_t>(all.size())) raise(9, "Subscript out of range");
  return all[static_cast<size_t>(index)]->strongRef();
}

namespace {
const DispatchTable<ControlsCollection>& controlsTable() {
  static const DispatchTable<ControlsCollection> table = [] {
    DispatchTable<ControlsCollection> t;
    t.method("Add", [](ControlsCollection& c, std::span<Variant> a) {
      if (a.size() < 2) wrongArgCount();
      return Variant(c.Add(a[0].asString(), a[1].asString()));
    });
    t.method("Remove", [](ControlsCollection& c, std::span<Variant> a) {
      if (a.size() != 1) wrongArgCount();
      c.Remove(a[0].asString());
      return Variant();
    });
    t.method("Item", [](ControlsCollection& c, std::span<Variant> a) {
      if (a.size() != 1) wrongArgCount();
      if (a[0].value().isString()) return Variant(c.Item(a[0].asString()));
      return Variant(c.Item(a[0].asLong()));
    });
    t.property("Count", [](ControlsCollection& c) { return Variant(c.Count()); });
    return t;
  }();
  return table;
}
}  // namespace

int32_t ControlsCollection::idOfName(std::string_view name) const {
  return controlsTable().idOfName(name);
}

Variant ControlsCollection::invoke(int32_t id, Invoke kind, std::span<Variant> args) {
  return controlsTable().invoke(*this, id, kind, args);
}

// ---- lookup ---------------------------------------------------------------------------------

Widget* findWidget(const ContainerWidget& root, std::string_view name) {
  for (const auto& c : root.children()) {
    if (sameName(c->name(), name)) return c.get();
  }
  for (const auto& c : root.children()) {
    if (const ContainerWidget* cc = c->asContainer()) {
      if (Widget* w = findWidget(*cc, name)) return w;
    }
  }
  return nullptr;
}

}  // namespace keloscroll::host
