// The demo registers the component library it places its bars from: the tests that make a viewer
// give it a registry of their own, never the user's, in a folder that goes when the tests end.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

[[maybe_unused]] inline const bool kOwnRegistry = [] {
  static const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kelo-registry-" + std::to_string(::getpid()));
  std::atexit([] { std::filesystem::remove_all(dir); });
  return ::setenv("KELO_REGISTRY", (dir / "registry.json").c_str(), 1) == 0;
}();
