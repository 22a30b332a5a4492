// The scenario runner's reading of scenario text and its reports, and what it does for a control
// it places (lifecycle, ambient modes, by-reference event arguments, modal forms), shown with a
// small control class registered here.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/run/runner.h"
#include "app/run/script.h"
#include "host/classes.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/picture.h"

namespace {

using host::Variant;
using kelo::run::kExpectationFailed;
using kelo::run::kPassed;
using kelo::run::kStopped;
using kelo::run::ScenarioError;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

// ---- Scenario text ------------------------------------------------------------------------------

TEST(ScenarioText, SplitsWordsStringsAndEqualsAndRejectsOpenQuotesAndParentheses) {
  struct Case {
    const char* line;
    Lines tokens;  // W: word, S: string, E: equals
  };
  const Case cases[] = {
      {R"(  let A.Caption="say ""hi""" # a note)",
       {"W:let", "W:A.Caption", "E:=", R"(S:say "hi")"}},
      // A call stays one word across its blanks and quotes; `=` inside parentheses stays in it.
      {R"(expect events = Get("a b" => "c = d") Scroll)",
       {"W:expect", "W:events", "E:=", R"(W:Get("a b" => "c = d"))", "W:Scroll"}},
      {"bag B Max=100", {"W:bag", "W:B", "W:Max", "E:=", "W:100"}},
      // A # inside a word is part of it (a Double literal); one that starts a word starts a
      // comment.
      {"let X.Y = 2# #comment", {"W:let", "W:X.Y", "E:=", "W:2#"}},
      {"   # only a comment", {}},
      {R"(echo "")", {"W:echo", "S:"}},
  };
  for (const Case& c : cases) {
    Lines tokens;
    for (const auto& t : kelo::run::tokenize(c.line)) {
      using enum kelo::run::Token::Kind;
      tokens.push_back((t.kind == String ? "S:" : t.kind == Equals ? "E:" : "W:") + t.text);
    }
    EXPECT_EQ(tokens, c.tokens) << c.line;
  }
  // Open quotes and parentheses ("" is a quote inside a string).
  for (const char* bad :
       {R"(echo "open)", R"(echo "a"")", "expect events = Change(5", "x Change)"}) {
    EXPECT_THROW(kelo::run::tokenize(bad), ScenarioError) << bad;
  }
}

TEST(ScenarioText, NumberLiteralsTakeTheHostsTypes) {
  const std::pair<const char*, const char*> cases[] = {
      {"5", "5 (Integer)"},
      {"-32768", "-32768 (Integer)"},
      {"32768", "32768 (Long)"},
      {"-2147483648", "-2147483648 (Long)"},
      {"2147483648", "2147483648 (Double)"},
      {"1.5", "1.5 (Double)"},
      {"1e3", "1000 (Double)"},
      {"5&", "5 (Long)"},
      {"5%", "5 (Integer)"},
      {"2.5!", "2.5 (Single)"},
      {"2#", "2 (Double)"},
      {"&HFFFF", "-1 (Integer)"},
      {"&HFFFF&", "65535 (Long)"},
      {"&H8000000F", "-2147483633 (Long)"},
      {"&O17", "15 (Integer)"},
      {"-&H10", "-16 (Integer)"},
  };
  for (auto [text, read] : cases) {
    Variant v = kelo::run::parseNumberLiteral(text);
    EXPECT_EQ(kelo::run::formatValue(v) + " (" + kelo::run::typeLabel(v) + ")", read) << text;
  }
  // A sign before the most negative bit pattern leaves the type's range.
  for (const char* bad : {"abc", "1.5%", "40000%", "1.5&", "&HFFFFF%", "&H", "5x", "-", "&H1.5!",
                          "-&H80000000&", "-&H8000", "-&H8000%"}) {
    EXPECT_THROW(kelo::run::parseNumberLiteral(bad), ScenarioError) << bad;
  }
}

TEST(ScenarioText, ValuesOfEveryKindReadPrintAndCompareAsTheOutputShowsThem) {
  using Kind = kelo::run::ValueExpr::Kind;
  using kelo::run::formatValue;
  auto value = [](const std::string& word) {
    return kelo::run::parseValue(kelo::run::tokenize(word).at(0));
  };
  // Constants print as they are written, strings with their quotes doubled.
  for (const char* text : {"True", "Nothing", "Empty", R"("say ""hi""")", "-7"}) {
    EXPECT_EQ(formatValue(value(text).constant), text);
  }
  EXPECT_EQ(value("false").constant, Variant::boolean(false));
  EXPECT_EQ(formatValue(value("2.5!").constant), "2.5");
  EXPECT_EQ(formatValue(Variant(std::make_shared<host::Picture>(1, 1, std::vector<uint32_t>{0}))),
            "<Picture>");
  int32_t n = 7;
  EXPECT_EQ(formatValue(Variant::refLong(&n)), "7");

  auto text = value(R"("line {value} of {{all}} {Bar1.Max}")");
  EXPECT_EQ(text.kind, Kind::Text);
  EXPECT_EQ(text.parts, (Lines{"line ", "value", " of {all} ", "Bar1.Max", ""}));
  auto ref = value("{arg0}");
  EXPECT_EQ(ref.kind, Kind::Reference);
  EXPECT_EQ(ref.name, "arg0");
  auto file = value(R"(LoadPicture("a b.png"))");
  EXPECT_EQ(file.kind, Kind::LoadPicture);
  EXPECT_EQ(file.name, "a b.png");
  auto solid = value("Picture(2, 3, &HFF0000)");
  EXPECT_EQ(solid.kind, Kind::SolidPicture);
  EXPECT_EQ((std::vector{solid.width, solid.height}), (std::vector{2, 3}));
  EXPECT_EQ(solid.color, 0xFF0000u);
  EXPECT_EQ(value("Picture(2, 3, &H00FF00)").color, 0x00FF00u) << "not the Integer -256";
  EXPECT_EQ(value("Picture(2, 3)").color, 0u);
  for (const char* bad : {R"("{open")", "Picture(0, 3)", "Picture(3)"}) {
    EXPECT_THROW(value(bad), ScenarioError) << bad;
  }
  try {
    value("hello");
    FAIL() << "a bare word is no value";
  } catch (const ScenarioError& e) {
    EXPECT_THAT(e.what(), HasSubstr("strings go in quotes"));
  }

  // An actual value against an expected one: numbers of any width are equal; a Single compares
  // as printed.
  const std::tuple<const char*, const char*, bool> comparisons[] = {
      {"5&", "5", true},
      {"0.1!", "0.1", true},
      {"9.7146358!", "9.714636", true},
      {"9.714636!", "9.714637", false},
      {"0.1", "0.1!", false},
      {R"("5")", "5", false},
      {"5", R"("5")", false},
      {"-1", "True", false},
      {"True", "True", true},
      {"Empty", "Nothing", false},
      {"Nothing", "Nothing", true}};
  for (auto [actual, expected, same] : comparisons) {
    EXPECT_EQ(kelo::run::sameValue(value(actual).constant, value(expected).constant), same)
        << actual << " against " << expected;
  }
}

TEST(ScenarioText, EventCallsReadAsTheyArePrinted) {
  auto event = [](const char* text) { return kelo::run::parseEventText(text); };
  EXPECT_EQ(event(R"(MouseDown(1,0,30.5,-2))").str(), "MouseDown(1, 0, 30.5, -2)");
  EXPECT_EQ(event(R"(GetDescription("" => "a, b"))").str(), R"(GetDescription("" => "a, b"))");
  EXPECT_EQ(event("Click()").str(), "Click");
  EXPECT_TRUE(kelo::run::sameEvent(event("change(5)"), event("Change(5)")));
  EXPECT_TRUE(kelo::run::sameEvent(event("Change(5)"), event("Change(5&)")));
  EXPECT_FALSE(kelo::run::sameEvent(event("Change(5)"), event(R"(Change("5"))")));
  EXPECT_THROW(event("Change(x)"), ScenarioError);
}

// ---- Running ------------------------------------------------------------------------------------

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
  static Played play(const std::string& text, kelo::run::RunOptions options = {}) {
    std::ostringstream out, err;
    Played r;
    r.status = kelo::run::Runner(out, err, options).run(text, "t.scn");
    r.out = out.str();
    r.err = err.str();
    return r;
  }
};

// Each failure names its file and line; a malformed line stops the run before anything plays, a
// bad name when its line runs.
TEST_F(Runner, FailuresNameTheirLineAndStopTheRunOrFailIt) {
  struct Case {
    const char* scenario;
    const char* err;            // the start of the messages
    const char* out = nullptr;  // a part of the output; "" for none
    int status = kStopped;
  };
  const Case cases[] = {
      {"form F\necho \"first\"\n\nnot_a_verb 1\n", "t.scn:4: unknown verb 'not_a_verb'\n", ""},
      {"form F\nadd slider S1 in F\n", "t.scn:2: unknown widget kind 'slider'"},
      {"form F size 100\n", "t.scn:1: expected a height at the end of the line"},
      {"on F Click expect error 5\n", "t.scn:1: expect error has no place in a handler"},
      {"form F\nadd label L in F\nadd label L in F\n", "t.scn:3: the name 'L' is already in use\n"},
      {"form F\nadd label L in F\nadd label M in L\n", "t.scn:3: 'L' cannot hold widgets\n"},
      // A handler or an event expectation for a name that raises nothing would never fail.
      {"form F\nadd label L in F\non Ll Click echo \"x\"\n",
       "t.scn:3: 'Ll' is no form, widget or control this scenario made\n"},
      {"form F\nadd label L in F\nexpect events Ll = none\n",
       "t.scn:3: 'Ll' is no form, widget or control this scenario made\n"},
      {"form F\necho \"{arg0}\"\n", "t.scn:2: arguments exist only in event handlers\n"},
      // Names in braces fill in a path when it runs; an open one is a mistake of the line.
      {"form F\necho \"x\"\nprint F.{F.Caption\n", "t.scn:3: '{' without '}'\n", ""},
      {"form F caption \"Caption\"\nprint F.{F.Caption}\nprint F.{Nowhere.Caption}\n",
       "t.scn:3: unknown object 'Nowhere'\n", "F.Caption = \"Caption\" (String)\n"},
      {"library DllCanUnloadNow\n", "t.scn:1: no library is loaded: write 'library load' first\n"},
      {"library load\nlibrary DllGetClassObject Nothing\n", "t.scn:2: 'Nothing' is no class"},
      {"form F\npage ok\n", "t.scn:2: no property page is open"},
      // The same name on two forms is ambiguous unless the form names it.
      {"form F\nform G\ncall F.Controls.Add \"VB.TextBox\" \"T\"\n"
       "call G.Controls.Add \"VB.TextBox\" \"T\"\nlet G.T.Text = \"g\"\nprint F.T.Text\n"
       "print T.Text\n",
       "t.scn:7: 'T' is ambiguous: name its form or control\n", "F.T.Text = \"\" (String)\n"},
      // An error must be expected on the very next line, and be the one expected.
      {"form F\nadd timer T in F\nlet T.Interval = -1\n# a comment between\necho \"x\"\n",
       "t.scn:3: error 380: Invalid property value, in: let T.Interval = -1\n", ""},
      {"form F\nadd timer T in F\nlet T.Interval = -1\nexpect error 438\n",
       "t.scn:4: expected error 438, got error 380: Invalid property value\n", nullptr,
       kExpectationFailed},
      // An error raised by a handler names the handler's line too.
      {"form F\nadd button B in F size 100 100\non B Click raise 91\nmouse click B 1 1\n",
       "t.scn:4: error 91: Object variable or With block variable not set (raised in the handler "
       "at line 3), in: mouse click B 1 1\n"},
      // A scenario mistake in a handler is no error for the control's trap.
      {"form F\nplace Test.Bar Bar1 on F\non Bar1 Change let Nowhere.Value = 1\n"
       "call Bar1.Guarded\n",
       "t.scn:3: unknown object 'Nowhere'\n"},
      // Expectations that fail let the run go on, and say what differs.
      {"form F\nplace Test.Bar Bar1 on F\nlet Bar1.Value = 3\nexpect state Bar1 mValue = 4\n"
       "expect Bar1.Value = 3 as Integer\nexpect state Bar1 mNothing = 1\n",
       "t.scn:4: expected state Bar1 mValue = 4, got 3 (Long)\n"
       "t.scn:5: expected Bar1.Value = 3 (Integer), got 3 (Long)\n"
       "t.scn:6: the control 'Bar1' has no state named 'mNothing'\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    Played r = play(c.scenario);
    EXPECT_EQ(r.status, c.status);
    EXPECT_THAT(r.err, ::testing::StartsWith(c.err));
    if (c.out) {
      EXPECT_TRUE(*c.out ? r.out.find(c.out) != std::string::npos : r.out.empty()) << r.out;
    }
  }
}

// Text that no careful author writes still ends in a message naming the line: numbers out of the
// range a verb takes, nested calls, far-away points, and a log or clock that would run away.
TEST_F(Runner, HostileTextStopsWithAMessage) {
  std::string nested;
  for (int i = 0; i < 5000; ++i) nested += "LoadPicture(";  // as deep as a line may go
  nested += "\"a.png\"";
  nested += std::string(5000, ')');
  struct Case {
    std::string scenario;
    const char* err;
    kelo::run::RunOptions options = {};
  };
  kelo::run::RunOptions few;
  few.maxUncheckedEvents = 50;
  kelo::run::RunOptions brief;
  brief.maxTimeMs = 1000;
  const Case cases[] = {
      {"key down 99999\n", "t.scn:1: '99999' is no key"},
      {"key down 256\n", "t.scn:1: '256' is no key"},
      {"key down -1\n", "t.scn:1: '-1' is no key"},
      {"form F\nmouse down F 1 1 button 99999\n", "t.scn:2: '99999' is no mouse button"},
      {"form F\nkey down Up shift 8\n", "t.scn:2: '8' is no shift mask"},
      {"advance 1e300\n", "t.scn:1: '1e300' is no whole number of milliseconds"},
      {"cursor 1e300 0\n", "t.scn:1: '1e300' is no x in screen pixels"},
      {"form F\nexpect error 1e300\n", "t.scn:2: '1e300' is no error number"},
      {"raise -5\n", "t.scn:1: '-5' is no error number"},
      {"policy msgbox answer 99999\n", "t.scn:1: '99999' is no button the user picks"},
      {"form F\non F Click set arg 1e300 to 1\n", "t.scn:2: '1e300' is no argument number"},
      {"echo -&H80000000&\n", "t.scn:1: '-&H80000000&' is beyond the range of a Long"},
      {"echo {arg99999999999999999999}\n", "t.scn:1: '{arg99999999999999999999}' names no"},
      {"echo LoadPicture(LoadPicture(\"a.png\"))\n",
       "t.scn:1: LoadPicture needs a file name in quotes"},
      {"echo " + nested + "\n", "t.scn:1: LoadPicture needs a file name in quotes"},
      // Cut short in the middle of a statement, binary, not UTF-8, a line beyond the limit.
      {"form F\nplace KeloScroll.UsrKeloScroll Bar1 on", "t.scn:2: expected a container"},
      {"form F\necho \"half a str", "t.scn:2: missing closing quote"},
      {"form F\n" + std::string("\x7F"
                                "ELF\x02\x01\x01\0\0",
                                9),
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
    std::ostringstream out, err;
    EXPECT_EQ(kelo::run::Runner(out, err, c.options).run(c.scenario, "t.scn"), kStopped);
    EXPECT_THAT(err.str(), ::testing::StartsWith(c.err));
  }
  // Checked events leave the log: a busy timer whose handler checks them runs on.
  std::ostringstream out, err;
  EXPECT_EQ(kelo::run::Runner(out, err, few)
                .run("form F\nadd timer T in F\non T Timer clear events\nlet T.Interval = 1\n"
                     "trace off\nadvance 1000\n",
                     "t.scn"),
            kPassed)
      << err.str();
  // Far-away points reach the host, whose own rules answer them.
  Played far = play(
      "form F at 1e300 -1e300\nadd picturebox P in F size 100 100\nmouse down F 1e300 1e300\n"
      "mouse up P -1e300 1e300\nprint geometry F\n");
  EXPECT_EQ(far.status, kPassed) << far.err;
}

// A file that is no scenario stops the run with its name and exit status 2 before anything
// plays: missing, a folder, a pipe, beyond the size limit.
TEST_F(Runner, FilesThatAreNoScenariosStopNamingTheFile) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("kelo-run-files-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  ASSERT_EQ(::mkfifo((dir / "fifo.scn").c_str(), 0600), 0);
  std::ofstream(dir / "big.scn") << "echo \"never\"\n";
  fs::resize_file(dir / "big.scn", kelo::run::kMaxScenarioBytes + 1);
  std::ofstream(dir / "ok.scn") << "echo \"played\"\n";
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
  std::ostringstream out, err;
  EXPECT_EQ(kelo::run::Runner(out, err).runFile((dir / "ok.scn").string()), kPassed) << err.str();
  EXPECT_EQ(out.str(), "played\n");
  fs::remove_all(dir);
}

// Scenarios that play to their end, with what they print.
TEST_F(Runner, TracesEventsExpectedErrorsEchoesAndMousePoints) {
  Played r = play(R"(form F
add timer T in F
add textbox X in F
add usercontrol U in F size 500 500
add button B in U size 100 100
on T Timer let X.Text = "t"
let T.Interval = 40
advance 100
focus B
on U KeyDown set arg 0 to 0
key down Up shift ctrl
let T.Interval = -1
expect error 380
echo "on"
)");
  EXPECT_EQ(r.status, kPassed) << r.err;
  EXPECT_EQ(r.out,
            "@0ms U_Resize\n"
            "@40ms T_Timer\n"
            "@40ms   X_Change\n"
            "@80ms T_Timer\n"
            "@100ms U_KeyDown(38, 2)\n"
            "@100ms U_KeyDown returns (0, 2)\n"
            "error 380: Invalid property value\n"
            "on\n");

  // Echoed, each statement shows, and where the pointer lands. Mouse points in a bordered picture
  // box with a user scale: the runner's conversion to form twips and the engine's back must meet.
  r = play(R"(form F
add picturebox P in F at 300 450 size 3000 1500
let P.BorderStyle = 1
let P.ScaleLeft = -50
let P.ScaleWidth = 100
let P.ScaleHeight = 7
mouse down P 25 3.5
mouse up P -50 0
expect events P = MouseDown(1, 0, 25, 3.5) MouseUp(1, 0, -50, 0) Click
add button B in F at 150 300 size 600 600
mouse down B 15 30
)",
           kelo::run::RunOptions{true});
  EXPECT_EQ(r.status, kPassed) << r.err;
  EXPECT_THAT(r.out, HasSubstr("> 11: mouse down B 15 30\n  at 165 330 twips on F: B\n"));
}

TEST_F(Runner, APlacedControlLivesThroughTheHostsLifecycleBagsAndHandlers) {
  Played r = play(R"(form F
place test.bar Run1 on F at 100 100 size 255 2000
expect Run1.Lifecycle = "InitProperties:run Resize:run Show:run"
place Test.Bar Design1 on F design
expect Design1.Lifecycle = "InitProperties:design Resize:design Show:design"
place Test.Bar Early1 on F nosite
expect Early1.Lifecycle = "InitProperties:398 Resize:398 Show:398"
usermode Early1 true
show Early1
expect Early1.Lifecycle = "InitProperties:398 Resize:398 Show:398 Show:run"
usermode Run1 398
resize Run1 300 300
expect Run1.Lifecycle = "InitProperties:run Resize:run Show:run Resize:398"
expect geometry Run1 = 100 100 300 300
let Run1.Value = 42
save Run1 to Saved
expect bag Saved Value = 42
print bag Saved
place Test.Bar B on F load Saved
expect B.Lifecycle = "ReadProperties:run Resize:run Show:run"
expect B.Value = 42
let Run1.Value = 1
save Run1 to Saved
expect bag Saved Value absent
bag Manual Value = 7&
place Test.Bar C on F load Manual
expect C.Value = 7
place Test.Bar Bar1 on F
on Bar1 Change set arg 0 to 5
on Bar1 GetDescription set arg 0 to "line {value}"
let Bar1.Value = 3
expect events Bar1 = Change(3 => 5)
expect state Bar1 mChangeValue = 5
expect state Bar1 mValue = 3
expect changes Bar1 = Value
call Bar1.Describe
expect events Bar1 = GetDescription("" => "line 3")
expect changes Bar1 = none
place Test.Bar Bar2 on F
on Bar2 Change when arg0 = 3 let Bar2.Value = 7
let Bar2.Value = 3
expect Bar2.Value = 7
expect events Bar2 = Change(3 => 7) Change(7)
on Bar2 Change raise 6
call Bar2.Guarded
place Test.Bar D on F load Missing
)");
  EXPECT_EQ(r.status, kStopped);
  EXPECT_EQ(r.err, "t.scn:46: unknown bag 'Missing'\n");
  EXPECT_THAT(r.out, HasSubstr("Saved.Value = 42 (Long)\n"));
  // Handlers write by-reference arguments into the control.
  EXPECT_THAT(r.out, HasSubstr("@0ms Bar1_Change(3)\n@0ms Bar1_Change returns (5)\n"));
  EXPECT_THAT(r.out, HasSubstr("Bar1.Describe returns \"line 3\"\n"));
  // A handler re-enters the control: the nested setter wrote the variable that the outer Change
  // passed by reference.
  EXPECT_THAT(r.out, HasSubstr("@0ms Bar2_Change(3)\n@0ms   Bar2_Change(7)\n"));
  // A handler's error reaches the control's trap.
  EXPECT_THAT(r.out, HasSubstr("Bar2.Guarded returns 6\n"));
}

TEST_F(Runner, ModalFormsAndMessageBoxesFollowThePolicy) {
  Played r = play(R"(form F
place Test.Bar Bar1 on F
call Bar1.Dialog
policy modal click cmdOK
call Bar1.Dialog
policy modal close
on modal dlgTest print widgets dlgTest
call Bar1.Dialog
expect shown modal dlgTest
expect shown modal dlgTest
expect shown modal dlgTest
expect shown none
call Bar1.Ask
policy msgbox answer 6
call Bar1.Ask
expect shown msgbox "Sure?"
print shown
)");
  EXPECT_EQ(r.status, kPassed) << r.err;
  EXPECT_EQ(r.out,
            "@0ms modal dlgTest \"Test dialog\"\n"
            "Bar1.Dialog returns False\n"
            "@0ms modal dlgTest \"Test dialog\"\n"
            "Bar1.Dialog returns True\n"
            "@0ms modal dlgTest \"Test dialog\"\n"
            "dlgTest (Form) 0 0 4800 3600 | twips 0 0 4800 3600 | window 0 0 320 240\n"
            "  cmdOK (CommandButton) 100 100 1000 400 | twips 100 100 1000 400 | window 7 7 73 "
            "33\n"
            "Bar1.Dialog returns False\n"
            "@0ms msgbox \"Sure?\" buttons 4\n"
            "Bar1.Ask returns 1\n"
            "@0ms msgbox \"Sure?\" buttons 4\n"
            "Bar1.Ask returns 6\n"
            "msgbox \"Sure?\" buttons 4\n");
}

}  // namespace
