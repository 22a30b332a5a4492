// Built from its widgets: the constituent parts, the resize layout and the track's user scale.
#include <gtest/gtest.h>

#include "bar_fixture.h"

namespace keloscroll::testing {
namespace {

void expectRect(const host::Widget& w, float left, float top, float width, float height) {
  SCOPED_TRACE(w.name());
  EXPECT_FLOAT_EQ(w.Left(), left);
  EXPECT_FLOAT_EQ(w.Top(), top);
  EXPECT_FLOAT_EQ(w.Width(), width);
  EXPECT_FLOAT_EQ(w.Height(), height);
}

TEST(Parts, SixWidgetsWithTheirKindsNestingAndSettings) {
  Bar bar({.runMode = false});
  const host::UserControl& surface = bar.site->surface();
  EXPECT_EQ(bar.part("cmdSxUp").kind(), host::WidgetKind::CommandButton);
  EXPECT_EQ(bar.part("cmdDXDN").kind(), host::WidgetKind::CommandButton);
  EXPECT_EQ(bar.part("tmr_Server").kind(), host::WidgetKind::Timer);
  EXPECT_EQ(bar.part("picBarra").kind(), host::WidgetKind::PictureBox);
  EXPECT_EQ(bar.part("imgCursor").container(), &bar.track());
  EXPECT_EQ(bar.part("imgSfondoPic").container(), &bar.track());
  EXPECT_EQ(bar.part("picBarra").container(), &surface);
  // The thumb in front of the background, both deaf to the mouse; the track takes it.
  const auto& inTrack = bar.track().children();
  ASSERT_EQ(inTrack.size(), 2u);
  EXPECT_EQ(inTrack.back()->name(), "imgCursor");
  EXPECT_FALSE(bar.part("imgCursor").Enabled());
  EXPECT_FALSE(bar.part("imgSfondoPic").Enabled());
  EXPECT_TRUE(bar.track().Enabled());
  EXPECT_EQ(bar.track().BackColor(), static_cast<int32_t>(0x80000005));
  EXPECT_EQ(bar.part("picBarra").TabIndex(), 0);
  EXPECT_EQ(bar.part("cmdDXDN").TabIndex(), 1);
  EXPECT_EQ(bar.part("cmdSxUp").TabIndex(), 2);
  EXPECT_EQ(bar.part("cmdSxUp").get("Style").asInteger(), 1);
  auto& timer = static_cast<host::Timer&>(bar.part("tmr_Server"));
  EXPECT_FALSE(timer.Enabled());
  // Geometry record as measured from the widgets as designed.
  EXPECT_EQ(bar.diagLong("mBarWidth"), 240);
  EXPECT_EQ(bar.diagLong("mStartPos"), 1);
  EXPECT_EQ(bar.diagLong("mBarScaleMode"), 1);
}

TEST(Parts, InitialGeometryRecordComesFromTheDesignedWidgets) {
  host::VirtualClock clock;
  host::FormEngine engine(clock);
  auto form = engine.createForm("Form1");
  host::ControlSite site(engine, *form, "KeloScroll1");
  auto ctl = UsrKeloScroll::create(site);
  auto d = [&](std::string_view n) {
    for (auto& [k, v] : ctl->diagnosticState())
      if (k == n) return v.asLong();
    return -999;
  };
  EXPECT_EQ(d("mBarHeight"), 2835);
  EXPECT_EQ(d("mBarWidth"), 240);
  EXPECT_EQ(d("mCurHeight"), 225);
  EXPECT_EQ(d("mCurWidth"), 240);
  EXPECT_EQ(d("mScaleMax"), 0);
  EXPECT_EQ(d("mLargeChange"), 6);
  EXPECT_EQ(d("mRefreshMsecGD"), 200);
  EXPECT_EQ(d("mValue"), 1);
  EXPECT_FLOAT_EQ(site.surface().Width(), 720.0f);
  EXPECT_FLOAT_EQ(site.surface().Height(), 3645.0f);
  site.initNew();
  EXPECT_EQ(ctl->Max(), 200000);
  EXPECT_EQ(ctl->LargeChange(), 1);
  EXPECT_EQ(ctl->RefreshMsecGD(), 400);
  EXPECT_EQ(ctl->Value(), 0);  // a new instance's thumb is not placed yet
  EXPECT_TRUE(site.events().empty());
  EXPECT_TRUE(site.propertyChanges().empty());
}

TEST(Parts, BuiltInPicturesFollowThePixelDescription) {
  Bar bar;
  auto up = bar.ctl->PictureSXUP();
  ASSERT_EQ(up->width(), 16);
  EXPECT_EQ(up->pixel(0, 0), host::Picture::rgb(192, 192, 192));
  EXPECT_EQ(up->pixel(2, 2), host::Picture::rgb(191, 191, 191));
  EXPECT_EQ(up->pixel(7, 6), host::Picture::rgb(0, 0, 0));  // the tip
  EXPECT_EQ(up->pixel(4, 9), host::Picture::rgb(0, 0, 0));  // the base, 7 wide
  EXPECT_EQ(up->pixel(10, 9), host::Picture::rgb(0, 0, 0));
  EXPECT_NE(up->pixel(6, 6), host::Picture::rgb(0, 0, 0));
  auto down = bar.ctl->PictureDXDN();
  EXPECT_EQ(down->pixel(7, 9), host::Picture::rgb(0, 0, 0));
  EXPECT_EQ(down->pixel(4, 6), host::Picture::rgb(0, 0, 0));
  auto thumb = bar.ctl->PictureCursor();
  ASSERT_EQ(thumb->width(), 16);
  ASSERT_EQ(thumb->height(), 15);
  EXPECT_EQ(thumb->pixel(0, 0), host::Picture::rgb(223, 223, 223));
  EXPECT_EQ(thumb->pixel(1, 1), host::Picture::rgb(255, 255, 255));
  EXPECT_EQ(thumb->pixel(14, 13), host::Picture::rgb(127, 127, 127));
  EXPECT_EQ(thumb->pixel(15, 14), host::Picture::rgb(0, 0, 0));
  EXPECT_EQ(thumb->pixel(8, 7), host::Picture::rgb(191, 191, 191));
  auto back = bar.ctl->PictureBarra();
  EXPECT_EQ(back->width(), 17);
  EXPECT_EQ(back->height(), 34);
  EXPECT_EQ(back->pixel(16, 33), host::Picture::rgb(223, 223, 223));
}

TEST(Layout, CreationSizeStacksButtonsAndTrack) {
  Bar bar;
  expectRect(bar.part("cmdSxUp"), 0, 0, 720, 240);
  expectRect(bar.part("cmdDXDN"), 0, 3405, 720, 240);
  expectRect(bar.track(), 0, 240, 720, 3165);
  EXPECT_FLOAT_EQ(bar.thumb().Width(), 720.0f);
  host::Widget& back = bar.part("imgSfondoPic");
  EXPECT_FLOAT_EQ(back.Left(), 0.0f);
  EXPECT_FLOAT_EQ(back.Top(), 0.0f);
  EXPECT_FLOAT_EQ(back.Width(), bar.track().ScaleWidth());
  EXPECT_FLOAT_EQ(back.Height(), bar.track().ScaleHeight());
  EXPECT_TRUE(back.get("Stretch").asBoolean());
}

TEST(Layout, MinimumHeightHoldsBothButtonsAndTheThumb) {
  Bar bar;
  bar.site->resize(720, 300);
  EXPECT_FLOAT_EQ(bar.site->surface().Height(), 705.0f);
  EXPECT_FLOAT_EQ(bar.track().Height(), 225.0f);
  EXPECT_FLOAT_EQ(bar.part("cmdDXDN").Top(), 465.0f);
}

TEST(Layout, HeightOnlyResizeKeepsButtonAndThumbWidths) {
  Bar bar;
  // Narrow the lower button, the thumb and the track behind the layout's back: a height-only
  // resize must not write the first two again, but the track's width follows the control.
  bar.part("cmdDXDN").setWidth(600);
  bar.thumb().setWidth(500);
  bar.track().setWidth(500);
  bar.site->resize(720, 5000);
  EXPECT_FLOAT_EQ(bar.part("cmdDXDN").Width(), 600.0f);
  EXPECT_FLOAT_EQ(bar.thumb().Width(), 500.0f);
  EXPECT_FLOAT_EQ(bar.track().Width(), 720.0f);
  EXPECT_FLOAT_EQ(bar.track().Height(), 4520.0f);
  EXPECT_FLOAT_EQ(bar.part("imgSfondoPic").Height(), bar.track().ScaleHeight());
}

TEST(Layout, DesignTimeResizeDoesNotRescaleButShowDoes) {
  Bar bar({.runMode = false});
  bar.ctl->setMax(100);
  bar.site->show();
  float scale = bar.track().ScaleHeight();
  int32_t thumbLength = bar.diagLong("mCurHeight");
  bar.site->resize(720, 6000);
  EXPECT_FLOAT_EQ(bar.track().ScaleHeight(), scale);
  EXPECT_EQ(bar.diagLong("mCurHeight"), thumbLength);
  bar.site->show();
  EXPECT_NE(bar.track().ScaleHeight(), scale);
  EXPECT_LT(bar.diagLong("mCurHeight"), thumbLength);
}

TEST(Layout, NoClientSiteCountsAsRunModeForTheRescale) {
  Bar bar({.clientSite = false});
  bar.ctl->setMax(100);
  bar.site->resize(720, 6000);
  EXPECT_EQ(bar.diagLong("mBarHeight"), 6000 - 480);
}

TEST(TrackScale, WorkedExamplesToTheDigit) {
  Bar bar;
  bar.ctl->setMax(100);
  EXPECT_FLOAT_EQ(bar.track().ScaleHeight(), 106.65306f);
  EXPECT_EQ(bar.diagLong("mBarHeight"), 3165);
  EXPECT_EQ(bar.diagLong("mCurHeight"), 8);
  bar.ctl->setValue(1);
  EXPECT_FLOAT_EQ(bar.thumb().Top(), 0.0f);
  bar.ctl->setValue(100);
  EXPECT_FLOAT_EQ(bar.thumb().Top(), 99.0f);

  bar.ctl->setMax(200000);
  EXPECT_EQ(bar.track().ScaleHeight(), 215305.125f);
  EXPECT_EQ(bar.diagLong("mCurHeight"), 15306);
}

TEST(TrackScale, MaxZeroOrNegativeLeavesOnePosition) {
  for (int32_t max : {0, -5}) {
    Bar bar;
    bar.ctl->setMax(max);
    EXPECT_EQ(bar.diagLong("mScaleMax"), 1);
    EXPECT_EQ(bar.ctl->Max(), max);
    bar.ctl->setValue(5);
    EXPECT_EQ(bar.ctl->Value(), 1);
    EXPECT_FLOAT_EQ(bar.thumb().Top(), 0.0f);
  }
}

TEST(TrackScale, ThumbAsLongAsTheTrackDisablesAVerticalBar) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.site->resize(720, 300);                          // the track shrinks to the thumb's 225 twips
  EXPECT_FLOAT_EQ(bar.track().ScaleHeight(), 199.0f);  // 2 x 100 - 1
  EXPECT_EQ(bar.ctl->Enabled(), host::False);
  EXPECT_FALSE(bar.thumb().Visible());
  EXPECT_TRUE(bar.diagBool("mBusy"));

