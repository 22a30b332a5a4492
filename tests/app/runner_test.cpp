// The scenario runner's reading of scenario text and its reports, and what it does for a control
// it places (lifecycle, ambient modes, by-reference event arguments, modal forms), shown with a
// small control class registered here.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
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
using host::VarType;
using kelo::run::ScenarioError;
using kelo::run::Token;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// ---- Scenario text ------------------------------------------------------------------------------

std::vector<std::string> texts(const std::vector<Token>& tokens) {
  std::vector<std::string> r;
  for (const auto& t : tokens) {
    r.push_back((t.kind == Token::Kind::String   ? "S:"
                 : t.kind == Token::Kind::Equals ? "E:"
                                                 : "W:") +
                t.text);
  }
  return r;
}

TEST(ScenarioText, SplitsWordsStringsAndEquals) {
  using V = std::vector<std::string>;
  EXPECT_EQ(texts(kelo::run::tokenize(R"(  let A.Caption="say ""hi""" # a note)")),
            (V{"W:let", "W:A.Caption", "E:=", R"(S:say "hi")"}));
  // A call stays one word across its blanks and quotes; `=` inside parentheses stays in it.
  EXPECT_EQ(texts(kelo::run::tokenize(R"(expect events = Get("a b" => "c = d") Scroll)")),
            (V{"W:expect", "W:events", "E:=", R"(W:Get("a b" => "c = d"))", "W:Scroll"}));
  EXPECT_EQ(texts(kelo::run::tokenize("bag B Max=100")),
            (V{"W:bag", "W:B", "W:Max", "E:=", "W:100"}));
  // A # inside a word is part of it (a Double literal); one that starts a word starts a comment.
  EXPECT_EQ(texts(kelo::run::tokenize("let X.Y = 2# #comment")),
            (V{"W:let", "W:X.Y", "E:=", "W:2#"}));
  EXPECT_THAT(kelo::run::tokenize("   # only a comment"), IsEmpty());
  EXPECT_EQ(texts(kelo::run::tokenize(R"(echo "")")), (V{"W:echo", "S:"}));
}

TEST(ScenarioText, RejectsOpenQuotesAndParentheses) {
  EXPECT_THROW(kelo::run::tokenize(R"(echo "open)"), ScenarioError);
  EXPECT_THROW(kelo::run::tokenize(R"(echo "a"")"), ScenarioError);  // "" is a quote inside
  EXPECT_THROW(kelo::run::tokenize("expect events = Change(5"), ScenarioError);
  EXPECT_THROW(kelo::run::tokenize("expect events = Change)"), ScenarioError);
}

TEST(ScenarioText, NumberLiteralsTakeTheHostsTypes) {
  struct Case {
    const char* text;
    VarType type;
    double value;
  };
  const Case cases[] = {
      {"5", VarType::Integer, 5},
      {"-32768", VarType::Integer, -32768},
      {"32768", VarType::Long, 32768},
      {"-2147483648", VarType::Long, -2147483648.0},
      {"2147483648", VarType::Double, 2147483648.0},
      {"1.5", VarType::Double, 1.5},
      {"1e3", VarType::Double, 1000},
      {"5&", VarType::Long, 5},
      {"5%", VarType::Integer, 5},
      {"2.5!", VarType::Single, 2.5},
      {"2#", VarType::Double, 2},
      {"&H10", VarType::Integer, 16},
      {"&HFFFF", VarType::Integer, -1},
      {"&HFFFF&", VarType::Long, 65535},
      {"&H8000000F", VarType::Long, static_cast<double>(static_cast<int32_t>(0x8000000F))},
      {"&O17", VarType::Integer, 15},
      {"-&H10", VarType::Integer, -16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Variant v = kelo::run::parseNumberLiteral(c.text);
    EXPECT_EQ(v.type(), c.type);
    EXPECT_EQ(v.asDouble(), c.value);
  }
  for (const char* bad : {"abc", "1.5%", "40000%", "1.5&", "&HFFFFF%", "&H", "5x", "-", "&H1.5!"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(kelo::run::parseNumberLiteral(bad), ScenarioError);
  }
}

TEST(ScenarioText, ValuesOfEveryKind) {
  using Kind = kelo::run::ValueExpr::Kind;
  auto value = [](const std::string& line) {
    return kelo::run::parseValue(kelo::run::tokenize(line).at(0));
  };
  EXPECT_EQ(value("True").constant, Variant::boolean(true));
  EXPECT_EQ(value("false").constant, Variant::boolean(false));
  EXPECT_EQ(value("Nothing").constant, Variant::nothing());
  EXPECT_TRUE(value("Empty").constant.isEmpty());
  EXPECT_EQ(value(R"("plain")").constant, Variant("plain"));

  auto text = value(R"("line {value} of {{all}} {Bar1.Max}")");
  EXPECT_EQ(text.kind, Kind::Text);
  EXPECT_EQ(text.parts, (std::vector<std::string>{"line ", "value", " of {all} ", "Bar1.Max", ""}));
  EXPECT_THROW(value(R"("{open")"), ScenarioError);

  auto ref = value("{arg0}");
  EXPECT_EQ(ref.kind, Kind::Reference);
  EXPECT_EQ(ref.name, "arg0");

  auto file = value(R"(LoadPicture("a b.png"))");
  EXPECT_EQ(file.kind, Kind::LoadPicture);
  EXPECT_EQ(file.name, "a b.png");

  auto solid = value("Picture(2, 3, &HFF0000)");
  EXPECT_EQ(solid.kind, Kind::SolidPicture);
  EXPECT_EQ(solid.width, 2);
  EXPECT_EQ(solid.height, 3);
  EXPECT_EQ(solid.color, 0xFF0000u);
  EXPECT_THROW(value("Picture(0, 3)"), ScenarioError);
  EXPECT_THROW(value("Picture(3)"), ScenarioError);

  try {
    value("hello");
    FAIL() << "a bare word is no value";
  } catch (const ScenarioError& e) {
    EXPECT_THAT(e.what(), HasSubstr("strings go in quotes"));
  }
}

TEST(ScenarioText, PrintsAndComparesValuesAsTheOutputShowsThem) {
  using kelo::run::formatValue;
  using kelo::run::sameValue;
  EXPECT_EQ(formatValue(Variant(R"(say "hi")")), R"("say ""hi""")");
  EXPECT_EQ(formatValue(Variant::boolean(true)), "True");
  EXPECT_EQ(formatValue(Variant::nothing()), "Nothing");
  EXPECT_EQ(formatValue(Variant()), "Empty");
  EXPECT_EQ(formatValue(Variant(2.5f)), "2.5");
  EXPECT_EQ(formatValue(Variant(std::make_shared<host::Picture>(1, 1, std::vector<uint32_t>{0}))),
            "<Picture>");
  int32_t n = 7;
  EXPECT_EQ(formatValue(Variant::refLong(&n)), "7");

  EXPECT_TRUE(sameValue(Variant(int32_t{5}), Variant(int16_t{5})));
  EXPECT_TRUE(sameValue(Variant(0.1f), Variant(0.1)));  // compared as printed
  EXPECT_TRUE(sameValue(Variant(9.7146358f), Variant(9.714636)));
  EXPECT_FALSE(sameValue(Variant(9.714636f), Variant(9.714637)));
  EXPECT_FALSE(sameValue(Variant(0.1), Variant(0.1f)));
  EXPECT_FALSE(sameValue(Variant("5"), Variant(int16_t{5})));
  EXPECT_FALSE(sameValue(Variant(int16_t{5}), Variant("5")));
  EXPECT_FALSE(sameValue(Variant(int16_t{-1}), Variant::boolean(true)));
  EXPECT_TRUE(sameValue(Variant::boolean(true), Variant::boolean(true)));
  EXPECT_FALSE(sameValue(Variant(), Variant::nothing()));
  EXPECT_TRUE(sameValue(Variant::nothing(), Variant::nothing()));
}

TEST(ScenarioText, EventCallsReadAsTheyArePrinted) {
  auto e = kelo::run::parseEventText(R"(MouseDown(1,0,30.5,-2))");
  EXPECT_EQ(e.str(), "MouseDown(1, 0, 30.5, -2)");
  EXPECT_EQ(kelo::run::parseEventText(R"(GetDescription("" => "a, b"))").str(),
            R"(GetDescription("" => "a, b"))");
  EXPECT_EQ(kelo::run::parseEventText("Click()").str(), "Click");
  EXPECT_TRUE(kelo::run::sameEvent(kelo::run::parseEventText("change(5)"),
                                   kelo::run::parseEventText("Change(5)")));
  EXPECT_TRUE(kelo::run::sameEvent(kelo::run::parseEventText("Change(5)"),
                                   kelo::run::parseEventText("Change(5&)")));
  EXPECT_FALSE(kelo::run::sameEvent(kelo::run::parseEventText("Change(5)"),
                                    kelo::run::parseEventText(R"(Change("5"))")));
  EXPECT_THROW(kelo::run::parseEventText("Change(x)"), ScenarioError);
}

// ---- Running ------------------------------------------------------------------------------------

struct Played {
  int status = 0;
  std::string out, err;
};

Played play(const std::string& text, kelo::run::RunOptions options = {}) {
  std::ostringstream out, err;
  Played r;
  {
    kelo::run::Runner runner(out, err, options);
    r.status = runner.run(text, "t.scn");
  }
  r.out = out.str();
  r.err = err.str();
  return r;
}

TEST(Runner, AMalformedLineStopsTheRunBeforeAnythingPlays) {
  Played r = play("form F\necho \"first\"\n\nnot_a_verb 1\n");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "t.scn:4: unknown verb 'not_a_verb'\n");

  r = play("form F\nadd slider S1 in F\n");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_THAT(r.err, HasSubstr("t.scn:2: unknown widget kind 'slider'"));

  r = play("form F size 100\n");
  EXPECT_THAT(r.err, HasSubstr("t.scn:1: expected a height at the end of the line"));

  r = play("on F Click expect error 5\n");
  EXPECT_THAT(r.err, HasSubstr("t.scn:1: expect error has no place in a handler"));
}

TEST(Runner, NamesAreCheckedWhenTheirLineRuns) {
  Played r = play("form F\nadd label L in F\nadd label L in F\n");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_EQ(r.err, "t.scn:3: the name 'L' is already in use\n");

  r = play("form F\nadd label L in Nowhere\n");
  EXPECT_EQ(r.err, "t.scn:2: unknown object 'Nowhere'\n");

  r = play("form F\nadd label L in F\nadd label M in L\n");
  EXPECT_EQ(r.err, "t.scn:3: 'L' cannot hold widgets\n");

  // A handler or an event expectation for a name that raises nothing would never fail.
  r = play("form F\nadd label L in F\non Ll Click echo \"x\"\n");
  EXPECT_EQ(r.err, "t.scn:3: 'Ll' is no form, widget or control this scenario made\n");
  r = play("form F\nadd label L in F\nexpect events Ll = none\n");
  EXPECT_EQ(r.err, "t.scn:3: 'Ll' is no form, widget or control this scenario made\n");

  r = play("form F\necho \"{arg0}\"\n");
  EXPECT_EQ(r.err, "t.scn:2: arguments exist only in event handlers\n");

  // The same name on two forms is ambiguous unless the form names it.
  r = play(
      "form F\nform G\ncall F.Controls.Add \"VB.TextBox\" \"T\"\n"
      "call G.Controls.Add \"VB.TextBox\" \"T\"\nlet G.T.Text = \"g\"\nprint F.T.Text\n"
      "print T.Text\n");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_THAT(r.out, HasSubstr("F.T.Text = \"\" (String)\n"));
  EXPECT_EQ(r.err, "t.scn:7: 'T' is ambiguous: name its form or control\n");
}

TEST(Runner, AnErrorMustBeExpectedOnTheNextLine) {
  Played r = play("form F\nadd timer T in F\nlet T.Interval = -1\nexpect error 380\necho \"on\"\n");
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
  EXPECT_EQ(r.out, "error 380: Invalid property value\non\n");

  r = play("form F\nadd timer T in F\nlet T.Interval = -1\n# a comment between\necho \"x\"\n");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "t.scn:3: error 380: Invalid property value, in: let T.Interval = -1\n");

  r = play("form F\nadd timer T in F\nlet T.Interval = -1\nexpect error 438\n");
  EXPECT_EQ(r.status, kelo::run::kExpectationFailed);
  EXPECT_EQ(r.err, "t.scn:4: expected error 438, got error 380: Invalid property value\n");

  // An error raised by a handler names the handler's line too.
  r = play("form F\nadd button B in F size 100 100\non B Click raise 91\nmouse click B 1 1\n");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_THAT(r.err, HasSubstr("t.scn:4: error 91: "));
  EXPECT_THAT(r.err, HasSubstr("(raised in the handler at line 3), in: mouse click B 1 1"));
}

