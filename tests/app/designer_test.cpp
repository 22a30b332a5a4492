// The demo's form designer, driven as its user drives it: the mouse on the buttons, the bars and
// their handles, and the keys the window hands it, on the headless engine and its virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "app/demo/designer.h"
#include "app/demo/layout.h"
#include "demo_test_util.h"
#include "host/clock.h"
#include "host/engine.h"
#include "host/widgets.h"
#include "own_registry.h"

namespace keloscroll::demo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr int16_t kInsert = 45, kDelete = 46, kF4 = host::vk::F1 + 3, kF5 = host::vk::F1 + 4;
constexpr const char* kFirst = "UsrKeloScroll1";
constexpr const char* kSecond = "UsrKeloScroll2";

class DesignerTest : public test::Scratch {
 protected:
  void SetUp() override { designer->formPath = (dir / "design.json").string(); }

  void click(const host::Widget& w) { test::click(engine, w); }
  void click(const char* name) { click(*host::findWidget(designer->form(), name)); }
  // Presses on a widget, moves by (dx, dy) pixels in two steps, releases; then waits, so that
  // the next press is no double click.
  void drag(const host::Widget& from, int dx, int dy) {
    double x = 0, y = 0;
    centreOf(from, x, y);
    host::Form& f = designer->form();
    engine.mouseDown(f, x, y, host::mouse::Left);
    engine.mouseMove(f, x + px(dx) / 2, y + px(dy) / 2);
    engine.mouseMove(f, x + px(dx), y + px(dy));
    engine.mouseUp(f, x + px(dx), y + px(dy), host::mouse::Left);
    engine.advance(1000);
  }
  void key(int16_t code, int16_t shift = 0) { EXPECT_TRUE(designer->handleKey(code, shift)); }
  host::TwipsRect rect(const char* bar) { return designer->site(bar).surface().rectTwips(); }
  host::Widget& part(const char* bar, const char* name) {
    return *host::findWidget(designer->site(bar).surface(), name);
  }
  int32_t prop(const char* bar, const char* name) { return designer->bar(bar).get(name).asLong(); }
  std::string lastLog() { return designer->log().lines().back(); }

  std::unique_ptr<Designer> designer = std::make_unique<Designer>(engine);
};

std::tuple<double, double, double, double> box(const host::TwipsRect& r) {
  return {r.left, r.top, r.width, r.height};
}

// Two bars added, one moved and sized on its handles, its properties set on its page; the form
// runs from the bars' bags, comes back to design, is saved and loaded; the changes are undone.
TEST_F(DesignerTest, AFormIsDesignedWithTheMouseRunSavedLoadedAndUndone) {
  click("cmdAddVertical");
  engine.advance(1000);
  click("cmdAddHorizontal");
  ASSERT_THAT(designer->names(), ElementsAre(kFirst, kSecond));
  EXPECT_EQ(designer->site(kFirst).AmbientUserMode(), host::False);

  // At design time a press on a bar selects it.
  click(part(kFirst, "cmdDXDN"));
  engine.advance(1000);

  const host::TwipsRect start = rect(kFirst);
  drag(designer->site(kFirst).surface(), 100, 20);
  EXPECT_EQ(box(rect(kFirst)),
            box({start.left + px(100), start.top + px(20), start.width, start.height}));

  // Sized on its handles: the control lays itself out at design time (its Resize), the lower
  // end button at the new bottom. Dragged past the control's least height, the bar keeps that
  // height and its bottom edge stays where it was.
  struct Case {
    Designer::Handle handle;
    int dx, dy;
  };
  for (const Case& c : {Case{Designer::Bottom, 0, 60}, Case{Designer::BottomRight, 8, -10},
                        Case{Designer::Left, -5, 0}}) {
    SCOPED_TRACE(c.handle);
    drag(designer->handle(c.handle), c.dx, c.dy);
    const host::Widget& down = part(kFirst, "cmdDXDN");
    EXPECT_EQ(down.rectTwips().top + down.rectTwips().height, rect(kFirst).height);
  }
  const host::TwipsRect sized = rect(kFirst);
  drag(designer->handle(Designer::Top), 0, 400);
  const double least = rect(kFirst).height;
  EXPECT_GE(least, 240 * 2 + 225);  // two end buttons and the thumb
  EXPECT_EQ(rect(kFirst).top + least, sized.top + sized.height);
  key('Z', host::shift::Ctrl);
  EXPECT_EQ(box(rect(kFirst)), box(sized));

  // A double click opens the bar's property page; what is typed there goes to the bar.
  engine.setModalPolicy([&](host::Form& f) {
    for (auto [box, text] : {std::pair{"txtMax", "500"}, std::pair{"txtValue", "120"}}) {
      click(*host::findWidget(f, box));
      for (int i = 0; i < 6; ++i) engine.keyDown(host::vk::Back);
      engine.typeText(text);
    }
    click(*host::findWidget(f, "cmdOK"));
  });
  click(designer->site(kFirst).surface());
  engine.advance(200);
  click(designer->site(kFirst).surface());

  // Run: new bars from the bags, at the designed places, that take the user's input.
  click("cmdMode");
  EXPECT_EQ(designer->bar(kSecond).get("VerticalBar").asBoolean(), host::False);
  EXPECT_FALSE(designer->handle(Designer::TopLeft).Visible());
  click(part(kFirst, "cmdDXDN"));
  EXPECT_THAT(designer->log().lines(), ::testing::Contains(std::string(kFirst) + "  Change(121)"));

  // Back to design: the design as it was before the run.
  engine.advance(1000);
  key(kF5);
  ASSERT_TRUE(designer->designMode());
  const DesignedForm designed = designer->save();

  key('S', host::shift::Ctrl);
  EXPECT_FALSE(designer->modified());
  auto j = nlohmann::json::parse(std::ifstream(designer->formPath));
  EXPECT_EQ(j["format"], kDesignFormat);
  EXPECT_EQ(j["controls"][0]["name"], kFirst);
  EXPECT_EQ(j["controls"][0]["left"], sized.left);
  EXPECT_EQ(j["controls"][0]["height"], sized.height);
  EXPECT_EQ(j["controls"][0]["properties"]["Max"]["value"], 500);

  key(kDelete);
  key('O', host::shift::Ctrl);
  EXPECT_TRUE(designer->save() == designed);
  EXPECT_FALSE(designer->modified());

  // Undo, step by step: the load, the deletion, the property page.
  key('Z', host::shift::Ctrl);
  key('Z', host::shift::Ctrl);
  EXPECT_EQ(designer->selected(), kFirst);
  key('Z', host::shift::Ctrl);
  EXPECT_NE(prop(kFirst, "Max"), 500);
  EXPECT_EQ(box(rect(kFirst)), box(sized));
}

