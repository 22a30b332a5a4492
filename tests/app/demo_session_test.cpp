// keloscroll-demo's headless session and its screenshots. (The engine's text entry that the window
// backend feeds plays in tests/scenarios/runner_trace.scn.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "app/demo/session.h"
#include "app/demo/viewer.h"
#include "demo_test_util.h"
#include "host/clock.h"
#include "host/engine.h"
#include "host/render.h"
#include "host/widgets.h"
#include "own_registry.h"
#include "png_file.h"

namespace kelo::demo {
namespace {

using test::numberedText;
using test::tempDir;
using test::writeText;
using ::testing::HasSubstr;

// The rows where column x differs between two images, first and last (-1 when none).
std::pair<int, int> differingRows(const PngFile& a, const PngFile& b, int x) {
  int first = -1, last = -1;
  for (int y = 0; y < a.height(); ++y) {
    if (a.at(x, y) != b.at(x, y)) {
      if (first < 0) first = y;
      last = y;
    }
  }
  return {first, last};
}

TEST(DemoSession, PlaysHeadlessAndWritesScreenshotsThatShowTheBarsMove) {
  auto dir = tempDir("session");
  writeText(dir / "text.txt", numberedText(200));
  SessionOptions o;
  o.document = loadDocument((dir / "text.txt").string());
  o.shotsDir = (dir / "shots").string();
  o.formPath = (dir / "shots" / "form.json").string();
  std::ostringstream out;
  SessionResult r = playSession(o, out);

  ASSERT_EQ(r.shots.size(), Viewer::hasPropertyPage() ? 10u : 9u);
  for (const Shot& s : r.shots) {
    SCOPED_TRACE(s.path);
    PngFile png(s.path);
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png.width(), s.width);
    EXPECT_EQ(png.height(), s.height);
    if (s.path.find("about") == std::string::npos && s.path.find("property") == std::string::npos &&
        s.path.find("designer") == std::string::npos) {
      EXPECT_EQ(png.width(), Viewer::kDefaultWidth);
      EXPECT_EQ(png.height(), Viewer::kDefaultHeight);
    }
    EXPECT_THAT(out.str(), HasSubstr(s.path));
  }
  EXPECT_THAT(r.shots[6].path, HasSubstr("7-about-box.png"));
  if (Viewer::hasPropertyPage()) {
    EXPECT_THAT(r.shots[7].path, HasSubstr("8-property-page.png"));
  }
  EXPECT_THAT(r.shots[r.shots.size() - 2].path, HasSubstr("-designer.png"));
  EXPECT_THAT(r.shots.back().path, HasSubstr("-designer-running.png"));

  // The vertical bar's column (8 pixels in from its right edge) changes from the start to the
  // drag: the thumb left the top and stands well below it.
  PngFile start(r.shots[0].path), dragged(r.shots[2].path), keys(r.shots[4].path),
      columns(r.shots[5].path);
  const int barX = Viewer::kDefaultWidth - 8 - 9;
  auto [first, last] = differingRows(start, dragged, barX);
  ASSERT_GE(first, 0) << "the thumb did not move";
  EXPECT_GT(last - first, 60);
  EXPECT_EQ(differingRows(start, dragged, 2).first, -1);  // the form's left edge stays
  // The horizontal bar's middle row changes while its right button is held.
  host::VirtualClock scratchClock;
  host::FormEngine scratch(scratchClock);
  Viewer layout(scratch, o.document);
  const host::PixelRect bar = host::pixelRect(layout.columnsSite().surface());
  const int y = bar.top + bar.height / 2;
  int changed = 0;
  for (int x = bar.left; x < bar.right(); ++x) changed += keys.at(x, y) != columns.at(x, y);
  EXPECT_GT(changed, 4);

  EXPECT_GT(r.finalTopLine, 1);
  EXPECT_GT(r.finalColumn, 1);
  EXPECT_THAT(out.str(), HasSubstr("Lines  GetDescription -> \"line "));
  EXPECT_THAT(out.str(), HasSubstr("Columns  GetDescription -> \"column "));
  EXPECT_THAT(out.str(), HasSubstr("F1: ShowAboutBox"));
  EXPECT_TRUE(std::filesystem::exists(o.formPath));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelo::demo
