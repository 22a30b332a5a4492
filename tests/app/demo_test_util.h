// What the demo's tests share: a scratch folder of their own, files written there, a text.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kelo::demo::test {

// A new empty folder for a test; the caller removes it.
inline std::filesystem::path tempDir(const std::string& what) {
  auto dir = std::filesystem::path(::testing::TempDir()) /
             ("kelo-demo-" + std::to_string(::getpid()) + "-" + what);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline void writeText(const std::filesystem::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
}

// A document of numbered lines; line 7 is wider than the viewer.
inline std::string numberedText(int n) {
  std::string s;
  for (int i = 1; i <= n; ++i) {
    s += "row " + std::to_string(i) + " of the test text";
    if (i == 7) s += std::string(150, '-') + " the far end";
    s += '\n';
  }
  return s;
}

}  // namespace kelo::demo::test