TEST(Runner, TracesEventsWithTimeNestingAndChangedArguments) {
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
)");
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
  EXPECT_EQ(r.out,
            "@0ms U_Resize\n"
            "@40ms T_Timer\n"
            "@40ms   X_Change\n"
            "@80ms T_Timer\n"
            "@100ms U_KeyDown(38, 2)\n"
            "@100ms U_KeyDown returns (0, 2)\n");
}

TEST(Runner, EchoShowsEachStatementAndWhereThePointerLands) {
  Played r = play("form F\nadd button B in F at 150 300 size 600 600\nmouse down B 15 30\n",
                  kelo::run::RunOptions{true});
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
  EXPECT_THAT(r.out, HasSubstr("> 3: mouse down B 15 30\n  at 165 330 twips on F: B\n"));
}

TEST(Runner, MousePointsInAContainersOwnScaleArriveUnchanged) {
  // A bordered picture box with a user scale: the runner's conversion to form twips and the
  // engine's conversion back must meet.
  Played r = play(R"(form F
add picturebox P in F at 300 450 size 3000 1500
let P.BorderStyle = 1
let P.ScaleLeft = -50
let P.ScaleWidth = 100
let P.ScaleHeight = 7
mouse down P 25 3.5
mouse up P -50 0
expect events P = MouseDown(1, 0, 25, 3.5) MouseUp(1, 0, -50, 0) Click
)");
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
}

