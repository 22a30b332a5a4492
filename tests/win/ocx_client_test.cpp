// KeloScroll.ocx as a client and a container see it: registered with regsvr32, its registry keys
// read back (its type library against the interface table is ocx_typelib_test.cpp's), the control
// created by ProgID on a client site of ours, its properties through IDispatch and the dual vtable,
// events and property notifications, error numbers, the library's lifetime, and unregistration
// (persistence is ocx_persistence_test.cpp's).
// clang-format off
#include "server/identities.h"  // before the Windows headers, whose macros it must not meet
// clang-format on
#include <gtest/gtest.h>
#include <initguid.h>
#include <objsafe.h>
#include <process.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "KeloScroll_h.h"
#include "tests/win/container_test_util.h"
#include "tests/win/ocx_client.h"

namespace kelo_test {
namespace {

// regsvr32 run on the library to its end: its exit code, or -1 when it could not start.
intptr_t regsvr32(const wchar_t* options) {
  const std::wstring ocx = L"\"" + ocxPath() + L"\"";
  return _wspawnl(_P_WAIT, L"C:\\windows\\system32\\regsvr32.exe", L"regsvr32", options,
                  ocx.c_str(), nullptr);
}

// A value under HKEY_CLASSES_ROOT (name null: the key's default value), or nothing.
std::optional<std::wstring> regString(const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t buf[1024] = {};
  DWORD bytes = sizeof buf;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &bytes) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buf);
}

// COM in this apartment for the whole run; the library registered before the first test.
class Apartment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    ASSERT_EQ(regsvr32(L"/s"), 0) << "regsvr32 /s " << ocxPath();
  }
  void TearDown() override { CoUninitialize(); }
};
const auto* const kApartment = ::testing::AddGlobalTestEnvironment(new Apartment);

// The registry as a section of registry.txt says it is: each line KEY[|VALUE NAME] = WHAT, with
// the identities and the library's path filled in.
void expectRegistry(const std::string& section) {
  const std::pair<std::wstring, std::wstring> fills[] = {
      {L"{control}", guidString(kControl)},
      {L"{page}", guidString(kPage)},
      {L"{lib}", guidString(kLib)},
      {L"{dual}", guidString(kDual)},
      {L"{path}", ocxPath()},
      {L"{folder}", ocxPath().substr(0, ocxPath().find_last_of(L'\\'))},
      {L"{platform}", sizeof(void*) == 8 ? L"win64" : L"win32"}};
  std::ifstream in(KELO_REGISTRY_FILE);
  ASSERT_TRUE(in) << KELO_REGISTRY_FILE;
  std::string current;
  int rows = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("[")) current = line;
    if (line.empty() || line[0] == '#' || line[0] == '[' || current != "[" + section + "]")
      continue;
    SCOPED_TRACE(line);
    ++rows;
    std::wstring row = wide(line);
    for (const auto& [from, to] : fills)
      for (size_t at; (at = row.find(from)) != std::wstring::npos;)
        row.replace(at, from.size(), to);
    size_t is = row.find(L" = "), bar = std::min(row.find(L'|'), is);
    std::wstring key = row.substr(0, bar), want = row.substr(is + 3);
    std::wstring name = bar < is ? row.substr(bar + 1, is - bar - 1) : L"";
    if (want == L"(key)" || want == L"(no key)") {
      EXPECT_EQ(regKeyExists(key), want == L"(key)");
    } else {
      auto got = regString(key, name.empty() ? nullptr : name.c_str()).value_or(L"(no value)");
      EXPECT_TRUE(sameName(got, want)) << got;
    }
  }
  EXPECT_GE(rows, 8) << section;
}

TEST(OcxClient, RegistrationWritesTheClassesProgIdsAndTypeLibrary) {
  expectRegistry("registered");
}

