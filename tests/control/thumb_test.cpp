// Thumb positioning: the grab test of a press, moves to a point, and the key step.
#include <gtest/gtest.h>

#include <climits>

#include "bar_fixture.h"
#include "host/engine.h"
#include "host/numeric.h"

namespace keloscroll::testing {
namespace {

// The track's own mouse event, as the engine delivers it after routing: exact track units.
void pressTrack(Bar& bar, float x, float y) {
  bar.track().MouseDown(1, 0, x, y);
}

TEST(ThumbPositioning, GrabZoneIncludesBothEndsOfTheThumb) {
  // Max 100 on the designed track: the thumb is 8 positions long; at position 5 its top is 4.
  struct Probe {
    float y;
    bool hit;
  };
  for (Probe p :
       {Probe{4.0f, true}, Probe{12.0f, true}, Probe{3.99f, false}, Probe{12.01f, false}}) {
    SCOPED_TRACE(p.y);
    Bar bar;
    bar.ctl->setMax(100);
    bar.ctl->setValue(5);
    ASSERT_EQ(bar.diagLong("mCurHeight"), 8);
    ASSERT_FLOAT_EQ(bar.thumb().Top(), 4.0f);
    pressTrack(bar, 5000.0f, p.y);  // X plays no part on a vertical bar
    EXPECT_EQ(bar.diagBool("mThumbMoving"), p.hit);
    EXPECT_EQ(bar.diagLong("mCury"), host::toLong(p.y));  // the press point, counted from 0
  }
}

TEST(ThumbPositioning, DragFollowsThePointerWithinTheRange) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.ctl->setValue(5);
  pressTrack(bar, 10, 6.0f);  // grabbed 2 units below its top
  bar.track().MouseMove(1, 0, 10, 22.0f);
  EXPECT_EQ(bar.diagLong("mPosY"), 21);  // round(22 - 2) + 1
  EXPECT_FLOAT_EQ(bar.thumb().Top(), 20.0f);
  bar.track().MouseMove(1, 0, 10, -30.0f);
  EXPECT_EQ(bar.ctl->Value(), 1);
  bar.track().MouseMove(1, 0, 10, 500.0f);
  EXPECT_EQ(bar.ctl->Value(), 100);
  EXPECT_FLOAT_EQ(bar.thumb().Top(), 99.0f);
}

TEST(ThumbPositioning, MoveToTheLargestCoordinateOverflowsAndMovesNothing) {
  // A horizontal bar at the last of 2147483647 positions, turned vertical: the next Value write
  // passes that position as the other axis's coordinate, which overflows when made a position.
  Bar bar({.vertical = false, .width = 3645, .height = 240});
  bar.ctl->setMax(INT32_MAX);
  bar.ctl->setValue(INT32_MAX);
  ASSERT_EQ(bar.diagLong("mPosX"), INT32_MAX);
  host::Boolean vertical = host::True;
  bar.ctl->setVerticalBar(vertical);
  int32_t curx = bar.diagLong("mCurx");
  int32_t cury = bar.diagLong("mCury");
  bar.clearRecords();

  bar.ctl->setValue(5);
  EXPECT_EQ(bar.diagLong("mPosY"), 0);  // not moved
  EXPECT_EQ(bar.diagLong("mCurx"), curx);
  EXPECT_EQ(bar.diagLong("mCury"), cury);
  EXPECT_FALSE(bar.diagBool("mThumbLocked"));
  EXPECT_EQ(bar.events(), std::vector<std::string>{"Change(0)"});
}

TEST(ThumbPositioning, KeysStepOnePositionAndPagesDownToZero) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.ctl->setLargeChange(10);
  bar.ctl->setValue(2);
  bar.key(host::vk::Up);
  EXPECT_EQ(bar.ctl->Value(), 1);
  bar.key(host::vk::Up);  // the key's lower bound is 0, one before the first position
  EXPECT_EQ(bar.ctl->Value(), 0);
  EXPECT_FLOAT_EQ(bar.thumb().Top(), -1.0f);
  bar.key(host::vk::Up);
  EXPECT_EQ(bar.diagLong("mPosY"), 0);

  bar.ctl->setValue(95);
  bar.key(host::vk::PageDown);
  EXPECT_EQ(bar.ctl->Value(), 100);
  bar.key(host::vk::PageUp);
  EXPECT_EQ(bar.ctl->Value(), 90);
}

TEST(ThumbPositioning, KeyStepThatOverflowsMovesNothing) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.ctl->setValue(10);
  bar.ctl->setLargeChange(INT32_MAX);
  bar.key(host::vk::PageDown);
  EXPECT_EQ(bar.diagLong("mPosY"), 10);
  bar.ctl->setLargeChange(INT32_MIN);
  bar.key(host::vk::PageUp);
  EXPECT_EQ(bar.diagLong("mPosY"), 10);
}

}  // namespace
}  // namespace keloscroll::testing