// ---- A control placed by ProgID -----------------------------------------------------------------

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
    site_.RaiseEvent("Change", std::span<Variant>(&arg, 1));
    site_.PropertyChanged("Value");
  }

  Variant describe() {
    Variant arg = Variant::refString(&description_);
    site_.RaiseEvent("GetDescription", std::span<Variant>(&arg, 1));
    return Variant(description_);
  }

  // Raises Change under an error trap, as the control's trapping procedures do.
  Variant guarded() {
    try {
      setValue(value_);
    } catch (const host::Error& e) {
      return Variant(e.number());
    }
    return Variant(int32_t{0});
  }

  Variant dialog() {
    host::FormEngine& engine = site_.engine();
    auto form = engine.createForm("dlgTest");
    form->setCaption("Test dialog");
    auto ok = form->add<host::CommandButton>("cmdOK");
    ok->Move(100, 100, 1000, 400);
    bool clicked = false;
    ok->Click = [&clicked] { clicked = true; };
    engine.showModal(*form);
    engine.unloadForm(*form);
    return Variant::boolean(clicked);
  }

  static const host::DispatchTable<TestBar>& table() {
    static const host::DispatchTable<TestBar> t = [] {
      host::DispatchTable<TestBar> d;
      d.property(
          "Value", [](TestBar& b) { return Variant(b.value_); },
          [](TestBar& b, const Variant& v) { b.setValue(v.asLong()); });
      d.property("Lifecycle", [](TestBar& b) { return Variant(b.lifecycle_); });
      d.method("Describe", [](TestBar& b, std::span<Variant>) { return b.describe(); });
      d.method("Guarded", [](TestBar& b, std::span<Variant>) { return b.guarded(); });
      d.method("Dialog", [](TestBar& b, std::span<Variant>) { return b.dialog(); });
      d.method("Ask", [](TestBar& b, std::span<Variant>) {
        return Variant(b.site_.engine().MsgBox("Sure?", 4));
      });
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

class RunnerWithControl : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host::registerControlClass("Test.Bar", [](host::ControlSite& site) -> host::ObjectRef {
      return std::make_shared<TestBar>(site);
    });
  }
};

