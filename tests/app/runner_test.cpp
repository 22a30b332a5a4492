// The scenario runner driven from C++, where a scenario file cannot reach: bytes no text file
// carries, run options, files that are no scenarios, the screenshot folder, and a small control
// class registered here that the scenarios runner_*.scn beside this file place (lifecycle, ambient
// modes, by-reference event arguments, modal forms). The rest of the runner plays in
// tests/scenarios/runner_*.scn.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/run/runner.h"
#include "host/classes.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/error.h"

namespace {

using host::Variant;
using kelo::run::kPassed;
using kelo::run::kStopped;
using ::testing::HasSubstr;

// A small control: it records its lifecycle, reads the ambient UserMode, raises Change with a
// by-reference Long and GetDescription with a by-reference String, shows a modal form and a
// message box, and offers its private state to diagnostics.
class TestBar final : public host::Dispatch, public host::Diagnosable {
 public:
  explicit TestBar(host::ControlSite& site) : site_(site) {
    host::UserControl& s = site.surface();
    s.InitProperties = [this] { note("InitProperties"); };
    s.ReadProperties = [this](host::PropertyBag& bag) {
      note("ReadProperties");
      value_ = bag.ReadProperty("Value", Variant(int32_t{1})).asLong();
    };
    s.WriteProperties = [this](host::PropertyBag& bag) {
      bag.WriteProperty("Value", Variant(value_), Variant(int32_t{1}));
    };
    s.Resize = [this] { note("Resize"); };
    s.Show = [this] { note("Show"); };
  }

  int32_t idOfName(std::string_view name) const override { return table().idOfName(name); }
  Variant invoke(int32_t id, host::Invoke kind, std::span<Variant> args) override {
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
      mode = host::isTrue(site_.AmbientUserMode()) ? "run" : "design";
    } catch (const host::Error& e) {
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

  static const host::DispatchTable<TestBar>& table() {
    using Args = std::span<Variant>;
    static const host::DispatchTable<TestBar> t = [] {
      host::DispatchTable<TestBar> d;
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
        } catch (const host::Error& e) {
          return Variant(e.number());
        }
        return Variant(int32_t{0});
      });
      d.method("Dialog", [](TestBar& b, Args) {
        host::FormEngine& engine = b.site_.engine();
        auto form = engine.createForm("dlgTest");
        form->setCaption("Test dialog");
        auto ok = form->add<host::CommandButton>("cmdOK");
        ok->Move(100, 100, 1000, 400);
        bool clicked = false;
        ok->Click = [&clicked] { clicked = true; };
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

  host::ControlSite& site_;
  int32_t value_ = 1;
  int32_t changeValue_ = 0;
  std::string description_;
  std::string lifecycle_;
};

struct Played {
  int status = 0;
  std::string out, err;
};

class Runner : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host::registerControlClass("Test.Bar", [](host::ControlSite& site) -> host::ObjectRef {
      return std::make_shared<TestBar>(site);
    });
  }
  static Played play(const std::string& text, kelo::run::RunOptions options = {},
                     const std::string& screenshots = "") {
    std::ostringstream out, err;
    Played r;
    kelo::run::Runner runner(out, err, options);
    runner.setScreenshotFolder(screenshots);
    r.status = runner.run(text, "t.scn");
    r.out = out.str();
    r.err = err.str();
    return r;
  }
};

// Text that no careful author writes still ends in a message naming the line (more in
// tests/scenarios/runner_stops.fail.scn): nested calls, bytes that are no text, a line cut short at
// the end of the file, and a log or clock that would run away.
TEST_F(Runner, HostileTextStopsWithAMessage) {
  std::string nested;
  for (int i = 0; i < 5000; ++i) nested += "LoadPicture(";  // as deep as a line may go
  nested += "\"a.png\"" + std::string(5000, ')');
  kelo::run::RunOptions few, brief;
  few.maxUncheckedEvents = 50;
  brief.maxTimeMs = 1000;
  struct Case {
    std::string scenario;
    const char* err;
    kelo::run::RunOptions options = {};
  };
  const Case cases[] = {
      {"echo " + nested + "\n", "t.scn:1: LoadPicture needs a file name in quotes"},
      {"form F\nplace KeloScroll.UsrKeloScroll Bar1 on", "t.scn:2: expected a container"},
      {"form F\n" + std::string("\177ELF\2\1\1\0\0", 9),
       "t.scn:2: the line is not UTF-8 text: byte 0x00 at column 8"},
      {"echo \"caf\xE9\"\n", "t.scn:1: the line is not UTF-8 text: byte 0xE9 at column 10"},
      {"echo 1\necho \"" + std::string(kelo::run::kMaxLineBytes, 'x') + "\"\n",
       "t.scn:2: the line is longer than 64 KiB"},
      {"form F\nadd timer T in F\nlet T.Interval = 1\ntrace off\nadvance 100\n",
       "t.scn:5: more than 50 events not checked", few},
      {"advance 600\nadvance 401\n", "t.scn:2: the run may go on to 1000ms", brief},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario.substr(0, 80));
    Played r = play(c.scenario, c.options);
    EXPECT_EQ(r.status, kStopped);
    EXPECT_THAT(r.err, ::testing::StartsWith(c.err));
  }
  // Checked events leave the log: a busy timer whose handler checks them runs on.
  Played r = play(
      "form F\nadd timer T in F\non T Timer clear events\nlet T.Interval = 1\ntrace off\n"
      "advance 1000\n",
      few);
  EXPECT_EQ(r.status, kPassed) << r.err;
}