TEST(OcxClient, PropertiesByNameByIdAndThroughTheDualVtable) {
  Control c;
  ASSERT_TRUE(c.disp);

  // A write and a read of a property by its name's id, for each type of value the bridge converts.
  const std::tuple<const wchar_t*, Var, LONG> rows[] = {
      {L"Max", Var::i4(500), 500},
      {L"LargeChange", Var::str(L"7"), 7},
      {L"RefreshMsecGD", Var::i2(250), 250},
      {L"VerticalBar", Var::boolean(false), VARIANT_FALSE},
  };
  for (const auto& [name, written, read] : rows) {
    DISPID id = idOf(c.disp.get(), name);
    EXPECT_EQ(put(c.disp.get(), id, written).hr, S_OK);
    EXPECT_EQ(c.getLong(id), read) << name;
  }
  auto description = get(c.disp.get(), idOf(c.disp.get(), L"Description"));
  EXPECT_EQ(description.value.vt, VT_BSTR);

  // Early-bound: the same properties through the vtable the type library describes.
  auto dual = c.disp.query<_UsrKeloScroll>(kDual);
  ASSERT_TRUE(dual);
  VARIANT_BOOL on = VARIANT_TRUE, vertical = 0, enabled = 0;
  LONG max = 0, value = 0, large = 0;
  SHORT ms = 0;
  // A braced list runs its calls from left to right: Max before Value.
  _UsrKeloScroll& d = *dual.get();
  const HRESULT puts[] = {d.put_Enabled(on), d.put_VerticalBar(&on), d.put_Max(1000),
                          d.put_Value(640),  d.put_LargeChange(9),   d.put_RefreshMsecGD(123)};
  const HRESULT gets[] = {
      d.get_Max(&max),          d.get_Value(&value),          d.get_LargeChange(&large),
      d.get_RefreshMsecGD(&ms), d.get_VerticalBar(&vertical), d.get_Enabled(&enabled)};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(std::pair(puts[i], gets[i]), std::pair(S_OK, S_OK)) << i;
  EXPECT_EQ(std::tuple(max, value, large, ms, vertical, enabled),
            std::tuple(1000, 640, 9, SHORT{123}, VARIANT_TRUE, VARIANT_TRUE));
  EXPECT_EQ(dual->get_Max(nullptr), E_POINTER);

  // The pictures: built-in ones to begin with; an empty reference clears one.
  Ptr<IPictureDisp> cursor;
  EXPECT_EQ(dual->get_PictureCursor(cursor.put()), S_OK);
  EXPECT_TRUE(cursor) << "the built-in thumb";
  EXPECT_EQ(dual->putref_PictureCursor(nullptr), S_OK);
  EXPECT_EQ(dual->get_PictureCursor(cursor.put()), S_OK);
  EXPECT_FALSE(cursor);

  // Lying down (200 x 16 pixels), the bar turns its built-in arrow even when the client reads it
  // and gives it back (the left arrow's base at 9 4). A picture given is the object read back,
  // its transparent half showing the button's face.
  VARIANT_BOOL lying = VARIANT_FALSE;
  EXPECT_EQ(d.put_VerticalBar(&lying), S_OK);
  SIZEL extent{5292, 423};
  EXPECT_EQ(c.disp.query<IOleObject>(IID_IOleObject)->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
  Ptr<IPictureDisp> arrow, icon = halfTransparentIcon(), back;
  ASSERT_TRUE(icon);
  EXPECT_EQ(d.get_PictureSXUP(arrow.put()), S_OK);
  EXPECT_EQ(d.putref_PictureSXUP(arrow.get()), S_OK);
  EXPECT_EQ(container_test::drawn(c.disp.get(), 200, 16)[4 * 200 + 9] & 0xFFFFFF, 0u);
  EXPECT_EQ(d.putref_PictureSXUP(icon.get()), S_OK);
  EXPECT_EQ(d.get_PictureSXUP(back.put()), S_OK);
  EXPECT_EQ(query<IUnknown>(back.get(), IID_IUnknown).get(),
            query<IUnknown>(icon.get(), IID_IUnknown).get());
  std::vector<uint32_t> face = container_test::drawn(c.disp.get(), 200, 16);
  EXPECT_EQ(std::pair(face[8 * 200 + 4] & 0xFFFFFF, face[8 * 200 + 12] & 0xFFFFFF),
            std::pair(0xC0C0C0u, 0xFF0000u));
}

// Everything an enumerator gives, one item at a time.
template <class T, class E>
std::vector<T> drain(E* e) {
  std::vector<T> all;
  T item{};
  while (e && e->Next(1, &item, nullptr) == S_OK) all.push_back(item);
  return all;
}

// (Property notifications are form_container_test's: its form is the sink.)
TEST(OcxClient, EventsReachTheContainersSinkThatTheEnumerationsList) {
  Control c;
  ASSERT_TRUE(c.disp);
  auto container = c.disp.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
  ASSERT_TRUE(container);
  Ptr<IConnectionPoint> eventsPoint, none;
  ASSERT_EQ(container->FindConnectionPoint(kEventsIid, eventsPoint.put()), S_OK);
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, none.put()), CONNECT_E_NOCONNECTION);

  auto sink = Ptr<EventSink>::adopt(new EventSink(kEventsIid));
  sink->changeReply = -7;
  DWORD cookie = 0;
  ASSERT_EQ(eventsPoint->Advise(sink.get(), &cookie), S_OK);

  // Value = 77 raises Change(77); the handler's reply in the argument does not become the value.
  ASSERT_EQ(put(c.disp.get(), 0x68030016, Var::i4(77)).hr, S_OK);
  ASSERT_EQ(sink->events.size(), 1u);
  const Event& change = sink->events[0];
  ASSERT_EQ(std::pair(change.id, change.args.size()), std::pair(DISPID{kChange}, size_t{1}));
  EXPECT_EQ(c.getLong(0x68030016), 77);
  // GetDescription is raised only while the user moves the bar in its window, which this client
  // has none of: the sink's description reply is not reachable here.

  // The container's points, each connection, and the verbs a container may put on its menus.
  Ptr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
  std::vector<IID> iids;
  for (IConnectionPoint* p : drain<IConnectionPoint*>(points.get())) {
    p->GetConnectionInterface(&iids.emplace_back());
    p->Release();
  }
  ASSERT_EQ(iids.size(), 2u);
  EXPECT_TRUE(IsEqualIID(iids[0], kEventsIid) && IsEqualIID(iids[1], IID_IPropertyNotifySink));
  Ptr<IEnumConnections> connections, clone;
  ASSERT_EQ(eventsPoint->EnumConnections(connections.put()), S_OK);
  ASSERT_EQ(connections->Clone(clone.put()), S_OK);
  auto listed = drain<CONNECTDATA>(connections.get());
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].dwCookie, cookie);
  EXPECT_EQ(listed[0].pUnk, static_cast<IUnknown*>(sink.get()));
  listed[0].pUnk->Release();
  EXPECT_EQ(clone->Skip(2), S_FALSE) << "one connection to skip";
  clone.reset();
  connections.reset();  // its copy of the connection held the sink
  Ptr<IEnumOLEVERB> verbs;
  ASSERT_EQ(c.disp.query<IOleObject>(IID_IOleObject)->EnumVerbs(verbs.put()), S_OK);
  std::vector<LONG> verbIds;
  for (OLEVERB v : drain<OLEVERB>(verbs.get())) {
    verbIds.push_back(v.lVerb);
    EXPECT_TRUE(v.lpszVerbName && *v.lpszVerbName) << v.lVerb;
    CoTaskMemFree(v.lpszVerbName);
  }
  EXPECT_EQ(verbIds,
            (std::vector<LONG>{OLEIVERB_PRIMARY, OLEIVERB_SHOW, OLEIVERB_HIDE, OLEIVERB_UIACTIVATE,
                               OLEIVERB_INPLACEACTIVATE, OLEIVERB_PROPERTIES}));

  // Safe for scripts on its dispatch face, not for anything else.
  auto safety = c.disp.query<IObjectSafety>(IID_IObjectSafety);
  ASSERT_TRUE(safety);
  const DWORD caller = INTERFACESAFE_FOR_UNTRUSTED_CALLER;
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, caller, caller), S_OK);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IClassFactory, caller, caller), E_NOINTERFACE);
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(std::pair(supported, enabled), std::pair(caller, caller));

  EXPECT_EQ(eventsPoint->Unadvise(cookie), S_OK);
  EXPECT_EQ(eventsPoint->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(sink->refs(), 1u) << "the control released the sink";
  EXPECT_EQ(eventsPoint->Advise(nullptr, &cookie), E_POINTER);
}

