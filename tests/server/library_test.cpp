// libKeloScroll.so as a host uses it: loaded with dlopen, its four entry points found by name,
// registration into a registry file of the test's own, and class factories by class id.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "server/linux/com.h"
#include "server/linux/exports.h"
#include "server/linux/registry.h"
#include "tests/scratch_dir.h"

namespace keloscroll::server {
namespace {

using nlohmann::json;

const std::string kControlKey = "CLSID\\{86637D22-A896-459E-B33E-0D1CC18ED0CF}";
const std::string kPageKey = "CLSID\\{5507A9C0-BCDC-42FF-BEA5-78FCB353DDC4}";
const std::string kLibKey = "TypeLib\\{53A596E5-5113-436B-A8C9-AA3B1EC77F4C}\\21.0";

class ServerLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Loaded once for the process and not unloaded: a host unloads only when nothing is alive,
    // and the suite's own checks of that are what it would ask.
    handle_ = dlopen(KELO_SERVER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }

  void SetUp() override {
    ASSERT_NE(handle_, nullptr);
    registerServer_ = find<DllRegisterServerFn>("DllRegisterServer");
    unregisterServer_ = find<DllUnregisterServerFn>("DllUnregisterServer");
    getClassObject_ = find<DllGetClassObjectFn>("DllGetClassObject");
    canUnloadNow_ = find<DllCanUnloadNowFn>("DllCanUnloadNow");
    ::setenv("KELO_REGISTRY", registry_.c_str(), 1);
  }
  void TearDown() override { ::unsetenv("KELO_REGISTRY"); }

  template <class Fn>
  static Fn find(const char* name) {
    void* symbol = dlsym(handle_, name);
    EXPECT_NE(symbol, nullptr) << name;
    return reinterpret_cast<Fn>(symbol);
  }
  json registry() const {
    std::ifstream in(registry_);
    return json::parse(in);
  }
  IClassFactoryLike* factory(const GUID& clsid) const {
    void* out = nullptr;
    EXPECT_EQ(getClassObject_(&clsid, &kIidIClassFactory, &out), S_OK);
    return static_cast<IClassFactoryLike*>(out);
  }

  static inline void* handle_ = nullptr;
  DllRegisterServerFn registerServer_ = nullptr;
  DllUnregisterServerFn unregisterServer_ = nullptr;
  DllGetClassObjectFn getClassObject_ = nullptr;
  DllCanUnloadNowFn canUnloadNow_ = nullptr;
  keloscroll::testing::ScratchDir dir_;
  const std::filesystem::path registry_ = dir_.path / "registry.json";
};

// The keys of the registration, the factories of both classes and the unloading rules are in
// tests/scenarios/library_exports.scn; here what a scenario cannot see: the library keeps its
// server layer inside, registers the path it was loaded from, and checks the pointers it is
// given; and a factory a host holds does not keep it loaded.
TEST_F(ServerLibrary, ExportsOnlyItsEntryPointsAndRegistersItsOwnPath) {
  EXPECT_EQ(dlsym(handle_, "_ZN10keloscroll6server13canUnloadNowEv"), nullptr)
      << "the server layer stays inside";
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(registerServer_), &info), 0);
  EXPECT_EQ(std::filesystem::path(info.dli_fname).filename(), "libKeloScroll.so");

  const std::string lib = std::filesystem::path(KELO_SERVER_LIBRARY).lexically_normal().string();
  ASSERT_EQ(registerServer_(), S_OK);
  json r = registry();
  for (const std::string& key : {kControlKey, kPageKey}) {
    EXPECT_EQ(r[key + "\\InprocServer32"], (json{{"@", lib}, {"ThreadingModel", "Apartment"}}));
  }
  EXPECT_EQ(r[kControlKey + "\\ToolboxBitmap32"]["@"], lib + ", 30000");
  ASSERT_EQ(unregisterServer_(), S_OK);
  EXPECT_EQ(registry(), json::object());
}

// A folder in the registry's place: a status code, not an exception through the exports.
TEST_F(ServerLibrary, ARegistryThatCannotBeReadGivesAnErrorAndIsKept) {
  std::filesystem::create_directories(registry_);
  EXPECT_EQ(registerServer_(), E_FAIL);
  EXPECT_EQ(unregisterServer_(), E_FAIL);
  EXPECT_TRUE(std::filesystem::is_directory(registry_));
}

TEST_F(ServerLibrary, FactoriesNeedTheirPointersAndAHeldFactoryDoesNotKeepTheLibrary) {
  void* out = &out;
  EXPECT_EQ(getClassObject_(&kClsidPropertyPage1, &kIidIClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(getClassObject_(nullptr, &kIidIClassFactory, &out), E_POINTER);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject_(&kClsidPropertyPage1, nullptr, &out), E_POINTER);
  IClassFactoryLike* pages = factory(kClsidPropertyPage1);
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(canUnloadNow_(), S_OK);
  ASSERT_EQ(pages->CreateInstance(nullptr, kIidPropertyPage1, &out), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  static_cast<IUnknownLike*>(out)->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
  pages->Release();
}

}  // namespace
}  // namespace keloscroll::server
