// A form with one KeloScroll bar on it, placed the way a container places a control, with the
// host's event handler scriptable from each test and the virtual clock in the test's hands.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "control/UsrKeloScroll.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/widgets.h"
#include "tests/host/host_test_util.h"

namespace keloscroll::testing {

using host::testing::errorOf;

class Bar {
 public:
  // A vertical bar of 720 x 3645 twips, Max 200000, at the form's corner.
  Bar() : engine(clock) {
    form = engine.createForm("Form1");
    form->setWidth(9000);
    form->setHeight(6000);
    site = std::make_shared<host::ControlSite>(engine, *form, "KeloScroll1");
    site->setEventSink([this](std::string_view name, std::span<host::Variant> args) {
      if (onEvent) onEvent(name, args);
    });
    ctl = UsrKeloScroll::create(*site);
    site->initNew();
    site->resize(720, 3645);
    site->show();
    clearRecords();
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
  void clearRecords() {
    site->clearEvents();
    site->clearPropertyChanges();
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
