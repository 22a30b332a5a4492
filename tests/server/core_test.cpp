// The server layer in-process: GUIDs and their registry form, the objects and class factories of
// both classes with the module's counts, the registry file, and the IDL kept in step.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "control/UsrKeloScroll.h"
#include "design/PropertyPage1.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/property_page.h"
#include "host/widgets.h"
#include "server/idl.h"
#include "server/linux/com.h"
#include "server/linux/registry.h"
#include "server/status.h"
#include "tests/host/host_test_util.h"
#include "tests/scratch_dir.h"

namespace keloscroll::server {
namespace {

TEST(ServerGuid, ReadsAndWritesTheRegistryFormInComsLayout) {
  auto g = parseGuid("{00112233-4455-6677-8899-aAbBcCdDeEfF}");
  ASSERT_TRUE(g);
  // COM's binary order: Data1..Data3 in the machine's order (little-endian here), then Data4.
  const unsigned char layout[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                    0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  EXPECT_EQ(std::memcmp(&*g, layout, sizeof layout), 0);
  EXPECT_EQ(formatGuid(*g), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
  EXPECT_EQ(parseGuid("00112233-4455-6677-8899-AABBCCDDEEFF"), g) << "braces may be left out";

  for (const char* bad :
       {"", "{00112233-4455-6677-8899-AABBCCDDEEFF", "00112233-4455-6677-8899-AABBCCDDEEF",
        "{00112233-4455-6677-8899-AABBCCDDEEFG}", "{00112233+4455-6677-8899-AABBCCDDEEFF}",
        "(00112233-4455-6677-8899-AABBCCDDEEFF)"}) {
    EXPECT_FALSE(parseGuid(bad)) << bad;
  }
}

// The objects go on a form of a headless engine, as a container places them.
using ServerObjects = host::testing::HostTest;

template <class T>
T* create(const GUID& clsid, const GUID& iid) {
  void* factory = nullptr;
  EXPECT_EQ(getClassObject(clsid, kIidIClassFactory, &factory), S_OK);
  void* out = nullptr;
  EXPECT_EQ(static_cast<IClassFactoryLike*>(factory)->CreateInstance(nullptr, iid, &out), S_OK);
  static_cast<IClassFactoryLike*>(factory)->Release();
  return static_cast<T*>(out);
}

TEST_F(ServerObjects, TheControlIsPlacedOnItsClientSiteAndAnswersItsInterfaces) {
  ASSERT_EQ(liveObjects(), 0);
  auto site = std::make_shared<host::ControlSite>(engine, *form, "KeloScroll1");
  auto* control = create<IKeloControl>(kClsidUsrKeloScroll, kIidIKeloControl);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(liveObjects(), 1);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(control->Dispatch(), nullptr) << "unplaced until it has its site";

  EXPECT_EQ(control->SetClientSite(nullptr), E_POINTER);
  ASSERT_EQ(control->SetClientSite(site.get()), S_OK);
  host::ObjectRef face = control->Dispatch();
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(site->control(), face);
  EXPECT_EQ(face->typeName(), "UsrKeloScroll");
  EXPECT_EQ(control->SetClientSite(site.get()), E_FAIL) << "placed once";
  site->initNew();
  EXPECT_EQ(std::dynamic_pointer_cast<UsrKeloScroll>(face)->Max(), 200000);

  void* same = nullptr;
  EXPECT_EQ(control->QueryInterface(kIidUsrKeloScroll, &same), S_OK);
  EXPECT_EQ(same, control);
  void* unknown = nullptr;
  EXPECT_EQ(control->QueryInterface(kIidIUnknown, &unknown), S_OK);
  void* none = &same;
  EXPECT_EQ(control->QueryInterface(kDiidUsrKeloScrollEvents, &none), E_NOINTERFACE)
      << "the event interface is a source, not an interface of the object";
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(control->QueryInterface(kIidIUnknown, nullptr), E_POINTER);

  std::vector<PropertyPageId> pages{{kLibId, "stale"}};
  EXPECT_EQ(control->GetPages(nullptr), E_POINTER);
  ASSERT_EQ(control->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].name, "StandardPicture");
  EXPECT_EQ(pages[0].clsid, kClsidStandardPicturePage);
  EXPECT_EQ(pages[1].name, "PropertyPage1");
  EXPECT_EQ(pages[1].clsid, kClsidPropertyPage1);

  for (uint32_t left : {2u, 1u, 0u}) EXPECT_EQ(control->Release(), left);
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the host still holds the control's face";
  EXPECT_EQ(face->get("Max").asLong(), 200000);
  face.reset();
  EXPECT_EQ(liveObjects(), 0);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(ServerObjects, ThePropertyPageShowsAndAppliesTheSelectedControl) {
  auto place = [&](const char* name, int32_t max) {
    auto site = std::make_shared<host::ControlSite>(engine, *form, name);
    auto bar = UsrKeloScroll::create(*site);
    site->initNew();
    bar->setMax(max);
    return std::pair{site, bar};
  };
  auto [site, bar] = place("KeloScroll1", 500);
  auto [site2, bar2] = place("KeloScroll2", 900);

  auto* page = create<IKeloPropertyPage>(kClsidPropertyPage1, kIidIKeloPropertyPage);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Page(), nullptr);
  EXPECT_EQ(page->Apply(), E_FAIL) << "not active";
  auto area = form->add<host::PictureBox>("pageArea");
  EXPECT_EQ(page->Activate(area.get()), E_FAIL) << "the page site comes first";
  EXPECT_EQ(page->SetPageSite(nullptr), E_POINTER);

  // A selection whose first control cannot be read: the error's code, and no widgets left over.
  auto none = std::make_shared<host::PropertyPageSite>(std::vector<host::ObjectRef>{});
  ASSERT_EQ(page->SetPageSite(none.get()), S_OK);
  EXPECT_EQ(page->Activate(area.get()), status::ofError(9));
  EXPECT_TRUE(area->children().empty());
  EXPECT_EQ(page->Page(), nullptr);

  auto pageSite = std::make_shared<host::PropertyPageSite>(std::vector<host::ObjectRef>{bar});
  ASSERT_EQ(page->SetPageSite(pageSite.get()), S_OK);
  ASSERT_EQ(page->Activate(area.get()), S_OK);
  ASSERT_NE(page->Page(), nullptr);

  auto* txtMax = dynamic_cast<host::TextBox*>(host::findWidget(*area, "txtMax"));
  ASSERT_NE(txtMax, nullptr);
  EXPECT_EQ(txtMax->Text(), "500");
  txtMax->setText("700");
  EXPECT_TRUE(pageSite->Changed());
  EXPECT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(bar->Max(), 700);
  // Refused values reach the client with their error numbers.
  struct Refused {
    const char* field;
    const char* text;
    HRESULT status;
  };
  for (const Refused& r :
       {Refused{"txtMax", "abc", static_cast<HRESULT>(0x800A000Du)},
        Refused{"txtRefreshMsecGD", "40000", static_cast<HRESULT>(0x800A0006u)}}) {
    auto* field = dynamic_cast<host::TextBox*>(host::findWidget(*area, r.field));
    std::string kept = field->Text();
    field->setText(r.text);
    EXPECT_EQ(page->Apply(), r.status) << r.field;
    field->setText(kept);
  }
  EXPECT_EQ(bar->Max(), 700);

  // The selection changes: the page turns to the new first control and writes to it only.
  auto otherSite = std::make_shared<host::PropertyPageSite>(std::vector<host::ObjectRef>{bar2});
  ASSERT_EQ(page->SetPageSite(otherSite.get()), S_OK);
  EXPECT_EQ(txtMax->Text(), "900");
  txtMax->setText("950");
  EXPECT_TRUE(otherSite->Changed());
  EXPECT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(bar2->Max(), 950);
  EXPECT_EQ(bar->Max(), 700);
  EXPECT_EQ(page->SetPageSite(none.get()), status::ofError(9));

  void* same = nullptr;
  EXPECT_EQ(page->QueryInterface(kIidPropertyPage1, &same), S_OK);
  EXPECT_EQ(same, page);
  static_cast<IUnknownLike*>(same)->Release();
  // A widget of the page that the host still holds keeps the library; the rest left with it.
  std::shared_ptr<host::Widget> held = area->children().front();
  page->Release();
  EXPECT_TRUE(area->children().empty()) << "the page took its widgets along";
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  held.reset();
  EXPECT_EQ(liveObjects(), 0);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(ServerObjects, FactoriesRefuseAggregationUnknownInterfacesAndOtherClasses) {
  void* factory = nullptr;
  ASSERT_EQ(getClassObject(kClsidUsrKeloScroll, kIidIUnknown, &factory), S_OK);
  auto* f = static_cast<IClassFactoryLike*>(static_cast<IUnknownLike*>(factory));
  void* out = &factory;
  EXPECT_EQ(f->CreateInstance(reinterpret_cast<IUnknownLike*>(f), kIidIKeloControl, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(f->CreateInstance(nullptr, kIidPropertyPage1, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(f->CreateInstance(nullptr, kIidIUnknown, nullptr), E_POINTER);
  EXPECT_EQ(liveObjects(), 0) << "a refused object does not stay behind";

  // (Other classes and other interfaces of a factory are in library_exports.scn.)
  EXPECT_EQ(getClassObject(kLibId, kIidIClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);

  f->Release();
}

class ServerRegistryFile : public ::testing::Test {
 protected:
  std::string text() const { return keloscroll::testing::readFile(path_); }
  keloscroll::testing::ScratchDir dir_;
  const std::filesystem::path path_ = dir_.path / "sub" / "registry.json";
};

TEST_F(ServerRegistryFile, RegistrationWritesTheEntriesAndUnregistrationRemovesOnlyThem) {
  ASSERT_EQ(registerServer(path_, "/opt/kelo/libKeloScroll.so"), S_OK) << "makes the directory";
  const std::string once = text();
  EXPECT_NE(once.find("\"/opt/kelo/libKeloScroll.so, 30000\""), std::string::npos);

  // Another server's key, and a value of another's in one of ours.
  {
    nlohmann::json doc = nlohmann::json::parse(once);
    doc["Other.Thing"] = {{"@", "Other.Thing"}};
    doc["CLSID\\{86637D22-A896-459E-B33E-0D1CC18ED0CF}\\Control"]["Foreign"] = "kept";
    std::ofstream(path_) << doc.dump(2) << '\n';
  }
  ASSERT_EQ(unregisterServer(path_), S_OK);
  EXPECT_EQ(text(),
            "{\n  \"CLSID\\\\{86637D22-A896-459E-B33E-0D1CC18ED0CF}\\\\Control\": {\n"
            "    \"Foreign\": \"kept\"\n  },\n  \"Other.Thing\": {\n    \"@\": \"Other.Thing\"\n  "
            "}\n}\n");
  EXPECT_EQ(unregisterServer(path_), S_OK) << "nothing left to remove";
}

// A registry cut short, of another shape than keys of values, or beyond the size limit is no
// registry: both calls fail and the file stays byte for byte.
TEST_F(ServerRegistryFile, ACorruptRegistryIsRefusedAndKept) {
  std::filesystem::create_directories(path_.parent_path());
  ASSERT_EQ(registerServer(path_, "/lib.so"), S_OK);
  const std::string good = text();
  const std::string corrupt[] = {
      good.substr(0, good.size() / 2),
      good.substr(0, good.size() - 2),
      "{\"key\": \"not an object\"}",
      "{\"key\": {\"@\": 3}}",
      good + std::string(kMaxRegistryBytes, ' '),
  };
  for (const std::string& bad : corrupt) {
    SCOPED_TRACE(bad.substr(0, 40));
    std::ofstream(path_, std::ios::binary) << bad;
    EXPECT_EQ(registerServer(path_, "/lib.so"), E_FAIL);
    EXPECT_EQ(unregisterServer(path_), E_FAIL);
    EXPECT_TRUE(text() == bad);
  }
}

// (A folder in the registry's place is in ServerLibrary, through the exports.)
TEST_F(ServerRegistryFile, EmptyFilesKeyCaseAndPathsThatAreNoText) {
  std::filesystem::create_directories(path_.parent_path());
  // An empty file is an empty registry.
  for (const char* empty : {"", " \n\t"}) {
    std::ofstream(path_) << empty;
    ASSERT_EQ(registerServer(path_, "/lib.so"), S_OK);
  }

  // Keys and value names in another case are the same keys and values.
  {
    nlohmann::json doc = nlohmann::json::parse(text());
    doc.erase("CLSID\\{86637D22-A896-459E-B33E-0D1CC18ED0CF}\\InprocServer32");
    doc["clsid\\{86637d22-a896-459e-b33e-0d1cc18ed0cf}\\inprocserver32"] = {
        {"@", "/old.so"}, {"threadingmodel", "Free"}};
    std::ofstream(path_) << doc.dump(2);
  }
  ASSERT_EQ(registerServer(path_, "/new.so"), S_OK);
  nlohmann::json doc = nlohmann::json::parse(text());
  EXPECT_EQ(doc["clsid\\{86637d22-a896-459e-b33e-0d1cc18ed0cf}\\inprocserver32"],
            (nlohmann::json{{"@", "/new.so"}, {"threadingmodel", "Apartment"}}));

  // A library path that is no UTF-8 cannot be stored (JSON holds only UTF-8): an error.
  EXPECT_EQ(registerServer(path_, "/opt/k\xE9lo/libKeloScroll.so"), E_FAIL);
  EXPECT_EQ(registerServer(path_, "/lib\xC3"), E_FAIL);
  EXPECT_EQ(registerServer(path_, "/opt/k\xC3\xA9lo/libKeloScroll.so"), S_OK);
}

TEST(ServerRegistryPath, ComesFromTheEnvironmentOrTheHomeDirectory) {
  const char* saved = std::getenv("KELO_REGISTRY");
  std::string keep = saved ? saved : "";
  ::setenv("KELO_REGISTRY", "/tmp/x/registry.json", 1);
  EXPECT_EQ(registryPath(), "/tmp/x/registry.json");
  ::unsetenv("KELO_REGISTRY");
  if (const char* home = std::getenv("HOME")) {
    EXPECT_EQ(registryPath(), std::filesystem::path(home) / ".keloscroll/registry.json");
  }
  if (saved) ::setenv("KELO_REGISTRY", keep.c_str(), 1);
}

// server/KeloScroll.idl carries the IDL made from the interface table. Run with
// KELO_UPDATE_IDL=1 (or build keloscroll_idl) to write the table's current IDL into the file.
TEST(ServerIdl, TheCheckedInFileIsInStepWithTheInterfaceTable) {
  const std::string path = std::string(KELO_SOURCE_DIR) + "/server/KeloScroll.idl";
  const std::string generated = typeLibraryIdl();
  if (std::getenv("KELO_UPDATE_IDL")) std::ofstream(path, std::ios::binary) << generated;
  EXPECT_EQ(keloscroll::testing::readFile(path), generated)
      << "server/KeloScroll.idl is missing or out of date: build keloscroll_idl";
}

}  // namespace
}  // namespace keloscroll::server