// A file that is no scenario stops the run with its name and exit status 2 before anything
// plays: missing, a folder, a pipe, beyond the size limit. (The scenarios of this folder and
// tests/scenarios show files that play.) A screenshot's relative name lands in the screenshot
// folder, and nothing goes outside it, by a link that leads out neither, unless the one who runs
// the scenario says so (tests/scenarios/runner_screenshot.scn has the rest of `screenshot`).
TEST_F(Runner, FilesThatAreNoScenariosStopAndScreenshotsStayInTheirFolder) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("kelo-run-files-" + std::to_string(::getpid()));
  const fs::path outside = dir.string() + "-outside";
  fs::remove_all(dir);
  fs::create_directories(dir);
  ASSERT_EQ(::mkfifo((dir / "fifo.scn").c_str(), 0600), 0);
  std::ofstream(dir / "big.scn") << "echo \"never\"\n";
  fs::resize_file(dir / "big.scn", kelo::run::kMaxScenarioBytes + 1);
  const std::pair<fs::path, std::string> cases[] = {
      {dir / "missing.scn", "cannot read " + (dir / "missing.scn").string() + ": No such file"},
      {dir, (dir).string() + " is a folder, not a file"},
      {dir / "fifo.scn", (dir / "fifo.scn").string() + " is not a regular file"},
      {dir / "big.scn", (dir / "big.scn").string() + " is larger than 16 MiB"},
  };
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path);
    std::ostringstream out, err;
    EXPECT_EQ(kelo::run::Runner(out, err).runFile(path.string()), kStopped);
    EXPECT_THAT(err.str(), ::testing::StartsWith(message));
    EXPECT_EQ(out.str(), "");
  }

  fs::create_directories(outside);
  fs::create_symlink(outside, dir / "link");
  EXPECT_EQ(play("form F\nscreenshot F shots/f.png\n", {}, dir.string()).status, kPassed);
  EXPECT_TRUE(fs::exists(dir / "shots" / "f.png"));
  EXPECT_THAT(play("form F\nscreenshot F link/a.png\n", {}, dir.string()).err,
              HasSubstr("t.scn:2: 'link/a.png' lies outside the screenshot folder"));
  kelo::run::RunOptions anywhere;
  anywhere.screenshotsAnywhere = true;
  EXPECT_EQ(play("form F\nscreenshot F link/b.png\n", anywhere, dir.string()).status, kPassed);
  EXPECT_FALSE(fs::exists(outside / "a.png"));
  EXPECT_TRUE(fs::exists(outside / "b.png"));
  fs::remove_all(dir);
  fs::remove_all(outside);
}

// The scenarios of tests/app that place Test.Bar play as their comment lines say, the way
// check_scenario.cmake checks those of tests/scenarios: the exit status `# exit: N` (0 when none),
// each `# error: TEXT` on standard error, each block of `# output: TEXT` lines on standard output.
TEST_F(Runner, TestBarScenariosPlayAsTheirCommentsSay) {
  for (const char* name : {"runner_lifecycle.scn", "runner_modal.scn"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(KELO_APP_TESTS) + "/" + name;
    std::ostringstream out, err;
    const int status = kelo::run::Runner(out, err).runFile(path);
    std::ifstream in(path);
    int exit = kPassed;
    std::string line, block;
    std::vector<std::string> errors, outputs;
    while (std::getline(in, line)) {
      if (line.starts_with("# output: ")) {
        block += line.substr(10) + "\n";
        continue;
      }
      if (!block.empty()) outputs.push_back(std::exchange(block, ""));
      if (line.starts_with("# error: ")) errors.push_back(line.substr(9));
      if (line.starts_with("# exit: ")) exit = std::stoi(line.substr(8));
    }
    if (!block.empty()) outputs.push_back(block);
    EXPECT_EQ(status, exit) << err.str();
    for (const std::string& e : errors) EXPECT_THAT(err.str(), HasSubstr(e));
    for (const std::string& o : outputs) EXPECT_THAT(out.str(), HasSubstr(o));
  }
}

}  // namespace
