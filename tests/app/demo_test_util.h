// What the demo's tests share: a scratch folder of their own, files written there, a text, a click.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/demo/layout.h"
#include "host/engine.h"

namespace kelo::demo::test {

// A left click at the centre of a widget, on whichever form holds it.
inline void click(host::FormEngine& engine, const host::Widget& w) {
  double x = 0, y = 0;
  centreOf(w, x, y);
  engine.mouseDown(*w.form(), x, y, host::mouse::Left);
  engine.mouseUp(*w.form(), x, y, host::mouse::Left);
}

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
