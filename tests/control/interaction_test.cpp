// The user's side: end buttons and their repeat, the track's drag and page click, the keyboard,
// and the description tooltip, driven through the engine's input and its virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "bar_fixture.h"
#include "host/engine.h"

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
  // Events without the description requests, which depend on the throttle.
  std::vector<std::string> moves() const {
    std::vector<std::string> out;
    for (auto& e : events())
      if (!e.starts_with("GetDescription")) out.push_back(e);
    return out;
  }
};

TEST(EndButtons, PressStepsAtOnceRepeatsEvery100msAndTheTooltipHidesAfterRelease) {
  DescribedBar bar;
  bar.ctl->setValue(1);
  bar.clearRecords();
  host::Widget& down = bar.part("cmdDXDN");
  bar.press(down, 100, 100);
  EXPECT_THAT(bar.moves(), ElementsAre("Change(2)", "Scroll"));
  ASSERT_NE(bar.tooltip(), nullptr);
  EXPECT_TRUE(bar.tooltip()->Visible());
  EXPECT_EQ(bar.tooltip()->Text(), "row 2");
  bar.engine.advance(350);
  EXPECT_EQ(bar.ctl->Value(), 5);  // three repeated steps, 100 ms apart
  bar.release(down, 100, 100);
  EXPECT_FALSE(bar.diagBool("mBusy"));
  bar.engine.advance(499);
  EXPECT_TRUE(bar.tooltip()->Visible());
  bar.engine.advance(1);
  EXPECT_FALSE(bar.tooltip()->Visible());
  EXPECT_EQ(bar.diagLong("mTimerMode"), 1);
}

TEST(EndButtons, SmallChangeStepsBothWaysAndStopsAtTheEnds) {
  DescribedBar bar;
  bar.ctl->setSmallChange(3);
  bar.ctl->setValue(10);
  bar.press(bar.part("cmdSxUp"), 10, 10);
  bar.release(bar.part("cmdSxUp"), 10, 10);
  EXPECT_EQ(bar.ctl->Value(), 7);
  bar.press(bar.part("cmdDXDN"), 10, 10, host::mouse::Right);  // any button steps
  bar.release(bar.part("cmdDXDN"), 10, 10, host::mouse::Right);
  EXPECT_EQ(bar.ctl->Value(), 10);

  bar.ctl->setValue(2);
  bar.clearRecords();
  bar.press(bar.part("cmdSxUp"), 10, 10);
  bar.engine.advance(200);
  bar.release(bar.part("cmdSxUp"), 10, 10);
  EXPECT_THAT(bar.moves(),
              ElementsAre("Change(1)", "Scroll", "Change(1)", "Scroll", "Change(1)", "Scroll"));
}

TEST(EndButtons, SlidingOffStopsTheRepeatForGood) {
  DescribedBar bar;
  bar.ctl->setValue(50);
  host::Widget& down = bar.part("cmdDXDN");
  bar.press(down, 100, 100);
  bar.move(bar.part("cmdSxUp"), 100, 100);  // the pressed button keeps the mouse
  bar.engine.advance(100);
  EXPECT_EQ(bar.ctl->Value(), 51);
  EXPECT_FALSE(bar.diagBool("mBusy"));
  bar.move(down, 100, 100);
  bar.engine.advance(300);
  EXPECT_EQ(bar.ctl->Value(), 51);
  bar.release(down, 100, 100);
}

TEST(EndButtons, HostWritesAreIgnoredWhileAButtonIsHeldAndADisabledBarIgnoresPresses) {
  DescribedBar bar;
  bar.ctl->setValue(50);
  bar.press(bar.part("cmdDXDN"), 100, 100);
  bar.ctl->setValue(10);
  EXPECT_EQ(bar.ctl->Value(), 51);
  bar.release(bar.part("cmdDXDN"), 100, 100);

  bar.ctl->setEnabled(host::False);
  bar.clearRecords();
  bar.press(bar.part("cmdDXDN"), 100, 100);
  bar.release(bar.part("cmdDXDN"), 100, 100);
  EXPECT_TRUE(bar.events().empty());
  EXPECT_EQ(bar.diagLong("mPosY"), 51);
}

TEST(TrackMouse, ClickBesideTheThumbPagesTowardsThePress) {
  DescribedBar bar;
  bar.ctl->setLargeChange(6);
  bar.ctl->setValue(20);
  auto click = [&](float y) {
    bar.press(bar.track(), 10, y);
    bar.release(bar.track(), 10, y);
  };
  click(10);
  EXPECT_EQ(bar.ctl->Value(), 14);
  bar.ctl->setValue(20);
  click(30);
  EXPECT_EQ(bar.ctl->Value(), 26);
  bar.ctl->setValue(95);
  click(99);  // on the thumb below its second unit: pages down, stopping at the last position
  EXPECT_EQ(bar.ctl->Value(), 100);
  click(99);  // now on the thumb's first unit: pages up
  EXPECT_EQ(bar.ctl->Value(), 94);
  bar.ctl->setValue(20);
  bar.clearRecords();
  click(20);  // on the thumb's second unit: nothing moves, Change still comes
  EXPECT_EQ(bar.ctl->Value(), 20);
  EXPECT_EQ(bar.moves().back(), "Change(20)");
}

