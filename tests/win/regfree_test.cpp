// KeloScroll.ocx used registration-free, as an application that carries its own controls uses
// it: nothing of the library is in the registry; an application manifest names the KeloScroll
// assembly, whose manifest (KeloScroll.manifest beside the library, made from the registration
// table) lists its classes, ProgIDs and type library. Within that activation context the control
// and its property page are created by ProgID, and the page takes the control. (A registration-free
// control driven with its events is the windows_host_example test's.)
// clang-format off
#include "server/identities.h"  // before the Windows headers, whose macros it must not meet
// clang-format on
#include <gtest/gtest.h>

#include <fstream>

#include "tests/win/com_client.h"
#include "tests/win/ocx_test_util.h"

namespace kelo_test {
namespace {

// Nothing of the library in the registry: its ProgIDs, classes and type library are unknown.
void expectNoRegistration() {
  for (const std::wstring& key :
       {std::wstring(L"KeloScroll.UsrKeloScroll"), std::wstring(L"KeloScroll.PropertyPage1"),
        L"CLSID\\" + guidString(kControl), L"CLSID\\" + guidString(kPage),
        L"TypeLib\\" + guidString(kLib)}) {
    EXPECT_FALSE(regKeyExists(key)) << "registered: " << std::string(key.begin(), key.end());
  }
}

// An application's manifest that depends on the KeloScroll assembly of its own architecture.
void writeApplicationManifest(const std::wstring& path) {
  std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc)
      << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
         "  <assemblyIdentity type=\"win32\" name=\"KeloScroll.RegFreeTest\" "
         "version=\"1.0.0.0\"/>\n"
         "  <dependency><dependentAssembly>\n"
         "    <assemblyIdentity type=\"win32\" name=\"KeloScroll\" version=\"21.0.0.0\" "
         "processorArchitecture=\""
      << (sizeof(void*) == 8 ? "amd64" : "x86")
      << "\"/>\n"
         "  </dependentAssembly></dependency>\n"
         "</assembly>\n";
}

TEST(RegistrationFree, TheControlAndItsPageComeFromTheManifestWithNoRegistryEntry) {
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  expectNoRegistration();
  // The application's manifest beside the library, whose folder holds the assembly.
  const std::wstring ocx = ocxPath(), folder = ocx.substr(0, ocx.find_last_of(L'\\'));
  const std::wstring manifest = folder + L"\\regfree_app.manifest";
  writeApplicationManifest(manifest);
  ACTCTXW actctx{};
  actctx.cbSize = sizeof actctx;
  actctx.dwFlags = ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
  actctx.lpSource = manifest.c_str();
  actctx.lpAssemblyDirectory = folder.c_str();
  HANDLE context = CreateActCtxW(&actctx);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  ULONG_PTR cookie = 0;
  ASSERT_TRUE(ActivateActCtx(context, &cookie));
  {
    // A ProgID of the context names a class id the context makes up for it (Windows does so
    // too); the class itself is also found by its own id.
    CLSID control{}, page{};
    ASSERT_EQ(CLSIDFromProgID(L"KeloScroll.UsrKeloScroll", &control), S_OK);
    ASSERT_EQ(CLSIDFromProgID(L"KeloScroll.PropertyPage1", &page), S_OK);
    Ptr<ITypeLib> lib;
    EXPECT_EQ(LoadRegTypeLib(kLib, 21, 0, 0, lib.put()), S_OK) << "the type library too";

    Ptr<IDispatch> disp;
    ASSERT_EQ(
        CoCreateInstance(control, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, disp.putVoid()),
        S_OK);
    // A control, not its page: persistent.
    auto persist = disp.query<IPersistStreamInit>(IID_IPersistStreamInit);
    ASSERT_TRUE(persist);
    ASSERT_EQ(persist->InitNew(), S_OK);

    // Its property page by the page's own id, as the control names it, given the control as a
    // property frame gives it.
    Ptr<IPropertyPage> pageObject;
    ASSERT_EQ(CoCreateInstance(kPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                               pageObject.putVoid()),
              S_OK);
    IUnknown* objects[] = {disp.get()};
    EXPECT_EQ(pageObject->SetObjects(1, objects), S_OK);
    EXPECT_EQ(pageObject->SetObjects(0, nullptr), S_OK);
  }
  ASSERT_TRUE(DeactivateActCtx(0, cookie));
  ReleaseActCtx(context);
  expectNoRegistration();
  CoUninitialize();
}

}  // namespace
}  // namespace kelo_test
