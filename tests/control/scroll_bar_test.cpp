// keloscroll::ScrollBar, the typed C++ API, as a C++ host uses it: bars placed on a form of the
// headless engine, driven through the typed members, the engine's mouse and keys and its virtual
// clock; what the control does is read back through its dispatch interface and its widgets.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/error.h"
#include "keloscroll/ScrollBar.h"
#include "tests/host/host_test_util.h"

namespace {

using keloscroll::Bounds;
using keloscroll::ScrollBar;
using keloscroll::host::testing::errorOf;

class Api : public keloscroll::host::testing::HostTest {
 protected:
  Api() { form->setRectTwips({0, 0, 9000, 6000}); }

  keloscroll::host::Widget& part(const ScrollBar& bar, std::string_view name) {
    keloscroll::host::Widget* w = keloscroll::host::findWidget(bar.surface(), name);
    if (!w) throw std::runtime_error("no part " + std::string(name));
    return *w;
  }
  // The pointer on the middle of a widget: pressed, held for `ms`, released.
  void hold(keloscroll::host::Widget& w, int64_t ms) {
    double x = 0, y = 0;
    w.originOnForm(x, y);
    x += w.rectTwips().width / 2;
    y += w.rectTwips().height / 2;
    engine.setCursorPos(engine.toScreen(*form, x, y));
    engine.mouseDown(*form, x, y, keloscroll::host::mouse::Left);
    engine.advance(ms);
    engine.mouseUp(*form, x, y, keloscroll::host::mouse::Left);
  }
  void key(int16_t code) {
    engine.keyDown(code);
    engine.keyUp(code);
  }
};

TEST_F(Api, TypedPropertiesAreTheControlsOwnMembers) {
  ScrollBar bar(*form, "Bar1", {8000, 0, 255, 3600});
  EXPECT_EQ(bar.refreshMsecGD(), 400);
  EXPECT_TRUE(bar.vertical());
  EXPECT_TRUE(bar.enabled());

  bar.setMax(50);
  bar.setLargeChange(10);
  bar.setSmallChange(3);
  bar.setMin(7);
  bar.setRefreshMsecGD(25);
  bar.setValue(60);  // the control limits it to the range
  keloscroll::host::Dispatch& face = bar.dispatch();
  EXPECT_EQ(bar.value(), 50);
  std::vector<int32_t> read;
  for (auto name : {"Max", "LargeChange", "SmallChange", "Min", "RefreshMsecGD"})
    read.push_back(face.get(name).asLong());
  EXPECT_EQ(read, (std::vector<int32_t>{50, 10, 3, 7, 25}));
  face.let("Max", 80);
  EXPECT_EQ((std::vector{bar.max(), bar.largeChange(), bar.smallChange(), bar.min()}),
            (std::vector<int32_t>{80, 10, 3, 7}));

  bar.setEnabled(false);
  EXPECT_FALSE(bar.enabled());

  // Pictures go to the control (control_members.scn: and on to the widgets); null is none.
  keloscroll::host::PictureRef builtIn = bar.pictureBarra();
  ASSERT_NE(builtIn, nullptr);
  auto thumb =
      std::make_shared<keloscroll::host::Picture>(2, 2, std::vector<uint32_t>(4, 0xFF00FF00u));
  bar.setPictureCursor(thumb);
  EXPECT_EQ(bar.pictureCursor(), thumb);
  bar.setPictureSXUP(thumb);
  EXPECT_EQ(static_cast<keloscroll::host::CommandButton&>(part(bar, "cmdSxUp")).Picture(), thumb);
  bar.setPictureCursor(nullptr);
  EXPECT_EQ(bar.pictureCursor(), nullptr);
  EXPECT_EQ(bar.pictureBarra(), builtIn);
  EXPECT_NE(bar.pictureDXDN(), nullptr);

  bar.setVertical(false);
  bar.move({0, 4000, 4000, 255});
  EXPECT_FALSE(bar.vertical());
  const Bounds b = bar.bounds();
  EXPECT_EQ(b.left, 0);
  EXPECT_EQ(b.top, 4000);
  EXPECT_EQ(b.width, 4000);
}

TEST_F(Api, EventsReachTheTypedHandlersAndTheDescriptionReachesTheTooltip) {
  ScrollBar bar(*form, "Bar1", {8000, 0, 255, 3600});
  bar.setMax(100);
  bar.setRefreshMsecGD(0);
  std::vector<int32_t> changes;
  int scrolls = 0;
  std::vector<std::string> asked;
  bar.onChange([&](int32_t v) { changes.push_back(v); });
  bar.onScroll([&] { ++scrolls; });
  bar.onGetDescription([&](std::string& text) {
    asked.push_back(text);  // what the control holds now: the last description
    text = "row " + std::to_string(bar.value());
  });

  bar.setValue(5);
  EXPECT_EQ(changes, (std::vector<int32_t>{5}));

  // Holding the end button: a step at once, then one every 100 ms.
  changes.clear();
  hold(part(bar, "cmdDXDN"), 250);
  EXPECT_EQ(changes, (std::vector<int32_t>{6, 7, 8}));
  EXPECT_EQ(scrolls, 3);
  EXPECT_EQ(asked, (std::vector<std::string>{"", "row 6", "row 7"}));
  EXPECT_EQ(bar.description(), "row 8");  // (the box that shows it: control_tooltip.scn)
  engine.advance(600);  // the box hides: the next write asks for a description again

  // A new handler replaces the old one; an empty one removes it.
  std::vector<int32_t> second;
  bar.onChange([&](int32_t v) { second.push_back(v); });
  bar.setValue(40);
  bar.onChange(nullptr);
  bar.onGetDescription(nullptr);
  bar.setValue(41);
  bar.focus();
  key(keloscroll::host::vk::Down);
  EXPECT_EQ(changes, (std::vector<int32_t>{6, 7, 8}));
  EXPECT_EQ(second, (std::vector<int32_t>{40}));
  EXPECT_EQ(bar.value(), 42);
  EXPECT_EQ(bar.description(), "row 40") << "nobody answered GetDescription since";
}

TEST_F(Api, SavedBarsComeBackAndALoadThatFailsLeavesTheBarAsItWas) {
  ScrollBar bar(*form, "Bar1", {8000, 0, 255, 3600});
  bar.setMax(120);
  bar.setLargeChange(10);
  std::vector<int32_t> changes;
  bar.onChange([&](int32_t v) { changes.push_back(v); });
  bar.setValue(1);
  bar.focus();
  key(keloscroll::host::vk::PageDown);
  key(keloscroll::host::vk::PageDown);
  ASSERT_EQ(bar.value(), 21);

  keloscroll::host::PropertyBag saved = bar.save();
  EXPECT_EQ(saved.ReadProperty("Value", 1).asLong(), 21);
  ScrollBar restored(*form, "Bar2", {7000, 0, 255, 3600}, saved);
  EXPECT_EQ(restored.value(), 21);
  EXPECT_EQ(restored.max(), 120);
  EXPECT_EQ(restored.largeChange(), 10);

  ScrollBar across(*form, "Bar3", {0, 5000, 4000, 255}, keloscroll::Orientation::Horizontal);
  across.setValue(9);
  ScrollBar acrossAgain(*form, "Bar4", {0, 5400, 4000, 255}, across.save());
  EXPECT_FALSE(acrossAgain.vertical());
  EXPECT_EQ(acrossAgain.value(), 9);

  // Loading in place: same bar, same handlers, the bag's values.
  keloscroll::host::PropertyBag other;
  other.set("Max", 60);
  other.set("Value", 5);
  changes.clear();
  bar.load(other);
  EXPECT_EQ(bar.max(), 60);
  EXPECT_EQ(bar.value(), 5);
  EXPECT_EQ(changes, (std::vector<int32_t>{5})) << "the restored value is raised once";
  EXPECT_EQ(keloscroll::host::findWidget(*form, "Bar1"), &bar.surface());

  // A bag the control refuses: its error, and the bar as it was, handlers and all.
  const size_t widgets = form->children().size();
  keloscroll::host::PropertyBag refused;
  refused.set("Max", "many");
  EXPECT_EQ(errorOf([&] { bar.load(refused); }), keloscroll::host::err::TypeMismatch);
  EXPECT_EQ(form->children().size(), widgets);
  EXPECT_EQ(bar.max(), 60);
  EXPECT_EQ(bar.value(), 5);
  changes.clear();
  bar.setValue(7);
  EXPECT_EQ(changes, (std::vector<int32_t>{7}));
  EXPECT_EQ(errorOf([&] { ScrollBar never(*form, "Bar5", {}, refused); }),
            keloscroll::host::err::TypeMismatch);
  EXPECT_EQ(keloscroll::host::findWidget(*form, "Bar5"), nullptr);
}

TEST_F(Api, ABarIsPlacedOnceByNameMovesWithItsHandlersAndLeavesWithItsObject) {
  auto bar = std::make_unique<ScrollBar>(*form, "Bar1", Bounds{8000, 0, 255, 3600});
  EXPECT_EQ(bar->name(), "Bar1");
  EXPECT_EQ(bar->dispatch().typeName(), "UsrKeloScroll");
  try {
    ScrollBar twin(*form, "bar1");
    ADD_FAILURE() << "a second bar1";
  } catch (const keloscroll::host::Error& e) {
    EXPECT_EQ(e.number(), keloscroll::host::err::NameInUse);
    EXPECT_EQ(e.description(), "There is already a control with the name 'bar1'");
  }
  auto loose = std::make_shared<keloscroll::host::PictureBox>("picLoose");
  EXPECT_EQ(errorOf([&] { ScrollBar nowhere(*loose, "Bar2"); }),
            keloscroll::host::err::ObjectNotSet);

  std::vector<int32_t> changes;
  bar->onChange([&](int32_t v) { changes.push_back(v); });
  ScrollBar moved = std::move(*bar);
  bar.reset();
  EXPECT_NE(keloscroll::host::findWidget(*form, "Bar1"), nullptr)
      << "the moved-from object owned nothing";
  moved.setValue(3);
  moved.focus();
  key(keloscroll::host::vk::Down);
  EXPECT_EQ(changes, (std::vector<int32_t>{3, 4, 4})) << "Change on the key and on its release";

  // A bar on a frame: its container's units, its container's coordinates.
  auto frame = form->add<keloscroll::host::Frame>("fraBars");
  frame->setRectTwips({1000, 1000, 3000, 4000});
  {
    ScrollBar inner(*frame, "Inner", {100, 200, 255, 3000});
    EXPECT_EQ(inner.surface().container(), frame.get());
    EXPECT_EQ(inner.bounds().top, 200);
    inner.setValue(2);
    EXPECT_EQ(inner.value(), 2);
  }
  EXPECT_EQ(keloscroll::host::findWidget(*form, "Inner"), nullptr) << "gone with its object";
  moved = ScrollBar(*form, "Bar9");
  EXPECT_EQ(keloscroll::host::findWidget(*form, "Bar1"), nullptr) << "replaced by assignment";
  EXPECT_NE(keloscroll::host::findWidget(*form, "Bar9"), nullptr);
}

}  // namespace
