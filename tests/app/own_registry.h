// The demo registers the component library it places its bars from: the tests that make a viewer
// give it a registry of their own, never the user's.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class OwnRegistry : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("kelo-registry-" + std::to_string(::getpid()));
    ::setenv("KELO_REGISTRY", (dir_ / "registry.json").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("KELO_REGISTRY");
    std::filesystem::remove_all(dir_);
  }

 private:
  std::filesystem::path dir_;
};
[[maybe_unused]] inline ::testing::Environment* const kOwnRegistry =
    ::testing::AddGlobalTestEnvironment(new OwnRegistry);