TEST(TrackMouse, HorizontalClickLeavesTheThumbFromItsLeftEdgeToOnePastItsLength) {
  // A track 4725 twips wide: the thumb is 5 positions long.
  DescribedBar bar({.vertical = false, .width = 5205, .height = 240});
  bar.ctl->setLargeChange(6);
  ASSERT_EQ(bar.diagLong("mCurWidth"), 5);
  struct Press {
    float x;
    int32_t after;
  };
  for (Press p : {Press{19, 14}, Press{20, 20}, Press{25, 20}, Press{26, 26}}) {
    SCOPED_TRACE(p.x);
    bar.ctl->setValue(20);
    bar.press(bar.track(), p.x, 100);
    bar.release(bar.track(), p.x, 100);
    EXPECT_EQ(bar.ctl->Value(), p.after);
  }
}

TEST(TrackMouse, DragKeepsTheGrabOffsetAndRaisesChangeOnlyAtTheEnd) {
  DescribedBar bar;
  bar.ctl->setValue(20);
  bar.clearRecords();
  bar.press(bar.track(), 10, 22);  // 3 units below the thumb's top (19)
  bar.move(bar.track(), 10, 40);
  bar.move(bar.track(), 10, 50);
  EXPECT_EQ(bar.diagLong("mPosY"), 48);  // round(50 - 3) + 1
  EXPECT_TRUE(bar.moves().empty());      // the host hears of the drag through descriptions
  bar.release(bar.track(), 10, 50);
  // One Change from the release, one from the click that follows it over the track.
  EXPECT_THAT(bar.moves(), ElementsAre("Change(48)", "Change(48)"));
  EXPECT_FALSE(bar.diagBool("mThumbMoving"));
}

