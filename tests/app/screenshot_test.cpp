// The runner's `screenshot` verb: it writes the form as a PNG file, where a relative name lands,
// what it prints, and how a file that cannot be written shows.
// tests/scenarios/runner_stops.fail.scn has the names and colours it refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run/runner.h"
#include "png_file.h"

namespace {

using ::testing::HasSubstr;

class Screenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::path(::testing::TempDir()) /
          ("kelo-shot-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  int play(const std::string& statements, kelo::run::RunOptions options = {}) {
    out.str("");
    err.str("");
    kelo::run::Runner runner(out, err, options);
    runner.setScreenshotFolder(dir.string());
    return runner.run(
        "form F size 1500 900\nadd picturebox P in F at 0 0 size 750 900\n"
        "let P.BackColor = &HFF0000&\n" +
            statements,
        "shot.scn", ".");
  }

  std::filesystem::path dir;
  std::ostringstream out, err;
};

TEST_F(Screenshot, WritesTheFormIntoTheScreenshotFolderAndSaysWhere) {
  ASSERT_EQ(play("screenshot F shots/f.png\n"), kelo::run::kPassed) << err.str();
  std::string path = (dir / "shots" / "f.png").string();
  EXPECT_THAT(out.str(), HasSubstr("screenshot F -> " + path + " (100 x 60)\n"));
  PngFile shot(path);
  ASSERT_TRUE(shot.ok());
  EXPECT_EQ(shot.width(), 100);
  EXPECT_EQ(shot.height(), 60);
  EXPECT_EQ(shot.at(10, 10), 0xFF0000FFu);  // &HFF0000 is blue: the host writes &HBBGGRR
  EXPECT_EQ(shot.at(80, 10), 0xFFC0C0C0u);  // the form's button face

  // An absolute name ignores the folder; a file name may be quoted.
  std::string absolute = (dir / "elsewhere" / "a b.png").string();
  std::filesystem::create_directories(dir / "elsewhere");
  ASSERT_EQ(play("screenshot F \"" + absolute + "\"\n"), kelo::run::kPassed) << err.str();
  EXPECT_TRUE(std::filesystem::exists(absolute));

  // A file that cannot be written is error 75, which the next line may expect.
  std::ofstream(dir / "plain").put('x');
  EXPECT_EQ(play("screenshot F plain/f.png\nexpect error 75\n"), kelo::run::kPassed) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("error 75: Path/File access error"));
}

// Picture(w, h, colour) takes the colour as the RGB its digits say, however short the literal:
// &H00FF00 is green, not the Integer -256 that the host would read elsewhere.
TEST_F(Screenshot, SolidPicturesShowTheRgbColourTheirDigitsSay) {
  // The colour as written after the sides; none is black.
  const std::pair<const char*, uint32_t> colours[] = {
      {", &H00FF00", 0xFF00FF00u}, {", &HFF", 0xFF0000FFu},    {", &HFF0000&", 0xFFFF0000u},
      {", &O77", 0xFF00003Fu},     {", 65280", 0xFF00FF00u},   {", &HFFFFFF", 0xFFFFFFFFu},
      {", 0", 0xFF000000u},        {", &H8000&", 0xFF008000u}, {"", 0xFF000000u}};
  for (auto [colour, argb] : colours) {
    SCOPED_TRACE(colour);
    ASSERT_EQ(
        play("let P.Picture = Picture(40, 40" + std::string(colour) + ")\nscreenshot F c.png\n"),
        kelo::run::kPassed)
        << err.str();
    EXPECT_EQ(PngFile((dir / "c.png").string()).at(20, 20), argb);
  }
}

// A scenario from elsewhere writes no file outside the screenshot folder (by a link that leads out
// neither), unless the one who runs it says so.
TEST_F(Screenshot, FilesOutsideTheFolderAreRefusedUnlessAllowed) {
  const std::filesystem::path outside = dir.string() + "-outside";
  std::filesystem::create_directories(dir);
  std::filesystem::create_directories(outside);
  std::filesystem::create_symlink(outside, dir / "link");
  EXPECT_EQ(play("screenshot F link/a.png\n"), kelo::run::kStopped);
  EXPECT_THAT(err.str(), HasSubstr("shot.scn:4: 'link/a.png' lies outside the screenshot folder"));
  EXPECT_FALSE(std::filesystem::exists(outside / "a.png"));
  kelo::run::RunOptions anywhere;
  anywhere.screenshotsAnywhere = true;
  EXPECT_EQ(play("screenshot F \"" + (outside / "a.png").string() + "\"\n", anywhere),
            kelo::run::kPassed)
      << err.str();
  EXPECT_TRUE(std::filesystem::exists(outside / "a.png"));
  std::filesystem::remove_all(outside);
}

}  // namespace
