// The constituent parts as designed, before the container's first call; their layout and the
// track's scale are in tests/scenarios/control_layout.scn and control_horizontal.scn.
#include <gtest/gtest.h>

#include "bar_fixture.h"

namespace keloscroll::testing {
namespace {

TEST(Parts, KindsAndTheGeometryRecordComeFromTheDesignedWidgets) {
  host::VirtualClock clock;
  host::FormEngine engine(clock);
  auto form = engine.createForm("Form1");
  auto shared = std::make_shared<host::ControlSite>(engine, *form, "KeloScroll1");
  host::ControlSite& site = *shared;
  auto ctl = UsrKeloScroll::create(site);
  const std::pair<const char*, host::WidgetKind> kinds[] = {
      {"cmdSxUp", host::WidgetKind::CommandButton}, {"cmdDXDN", host::WidgetKind::CommandButton},
      {"tmr_Server", host::WidgetKind::Timer},      {"picBarra", host::WidgetKind::PictureBox},
      {"imgCursor", host::WidgetKind::Image},       {"imgSfondoPic", host::WidgetKind::Image}};
  for (auto [name, kind] : kinds) {
    host::Widget* w = host::findWidget(site.surface(), name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->kind(), kind) << name;
  }
  const std::pair<const char*, int32_t> record[] = {
      {"mBarHeight", 2835}, {"mBarWidth", 240},  {"mCurHeight", 225},     {"mCurWidth", 240},
      {"mScaleMax", 0},     {"mLargeChange", 6}, {"mRefreshMsecGD", 200}, {"mValue", 1}};
  for (auto [name, value] : record) {
    bool found = false;
    for (auto& [key, v] : ctl->diagnosticState()) {
      if (key != name) continue;
      found = true;
      EXPECT_EQ(v.asLong(), value) << name;
    }
    EXPECT_TRUE(found) << name;
  }
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

}  // namespace
}  // namespace keloscroll::testing
