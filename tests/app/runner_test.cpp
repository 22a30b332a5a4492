// The scenario runner driven from C++, where a scenario file cannot reach: bytes no text file
// carries, run options, files that are no scenarios and the screenshot folder. The rest of the
// runner plays in tests/scenarios/runner_*.scn, and with a control of the tests' own in the
// scenarios beside this file (testbar_run.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run/runner.h"
#include "tests/scratch_dir.h"

namespace {

using keloscroll::run::kPassed;
using keloscroll::run::kStopped;
using ::testing::HasSubstr;

struct Played {
  int status = 0;
  std::string out, err;
};

Played play(const std::string& text, keloscroll::run::RunOptions options = {},
            const std::string& screenshots = "") {
  std::ostringstream out, err;
  Played r;
  keloscroll::run::Runner runner(out, err, options);
  runner.setScreenshotFolder(screenshots);
  r.status = runner.run(text, "t.scn");
  r.out = out.str();
  r.err = err.str();
  return r;
}

// Text that no careful author writes still ends in a message naming the line (more in
// tests/scenarios/runner_stops.fail.scn): nested calls, bytes that are no text, a line cut short at
// the end of the file, and a log or clock that would run away.
TEST(Runner, HostileTextStopsWithAMessage) {
  std::string nested;
  for (int i = 0; i < 5000; ++i) nested += "LoadPicture(";  // as deep as a line may go
  nested += "\"a.png\"" + std::string(5000, ')');
  keloscroll::run::RunOptions few, brief;
  few.maxUncheckedEvents = 50;
  brief.maxTimeMs = 1000;
  struct Case {
    std::string scenario;
    const char* err;
    keloscroll::run::RunOptions options = {};
  };
  const Case cases[] = {
      {"echo " + nested + "\n", "t.scn:1: LoadPicture needs a file name in quotes"},
      {"form F\nplace KeloScroll.UsrKeloScroll Bar1 on", "t.scn:2: expected a container"},
      {"form F\n" + std::string("\177ELF\2\1\1\0\0", 9),
       "t.scn:2: the line is not UTF-8 text: byte 0x00 at column 8"},
      {"echo \"caf\xE9\"\n", "t.scn:1: the line is not UTF-8 text: byte 0xE9 at column 10"},
      {"echo 1\necho \"" + std::string(keloscroll::run::kMaxLineBytes, 'x') + "\"\n",
       "t.scn:2: the line is longer than 64 KiB"},
      {"form F\nadd timer T in F\nlet T.Interval = 1\ntrace off\nadvance 100\n",
       "t.scn:5: more than 50 events not checked", few},
      {"advance 600\nadvance 401\n", "t.scn:2: the run may go on to 1000ms", brief},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario.substr(0, 80));
    Played r = play(c.scenario, c.options);
    EXPECT_EQ(r.status, kStopped);
    EXPECT_THAT(r.err, ::testing::StartsWith(c.err));
  }
  // Checked events leave the log: a busy timer whose handler checks them runs on.
  Played r = play(
      "form F\nadd timer T in F\non T Timer clear events\nlet T.Interval = 1\ntrace off\n"
      "advance 1000\n",
      few);
  EXPECT_EQ(r.status, kPassed) << r.err;
}

// A file that is no scenario stops the run with its name and exit status 2 before anything
// plays: missing, a folder, a pipe, beyond the size limit. (The scenarios of this folder and
// tests/scenarios show files that play.) A screenshot's relative name lands in the screenshot
// folder, and nothing goes outside it, by a link that leads out neither, unless the one who runs
// the scenario says so (tests/scenarios/runner_screenshot.scn has the rest of `screenshot`).
TEST(Runner, FilesThatAreNoScenariosStopAndScreenshotsStayInTheirFolder) {
  namespace fs = std::filesystem;
  keloscroll::testing::ScratchDir scratch;
  const fs::path& dir = scratch.path;
  const fs::path outside = dir.string() + "-outside";
  ASSERT_EQ(::mkfifo((dir / "fifo.scn").c_str(), 0600), 0);
  std::ofstream(dir / "big.scn") << "echo \"never\"\n";
  fs::resize_file(dir / "big.scn", keloscroll::run::kMaxScenarioBytes + 1);
  const std::pair<fs::path, std::string> cases[] = {
      {dir / "missing.scn", "cannot read " + (dir / "missing.scn").string() + ": No such file"},
      {dir, (dir).string() + " is a folder, not a file"},
      {dir / "fifo.scn", (dir / "fifo.scn").string() + " is not a regular file"},
      {dir / "big.scn", (dir / "big.scn").string() + " is larger than 16 MiB"},
  };
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path);
    std::ostringstream out, err;
    EXPECT_EQ(keloscroll::run::Runner(out, err).runFile(path.string()), kStopped);
    EXPECT_THAT(err.str(), ::testing::StartsWith(message));
    EXPECT_EQ(out.str(), "");
  }

  fs::create_directories(outside);
  fs::create_symlink(outside, dir / "link");
  EXPECT_EQ(play("form F\nscreenshot F shots/f.png\n", {}, dir.string()).status, kPassed);
  EXPECT_TRUE(fs::exists(dir / "shots" / "f.png"));
  EXPECT_THAT(play("form F\nscreenshot F link/a.png\n", {}, dir.string()).err,
              HasSubstr("t.scn:2: 'link/a.png' lies outside the screenshot folder"));
  keloscroll::run::RunOptions anywhere;
  anywhere.screenshotsAnywhere = true;
  EXPECT_EQ(play("form F\nscreenshot F link/b.png\n", anywhere, dir.string()).status, kPassed);
  EXPECT_FALSE(fs::exists(outside / "a.png"));
  EXPECT_TRUE(fs::exists(outside / "b.png"));
  fs::remove_all(outside);
}

}  // namespace
