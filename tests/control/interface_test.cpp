// The control's public face: its interface table, dispatch by id, a control that outlives its
// site, and an about box left loaded. Members by name, the picture properties and the about box's
// gestures are in tests/scenarios/control_members.scn and control_about.scn.
#include <gtest/gtest.h>

#include <set>

#include "bar_fixture.h"
#include "control/interface_table.h"

namespace keloscroll::testing {
namespace {

using host::Variant;

TEST(Interface, TableHasTheContractOrderIdsAndHelpTexts) {
  struct Row {
    const char* member;
    Access access;
    int32_t dispid;
  };
  const Row expected[] = {
      {"VerticalBar", Access::Get, 0x6803001D},   {"VerticalBar", Access::LetByRef, 0x6803001D},
      {"PictureBarra", Access::Get, 0x6803001C},  {"PictureBarra", Access::Set, 0x6803001C},
      {"PictureCursor", Access::Get, 0x6803001B}, {"PictureCursor", Access::Set, 0x6803001B},
      {"PictureSXUP", Access::Get, 0x6803001A},   {"PictureSXUP", Access::Set, 0x6803001A},
      {"PictureDXDN", Access::Get, 0x68030019},   {"PictureDXDN", Access::Set, 0x68030019},
      {"ShowAboutBox", Access::Method, -552},     {"Max", Access::Get, 0x68030018},
      {"Max", Access::Let, 0x68030018},           {"LargeChange", Access::Let, 0x68030017},
      {"Value", Access::Get, 0x68030016},         {"Value", Access::Let, 0x68030016},
      {"Description", Access::Get, 0x68030015},   {"RefreshMsecGD", Access::Get, 0x68030014},
      {"RefreshMsecGD", Access::Let, 0x68030014}, {"Enabled", Access::Get, 0x68030013},
      {"Enabled", Access::Let, 0x68030013},       {"Min", Access::Get, 0x68030012},
      {"Min", Access::Let, 0x68030012},           {"SmallChange", Access::Get, 0x68030011},
      {"SmallChange", Access::Let, 0x68030011},   {"LargeChange", Access::Get, 0x68030017},
  };
  ASSERT_EQ(kInterface.size(), std::size(expected));
  for (size_t i = 0; i < kInterface.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kInterface[i].number, static_cast<int>(i + 1));
    EXPECT_EQ(kInterface[i].member, expected[i].member);
    EXPECT_EQ(kInterface[i].access, expected[i].access);
    EXPECT_EQ(kInterface[i].dispid, expected[i].dispid);
    EXPECT_EQ(kInterface[i].hidden, expected[i].dispid == -552);
  }

  auto help = [](std::string_view member) {
    std::set<std::string_view> texts;
    for (const auto& e : kInterface)
      if (e.member == member) texts.insert(e.help);
    EXPECT_EQ(texts.size(), 1u) << member << " carries one help text on all its accessors";
    return *texts.begin();
  };
  // The texts themselves are pinned by docs/control.md and server/KeloScroll.idl, which both
  // carry them (Reference.DocsCarryTheReferenceOfTheInterfaceTable, ServerIdl.*).
  for (const auto& e : kInterface) help(e.member);
  for (const char* none :
       {"PictureBarra", "PictureCursor", "PictureSXUP", "PictureDXDN", "Enabled", "ShowAboutBox"})
    EXPECT_EQ(help(none), "");

