// The value model through the control's public face: the thumb is the position.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "bar_fixture.h"
#include "host/engine.h"

namespace keloscroll::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ValueModel, WritesAreLimitedToTheRangeAndRaiseChangeOncePerWrite) {
  for (bool vertical : {true, false}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    Bar bar({.vertical = vertical,
             .width = vertical ? 720.0f : 3645.0f,
             .height = vertical ? 3645.0f : 240.0f});
    bar.ctl->setMax(100);
    bar.clearRecords();
    auto lead = [&] { return vertical ? bar.thumb().Top() : bar.thumb().Left(); };

    bar.ctl->setValue(5);
    EXPECT_FLOAT_EQ(lead(), 4.0f);
    EXPECT_EQ(bar.ctl->Value(), 5);
    bar.ctl->setValue(0);
    EXPECT_EQ(bar.ctl->Value(), 1);
    EXPECT_FLOAT_EQ(lead(), 0.0f);
    bar.ctl->setValue(-7);
    EXPECT_EQ(bar.ctl->Value(), 1);
    bar.ctl->setValue(250);
    EXPECT_EQ(bar.ctl->Value(), 100);
    EXPECT_FLOAT_EQ(lead(), 99.0f);
    bar.ctl->setValue(250);  // the same number again still raises Change
    EXPECT_THAT(bar.events(),
                ElementsAre("Change(5)", "Change(1)", "Change(1)", "Change(100)", "Change(100)"));
    EXPECT_EQ(bar.propertyChangeCount("Value"), 5u);
    EXPECT_EQ(bar.diagLong("mValue"), 250);  // the number as written
    EXPECT_EQ(bar.ctl->Value(), 100);
    EXPECT_EQ(bar.diagLong("mValue"), 100);  // the read stored what the thumb shows
  }
}

TEST(ValueModel, WritesAreIgnoredWhileDisabledUntilEnabledAgain) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.ctl->setValue(10);
  bar.ctl->setEnabled(host::False);
  bar.clearRecords();

  bar.ctl->setValue(40);
  EXPECT_EQ(bar.diagLong("mValue"), 10);
  EXPECT_EQ(bar.ctl->Value(), 10);
  EXPECT_THAT(bar.events(), IsEmpty());
  EXPECT_EQ(bar.propertyChangeCount("Value"), 0u);
  EXPECT_FALSE(bar.thumb().Visible());
  EXPECT_FALSE(bar.track().Enabled());

  bar.ctl->setEnabled(host::True);
  bar.ctl->setValue(40);
  EXPECT_EQ(bar.ctl->Value(), 40);
  EXPECT_THAT(bar.events(), ElementsAre("Change(40)"));
}

TEST(ValueModel, ChangeHandlerArgumentIsNeverReadBack) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.onEvent = [](std::string_view name, std::span<host::Variant> args) {
    if (name == "Change") args[0].assign(host::Variant(int32_t{99}));
  };
  bar.ctl->setValue(5);
  EXPECT_EQ(bar.ctl->Value(), 5);
  EXPECT_EQ(bar.diagLong("mPosY"), 5);
}

TEST(ValueModel, ChangeHandlerThatAssignsValueRunsAWholeInnerSetter) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.clearRecords();
  int depth = 0;
  bar.onEvent = [&](std::string_view name, std::span<host::Variant>) {
    if (name == "Change" && depth++ == 0) bar.ctl->setValue(20);
  };
  bar.ctl->setValue(10);
  EXPECT_THAT(bar.events(), ElementsAre("Change(10)", "Change(20)"));
  EXPECT_EQ(bar.ctl->Value(), 20);
  EXPECT_EQ(bar.diagLong("mValue"), 20);
  EXPECT_EQ(bar.propertyChangeCount("Value"), 2u);
}