TEST_F(RunnerWithControl, PlacesAControlThroughTheHostsLifecycleInEachMode) {
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
)");
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
}

TEST_F(RunnerWithControl, SavesToABagAndLoadsAnotherControlFromIt) {
  Played r = play(R"(form F
place Test.Bar A on F
let A.Value = 42
save A to Saved
expect bag Saved Value = 42
print bag Saved
place Test.Bar B on F load Saved
expect B.Lifecycle = "ReadProperties:run Resize:run Show:run"
expect B.Value = 42
let A.Value = 1
save A to Saved
expect bag Saved Value absent
bag Manual Value = 7&
place Test.Bar C on F load Manual
expect C.Value = 7
place Test.Bar D on F load Missing
)");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_THAT(r.out, HasSubstr("Saved.Value = 42 (Long)\n"));
  EXPECT_EQ(r.err, "t.scn:16: unknown bag 'Missing'\n");
}

TEST_F(RunnerWithControl, HandlersWriteByReferenceArgumentsIntoTheControl) {
  Played r = play(R"(form F
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
)");
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
  EXPECT_THAT(r.out, HasSubstr("@0ms Bar1_Change(3)\n@0ms Bar1_Change returns (5)\n"));
  EXPECT_THAT(r.out, HasSubstr("Bar1.Describe returns \"line 3\"\n"));
}

