// The type library inside KeloScroll.ocx read back against the interface table: its types, the
// control class's interfaces, the dual interface's vtable in table order with every member's id,
// kind, name and help, and the events with their by-reference arguments.
// clang-format off
#include "server/identities.h"  // before the Windows headers, whose macros it must not meet
// clang-format on
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "control/interface_table.h"
#include "tests/win/com_client.h"
#include "tests/win/ocx_test_util.h"

namespace kelo_test {
namespace {

using keloscroll::Access;
using keloscroll::kEvents;
using keloscroll::kInterface;

TEST(OcxClient, TypeLibraryMatchesTheInterfaceTable) {
  // Its version, locale and flags are ocx_file_check's; that the registry finds it,
  // ocx_client_test's.
  Ptr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibEx(ocxPath().c_str(), REGKIND_NONE, lib.put()), S_OK);
  Bstr libName, doc;
  ASSERT_EQ(lib->GetDocumentation(-1, libName.put(), doc.put(), nullptr, nullptr), S_OK);
  EXPECT_EQ(libName.str() + L" " + doc.str(), L"KeloScroll KeloScroll");

  auto nameOf = [](ITypeInfo* info) {
    Bstr n;
    info->GetDocumentation(MEMBERID_NIL, n.put(), nullptr, nullptr, nullptr);
    return n.str();
  };
  // A dual interface's dispatch half; its vtable half carries the automation flag (below).
  constexpr WORD kDualFlags =
      TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
  const std::tuple<const wchar_t*, GUID, TYPEKIND, WORD> types[] = {
      {L"_UsrKeloScroll", kDual, TKIND_DISPATCH, kDualFlags},
      {L"UsrKeloScroll", kControl, TKIND_COCLASS, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL},
      {L"_PropertyPage1", kPageIid, TKIND_DISPATCH, kDualFlags},
      {L"PropertyPage1", kPage, TKIND_COCLASS, TYPEFLAG_FCANCREATE},
      {L"__UsrKeloScroll", kEventsIid, TKIND_DISPATCH,
       TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE},
  };
  ASSERT_EQ(lib->GetTypeInfoCount(), std::size(types));
  std::vector<Ptr<ITypeInfo>> infos;
  for (UINT i = 0; i < std::size(types); ++i) {
    Ptr<ITypeInfo> info;
    ASSERT_EQ(lib->GetTypeInfo(i, info.put()), S_OK);
    auto [name, guid, kind, flags] = types[i];
    EXPECT_EQ(nameOf(info.get()), name);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&ta), S_OK);
    EXPECT_TRUE(IsEqualGUID(ta->guid, guid)) << i;
    EXPECT_EQ(std::pair(ta->typekind, ta->wTypeFlags), std::pair(kind, flags)) << i;
    info->ReleaseTypeAttr(ta);
    infos.push_back(info);
  }

  // The control class: _UsrKeloScroll by default, __UsrKeloScroll as its default source.
  TYPEATTR* ca = nullptr;
  ASSERT_EQ(infos[1]->GetTypeAttr(&ca), S_OK);
  EXPECT_EQ(ca->cImplTypes, 2);
  infos[1]->ReleaseTypeAttr(ca);
  const std::pair<const wchar_t*, INT> impls[] = {
      {L"_UsrKeloScroll", IMPLTYPEFLAG_FDEFAULT},
      {L"__UsrKeloScroll", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
  for (UINT i = 0; i < 2; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    Ptr<ITypeInfo> impl;
    ASSERT_EQ(infos[1]->GetImplTypeFlags(i, &flags), S_OK);
    EXPECT_EQ(flags, impls[i].second);
    ASSERT_EQ(infos[1]->GetRefTypeOfImplType(i, &ref), S_OK);
    ASSERT_EQ(infos[1]->GetRefTypeInfo(ref, impl.put()), S_OK);
    EXPECT_EQ(nameOf(impl.get()), impls[i].first);
  }

  // The dual interface's vtable half: the 26 entries in table order after IDispatch's seven.
  HREFTYPE vtableRef = 0;
  Ptr<ITypeInfo> vtable;
  ASSERT_EQ(infos[0]->GetRefTypeOfImplType(-1, &vtableRef), S_OK);
  ASSERT_EQ(infos[0]->GetRefTypeInfo(vtableRef, vtable.put()), S_OK);
  TYPEATTR* va = nullptr;
  ASSERT_EQ(vtable->GetTypeAttr(&va), S_OK);
  EXPECT_EQ(va->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(va->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
  EXPECT_TRUE(va->wTypeFlags & TYPEFLAG_FDUAL);
  vtable->ReleaseTypeAttr(va);
  // The functions of a type in table order, each its row's: id, kind, name, help, and what
  // `more` checks of it.
  auto expectFunctions = [](ITypeInfo* info, size_t count, auto row, auto more) {
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&ta), S_OK);
    EXPECT_EQ(static_cast<size_t>(ta->cFuncs), count);
    info->ReleaseTypeAttr(ta);
    for (UINT i = 0; i < count; ++i) {
      auto [id, kind, label, help] = row(i);
      SCOPED_TRACE(label);
      FUNCDESC* f = nullptr;
      ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
      EXPECT_EQ(f->memid, id);
      EXPECT_EQ(f->invkind, kind);
      more(i, *f);
      info->ReleaseFuncDesc(f);
      Bstr n, d;
      ASSERT_EQ(info->GetDocumentation(id, n.put(), d.put(), nullptr, nullptr), S_OK);
      EXPECT_EQ(n.str(), wide(label));
      EXPECT_EQ(d.str(), wide(help));
    }
  };
  auto member = [](UINT i) {
    const auto& e = kInterface[i];
    return std::tuple(e.dispid,
                      e.access == Access::Get      ? INVOKE_PROPERTYGET
                      : e.access == Access::Set    ? INVOKE_PROPERTYPUTREF
                      : e.access == Access::Method ? INVOKE_FUNC
                                                   : INVOKE_PROPERTYPUT,
                      e.member, e.help);
  };
  expectFunctions(vtable.get(), kInterface.size(), member, [](UINT i, const FUNCDESC& f) {
    EXPECT_EQ(f.oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
    EXPECT_EQ((f.wFuncFlags & FUNCFLAG_FHIDDEN) != 0, kInterface[i].hidden);
    if (kInterface[i].access != Access::LetByRef) return;
    ASSERT_EQ(f.cParams, 1);
    EXPECT_EQ(f.lprgelemdescParam[0].tdesc.vt, VT_PTR);
    EXPECT_EQ(f.lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOUT);
  });
  // The events, each with its by-reference arguments.
  auto event = [](UINT i) {
    return std::tuple(kEvents[i].dispid, INVOKE_FUNC, kEvents[i].name, kEvents[i].help);
  };
  expectFunctions(infos[4].get(), kEvents.size(), event, [](UINT i, const FUNCDESC& f) {
    const auto& args = kEvents[i].args;
    ASSERT_EQ(static_cast<size_t>(f.cParams), args.size());
    for (size_t a = 0; a < args.size(); ++a) {
      const TYPEDESC& t = f.lprgelemdescParam[a].tdesc;
      ASSERT_EQ(t.vt, VT_PTR);
      EXPECT_EQ(t.lptdesc->vt, args[a].type == "Long" ? VT_I4 : VT_BSTR);
    }
  });
  // The accents arrive as themselves: the help of Value holds an "é".
  Bstr valueHelp;
  vtable->GetDocumentation(0x68030016, nullptr, valueHelp.put(), nullptr, nullptr);
  EXPECT_NE(valueHelp.str().find(L"\u00e9"), std::wstring::npos);
}

}  // namespace
}  // namespace kelo_test