  bar.site->resize(720, 3645);  // room again: the rescale enables it
  EXPECT_EQ(bar.ctl->Enabled(), host::True);
  EXPECT_TRUE(bar.thumb().Visible());
  EXPECT_FALSE(bar.diagBool("mBusy"));
}

TEST(TrackScale, NextRescaleOverridesTheHostsDisabledStateOnAVerticalBar) {
  Bar bar;
  bar.ctl->setEnabled(host::False);
  bar.site->resize(720, 4000);
  EXPECT_EQ(bar.ctl->Enabled(), host::True);
  bar.ctl->setEnabled(host::False);
  bar.ctl->setMax(300);
  EXPECT_EQ(bar.ctl->Enabled(), host::True);
  bar.ctl->setEnabled(host::False);
  bar.site->show();
  EXPECT_EQ(bar.ctl->Enabled(), host::True);
}

TEST(TrackScale, RepeatedRunsGiveTheSameScale) {
  Bar bar;
  bar.ctl->setMax(777);
  bar.ctl->setValue(300);
  float scale = bar.track().ScaleHeight();
  int32_t length = bar.diagLong("mCurHeight");
  float top = bar.thumb().Top();
  bar.site->show();
  bar.site->show();
  EXPECT_EQ(bar.track().ScaleHeight(), scale);
  EXPECT_EQ(bar.diagLong("mCurHeight"), length);
  EXPECT_EQ(bar.thumb().Top(), top);
  EXPECT_EQ(bar.ctl->Value(), 300);
}

TEST(HorizontalBar, EndButtonsAtTheEndsAndAThumbThatKeepsItsLength) {
  Bar bar({.vertical = false, .width = 3000, .height = 240});
  bar.ctl->setMax(100);
  expectRect(bar.part("cmdSxUp"), 0, 0, 240, 240);
  expectRect(bar.part("cmdDXDN"), 2760, 0, 240, 240);
  EXPECT_FLOAT_EQ(bar.track().Left(), 240.0f);
  EXPECT_FLOAT_EQ(bar.track().Width(), 2520.0f);
  EXPECT_FLOAT_EQ(bar.track().Height(), 240.0f);
  EXPECT_FLOAT_EQ(bar.thumb().Height(), 240.0f);  // the track is as high as the thumb
  EXPECT_FLOAT_EQ(bar.thumb().Top(), 0.0f);
  EXPECT_EQ(bar.diagLong("mBarWidth"), 2520);
  // T = 225 / (2520 - 225) x 100, S = T + 99; the thumb spans about 9.8 positions.
  EXPECT_FLOAT_EQ(bar.track().ScaleWidth(), 108.80392f);
  EXPECT_EQ(bar.diagLong("mCurWidth"), 10);

  bar.ctl->setValue(40);
  EXPECT_FLOAT_EQ(bar.thumb().Left(), 39.0f);
  bar.site->resize(6000, 240);
  bar.site->resize(4000, 240);
  EXPECT_EQ(bar.diagLong("mBarWidth"), 3520);
  EXPECT_NEAR(bar.track().toTwipsW(bar.thumb().Width()), 225.0, 0.01);
  EXPECT_EQ(bar.ctl->Value(), 40);
  EXPECT_FLOAT_EQ(bar.thumb().Left(), 39.0f);
}

TEST(HorizontalBar, ThumbAsWideAsTheTrackFailsInTheCreationScale) {
  Bar bar({.vertical = false, .width = 3000, .height = 240});
  bar.ctl->setMax(100);
  bar.ctl->setValue(12);
  bar.site->resize(300, 240);  // the minimum width: two buttons and a thumb, 705 twips
  EXPECT_FLOAT_EQ(bar.site->surface().Width(), 705.0f);
  // The creation scale: as many units across as the track has twips.
  EXPECT_FLOAT_EQ(bar.track().ScaleWidth(), bar.track().Width());
  EXPECT_FLOAT_EQ(bar.track().Width(), 225.0f);
  EXPECT_FLOAT_EQ(bar.track().Height(), bar.thumb().Height());
  EXPECT_FALSE(bar.thumb().Enabled());
  EXPECT_FLOAT_EQ(bar.thumb().Top(), 0.0f);
  // Its place is unchanged, now read in twips: position 12 was 11 of 108.80392 units on 2520.
  EXPECT_NEAR(bar.thumb().Left(), 11 * 2520 / 108.80392, 0.01);
  EXPECT_EQ(bar.ctl->Enabled(), host::True);  // the horizontal bar does not disable itself
}

TEST(HorizontalBar, TurningBackToVerticalRestoresTheStack) {
  Bar bar({.vertical = false, .width = 3000, .height = 240});
  host::Boolean vertical = host::True;
  bar.ctl->setVerticalBar(vertical);
  bar.site->resize(720, 3645);
  expectRect(bar.part("cmdSxUp"), 0, 0, 720, 240);
  expectRect(bar.part("cmdDXDN"), 0, 3405, 720, 240);
  expectRect(bar.track(), 0, 240, 720, 3165);
  bar.ctl->setMax(100);
  EXPECT_FLOAT_EQ(bar.track().ScaleHeight(), 106.65306f);
}

}  // namespace
}  // namespace keloscroll::testing
