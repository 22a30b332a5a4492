// The control's public face: dispatch by id, a control that outlives its site, and an about box
// left loaded. The interface table itself is pinned by docs/control.md and server/KeloScroll.idl;
// members by name, the picture properties and the about box's gestures are in
// tests/scenarios/control_members.scn and control_about.scn.
#include <gtest/gtest.h>

#include "bar_fixture.h"
#include "control/interface_table.h"

namespace keloscroll::testing {
namespace {

using host::Variant;

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
