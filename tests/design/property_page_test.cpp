// The host's property dialog where a scenario cannot reach: its picture tab with a file of the
// test's own, and a selection of nothing. The page's fields, Apply, refusals and the dirty state
// are in tests/scenarios/control_property_page.scn.
#include <gtest/gtest.h>

#include "../control/bar_fixture.h"
#include "design/PropertyDialog.h"
#include "host/cairo_painter.h"
#include "host/picture.h"

namespace keloscroll::testing {
namespace {

using design::PropertyDialog;

host::TextBox& text(PropertyDialog& d, const char* name) {
  return *dynamic_cast<host::TextBox*>(host::findWidget(d.form(), name));
}
void click(host::FormEngine& engine, host::Form& f, const char* name) {
  host::Widget* w = host::findWidget(f, name);
  ASSERT_NE(w, nullptr) << name;
  double x = 0, y = 0;
  w->originOnForm(x, y);
  engine.mouseDown(f, x + 30, y + 30, host::mouse::Left);
  engine.mouseUp(f, x + 30, y + 30, host::mouse::Left);
}

// The dialog's tabs follow the control's page list, each titled with its page's caption; the
// picture page loads a file into a picture, clears another, and reports a file that will not load
// without losing what the user typed.
TEST(PropertyDialog, PictureTabLoadsClearsAndReportsAFileThatWillNotLoad) {
  Bar bar;
  std::string png = ::testing::TempDir() + "kelo-page-picture.png";
  host::Canvas(7, 5).writePng(png);
  PropertyDialog dialog(bar.engine, {bar.ctl});
  auto area = [&](const char* name) { return host::findWidget(dialog.form(), name)->Visible(); };
  bar.engine.setModalPolicy([&](host::Form& f) {
    auto& tabPicture = static_cast<host::CommandButton&>(*host::findWidget(f, "tabPicture"));
    auto& tabPage = static_cast<host::CommandButton&>(*host::findWidget(f, "tabPropertyPage1"));
    EXPECT_EQ(tabPicture.Caption(), "Picture");
    EXPECT_EQ(tabPage.Caption(), "PropertyPage1");
    EXPECT_LT(tabPicture.Left(), tabPage.Left());
    EXPECT_TRUE(area("pageArea"));
    EXPECT_FALSE(area("pictureArea"));
    click(bar.engine, f, "tabPicture");
    EXPECT_TRUE(area("pictureArea"));
    EXPECT_FALSE(area("pageArea"));
    auto* preview = dynamic_cast<host::Image*>(host::findWidget(f, "imgPictureCursor"));
    EXPECT_EQ(preview->Picture(), bar.ctl->PictureCursor()) << "the control's picture, previewed";

    text(dialog, "txtPictureBarra").setText(png);
    click(bar.engine, f, "cmdClearPictureCursor");
    EXPECT_TRUE(host::findWidget(f, "cmdApply")->Enabled());
    click(bar.engine, f, "cmdApply");
    ASSERT_NE(bar.ctl->PictureBarra(), nullptr);
    EXPECT_EQ(bar.ctl->PictureBarra()->width(), 7);
    EXPECT_EQ(bar.ctl->PictureCursor(), nullptr);
    EXPECT_EQ(preview->Picture(), nullptr);
    EXPECT_EQ(text(dialog, "txtPictureBarra").Text(), "") << "applied rows are settled";

    text(dialog, "txtPictureSXUP").setText(png + ".missing");
    click(bar.engine, f, "cmdApply");
    EXPECT_TRUE(dialog.site().Changed()) << "the refused file is still there to apply";
    EXPECT_EQ(text(dialog, "txtPictureSXUP").Text(), png + ".missing");
    dialog.Cancel();
  });
  dialog.Show();
  ASSERT_EQ(bar.engine.shown().size(), 2u);
  EXPECT_EQ(bar.engine.shown()[1].kind, "msgbox");
  EXPECT_EQ(bar.ctl->PictureBarra()->width(), 7);
}

TEST(PropertyPage, SelectionOfNothingFailsCleanly) {
  Bar bar;
  PropertyDialog dialog(bar.engine, {});
  EXPECT_EQ(errorOf([&] { dialog.Show(); }), 9);
  EXPECT_TRUE(bar.engine.shown().empty());
}

}  // namespace
}  // namespace keloscroll::testing
