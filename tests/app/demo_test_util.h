// What the demo's tests share: a scratch folder of their own, files written there, a text, a click,
// a headless engine, and the form files that are refused.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/demo/layout.h"
#include "host/clock.h"
#include "host/engine.h"
#include "tests/scratch_dir.h"

namespace keloscroll::demo::test {

// A left click at the centre of a widget, on whichever form holds it.
inline void click(host::FormEngine& engine, const host::Widget& w) {
  double x = 0, y = 0;
  centreOf(w, x, y);
  engine.mouseDown(*w.form(), x, y, host::mouse::Left);
  engine.mouseUp(*w.form(), x, y, host::mouse::Left);
}

// A test's own scratch folder and a headless engine on a virtual clock. The fixture that derives
// from it makes its form on them in members of its own, which go before these.
class Scratch : public ::testing::Test {
 protected:
  keloscroll::testing::ScratchDir scratch;
  const std::filesystem::path& dir = scratch.path;
  host::VirtualClock clock;
  host::FormEngine engine{clock};
};

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

struct BadForm {
  std::string name, text, message;
};
// The cases of bad_forms.json for "viewer" or "designer", each a good form file changed.
inline std::vector<BadForm> badForms(const char* who, const nlohmann::json& good) {
  const auto all = nlohmann::json::parse(std::ifstream(KELO_APP_TESTS "/bad_forms.json"));
  std::vector<BadForm> cases;
  for (const auto& c : all.at(who)) {
    nlohmann::json j = good;
    j[nlohmann::json::json_pointer(c[1].get<std::string>())] = c[2];
    cases.push_back({c[0], j.dump(), c[3]});
  }
  return cases;
}

}  // namespace keloscroll::demo::test
