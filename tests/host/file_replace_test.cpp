// Saving a file whole: the old file stays until the new one is complete, keeps its mode and its
// links, and no temporary file is left behind, whether the save works or fails.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "host/posix/file_replace.h"
#include "tests/scratch_dir.h"

namespace keloscroll::host {
namespace {

namespace fs = std::filesystem;
using keloscroll::testing::readFile;

mode_t modeOf(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_mode & 07777;
}

class FileReplace : public ::testing::Test {
 protected:
  // The folder holds only these names: no temporary file stayed.
  void expectOnly(std::initializer_list<const char*> names) {
    std::multiset<std::string> got, want(names.begin(), names.end());
    for (const auto& e : fs::directory_iterator(dir)) got.insert(e.path().filename().string());
    EXPECT_EQ(got, (std::multiset<std::string>(want)));
  }
  keloscroll::testing::ScratchDir scratch;
  const fs::path& dir = scratch.path;
};

TEST_F(FileReplace, NewAndReplacedFilesKeepTheirModeAndLinks) {
  fs::path file = dir / "form.json";
  mode_t mask = ::umask(022);
  ASSERT_FALSE(replaceFile(file, "first"));
  EXPECT_EQ(readFile(file), "first");
  EXPECT_EQ(modeOf(file), 0644u);  // a new file: the usual mode less the umask
  ::umask(mask);

  ::chmod(file.c_str(), 0600);
  ASSERT_FALSE(replaceFile(file, "second, longer"));
  EXPECT_EQ(readFile(file), "second, longer");
  EXPECT_EQ(modeOf(file), 0600u);
  ASSERT_FALSE(replaceFile(file, ""));
  EXPECT_EQ(readFile(file), "");

  // A link keeps naming the file, whose contents change.
  fs::create_symlink("form.json", dir / "link.json");
  ASSERT_FALSE(replaceFile(dir / "link.json", "through the link"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
  EXPECT_EQ(readFile(file), "through the link");
  expectOnly({"form.json", "link.json"});
}

TEST_F(FileReplace, AFailedSaveLeavesTheOldFile) {
  fs::path file = dir / "registry.json";
  ASSERT_FALSE(replaceFile(file, "old"));
  // The disk takes no more than 100 bytes from this process for a moment.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit was{};
  ::getrlimit(RLIMIT_FSIZE, &was);
  rlimit small = was;
  small.rlim_cur = 100;
  ::setrlimit(RLIMIT_FSIZE, &small);
  std::error_code ec = replaceFile(file, std::string(1000, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &was);
  EXPECT_TRUE(ec);
  EXPECT_EQ(readFile(file), "old");
  expectOnly({"registry.json"});

  // A folder, a missing folder, or no file name: refused, nothing made.
  fs::create_directories(dir / "sub");
  EXPECT_TRUE(replaceFile(dir / "sub", "x"));
  EXPECT_TRUE(fs::is_directory(dir / "sub"));
  EXPECT_TRUE(replaceFile(dir / "missing" / "f.json", "x"));
  EXPECT_TRUE(replaceFile(dir / "", "x"));
  expectOnly({"registry.json", "sub"});
}

}  // namespace
}  // namespace keloscroll::host