// A form file that is damaged, or that a bar refuses, is refused whole with a message: the design
// and its undo steps stay exactly as they were. (The reading that the viewer's form files share,
// with its limits, its JSON and its typed values, is tested with the viewer in demo_test.cpp.)
TEST_F(DesignerTest, ARefusedLoadLeavesTheDesignAsItWas) {
  key(kInsert);
  key(kInsert, host::shift::Shift);
  ASSERT_TRUE(designer->saveToFile(designer->formPath));
  const auto good = nlohmann::json::parse(std::ifstream(designer->formPath));
  designer->bar(kFirst).let("Max", host::Variant(int32_t{77}));
  key(host::vk::Tab);
  const DesignedForm before = designer->save();

  const std::vector<test::BadForm> cases = test::badForms("designer", good);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::writeText(designer->formPath, c.text);
    EXPECT_FALSE(designer->loadFromFile(designer->formPath));
    EXPECT_THAT(lastLog(), HasSubstr("load failed, the design is unchanged"));
    EXPECT_THAT(lastLog(), HasSubstr(c.message));
    EXPECT_TRUE(designer->save() == before);
    EXPECT_TRUE(designer->designMode());
  }
  // The refusals left no undo steps: the last one still takes the second bar away.
  key('Z', host::shift::Ctrl);
  EXPECT_THAT(designer->names(), ElementsAre(kFirst));
}

// The keys the window hands the designer, and what run mode refuses.
TEST_F(DesignerTest, KeysWorkTheDesignAndRunModeRefusesDesignChanges) {
  key(kInsert);
  key(kInsert);
  EXPECT_EQ(designer->selected(), kSecond);
  key(host::vk::Tab);
  key(host::vk::F1);
  ASSERT_FALSE(engine.shown().empty());
  EXPECT_EQ(engine.shown().back().name, "dlgAbout");
  key(kDelete);
  key(kF4);
  EXPECT_THAT(lastLog(), HasSubstr("select a bar first"));

  key(kF5);
  key(kInsert);
  key('Z', host::shift::Ctrl);
  EXPECT_THAT(designer->names(), ElementsAre(kSecond));
  EXPECT_THAT(lastLog(), HasSubstr("only in design mode"));
  EXPECT_FALSE(designer->handleKey(kDelete, 0));  // the running bars may take it
  key(kF5);

  // Escape asks before it drops unsaved changes: Cancel stays, No quits.
  bool quit = false;
  designer->onQuit = [&] { quit = true; };
  int16_t answer = 2;
  engine.setMsgBoxPolicy([&](const std::string&, int32_t) { return answer; });
  key(host::vk::Escape);
  EXPECT_FALSE(quit);
  answer = 7;
  key(host::vk::Escape);
  EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace keloscroll::demo
