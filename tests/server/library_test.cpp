// libKeloScroll.so as a host uses it: loaded with dlopen, its four entry points found by name,
// registration into a registry file of the test's own, and class factories by class id.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "server/com.h"
#include "server/exports.h"
#include "server/registry.h"

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
    dir_ = std::filesystem::temp_directory_path() /
           ("keloscroll-library-" + std::to_string(::getpid()) + "-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    registry_ = dir_ / "registry.json";
    ::setenv("KELO_REGISTRY", registry_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("KELO_REGISTRY");
    std::filesystem::remove_all(dir_);
  }

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
  std::filesystem::path dir_, registry_;
};

TEST_F(ServerLibrary, ExportsOnlyItsFourEntryPoints) {
  EXPECT_EQ(dlsym(handle_, "_ZN10keloscroll6server13canUnloadNowEv"), nullptr)
      << "the server layer stays inside";
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(registerServer_), &info), 0);
  EXPECT_EQ(std::filesystem::path(info.dli_fname).filename(), "libKeloScroll.so");
}

TEST_F(ServerLibrary, RegistersWithTheActiveXKeysAndUnregistersOnlyThose) {
  const std::string lib = std::filesystem::path(KELO_SERVER_LIBRARY).lexically_normal().string();
  std::filesystem::create_directories(dir_);
  std::ofstream(registry_)
      << R"({"Other.Control\\CLSID": {"@": "{00000000-0000-0000-0000-000000000001}"}})";

  ASSERT_EQ(registerServer_(), S_OK);
  json r = registry();
  EXPECT_EQ(r[kControlKey + "\\InprocServer32"],
            (json{{"@", lib}, {"ThreadingModel", "Apartment"}}));
  EXPECT_EQ(r[kControlKey + "\\ProgID"]["@"], "KeloScroll.UsrKeloScroll");
  EXPECT_TRUE(r.contains(kControlKey + "\\Control"));
  EXPECT_EQ(r[kControlKey + "\\ToolboxBitmap32"]["@"], lib + ",30000");
  EXPECT_EQ(r[kControlKey + "\\MiscStatus"]["@"], "0");
  EXPECT_EQ(r[kControlKey + "\\MiscStatus\\1"]["@"], "131473");
  EXPECT_EQ(r[kControlKey + "\\TypeLib"]["@"], "{53A596E5-5113-436B-A8C9-AA3B1EC77F4C}");
  EXPECT_EQ(r[kControlKey + "\\Version"]["@"], "21.0");
  EXPECT_EQ(r["KeloScroll.UsrKeloScroll\\CLSID"]["@"], "{86637D22-A896-459E-B33E-0D1CC18ED0CF}");
  EXPECT_EQ(r[kPageKey + "\\InprocServer32"], (json{{"@", lib}, {"ThreadingModel", "Apartment"}}));
  EXPECT_EQ(r[kPageKey + "\\ProgID"]["@"], "KeloScroll.PropertyPage1");
  EXPECT_EQ(r["KeloScroll.PropertyPage1\\CLSID"]["@"], "{5507A9C0-BCDC-42FF-BEA5-78FCB353DDC4}");
  EXPECT_FALSE(r.contains(kPageKey + "\\Control")) << "the page is no control";
  EXPECT_FALSE(r.contains(kPageKey + "\\MiscStatus"));
  EXPECT_FALSE(r.contains(kPageKey + "\\ToolboxBitmap32"));
  EXPECT_EQ(r[kLibKey]["@"], "KeloScroll");
  EXPECT_EQ(r[kLibKey + "\\FLAGS"]["@"], "2");
  EXPECT_EQ(r["Other.Control\\CLSID"]["@"], "{00000000-0000-0000-0000-000000000001}");

  ASSERT_EQ(unregisterServer_(), S_OK);
  EXPECT_EQ(registry(),
            (json{{"Other.Control\\CLSID", {{"@", "{00000000-0000-0000-0000-000000000001}"}}}}));
}