// A second button pressed far outside the form still reaches the track, which holds the mouse;
// its coordinate is no position (error 6, which goes to the host), and the bar stays usable.
TEST(TrackMouse, AnErrorInAPressLeavesTheBarUsable) {
  DescribedBar bar;
  bar.ctl->setValue(20);
  bar.press(bar.track(), 10, 60);
  int32_t error = 0;
  try {
    bar.engine.mouseDown(*bar.form, 0, -1e11, host::mouse::Right);
  } catch (const host::Error& e) {
    error = e.number();
  }
  EXPECT_EQ(error, host::err::Overflow);
  EXPECT_FALSE(bar.diagBool("mBusy"));
  bar.engine.mouseUp(*bar.form, 0, -1e11, host::mouse::Right);
  bar.release(bar.track(), 10, 60);
  bar.ctl->setValue(30);
  EXPECT_EQ(bar.ctl->Value(), 30);
  bar.press(bar.track(), 10, 10);  // a page up
  bar.release(bar.track(), 10, 10);
  EXPECT_EQ(bar.ctl->Value(), 29);
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

TEST(Keyboard, KeysMoveTheBarAndRaiseChangeOnPressAndRelease) {
  DescribedBar bar;
  bar.ctl->setLargeChange(6);
  bar.ctl->setValue(10);
  bar.clearRecords();
  bar.key(host::vk::PageDown);
  EXPECT_THAT(bar.moves(), ElementsAre("Change(16)", "Change(16)"));
  bar.key(host::vk::PageUp);
  bar.key(host::vk::PageUp);
  EXPECT_EQ(bar.ctl->Value(), 4);
  bar.key(host::vk::Down, host::shift::Shift);  // the shift state is ignored
  EXPECT_EQ(bar.ctl->Value(), 5);
  bar.key(host::vk::End);
  EXPECT_EQ(bar.ctl->Value(), 100);
  bar.clearRecords();
  bar.key(host::vk::Home);
  EXPECT_THAT(bar.moves(), ElementsAre("Change(1)", "Change(1)"));
  bar.clearRecords();
  bar.key('A');  // any release raises Change with the current value
  EXPECT_THAT(bar.moves(), ElementsAre("Change(1)"));
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

TEST(Keyboard, KeysMoveADisabledBarAndTheReleaseClearsTheLock) {
  DescribedBar bar;
  bar.ctl->setValue(10);
  bar.engine.setFocus(bar.track());  // the track keeps the focus it had
  bar.ctl->setEnabled(host::False);
  bar.engine.keyDown(host::vk::Down);
  bar.engine.keyUp(host::vk::Down);
  EXPECT_EQ(bar.ctl->Value(), 11);
  EXPECT_FALSE(bar.diagBool("mBusy"));
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

TEST(Tooltip, DescriptionsAreThrottledAndAskedOnlyWhenTheThumbMoved) {
  DescribedBar bar;
  bar.ctl->setRefreshMsecGD(200);
  auto asked = [&] {
    size_t n = 0;
    for (auto& e : bar.events()) n += e.starts_with("GetDescription");
    bar.clearRecords();
    return n;
  };
  bar.key(host::vk::Down);
  EXPECT_EQ(asked(), 1u);
  bar.engine.advance(10);
  bar.key(host::vk::Down);
  EXPECT_EQ(asked(), 0u);  // within 200 ms: dropped
  bar.engine.advance(250);
  bar.key(host::vk::Down);
  EXPECT_EQ(asked(), 1u);
  bar.engine.advance(250);
  bar.press(bar.part("cmdSxUp"), 10, 10);  // moves: asked again
  bar.release(bar.part("cmdSxUp"), 10, 10);
  EXPECT_EQ(asked(), 1u);
  bar.engine.advance(1000);  // hidden: the next one is asked even without a move
  bar.ctl->setValue(bar.ctl->Value());
  EXPECT_EQ(asked(), 1u);
}

TEST(Tooltip, NothingIsShownInADesignerOrForAHostThatGivesNoText) {
  DescribedBar design({.runMode = false});
  design.key(host::vk::Down);
  EXPECT_EQ(design.tooltip(), nullptr);

  Bar silent;
  silent.ctl->setMax(100);
  silent.key(host::vk::Down);
  EXPECT_EQ(host::findWidget(*silent.form, "Txt" + std::to_string(silent.site->surface().hwnd())),
            nullptr);
}

TEST(Persistence, SavingWritesTheKeysAndDropsTheBoxLoadingAppliesThem) {
  DescribedBar bar;
  bar.ctl->setValue(42);
  bar.ctl->setLargeChange(5);
  bar.key(host::vk::Down);  // shows the tooltip box
  ASSERT_NE(bar.tooltip(), nullptr);
  host::PropertyBag bag;
  bar.site->save(bag);
  EXPECT_EQ(bar.tooltip(), nullptr) << "saving at run time removes the box from the form";
  EXPECT_EQ(bag.ReadProperty("Value", host::Variant()).asLong(), 43);
  EXPECT_EQ(bag.ReadProperty("Max", host::Variant()).asLong(), 100);
  EXPECT_EQ(bag.ReadProperty("LargeChange", host::Variant()).asLong(), 5);
  EXPECT_EQ(bag.ReadProperty("Min", host::Variant(int16_t{1})).asLong(), 0);  // never set
  EXPECT_TRUE(bag.has("PictureCursor"));  // built-in pictures are stored too
  EXPECT_FALSE(bag.has("VerticalBar"));   // equal to its default
  bar.site->save(bag);                    // no box now: ends quietly

  Bar loaded;
  loaded.site->load(bag);
  EXPECT_EQ(loaded.ctl->Value(), 43);
  EXPECT_EQ(loaded.ctl->Max(), 100);
  EXPECT_EQ(loaded.ctl->LargeChange(), 5);
  EXPECT_EQ(loaded.ctl->Min(), 0);
  EXPECT_THAT(loaded.events(), ElementsAre("Change(43)"));
}

TEST(Persistence, EmptyBagGivesTheDefaultsAndADisabledBarLoadsUnplaced) {
  Bar bar;
  host::PropertyBag empty;
  bar.site->load(empty);
  EXPECT_EQ(bar.ctl->LargeChange(), 1);
  EXPECT_EQ(bar.ctl->Max(), 200000);
  EXPECT_EQ(bar.ctl->Value(), 1);
  EXPECT_EQ(bar.ctl->RefreshMsecGD(), 400);
  EXPECT_EQ(bar.ctl->Min(), 1);
  EXPECT_TRUE(bar.ctl->PictureCursor());

  host::PropertyBag disabled;
  disabled.set("Enabled", host::Variant::boolean(false));
  disabled.set("Value", host::Variant(int32_t{50}));
  Bar off;
  off.site->load(disabled);
  EXPECT_EQ(off.ctl->Value(), 0);
  EXPECT_TRUE(off.events().empty());

  host::PropertyBag corrupt;
  corrupt.set("RefreshMsecGD", host::Variant(int32_t{40000}));
  Bar bad;
  EXPECT_THROW(bad.site->load(corrupt), host::Error);
  EXPECT_EQ(bad.ctl->Max(), 200000);  // the keys before it were applied
}

}  // namespace
}  // namespace keloscroll::testing
