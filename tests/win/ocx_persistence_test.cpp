// KeloScroll.ocx's persistence as a container uses it: property bags (one that fails among them),
// streams (cut short, or claiming a huge picture), a document host's storage, the dirty flag and
// the save a close asks for.
// clang-format off
#include "server/identities.h"  // before the Windows headers, whose macros it must not meet
// clang-format on
#include <gtest/gtest.h>
#include <olectl.h>  // brings windows.h, which psapi.h needs first
#include <psapi.h>

#include <tuple>

#include "tests/win/ocx_client.h"

namespace kelo_test {
namespace {

// Values of the saved properties, read by id.
std::vector<LONG> savedValues(const Control& c) {
  std::vector<LONG> v;
  for (DISPID id :
       {0x6803001D, 0x68030017, 0x68030018, 0x68030013, 0x68030014, 0x68030016, 0x68030012}) {
    v.push_back(c.getLong(id));
  }
  return v;
}

size_t peakMemory() {
  PROCESS_MEMORY_COUNTERS m{};
  K32GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
  return m.PeakWorkingSetSize;
}

TEST(OcxClient, PropertiesSurviveAPropertyBagAStreamAndAStorage) {
  Control a;
  ASSERT_TRUE(a.disp);
  const std::pair<DISPID, Var> writes[] = {
      // The orientation first: the value is the thumb's position along the current one.
      {0x6803001D, Var::boolean(false)}, {0x68030018, Var::i4(900)}, {0x68030016, Var::i4(33)},
      {0x68030017, Var::i4(5)},          {0x68030014, Var::i2(250)}, {0x68030012, Var::i4(4)}};
  for (const auto& [id, v] : writes) ASSERT_EQ(put(a.disp.get(), id, v).hr, S_OK);
  const std::vector<LONG> expected{VARIANT_FALSE, 5, 900, VARIANT_TRUE, 250, 33, 4};
  ASSERT_EQ(savedValues(a), expected);

  auto bag = Ptr<PropertyBag>::adopt(new PropertyBag);
  auto failing = Ptr<PropertyBag>::adopt(new PropertyBag);
  auto savesToBag = a.disp.query<IPersistPropertyBag>(IID_IPersistPropertyBag);
  ASSERT_TRUE(savesToBag);
  ASSERT_EQ(savesToBag->Save(bag.get(), FALSE, FALSE), S_OK);
  // Like the host's own bag, a value equal to its default ("Enabled" true) is not written; the
  // names and values written are the load's below.
  EXPECT_EQ(bag->writes.size(), 10u);
  // A bag that fails is heard with its own status, on saving and on loading.
  failing->failure = STG_E_ACCESSDENIED;
  EXPECT_EQ(savesToBag->Save(failing.get(), FALSE, FALSE), STG_E_ACCESSDENIED);
  failing->failure = E_OUTOFMEMORY;
  Control f(false);
  EXPECT_EQ(
      f.disp.query<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(failing.get(), nullptr),
      E_OUTOFMEMORY);

  // Loading reports no change to the container's sink, and leaves the control clean.
  Control b(false);
  Ptr<IConnectionPoint> notify;
  DWORD cookie = 0;
  b.disp.query<IConnectionPointContainer>(IID_IConnectionPointContainer)
      ->FindConnectionPoint(IID_IPropertyNotifySink, notify.put());
  ASSERT_EQ(notify->Advise(static_cast<IPropertyNotifySink*>(b.site.get()), &cookie), S_OK);
  ASSERT_EQ(b.disp.query<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(bag.get(), nullptr),
            S_OK);
  EXPECT_EQ(savedValues(b), expected);
  EXPECT_EQ(b.site->changes, 0);
  notify->Unadvise(cookie);

  // Closing saves through the site when there are changes, and only then.
  auto closes = [](const Control& c) {
    return c.disp.query<IOleObject>(IID_IOleObject)->Close(OLECLOSE_SAVEIFDIRTY);
  };
  EXPECT_EQ((std::tuple{closes(a), a.site->saves, closes(b), b.site->saves}),
            std::tuple(S_OK, 1, S_OK, 0));

  Ptr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
  auto savesToStream = a.disp.query<IPersistStreamInit>(IID_IPersistStreamInit);
  ASSERT_TRUE(savesToStream);
  ULARGE_INTEGER most{}, size{};
  EXPECT_EQ(savesToStream->GetSizeMax(&most), S_OK);
  ASSERT_EQ(savesToStream->Save(stream.get(), TRUE), S_OK);
  EXPECT_EQ(savesToStream->IsDirty(), S_FALSE) << "saved with clearing the dirty flag";
  ASSERT_EQ(stream->Seek({}, STREAM_SEEK_CUR, &size), S_OK);
  EXPECT_LE(size.QuadPart, most.QuadPart) << "GetSizeMax bounds what Save writes";
  ASSERT_EQ(stream->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
  Control s(false);
  auto loadsFromStream = s.disp.query<IPersistStreamInit>(IID_IPersistStreamInit);
  ASSERT_EQ(loadsFromStream->Load(stream.get()), S_OK);
  CLSID clsid{};
  EXPECT_EQ(loadsFromStream->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kControl));

  // A stream that ends early is refused, not read past; one of 38 bytes that claims a picture of
  // 8192 x 8192, and a bag whose picture object claims as much, are refused before the memory
  // for such a picture is taken.
  const size_t peak = peakMemory();
  const char* const shortData[] = {
      "\x01\x02", "KSPB\1\0\0\0\1\0\0\0\x0c\0\0\0PictureBarra\x09\0\0\x20\0\0\0\x20\0\0"};
  for (size_t n : {size_t{2}, size_t{38}}) {
    Ptr<IStream> shortStream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, shortStream.put()), S_OK);
    shortStream->Write(shortData[n == 38], static_cast<ULONG>(n), nullptr);
    shortStream->Seek({}, STREAM_SEEK_SET, nullptr);
    Control t(false);
    EXPECT_TRUE(
        FAILED(t.disp.query<IPersistStreamInit>(IID_IPersistStreamInit)->Load(shortStream.get())));
  }
  auto huge = Ptr<PropertyBag>::adopt(new PropertyBag);
  huge->writes.emplace_back(L"PictureBarra", Var::dispatch(hugePicture().get()));
  Control h(false);
  EXPECT_EQ(h.disp.query<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(huge.get(), nullptr),
            CTL_E_INVALIDPICTURE);
  EXPECT_LT(peakMemory(), peak + (size_t{64} << 20));

  // A document host's storage.
  Ptr<ILockBytes> bytes;
  Ptr<IStorage> storage;
  ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()), S_OK);
  ASSERT_EQ(StgCreateDocfileOnILockBytes(
                bytes.get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, storage.put()),
            S_OK);
  auto storesIn = a.disp.query<IPersistStorage>(IID_IPersistStorage);
  ASSERT_TRUE(storesIn);
  ASSERT_EQ(storesIn->Save(storage.get(), TRUE), S_OK);
  Control g(false);
  ASSERT_EQ(g.disp.query<IPersistStorage>(IID_IPersistStorage)->Load(storage.get()), S_OK);
  EXPECT_EQ(savedValues(g), expected);
}

}  // namespace
}  // namespace kelo_test