  ASSERT_EQ(kEvents.size(), 3u);
  EXPECT_EQ(kEvents[0].name, "Scroll");
  EXPECT_EQ(kEvents[0].dispid, 1);
  EXPECT_TRUE(kEvents[0].args.empty());
  EXPECT_EQ(kEvents[1].name, "Change");
  EXPECT_EQ(kEvents[1].dispid, 2);
  EXPECT_TRUE(kEvents[1].args[0].byRef);
  EXPECT_EQ(kEvents[1].args[0].type, "Long");
  EXPECT_TRUE(kEvents[1].help.starts_with("Scelta definitivamente la posizione"));
  EXPECT_EQ(kEvents[2].name, "GetDescription");
  EXPECT_EQ(kEvents[2].dispid, 3);
  EXPECT_EQ(kEvents[2].args[0].type, "String");
  EXPECT_EQ(kEvents[2].help, "Richiede la descrizione da visualizzare come tooltip");
}

TEST(Interface, DispatchByIdReachesEveryAccessorAndTheAboutBox) {
  Bar bar;
  host::Dispatch& d = *bar.ctl;
  d.let("Max", Variant(int32_t{100}));
  d.let("Value", Variant(int32_t{7}));
  for (const InterfaceEntry& e : kInterface) {
    if (e.access != Access::Get) continue;
    SCOPED_TRACE(std::string(e.member));
    EXPECT_EQ(d.idOfName(e.member), e.dispid);
    EXPECT_EQ(d.invoke(e.dispid, host::Invoke::Get, {}), d.get(e.member));
  }
  // VerticalBar is let by reference.
  host::Boolean byRef = host::False;
  Variant arg = Variant::refBoolean(&byRef);
  d.invoke(0x6803001D, host::Invoke::Let, std::span<Variant>(&arg, 1));
  EXPECT_EQ(d.get("VerticalBar").asBoolean(), host::False);
  // The about box by its dispatch id: a modal form, unloaded afterwards.
  size_t formsBefore = bar.engine.forms().size();
  d.invoke(kDispidAboutBox, host::Invoke::Method, {});
  ASSERT_EQ(bar.engine.shown().size(), 1u);
  EXPECT_EQ(bar.engine.shown()[0].kind, "modal");
  EXPECT_EQ(bar.engine.shown()[0].name, "dlgAbout");
  EXPECT_EQ(bar.engine.forms().size(), formsBefore);
}

// A host may let go of the site first and keep the control (or its extender) a while: what the
// control still does needs no site, what needs the site is error 398, and releasing it is safe.
TEST(Interface, AControlOutlivesItsSite) {
  Bar bar;
  bar.ctl->setMax(100);
  host::ObjectRef extender = bar.site->extender();
  std::weak_ptr<host::ControlSite> site = bar.site;
  bar.site.reset();
  ASSERT_TRUE(site.expired());
  bar.ctl->let("Value", Variant(int32_t{7}));  // no site to tell or to raise Change through
  EXPECT_EQ(bar.ctl->get("Value").asLong(), 7);
  bar.ctl->let("Max", Variant(int32_t{50}));
  EXPECT_EQ(errorOf([&] { bar.ctl->call("ShowAboutBox"); }), host::err::NoClientSite);
  EXPECT_EQ(errorOf([&] { extender->get("Left"); }), host::err::NoClientSite);
  EXPECT_EQ(extender->typeName(), "Object");
  bar.engine.advance(1000);
  bar.ctl.reset();
  extender.reset();
}

// A showing that fails leaves its box loaded; it must go with its engine, and the next bar's box
// is a fresh one. (Showing it while it shows is in control_about.scn.)
TEST(AboutBox, ABoxLeftOverGoesWithItsEngine) {
  auto bar = std::make_unique<Bar>();
  bar->engine.setModalPolicy([](host::Form&) { host::raise(host::err::InvalidCall); });
  EXPECT_EQ(errorOf([&] { bar->ctl->ShowAboutBox(); }), host::err::InvalidCall);
  EXPECT_NE(bar->engine.findForm("dlgAbout"), nullptr);
  bar.reset();
  Bar other;
  other.ctl->ShowAboutBox();
  ASSERT_EQ(other.engine.shown().size(), 1u);
  EXPECT_EQ(other.engine.findForm("dlgAbout"), nullptr);
}

}  // namespace
}  // namespace keloscroll::testing
