// The property page and the host's property dialog, driven as a developer would: the dialog
// fills the page from the first selected bar; typing and clicking mark it changed; Apply writes
// the six properties in order, late bound, and a refused value stops there.
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
host::CheckBox& check(PropertyDialog& d, const char* name) {
  return *dynamic_cast<host::CheckBox*>(host::findWidget(d.form(), name));
}

void click(host::FormEngine& engine, host::Form& f, const char* name) {
  host::Widget* w = host::findWidget(f, name);
  ASSERT_NE(w, nullptr) << name;
  double x = 0, y = 0;
  w->originOnForm(x, y);
  engine.mouseDown(f, x + 30, y + 30, host::mouse::Left);
  engine.mouseUp(f, x + 30, y + 30, host::mouse::Left);
}

int errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const host::Error& e) {
    return e.number();
  }
  return 0;
}

TEST(PropertyPage, ShowsAndEditsTheFirstSelectedControlOnly) {
  Bar first;
  Bar second;
  first.ctl->setMax(500);
  first.ctl->setLargeChange(7);
  first.ctl->setValue(42);
  first.ctl->setEnabled(host::False);
  second.ctl->setMax(900);

  PropertyDialog dialog(first.engine, {first.ctl, second.ctl});
  first.engine.setModalPolicy([&](host::Form&) {
    EXPECT_EQ(check(dialog, "chkEnabled").Value(), 0);
    EXPECT_EQ(check(dialog, "chkVerticalBar").Value(), 1);
    EXPECT_EQ(text(dialog, "txtMax").Text(), "500");
    EXPECT_EQ(text(dialog, "txtLargeChange").Text(), "7");
    EXPECT_EQ(text(dialog, "txtValue").Text(), "42");
    EXPECT_EQ(text(dialog, "txtRefreshMsecGD").Text(), "400");
    EXPECT_FALSE(dialog.site().Changed()) << "filling the page is not an edit";
    EXPECT_FALSE(host::findWidget(dialog.form(), "cmdApply")->Enabled());

    text(dialog, "txtMax").setText("1000");
    check(dialog, "chkEnabled").setValue(1);
    EXPECT_TRUE(dialog.site().Changed());
    EXPECT_TRUE(host::findWidget(dialog.form(), "cmdApply")->Enabled());
    dialog.Ok();
    EXPECT_FALSE(dialog.form().Visible());
  });
  dialog.Show();
  EXPECT_EQ(first.ctl->Max(), 1000);
  EXPECT_EQ(first.ctl->Enabled(), host::True);
  EXPECT_EQ(first.ctl->Value(), 42);
  EXPECT_EQ(second.ctl->Max(), 900);
}

TEST(PropertyPage, ApplyWritesInOrderAndStopsAtARefusedText) {
  Bar bar;
  bar.ctl->setMax(300);
  bar.ctl->setLargeChange(3);
  bar.ctl->setValue(10);
  PropertyDialog dialog(bar.engine, {bar.ctl});
  bar.engine.setModalPolicy([](host::Form&) {});
  dialog.Show();
  bar.clearRecords();

  check(dialog, "chkEnabled").setValue(0);
  text(dialog, "txtRefreshMsecGD").setText("250");
  text(dialog, "txtValue").setText("abc");
  text(dialog, "txtLargeChange").setText("9");
  text(dialog, "txtMax").setText("50");
  check(dialog, "chkVerticalBar").setValue(0);
  EXPECT_EQ(errorOf([&] { dialog.page().PropertyPage_ApplyChanges(); }), 13);
  EXPECT_EQ(bar.ctl->Enabled(), host::False);  // before the refused text: written
  EXPECT_EQ(bar.ctl->RefreshMsecGD(), 250);
  EXPECT_EQ(bar.ctl->LargeChange(), 3);  // after it: untouched
  EXPECT_EQ(bar.ctl->Max(), 300);
  EXPECT_EQ(bar.ctl->VerticalBar(), host::True);

  text(dialog, "txtValue").setText("12");
  text(dialog, "txtRefreshMsecGD").setText("40000");  // beyond 16 bits
  EXPECT_EQ(errorOf([&] { dialog.page().PropertyPage_ApplyChanges(); }), 6);
  EXPECT_EQ(bar.ctl->RefreshMsecGD(), 250);
}