// Cut short, binary, or beyond the size limit: E_FAIL from both exports, and the file as it was.
TEST_F(ServerLibrary, ACorruptRegistryGivesAnErrorAndIsNotOverwritten) {
  std::filesystem::create_directories(dir_);
  const std::string corrupt[] = {"{\"CLSID\": ", std::string("\0\x01\x02\xFF", 4),
                                 "{}" + std::string(keloscroll::server::kMaxRegistryBytes, '\n')};
  for (const std::string& bad : corrupt) {
    SCOPED_TRACE(bad.substr(0, 12));
    std::ofstream(registry_, std::ios::binary) << bad;
    EXPECT_EQ(registerServer_(), E_FAIL);
    EXPECT_EQ(unregisterServer_(), E_FAIL);
    std::ifstream in(registry_, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(text == bad);
  }

  // A folder in the registry's place: a status code, not an exception through the exports.
  std::filesystem::remove(registry_);
  std::filesystem::create_directories(registry_);
  EXPECT_EQ(registerServer_(), E_FAIL);
  EXPECT_EQ(unregisterServer_(), E_FAIL);
  EXPECT_TRUE(std::filesystem::is_directory(registry_));
}

TEST_F(ServerLibrary, HandsOutFactoriesOnlyForItsTwoClasses) {
  void* out = &out;
  const GUID unknownClass = *parseGuid("{11111111-2222-3333-4444-555555555555}");
  EXPECT_EQ(getClassObject_(&unknownClass, &kIidIClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  for (const GUID* iidAsClass : {&kIidUsrKeloScroll, &kIidPropertyPage1, &kDiidUsrKeloScrollEvents,
                                 &kLibId, &kIidIClassFactory}) {
    out = &out;
    EXPECT_EQ(getClassObject_(iidAsClass, &kIidIClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_EQ(getClassObject_(&kClsidPropertyPage1, &kIidIClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(getClassObject_(nullptr, &kIidIClassFactory, &out), E_POINTER);
  EXPECT_EQ(getClassObject_(&kClsidPropertyPage1, &kIidPropertyPage1, &out), E_NOINTERFACE)
      << "a factory is asked for as a factory";
  EXPECT_EQ(getClassObject_(&kClsidUsrKeloScroll, &kIidIUnknown, &out), S_OK);
  ASSERT_NE(out, nullptr);
  static_cast<IUnknownLike*>(out)->Release();
}

TEST_F(ServerLibrary, ThePageFactoryMakesPagesAndUnloadingWaitsForObjectsAndLocks) {
  ASSERT_EQ(canUnloadNow_(), S_OK);
  IClassFactoryLike* pages = factory(kClsidPropertyPage1);
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(canUnloadNow_(), S_OK) << "holding a factory does not keep the library";

  void* out = nullptr;
  ASSERT_EQ(pages->CreateInstance(nullptr, kIidPropertyPage1, &out), S_OK);
  auto* page = static_cast<IKeloPropertyPage*>(static_cast<IUnknownLike*>(out));
  void* asPage = nullptr;
  ASSERT_EQ(page->QueryInterface(kIidIKeloPropertyPage, &asPage), S_OK);
  EXPECT_EQ(asPage, out);
  EXPECT_EQ(page->Page(), nullptr) << "not shown yet";
  EXPECT_EQ(page->Activate(nullptr), E_POINTER);
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a page lives";
  page->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "one reference is left";
  page->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);

  // A control object, unplaced, keeps the library as well.
  IClassFactoryLike* controls = factory(kClsidUsrKeloScroll);
  ASSERT_EQ(controls->CreateInstance(nullptr, kIidUsrKeloScroll, &out), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  static_cast<IUnknownLike*>(out)->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);

  EXPECT_EQ(pages->LockServer(true), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a lock with no object";
  EXPECT_EQ(pages->LockServer(false), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_OK);
  EXPECT_EQ(pages->CreateInstance(reinterpret_cast<IUnknownLike*>(pages), kIidIUnknown, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(canUnloadNow_(), S_OK);
  pages->Release();
  controls->Release();
}

}  // namespace
}  // namespace keloscroll::server