TEST(ValueModel, WriteDuringALockedThumbMoveRaisesChangeWithTheOldPosition) {
  // The press on an end button holds the move lock while its Change runs; a host that re-enables
  // the bar from that handler lifts the input lock, so its write reaches the setter.
  Bar bar;
  bar.ctl->setMax(100);
  bar.ctl->setValue(10);
  bar.clearRecords();
  bool once = false;
  bar.onEvent = [&](std::string_view name, std::span<host::Variant>) {
    if (name != "Change" || once) return;
    once = true;
    EXPECT_TRUE(bar.diagBool("mThumbLocked"));
    bar.ctl->setEnabled(host::True);
    bar.ctl->setValue(50);
    EXPECT_EQ(bar.diagLong("mValue"), 50);
  };
  bar.press(bar.part("cmdDXDN"), 100, 100);
  EXPECT_EQ(bar.events()[0], "Change(11)");
  EXPECT_EQ(bar.events()[1], "Change(11)");  // the inner write: the thumb did not move
  EXPECT_EQ(bar.ctl->Value(), 11);
}

TEST(ValueModel, LoweringMaxKeepsThePositionUntilRead) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.ctl->setValue(80);
  bar.ctl->setMax(50);
  EXPECT_EQ(bar.diagLong("mPosY"), 80);
  EXPECT_FLOAT_EQ(bar.thumb().Top(), 79.0f);  // placed beyond the visible track all the same
  EXPECT_EQ(bar.ctl->Value(), 50);
}

TEST(ValueModel, MinimumLongStoresTheNumberAndStops) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.ctl->setValue(7);
  bar.clearRecords();
  bar.ctl->setValue(INT32_MIN);
  EXPECT_EQ(bar.diagLong("mValue"), INT32_MIN);
  EXPECT_TRUE(bar.diagBool("mThumbMoving"));  // armed before the overflow
  EXPECT_TRUE(bar.diagBool("mStepArmed"));
  EXPECT_EQ(bar.diagLong("mPosY"), 7);
  EXPECT_THAT(bar.events(), IsEmpty());
  EXPECT_EQ(bar.propertyChangeCount("Value"), 0u);
}

TEST(ValueModel, MaxAtDesignTimeWaitsForShow) {
  Bar bar({.runMode = false});
  float scaleBefore = bar.track().ScaleHeight();
  bar.ctl->setMax(50);
  EXPECT_EQ(bar.diagLong("mScaleMax"), 50);
  EXPECT_FLOAT_EQ(bar.track().ScaleHeight(), scaleBefore);
  bar.site->show();
  EXPECT_NE(bar.track().ScaleHeight(), scaleBefore);

  bar.ctl->setMax(0);
  EXPECT_EQ(bar.diagLong("mScaleMax"), 0);  // raised to one position only by the next rescale
  bar.ctl->setValue(3);
  EXPECT_EQ(bar.events().back(), "Change(0)");
}

TEST(ValueModel, OrientationSwitchReadsTheOtherAxis) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.ctl->setValue(30);
  host::Boolean horizontal = host::False;
  bar.ctl->setVerticalBar(horizontal);
  EXPECT_EQ(bar.ctl->Value(), 0);  // never placed on this axis
  EXPECT_EQ(bar.propertyChangeCount("VerticalBar"), 1u);
}

TEST(ValueModel, RunModeTestCountsAMissingClientSiteAsRunMode) {
  Bar bar({.clientSite = false});
  bar.ctl->setMax(100);  // rescales at once, as at run time
  EXPECT_EQ(bar.diagLong("mCurHeight"), 8);
  bar.ctl->setValue(5);
  EXPECT_EQ(bar.ctl->Value(), 5);
  EXPECT_EQ(bar.propertyChangeCount("Value"), 1u);
}

TEST(ValueModel, SetterReportsOnlyWhatTheContainerSaves) {
  Bar bar;
  bar.ctl->setMin(10);
  bar.ctl->setSmallChange(5);
  bar.ctl->setLargeChange(7);
  bar.ctl->setRefreshMsecGD(250);
  EXPECT_THAT(bar.site->propertyChanges(), ElementsAre("Min", "LargeChange", "RefreshMsecGD"));
  bar.ctl->setMax(100);
  bar.ctl->setValue(1);
  EXPECT_EQ(bar.ctl->Value(), 1);  // Min plays no part in the range
  EXPECT_EQ(bar.ctl->Description(), "");
}

}  // namespace
}  // namespace keloscroll::testing