TEST(PropertyPage, ApplyButtonReportsARefusalAndKeepsTheDialogOpen) {
  Bar bar;
  bar.ctl->setMax(300);
  PropertyDialog dialog(bar.engine, {bar.ctl});
  bar.engine.setModalPolicy([&](host::Form& f) {
    text(dialog, "txtValue").setText("");
    host::Widget* apply = host::findWidget(f, "cmdApply");
    double x = 0, y = 0;
    apply->originOnForm(x, y);
    bar.engine.mouseDown(f, x + 30, y + 30, host::mouse::Left);
    bar.engine.mouseUp(f, x + 30, y + 30, host::mouse::Left);
    EXPECT_TRUE(dialog.form().Visible());
    EXPECT_TRUE(dialog.site().Changed()) << "the refused edit is still there to apply";
    dialog.Ok();
    EXPECT_TRUE(dialog.form().Visible());
    dialog.Cancel();
  });
  dialog.Show();
  ASSERT_GE(bar.engine.shown().size(), 2u);
  EXPECT_EQ(bar.engine.shown()[1].kind, "msgbox");
  EXPECT_EQ(bar.engine.shown()[1].caption, "Type mismatch");
  EXPECT_FALSE(dialog.form().Visible());
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

// The page writes through the control's setters, so the container holds the control as dirty
// after Apply, also when Cancel closes the dialog afterwards or a later value was refused; a
// dialog closed with nothing applied leaves it clean.
TEST(PropertyPage, ApplyLeavesTheControlDirtyForTheContainerToSave) {
  struct Case {
    const char* name;
    std::function<void(PropertyDialog&)> act;
    bool dirty;
  };
  const Case cases[] = {
      {"OK with nothing changed", [](PropertyDialog& d) { d.Ok(); }, false},
      {"Cancel after an edit",
       [](PropertyDialog& d) {
         text(d, "txtMax").setText("50");
         d.Cancel();
       },
       false},
      {"Apply, then Cancel",
       [](PropertyDialog& d) {
         text(d, "txtMax").setText("50");
         d.Apply();
         d.Cancel();
       },
       true},
      {"a refused value after one written",
       [](PropertyDialog& d) {
         text(d, "txtRefreshMsecGD").setText("250");
         text(d, "txtValue").setText("abc");
         d.Ok();
         d.Cancel();
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bar bar;
    bar.site->setRecording(false);  // a long-running host records nothing: the state stays
    bar.ctl->setMax(300);
    bar.site->setDirty(false);
    PropertyDialog dialog(bar.engine, {bar.ctl});
    bar.engine.setModalPolicy([&](host::Form&) { c.act(dialog); });
    dialog.Show();
    EXPECT_EQ(bar.site->dirty(), c.dirty);
  }
}

TEST(PropertyDialog, AfterApplyThePageShowsWhatTheControlKept) {
  Bar bar;
  bar.ctl->setMax(300);
  PropertyDialog dialog(bar.engine, {bar.ctl});
  bar.engine.setModalPolicy([&](host::Form&) {
    text(dialog, "txtValue").setText("500");
    dialog.Apply();
    EXPECT_NE(bar.ctl->Value(), 500) << "the thumb stops at the end of the track";
    EXPECT_EQ(text(dialog, "txtValue").Text(), std::to_string(bar.ctl->Value()));
    EXPECT_FALSE(dialog.site().Changed());
    dialog.Cancel();
  });
  dialog.Show();
}

TEST(PropertyPage, SelectionOfNothingFailsCleanly) {
  Bar bar;
  PropertyDialog dialog(bar.engine, {});
  EXPECT_EQ(errorOf([&] { dialog.Show(); }), 9);
  EXPECT_TRUE(bar.engine.shown().empty());
}

}  // namespace
}  // namespace keloscroll::testing
