#include "host/property_page.h"

namespace keloscroll::host {

namespace {

const DispatchTable<PropertyPageSite>& table() {
  static const DispatchTable<PropertyPageSite> kTable = [] {
    DispatchTable<PropertyPageSite> t;
    t.add({"SelectedControls",
           0,
           [](PropertyPageSite& s, std::span<Variant> index) {
             if (index.empty()) raise(err::InvalidCall);
             return Variant(s.SelectedControls(index[0].asLong()));
           },
           {},
           {}});
    t.property(
        "Changed", [](PropertyPageSite& s) { return Variant::fromBoolean(s.Changed()); },
        [](PropertyPageSite& s, const Variant& v) { s.setChanged(v.asBoolean()); });
    return t;
  }();
  return kTable;
}

}  // namespace

ObjectRef PropertyPageSite::SelectedControls(int32_t index) const {
  if (index < 0 || index >= SelectedCount()) raise(err::SubscriptOutOfRange);
  return selected_[static_cast<size_t>(index)];
}

int32_t PropertyPageSite::idOfName(std::string_view name) const {
  return table().idOfName(name);
}

Variant PropertyPageSite::invoke(int32_t id, Invoke kind, std::span<Variant> args) {
  return table().invoke(*this, id, kind, args);
}

}  // namespace keloscroll::host
