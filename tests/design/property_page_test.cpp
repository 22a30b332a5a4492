// The host's property dialog where a scenario cannot reach: a selection of nothing. The page's
// fields, its picture tab, Apply, refusals and the dirty state are in
// tests/scenarios/control_property_page.scn.
#include <gtest/gtest.h>

#include "../control/bar_fixture.h"
#include "design/PropertyDialog.h"

namespace keloscroll::testing {
namespace {

using keloscroll::design::PropertyDialog;

TEST(PropertyPage, SelectionOfNothingFailsCleanly) {
  Bar bar;
  PropertyDialog dialog(bar.engine, {});
  EXPECT_EQ(errorOf([&] { dialog.Show(); }), 9);
  EXPECT_TRUE(bar.engine.shown().empty());
}

}  // namespace
}  // namespace keloscroll::testing
