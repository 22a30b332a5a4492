// The user's side where a scenario cannot reach: the track's own events in exact units, a press
// that fails, the keys that reach the focused part, and where the tooltip box stands. The rest of
// the input (end buttons, page clicks, drags, keys, the throttle) is in tests/scenarios/
// control_input.scn and control_tooltip.scn.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "bar_fixture.h"
#include "host/engine.h"
#include "host/numeric.h"

namespace keloscroll::testing {
namespace {

using ::testing::ElementsAre;

// A bar on a form at left 3000, Max 100, whose host describes each position as "row N".
struct DescribedBar : Bar {
  explicit DescribedBar(BarOptions o = {}) : Bar(o) {
    ctl->setMax(100);
    onEvent = [this](std::string_view name, std::span<host::Variant> args) {
      if (name == "GetDescription")
        args[0].assign(host::Variant("row " + std::to_string(ctl->Value())));
    };
    clearRecords();
  }
  host::TextBox* tooltip() const {
    auto* w = host::findWidget(*form, "Txt" + std::to_string(site->surface().hwnd()));
    return dynamic_cast<host::TextBox*>(w);
  }
};

// A second button pressed far outside the form still reaches the track, which holds the mouse;
// its coordinate is no position (error 6, which goes to the host), and the bar stays usable.
TEST(TrackMouse, AnErrorInAPressLeavesTheBarUsable) {
  DescribedBar bar;
  bar.ctl->setValue(20);
  bar.press(bar.track(), 10, 60);
  EXPECT_EQ(errorOf([&] { bar.engine.mouseDown(*bar.form, 0, -1e11, host::mouse::Right); }),
            host::err::Overflow);
  EXPECT_FALSE(bar.diagBool("mBusy"));
  bar.engine.mouseUp(*bar.form, 0, -1e11, host::mouse::Right);
  bar.release(bar.track(), 10, 60);
  bar.ctl->setValue(30);
  EXPECT_EQ(bar.ctl->Value(), 30);
  bar.press(bar.track(), 10, 10);  // a page up
  bar.release(bar.track(), 10, 10);
  EXPECT_EQ(bar.ctl->Value(), 29);
}

// The grab test of a press, on the track's own event in exact units: Max 100 on the designed track
// makes the thumb 8 positions long; at position 5 its top is 4.
TEST(TrackMouse, GrabZoneIncludesBothEndsOfTheThumb) {
  const std::pair<float, bool> probes[] = {
      {4.0f, true}, {12.0f, true}, {3.99f, false}, {12.01f, false}};
  for (auto [y, hit] : probes) {
    SCOPED_TRACE(y);
    Bar bar;
    bar.ctl->setMax(100);
    bar.ctl->setValue(5);
    ASSERT_EQ(bar.diagLong("mCurHeight"), 8);
    ASSERT_FLOAT_EQ(bar.thumb().Top(), 4.0f);
    bar.track().MouseDown(1, 0, 5000.0f, y);  // X plays no part on a vertical bar
    EXPECT_EQ(bar.diagBool("mThumbMoving"), hit);
    EXPECT_EQ(bar.diagLong("mCury"), host::toLong(y));  // the press point, counted from 0
  }
}

TEST(TrackMouse, TrackIgnoresTheMouseWhileAButtonIsHeld) {
  DescribedBar bar;
  bar.ctl->setValue(20);
  bar.track().MouseDown(1, 0, 10, 60);  // as if delivered while the end button holds mBusy
  bar.press(bar.part("cmdDXDN"), 10, 10);
  bar.track().MouseDown(1, 0, 10, 60);
  bar.track().Click();
  EXPECT_EQ(bar.ctl->Value(), 21);
  bar.release(bar.part("cmdDXDN"), 10, 10);
}

TEST(Keyboard, HandledKeysAreSwallowedOthersReachTheFocusedPart) {
  DescribedBar bar;
  std::vector<int16_t> reached;
  bar.track().KeyDown = [&](int16_t& key, int16_t) { reached.push_back(key); };
  bar.key(host::vk::Down);
  bar.key(host::vk::Left);
  bar.key(host::vk::Right);
  EXPECT_THAT(reached, ElementsAre(host::vk::Left, host::vk::Right));
}

// A container's own objects: every member is forwarded by name and every object it hands out is
// wrapped again, so the control never sees one of the host's own classes.
class Foreign final : public host::Dispatch {
 public:
  explicit Foreign(host::ObjectRef target) : target_(std::move(target)) {}
  int32_t idOfName(std::string_view name) const override { return target_->idOfName(name); }
  host::Variant invoke(int32_t id, host::Invoke kind, std::span<host::Variant> args) override {
    host::Variant v = target_->invoke(id, kind, args);
    if (v.isObject() && v.asObject()) return host::Variant(std::make_shared<Foreign>(v.asObject()));
    return v;
  }
  std::string_view typeName() const override { return "Foreign"; }
  bool isForm() const override { return target_->isForm(); }

