// What the control asks of its container: events to the advised sinks, property changes to
// the property-notify sinks, the ambient UserMode, and the extender the control's host reaches
// the container through.
#include <algorithm>
#include <vector>

#include "control/interface_table.h"
#include "server/win/control_object.h"
#include "server/win/convert.h"
#include "server/win/window_container.h"

namespace keloscroll::win {

namespace {

// An event argument as the sinks receive it: by reference for Change's Long and
// GetDescription's String, as the event interface declares them.
struct EventArgument {
  LONG i4 = 0;
  BSTR text = nullptr;
  EventArgument() = default;
  EventArgument(const EventArgument&) = delete;
  EventArgument& operator=(const EventArgument&) = delete;
  ~EventArgument() { SysFreeString(text); }
};

}  // namespace

void ControlObject::fireEvent(std::string_view name, std::span<host::Variant> args) {
  auto entry = std::find_if(kEvents.begin(), kEvents.end(),
                            [&](const EventEntry& e) { return e.name == name; });
  if (entry == kEvents.end()) return;
  if (frozenEvents_ > 0) return;
  std::vector<ComPtr<IUnknown>> sinks = events_.sinks();
  if (sinks.empty()) return;
  auto alive = keepAlive();  // a sink may release the control while it runs
  std::vector<EventArgument> slots(args.size());
  std::vector<VARIANT> params(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    EventArgument& a = slots[i];
    VARIANT& v = params[args.size() - 1 - i];  // COM passes the last argument first
    VariantInit(&v);
    if (args[i].type() == host::VarType::String) {
      a.text = toBstr(args[i].asString());
      v.vt = VT_BYREF | VT_BSTR;
      v.pbstrVal = &a.text;
    } else {
      a.i4 = args[i].asLong();
      v.vt = VT_BYREF | VT_I4;
      v.plVal = &a.i4;
    }
  }
  DISPPARAMS dp{params.empty() ? nullptr : params.data(), nullptr, static_cast<UINT>(params.size()),
                0};
  for (ComPtr<IUnknown>& sink : sinks) {
    auto* d = static_cast<IDispatch*>(sink.get());  // advised as the event interface or IDispatch
    EXCEPINFO info{};
    // A sink's own failure is its own: the control goes on, as a host's handler error would.
    d->Invoke(entry->dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, &info,
              nullptr);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    sink.reset();
  }
  for (size_t i = 0; i < args.size(); ++i) {
    if (slots[i].text || args[i].type() == host::VarType::String) {
      args[i].assign(host::Variant(utf8(slots[i].text)));
    } else {
      args[i].assign(host::Variant(static_cast<int32_t>(slots[i].i4)));
    }
  }
}

void ControlObject::propertyChanged(std::string_view property) {
  // Loading sets every property through its setter; the container hears of none of them, and the
  // loaded control is clean.
  if (loading_) return;
  dirty_ = true;
  DISPID id = DISPID_UNKNOWN;
  try {
    id = dispidOfName(property);
  } catch (const host::Error&) {
  }
  for (ComPtr<IUnknown>& sink : propertyNotify_.sinks()) {
    static_cast<IPropertyNotifySink*>(sink.get())->OnChanged(id);
    sink.reset();
  }
}

host::Boolean ControlObject::ambientUserMode() {
  // A container that offers no ambient properties, or not this one, runs its controls.
  if (!ambient_) return host::True;
  VariantHolder result;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  HRESULT hr = ambient_->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
  if (FAILED(hr)) return host::True;
  return fromVariant(result.get()).asBoolean();
}

host::ControlSite::ContainerServices ControlObject::services(host::ObjectRef extender) {
  host::ControlSite::ContainerServices s;
  s.ambientUserMode = [this] { return ambientUserMode(); };
  s.propertyChanged = [this](std::string_view p) { propertyChanged(p); };
  // Containers without a form for the control (no extender, or a parent with no Controls) get
  // one of ours over the control's window, so that the tooltip still has a place to stand.
  bool gave = extender != nullptr;
  host::ControlSite& site = *hosting_->site;
  host::ObjectRef base = gave ? std::move(extender) : std::make_shared<host::Extender>(site);
  s.extender = windowExtender(
      site, std::move(base), gave, [this] { return window_ ? window_->hwnd() : HWND{nullptr}; },
      [this] { return holdToken(); });
  return s;
}

void ControlObject::placed() {
  if (extentSet_) return;
  const host::UserControl& s = hosting_->site->surface();
  hosting_->form->Move(0, 0, s.Width(), s.Height());
  hosting_->site->resize(s.Width(), s.Height());
}

}  // namespace keloscroll::win
