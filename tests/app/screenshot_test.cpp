// The runner's `screenshot` verb: it writes the form as a PNG file, where a relative name lands,
// what it prints, and how a file that cannot be written shows.
#include <cairo.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run/runner.h"

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

  int play(const std::string& text, kelo::run::RunOptions options = {}) {
    out.str("");
    err.str("");
    kelo::run::Runner runner(out, err, options);
    runner.setScreenshotFolder(dir.string());
    return runner.run(text, "shot.scn", ".");
  }

  std::filesystem::path dir;
  std::ostringstream out, err;
};

constexpr const char* kForm =
    "form F size 1500 900\n"
    "add picturebox P in F at 0 0 size 750 900\n"
    "let P.BackColor = &HFF0000&\n";

TEST_F(Screenshot, WritesTheFormIntoTheScreenshotFolderAndSaysWhere) {
  ASSERT_EQ(play(std::string(kForm) + "screenshot F shots/f.png\n"), kelo::run::kPassed)
      << err.str();
  std::string path = (dir / "shots" / "f.png").string();
  EXPECT_THAT(out.str(), HasSubstr("screenshot F -> " + path + " (100 x 60)\n"));
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(s), 100);
  EXPECT_EQ(cairo_image_surface_get_height(s), 60);
  cairo_surface_flush(s);
  const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                                      10 * cairo_image_surface_get_stride(s));
  EXPECT_EQ(row[10], 0xFF0000FFu);  // &HFF0000 is blue: the host writes colours as &HBBGGRR
  EXPECT_EQ(row[80], 0xFFC0C0C0u);  // the form's button face
  cairo_surface_destroy(s);

  // An absolute name ignores the folder; a file name may be quoted.
  std::string absolute = (dir / "elsewhere" / "a b.png").string();
  std::filesystem::create_directories(dir / "elsewhere");
  ASSERT_EQ(play(std::string(kForm) + "screenshot F \"" + absolute + "\"\n"), kelo::run::kPassed)
      << err.str();
  EXPECT_TRUE(std::filesystem::exists(absolute));
}

// Picture(w, h, colour) takes the colour as the RGB its digits say, however short the literal:
// &H00FF00 is green, not the Integer -256 that the host would read elsewhere.
TEST_F(Screenshot, SolidPicturesShowTheRgbColourTheirDigitsSay) {
  const std::pair<const char*, uint32_t> colours[] = {
      {"&H00FF00", 0xFF00FF00u}, {"&HFF", 0xFF0000FFu},    {"&HFF0000&", 0xFFFF0000u},
      {"&O77", 0xFF00003Fu},     {"65280", 0xFF00FF00u},   {"&HFFFFFF", 0xFFFFFFFFu},
      {"0", 0xFF000000u},        {"&H8000&", 0xFF008000u},
  };
  for (auto [colour, argb] : colours) {
    SCOPED_TRACE(colour);
    ASSERT_EQ(play(std::string(kForm) + "let P.Picture = Picture(40, 40, " + colour +
                   ")\nscreenshot F c.png\n"),
              kelo::run::kPassed)
        << err.str();
    cairo_surface_t* shot = cairo_image_surface_create_from_png((dir / "c.png").c_str());
    ASSERT_EQ(cairo_surface_status(shot), CAIRO_STATUS_SUCCESS);
    cairo_surface_flush(shot);
    const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(shot) +
                                                        20 * cairo_image_surface_get_stride(shot));
    EXPECT_EQ(row[20], argb);
    cairo_surface_destroy(shot);
  }
  for (const char* bad : {"-1", "&H1000000", "16777216", "1.5", "&HFFFF%"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(play(std::string(kForm) + "let P.Picture = Picture(4, 4, " + bad + ")\n"),
              kelo::run::kStopped);
    EXPECT_THAT(err.str(), HasSubstr("is no colour"));
  }
}

// A scenario from elsewhere writes no file outside the screenshot folder, unless the one who
// runs it says so.
TEST_F(Screenshot, FilesOutsideTheFolderAreRefusedUnlessAllowed) {
  const std::filesystem::path outside = dir.string() + "-outside";
  std::filesystem::create_directories(dir);
  std::filesystem::create_directories(outside);
  std::filesystem::create_symlink(outside, dir / "link");
  for (const std::string& file : {(outside / "a.png").string(), std::string("../x/a.png"),
                                  std::string("link/a.png"), std::string("shots/../../a.png")}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(play(std::string(kForm) + "screenshot F \"" + file + "\"\n"), kelo::run::kStopped);
    EXPECT_THAT(err.str(),
                HasSubstr("shot.scn:4: '" + file + "' lies outside the screenshot folder"));
  }
  EXPECT_FALSE(std::filesystem::exists(outside / "a.png"));
  EXPECT_FALSE(std::filesystem::exists(dir.parent_path() / "a.png"));
  kelo::run::RunOptions anywhere;
  anywhere.screenshotsAnywhere = true;
  EXPECT_EQ(play(std::string(kForm) + "screenshot F \"" + (outside / "a.png").string() + "\"\n",
                 anywhere),
            kelo::run::kPassed)
      << err.str();
  EXPECT_TRUE(std::filesystem::exists(outside / "a.png"));
  std::filesystem::remove_all(outside);
}

TEST_F(Screenshot, AFileThatCannotBeWrittenIsError75) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "plain").put('x');
  EXPECT_EQ(play(std::string(kForm) + "screenshot F plain/f.png\nexpect error 75\n"),
            kelo::run::kPassed)
      << err.str();
  EXPECT_THAT(out.str(), HasSubstr("error 75: Path/File access error"));
  EXPECT_EQ(play(std::string(kForm) + "screenshot F plain/f.png\n"), kelo::run::kStopped);
  EXPECT_THAT(err.str(), HasSubstr("shot.scn:4: error 75: Path/File access error"));
}

TEST_F(Screenshot, NeedsAFormAndAFileName) {
  EXPECT_EQ(play(std::string(kForm) + "screenshot P p.png\n"), kelo::run::kStopped);
  EXPECT_THAT(err.str(), HasSubstr("shot.scn:4: 'P' is no form"));
  EXPECT_FALSE(std::filesystem::exists(dir / "p.png"));
  EXPECT_EQ(play(std::string(kForm) + "screenshot F\n"), kelo::run::kStopped);
  EXPECT_THAT(err.str(), HasSubstr("shot.scn:4: expected a file name"));
  EXPECT_THAT(out.str(), ::testing::IsEmpty());  // stopped before anything played
  EXPECT_EQ(play(std::string(kForm) + "screenshot Nobody n.png\n"), kelo::run::kStopped);
  EXPECT_THAT(err.str(), HasSubstr("unknown object 'Nobody'"));
}

}  // namespace
