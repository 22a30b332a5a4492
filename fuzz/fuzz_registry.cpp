// The registry file as anyone may have left it: registration reads it, refuses what is no
// registry (E_FAIL, the file kept byte for byte), and otherwise writes its entries so that they
// read back, keeping every other key; unregistration then removes them again.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "server/linux/registry.h"

namespace {

std::string read(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return -1;
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("kelo-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  const std::filesystem::path file = dir / "registry.json";
  const std::string before(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << before;
  }
  const std::string lib = "/opt/kelo/libKeloScroll.so";
  if (keloscroll::server::registerServer(file, lib) != keloscroll::server::S_OK) {
    check(read(file) == before);
    return 0;
  }
  auto doc = nlohmann::json::parse(read(file), nullptr, false);
  check(doc.is_object());
  for (const auto& [key, values] : keloscroll::server::registrationEntries(lib)) {
    bool found = false;
    for (const auto& [k, v] : doc.items()) {
      if (k.size() == key.size() && std::equal(k.begin(), k.end(), key.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
          })) {
        found = true;
      }
    }
    check(found);
  }
  check(keloscroll::server::unregisterServer(file) == keloscroll::server::S_OK);
  return 0;
}
