// keloscroll-demo's headless session and its screenshots, read back by the host's own PNG decoder.
// (The engine's text entry that the window backend feeds plays in
// tests/scenarios/runner_trace.scn.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/demo/session.h"
#include "app/demo/viewer.h"
#include "demo_test_util.h"
#include "host/picture.h"
#include "host/render.h"
#include "own_registry.h"

namespace keloscroll::demo {
namespace {

using ::testing::HasSubstr;

using DemoSession = test::Scratch;
TEST_F(DemoSession, PlaysHeadlessAndWritesScreenshotsThatShowTheBarsMove) {
  test::writeText(dir / "text.txt", test::numberedText(200));
  const SessionOptions o{loadDocument((dir / "text.txt").string()), (dir / "shots").string(),
                         (dir / "shots" / "form.json").string()};
  std::ostringstream out;
  SessionResult r = playSession(o, out);

  ASSERT_EQ(r.shots.size(), Viewer::hasPropertyPage() ? 10u : 9u);
  std::vector<host::PictureRef> png;
  for (const Shot& s : r.shots) {
    SCOPED_TRACE(s.path);
    png.push_back(host::Picture::load(s.path));
    EXPECT_EQ(png.back()->width(), s.width);
    EXPECT_EQ(png.back()->height(), s.height);
    EXPECT_THAT(out.str(), HasSubstr(s.path));
    if (png.size() <= 6) {  // the viewer's, before the boxes and the designer
      EXPECT_EQ(s.width, Viewer::kDefaultWidth);
      EXPECT_EQ(s.height, Viewer::kDefaultHeight);
    }
  }
  EXPECT_THAT(r.shots[6].path, HasSubstr("7-about-box.png"));
  if (Viewer::hasPropertyPage()) {
    EXPECT_THAT(r.shots[7].path, HasSubstr("8-property-page.png"));
  }
  EXPECT_THAT(r.shots[r.shots.size() - 2].path, HasSubstr("-designer.png"));
  EXPECT_THAT(r.shots.back().path, HasSubstr("-designer-running.png"));

  // The vertical bar's column (8 pixels in from its right edge) changes from the end button's shot
  // to the drag's: the thumb went well down; the form's left edge stays.
  auto differingRows = [&](int x) {
    std::vector<int> rows;
    for (int y = 0; y < png[1]->height(); ++y)
      if (png[1]->pixel(x, y) != png[2]->pixel(x, y)) rows.push_back(y);
    return rows;
  };
  const std::vector<int> moved = differingRows(Viewer::kDefaultWidth - 8 - 9);
  ASSERT_FALSE(moved.empty()) << "the thumb did not move";
  EXPECT_GT(moved.back() - moved.front(), 60);
  EXPECT_TRUE(differingRows(2).empty());
  // The horizontal bar's middle row changes while its right button is held.
  Viewer layout(engine, o.document);
  const host::PixelRect bar = host::pixelRect(layout.columnsSite().surface());
  const int y = bar.top + bar.height / 2;
  int changed = 0;
  for (int x = bar.left; x < bar.right(); ++x)
    changed += png[4]->pixel(x, y) != png[5]->pixel(x, y);
  EXPECT_GT(changed, 4);

  // Where the session leaves the view: a shorter drag or hold would leave it elsewhere.
  EXPECT_EQ(r.finalTopLine, 103);
  EXPECT_EQ(r.finalColumn, 14);
  EXPECT_THAT(out.str(), HasSubstr("Lines  GetDescription -> \"line "));
  EXPECT_THAT(out.str(), HasSubstr("Columns  GetDescription -> \"column "));
  EXPECT_THAT(out.str(), HasSubstr("F1: ShowAboutBox"));
  EXPECT_TRUE(std::filesystem::exists(o.formPath));
}

}  // namespace
}  // namespace keloscroll::demo
