// A form with one KeloScroll bar on it, placed the way a container places a control, with the
// host's event handler scriptable from each test and the virtual clock in the test's hands.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "control/UsrKeloScroll.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/widgets.h"
#include "tests/host/host_test_util.h"

namespace keloscroll::testing {

using host::testing::errorOf;

struct BarOptions {
  bool runMode = true;
  bool vertical = true;
  float width = 720;
  float height = 3645;
  bool clientSite = true;
};

class Bar {
 public:
  explicit Bar(BarOptions o = {}) : engine(clock) {
    form = engine.createForm("Form1");
    form->setWidth(9000);
    form->setHeight(6000);
    site = std::make_shared<host::ControlSite>(engine, *form, "KeloScroll1");
    site->setUserMode(o.runMode);
    site->setClientSiteAvailable(o.clientSite);
    site->setEventSink([this](std::string_view name, std::span<host::Variant> args) {
      if (onEvent) onEvent(name, args);
    });
    ctl = UsrKeloScroll::create(*site);
    site->initNew();
    if (!o.vertical) {
      host::Boolean f = host::False;
      ctl->setVerticalBar(f);
    }
    site->resize(o.width, o.height);
    site->show();
    site->clearEvents();
    site->clearPropertyChanges();
  }

  host::Widget& part(std::string_view name) const {
    host::Widget* w = host::findWidget(site->surface(), name);
    if (!w) throw std::runtime_error("no part " + std::string(name));
    return *w;
  }
  host::PictureBox& track() const { return static_cast<host::PictureBox&>(part("picBarra")); }
  host::Widget& thumb() const { return part("imgCursor"); }

  host::Variant diag(std::string_view name) const {
    for (auto& [key, value] : ctl->diagnosticState())
      if (key == name) return value;
    throw std::runtime_error("no diagnostic " + std::string(name));
  }
  int32_t diagLong(std::string_view name) const { return diag(name).asLong(); }
  bool diagBool(std::string_view name) const { return diag(name).asBoolean() != 0; }

  // The recorded events as "Name(arg, ...)" strings.
  std::vector<std::string> events() const {
    std::vector<std::string> out;
    for (const auto& e : site->events()) {
      std::string s = e.name;
      if (!e.args.empty()) {
        s += "(";
        for (size_t i = 0; i < e.args.size(); ++i) s += (i ? ", " : "") + e.args[i].asString();
        s += ")";
      }
      out.push_back(s);
    }
    return out;
  }
  size_t propertyChangeCount(std::string_view name) const {
    size_t n = 0;
    for (const auto& p : site->propertyChanges()) n += p == name;
    return n;
  }
  void clearRecords() {
    site->clearEvents();
    site->clearPropertyChanges();
  }

  // A point given in a widget's own units, in form-client twips.
  void formPoint(const host::Widget& w, float x, float y, double& fx, double& fy) const {
    double ox = 0, oy = 0;
    w.originOnForm(ox, oy);
    if (auto* c = dynamic_cast<const host::ContainerWidget*>(&w)) {
      fx = ox + c->innerOffsetTwips() + c->toTwipsX(x);
      fy = oy + c->innerOffsetTwips() + c->toTwipsY(y);
    } else {
      fx = ox + x;
      fy = oy + y;
    }
  }
  void press(const host::Widget& w, float x, float y, int16_t button = 1, int16_t shift = 0) {
    double fx, fy;
    formPoint(w, x, y, fx, fy);
    engine.mouseDown(*form, fx, fy, button, shift);
  }
  void move(const host::Widget& w, float x, float y) {
    double fx, fy;
    formPoint(w, x, y, fx, fy);
    engine.mouseMove(*form, fx, fy);
  }
  void release(const host::Widget& w, float x, float y, int16_t button = 1) {
    double fx, fy;
    formPoint(w, x, y, fx, fy);
    engine.mouseUp(*form, fx, fy, button);
  }
  void key(int16_t code, int16_t shift = 0) {
    engine.setFocus(track());
    engine.keyDown(code, shift);
    engine.keyUp(code, shift);
  }

  host::VirtualClock clock;
  host::FormEngine engine;
  std::shared_ptr<host::Form> form;
  std::shared_ptr<host::ControlSite> site;
  std::shared_ptr<UsrKeloScroll> ctl;
  std::function<void(std::string_view, std::span<host::Variant>)> onEvent;
};

}  // namespace keloscroll::testing