TEST(OcxClient, ErrorsComeBackAsTheirNumbers) {
  Control c;
  ASSERT_TRUE(c.disp);
  const std::tuple<DISPID, Var, LONG, const wchar_t*> rows[] = {
      {0x68030018, Var::str(L"abc"), 13, L"Type mismatch"},
      {0x68030014, Var::i4(40000), 6, L"Overflow"},
      {0x68030016, Var::str(L"1e99"), 6, L"Overflow"},
  };
  for (const auto& [id, value, number, description] : rows) {
    auto result = put(c.disp.get(), id, value);
    EXPECT_TRUE(result.error.scode == static_cast<SCODE>(0x800A0000u + number) ||
                result.error.wCode == number)
        << std::hex << result.error.scode << " " << std::dec << result.error.wCode;
    EXPECT_EQ(std::wstring(result.error.bstrDescription ? result.error.bstrDescription : L""),
              description);
    SysFreeString(result.error.bstrDescription);
    SysFreeString(result.error.bstrSource);
    SysFreeString(result.error.bstrHelpFile);
  }

  // The dual vtable: the error object behind its status.
  auto dual = c.disp.query<_UsrKeloScroll>(kDual);
  ASSERT_TRUE(dual);
  auto support = c.disp.query<ISupportErrorInfo>(IID_ISupportErrorInfo);
  ASSERT_TRUE(support);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(kDual), S_OK);
  auto notAPicture = Ptr<EventSink>::adopt(new EventSink(IID_IDispatch));
  dual->putref_PictureCursor(reinterpret_cast<IPictureDisp*>(notAPicture.get()));
  Ptr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  ASSERT_TRUE(info);
  Bstr text;
  EXPECT_EQ(info->GetDescription(text.put()), S_OK);
  EXPECT_EQ(text.str(), L"Type mismatch");

  // Arguments of the wrong shape or type: a status, never a crash.
  SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 2);
  Var arrayArg;
  arrayArg.vt = VT_ARRAY | VT_I4;
  arrayArg.parray = array;
  Var nullArg, errorArg, unknownArg = Var::unknown(notAPicture.get()), emptyRef;
  nullArg.vt = VT_NULL;
  errorArg.vt = VT_ERROR;
  errorArg.scode = DISP_E_PARAMNOTFOUND;
  // An unknown member is refused before its argument is looked at; a left-out argument is not
  // optional; a get takes no argument.
  const std::tuple<DISPID, Var, HRESULT> bad[] = {
      {0x68030018, arrayArg, DISP_E_TYPEMISMATCH},
      {0x68030018, nullArg, DISP_E_TYPEMISMATCH},
      {0x68030018, errorArg, DISP_E_PARAMNOTOPTIONAL},
      {0x68030018, unknownArg, DISP_E_EXCEPTION},       // an object where a number goes: error 13
      {0x6803001B, Var::i4(5), DISP_E_MEMBERNOTFOUND},  // a picture takes a reference
      {0x6803001D, arrayArg, DISP_E_TYPEMISMATCH},
      {0x68030015, Var::i4(1), DISP_E_MEMBERNOTFOUND},  // Description is read-only
      {0x7FFF0000, arrayArg, DISP_E_MEMBERNOTFOUND},
  };
  for (const auto& [id, v, status] : bad) {
    EXPECT_EQ(put(c.disp.get(), id, v).hr, status) << std::hex << id << " vt " << v.vt;
  }
  DISPPARAMS none{};
  VARIANT ignored;
  EXPECT_EQ(c.disp->Invoke(0x68030018, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &ignored,
                           nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_TRUE(FAILED(c.disp->Invoke(0x68030018, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr,
                                    nullptr, nullptr)));
  EXPECT_EQ(c.getLong(0x68030018), 200000) << "the failed writes changed nothing";
}

TEST(OcxClient, LibraryStaysLoadedWhileAnythingOfItsIsAlive) {
  HMODULE ocx = LoadLibraryW(ocxPath().c_str());
  ASSERT_TRUE(ocx);
  auto canUnload = function<HRESULT(WINAPI*)()>(ocx, "DllCanUnloadNow");
  auto getClassObject =
      function<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(ocx, "DllGetClassObject");
  ASSERT_TRUE(canUnload && getClassObject);

  for (const GUID& clsid : {kControl, kPage}) {
    Ptr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, factory.putVoid()), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnload(), S_FALSE) << "a locked factory";
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, factory.putVoid()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    Ptr<IUnknown> object, refused;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.putVoid()), S_OK);
    EXPECT_EQ(factory->CreateInstance(object.get(), IID_IUnknown, refused.putVoid()),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    factory.reset();
    object.reset();
    EXPECT_EQ(canUnload(), S_OK) << "after the last release";
  }
  const std::tuple<GUID, GUID, bool, HRESULT> calls[] = {
      {kLib, IID_IClassFactory, true, CLASS_E_CLASSNOTAVAILABLE},
      {kDual, IID_IClassFactory, true, CLASS_E_CLASSNOTAVAILABLE},
      {kControl, IID_IDispatch, true, E_NOINTERFACE},
      {kControl, IID_IClassFactory, false, E_POINTER},
  };
  for (const auto& [clsid, iid, pointer, status] : calls) {
    void* p = nullptr;
    EXPECT_EQ(getClassObject(clsid, iid, pointer ? &p : nullptr), status);
  }
  FreeLibrary(ocx);
}

TEST(OcxClient, UnregistrationRemovesEveryKeyItWroteAndNoOther) {
  ASSERT_EQ(regsvr32(L"/u /s"), 0);
  expectRegistry("unregistered");
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(L"KeloScroll.UsrKeloScroll", &clsid), CO_E_CLASSSTRING);
}

}  // namespace
}  // namespace kelo_test
