// The control's public face: a control that outlives its site, a part that outlives the bar, and
// an about box left loaded. The
// interface table itself is pinned by docs/control.md and server/KeloScroll.idl; members by name
// (which reach the members through their ids), the picture properties and the about box's
// gestures are in tests/scenarios/control_members.scn and control_about.scn.
#include <gtest/gtest.h>

#include "bar_fixture.h"

namespace keloscroll::testing {
namespace {

using host::Variant;

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

// A client may hold a part after the bar is gone: the thumb (whose track refers to it without
// owning it) stays whole through the track, and the track stays detached. The sanitizer build
// checks that nothing is read after it went.
TEST(Interface, APartHeldByAClientOutlivesTheBar) {
  std::shared_ptr<host::Widget> thumb;
  float height = 0;
  {
    Bar bar;
    thumb = bar.thumb().strongRef();
    height = thumb->Height();
  }
  ASSERT_NE(thumb, nullptr);
  EXPECT_EQ(thumb->container()->name(), "picBarra");
  EXPECT_EQ(thumb->container()->container(), nullptr);
  EXPECT_EQ(thumb->Height(), height);
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
