// keloscroll-run with one more control class, Test.Bar, that the scenarios runner_*.scn beside
// this file place where the project's own bar cannot show the runner's work: its lifecycle with
// the ambient modes it read, by-reference event arguments, handlers that re-enter it, modal forms.
//   app_testbar_run FILE       (CTest plays each file with check_scenario.cmake)
#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/run/runner.h"
#include "host/classes.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/leaf_widgets.h"

namespace {

using keloscroll::host::Variant;

// A small control: it records its lifecycle, reads the ambient UserMode, raises Change with a
// by-reference Long and GetDescription with a by-reference String, shows a modal form and a
// message box, and offers its private state to diagnostics.
class TestBar final : public keloscroll::host::Dispatch, public keloscroll::host::Diagnosable {
 public:
  explicit TestBar(keloscroll::host::ControlSite& site) : site_(site) {
    keloscroll::host::UserControl& s = site.surface();
    s.on().InitProperties = [this] { note("InitProperties"); };
    s.on().ReadProperties = [this](keloscroll::host::PropertyBag& bag) {
      note("ReadProperties");
      value_ = bag.ReadProperty("Value", Variant(int32_t{1})).asLong();
    };
    s.on().WriteProperties = [this](keloscroll::host::PropertyBag& bag) {
      bag.WriteProperty("Value", Variant(value_), Variant(int32_t{1}));
    };
    s.on().Resize = [this] { note("Resize"); };
    s.on().Show = [this] { note("Show"); };
  }

  int32_t idOfName(std::string_view name) const override { return table().idOfName(name); }
  Variant invoke(int32_t id, keloscroll::host::Invoke kind, std::span<Variant> args) override {
    return table().invoke(*this, id, kind, args);
  }
  std::string_view typeName() const override { return "TestBar"; }

  std::vector<std::pair<std::string, Variant>> diagnosticState() const override {
    return {{"mValue", Variant(value_)}, {"mChangeValue", Variant(changeValue_)}};
  }

 private:
  void note(const char* what) {
    std::string mode;
    try {
      mode = keloscroll::host::isTrue(site_.AmbientUserMode()) ? "run" : "design";
    } catch (const keloscroll::host::Error& e) {
      mode = std::to_string(e.number());
    }
    lifecycle_ += (lifecycle_.empty() ? "" : " ") + std::string(what) + ":" + mode;
  }

  void setValue(int32_t v) {
    value_ = v;
    changeValue_ = v;
    Variant arg = Variant::refLong(&changeValue_);
    site_.RaiseEvent("Change", {&arg, 1});
    site_.PropertyChanged("Value");
  }

  static const keloscroll::host::DispatchTable<TestBar>& table() {
    using Args = std::span<Variant>;
    static const keloscroll::host::DispatchTable<TestBar> t = [] {
      keloscroll::host::DispatchTable<TestBar> d;
      d.property(
          "Value", [](TestBar& b) { return Variant(b.value_); },
          [](TestBar& b, const Variant& v) { b.setValue(v.asLong()); });
      d.property("Lifecycle", [](TestBar& b) { return Variant(b.lifecycle_); });
      d.method("Describe", [](TestBar& b, Args) {
        Variant arg = Variant::refString(&b.description_);
        b.site_.RaiseEvent("GetDescription", Args(&arg, 1));
        return Variant(b.description_);
      });
      // Raises Change under an error trap, as the control's trapping procedures do.
      d.method("Guarded", [](TestBar& b, Args) {
        try {
          b.setValue(b.value_);
        } catch (const keloscroll::host::Error& e) {
          return Variant(e.number());
        }
        return Variant(int32_t{0});
      });
      d.method("Dialog", [](TestBar& b, Args) {
        keloscroll::host::FormEngine& engine = b.site_.engine();
        auto form = engine.createForm("dlgTest");
        form->setCaption("Test dialog");
        auto ok = form->add<keloscroll::host::CommandButton>("cmdOK");
        ok->Move(100, 100, 1000, 400);
        bool clicked = false;
        ok->on().Click = [&clicked] { clicked = true; };
        engine.showModal(*form);
        engine.unloadForm(*form);
        return Variant::boolean(clicked);
      });
      d.method("Ask",
               [](TestBar& b, Args) { return Variant(b.site_.engine().MsgBox("Sure?", 4)); });
      return d;
    }();
    return t;
  }

  keloscroll::host::ControlSite& site_;
  int32_t value_ = 1;
  int32_t changeValue_ = 0;
  std::string description_;
  std::string lifecycle_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: app_testbar_run FILE\n";
    return keloscroll::run::kStopped;
  }
  keloscroll::host::registerControlClass(
      "Test.Bar", [](keloscroll::host::ControlSite& site) -> keloscroll::host::ObjectRef {
        return std::make_shared<TestBar>(site);
      });
  return keloscroll::run::Runner(std::cout, std::cerr).runFile(argv[1]);
}
