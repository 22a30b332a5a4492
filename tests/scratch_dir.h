// A folder of the running test's own in GoogleTest's temporary folder: empty when made, removed
// with the object; and a file's whole contents.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace keloscroll::testing {

struct ScratchDir {
  ScratchDir() {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }

  const std::filesystem::path path =
      std::filesystem::path(::testing::TempDir()) /
      ("kelo-" + std::to_string(::getpid()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

// The bytes of a file; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace keloscroll::testing