 private:
  host::ObjectRef target_;
};

TEST(Tooltip, BoxStandsBesideTheControlWithTheHostsText) {
  for (bool foreign : {false, true}) {
    SCOPED_TRACE(foreign ? "a container's own objects" : "the host's objects");
    DescribedBar bar;
    if (foreign)
      bar.site->setContainerServices({.ambientUserMode = {},
                                      .propertyChanged = {},
                                      .extender = std::make_shared<Foreign>(bar.site->extender())});
    bar.site->surface().setLeft(3000);
    bar.key(host::vk::Down);
    host::TextBox* box = bar.tooltip();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Text(), "row 1");
    EXPECT_EQ(bar.ctl->Description(), "row 1");
    EXPECT_TRUE(box->Visible());
    EXPECT_EQ(box->Appearance(), 0);
    EXPECT_EQ(box->BackColor(), static_cast<int32_t>(0x80000018));
    EXPECT_EQ(box->ForeColor(), static_cast<int32_t>(0x80000017));
    // Room on the left: the box ends at the control's left edge and is one text line high.
    EXPECT_FLOAT_EQ(box->Left() + box->Width(), 3000.0f);
    EXPECT_GT(box->Width(), bar.site->surface().TextWidth("row 1"));
    EXPECT_NEAR(box->Height(), bar.site->surface().TextHeight("row 1"), 0.5);
    EXPECT_EQ(bar.form->children().back().get(), box);  // brought to the front
    bar.engine.advance(600);
    EXPECT_FALSE(box->Visible());  // hidden by the timer, through the same object
  }
}

// A widget's rectangle on its form, in twips.
host::TwipsRect onForm(const host::Widget& w) {
  double x = 0, y = 0;
  w.originOnForm(x, y);
  return {x, y, w.rectTwips().width, w.rectTwips().height};
}

bool overlap(const host::TwipsRect& a, const host::TwipsRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

TEST(Tooltip, AHorizontalBarsBoxStandsAboveOrBelowItsTrackAtTheThumb) {
  // A bar 5205 twips wide on a form 9000 wide: above the track when there is room for the box
  // there, below it otherwise; the box starts where the thumb does but stays on the form.
  struct Case {
    const char* what;
    float left, top;
    int32_t value;
    bool above;
  };
  for (Case c :
       {Case{"room above", 600, 3000, 40, true}, Case{"at the form's top", 0, 0, 40, false},
        Case{"at the form's right edge", 3795, 3000, 100, true}}) {
    SCOPED_TRACE(c.what);
    DescribedBar bar({.vertical = false, .width = 5205, .height = 240});
    bar.ctl->setRefreshMsecGD(0);
    bar.site->surface().Move(c.left, c.top);
    bar.ctl->setValue(c.value - 1);
    auto check = [&](const char* how) {
      SCOPED_TRACE(how);
      host::TextBox* box = bar.tooltip();
      ASSERT_NE(box, nullptr);
      ASSERT_TRUE(box->Visible());
      EXPECT_EQ(box->Text(), "row " + std::to_string(bar.ctl->Value()));
      host::TwipsRect b = onForm(*box), track = onForm(bar.track());
      if (c.above) {
        EXPECT_DOUBLE_EQ(b.top + b.height, track.top);
      } else {
        EXPECT_DOUBLE_EQ(b.top, track.top + track.height);
      }
      EXPECT_NEAR(b.height, bar.site->surface().TextHeight(box->Text()), 0.5);
      double thumbLeft = onForm(bar.thumb()).left;
      EXPECT_NEAR(b.left, std::min(thumbLeft, 9000 - b.width), 1.0);
      EXPECT_LE(b.left + b.width, 9000);
      for (const char* part : {"cmdSxUp", "cmdDXDN", "imgCursor"})
        EXPECT_FALSE(overlap(b, onForm(bar.part(part)))) << part;
    };
    bar.press(bar.part("cmdDXDN"), 100, 100);
    bar.release(bar.part("cmdDXDN"), 100, 100);
    ASSERT_EQ(bar.ctl->Value(), c.value);
    check("end button");
    bar.key(host::vk::Up);
    check("key");
    // Dragged, the box goes along with the thumb.
    float grab = bar.thumb().Left() + 1;
    bar.press(bar.track(), grab, 100);
    bar.move(bar.track(), grab - 20, 100);
    check("drag");
    bar.release(bar.track(), grab - 20, 100);
  }
}

}  // namespace
}  // namespace keloscroll::testing