TEST_F(RunnerWithControl, HandlersReEnterTheControl) {
  Played r = play(R"(form F
place Test.Bar Bar1 on F
on Bar1 Change when arg0 = 3 let Bar1.Value = 7
let Bar1.Value = 3
expect Bar1.Value = 7
expect events Bar1 = Change(3 => 7) Change(7)
)");
  // The nested setter wrote the variable that the outer Change passed by reference.
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
  EXPECT_THAT(r.out, HasSubstr("@0ms Bar1_Change(3)\n@0ms   Bar1_Change(7)\n"));
}

TEST_F(RunnerWithControl, AHandlersErrorReachesTheControlsTrapButAScenarioMistakeDoesNot) {
  Played r = play(R"(form F
place Test.Bar Bar1 on F
on Bar1 Change raise 6
call Bar1.Guarded
)");
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
  EXPECT_THAT(r.out, HasSubstr("Bar1.Guarded returns 6\n"));

  r = play(R"(form F
place Test.Bar Bar1 on F
on Bar1 Change let Nowhere.Value = 1
call Bar1.Guarded
)");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_EQ(r.err, "t.scn:3: unknown object 'Nowhere'\n");
}

TEST_F(RunnerWithControl, ModalFormsAndMessageBoxesFollowThePolicy) {
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
  EXPECT_EQ(r.status, kelo::run::kPassed) << r.err;
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

TEST_F(RunnerWithControl, StateExpectationsNameWhatDiffers) {
  Played r = play(R"(form F
place Test.Bar Bar1 on F
let Bar1.Value = 3
expect state Bar1 mValue = 4
expect Bar1.Value = 3 as Integer
expect state Bar1 mNothing = 1
)");
  EXPECT_EQ(r.status, kelo::run::kStopped);
  EXPECT_EQ(r.err,
            "t.scn:4: expected state Bar1 mValue = 4, got 3 (Long)\n"
            "t.scn:5: expected Bar1.Value = 3 (Integer), got 3 (Long)\n"
            "t.scn:6: the control 'Bar1' has no state named 'mNothing'\n");
}

}  // namespace
