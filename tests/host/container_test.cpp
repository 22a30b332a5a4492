// Container services: the property bag, the control site (the dirty state, lifecycle) and the
// extender. Resize nested in its own handler is in host_handlers.scn; ambient UserMode and events
// with by-reference arguments, as a placed control meets them, in tests/app/runner_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/container.h"
#include "host/dispatch.h"
#include "tests/host/host_test_util.h"

namespace keloscroll::host {
namespace {

using testing::errorOf;
using testing::HostTest;

TEST(PropertyBag, ValuesEqualToTheirDefaultAreNotStored) {
  PropertyBag bag;
  bag.WriteProperty("Max", Variant(int32_t{100}), Variant(int32_t{100}));
  EXPECT_FALSE(bag.has("Max"));
  EXPECT_EQ(bag.ReadProperty("Max", Variant(int32_t{100})), Variant(int32_t{100}));

  bag.WriteProperty("Max", Variant(int32_t{50}), Variant(int32_t{100}));
  bag.WriteProperty("RefreshMsecGD", Variant(int16_t{200}), Variant(int16_t{0}));
  bag.WriteProperty("Ratio", Variant(1.5f), Variant(0.0f));
  EXPECT_TRUE(bag.has("max"));
  // Stored values keep their types, whatever default the reader passes.
  EXPECT_EQ(bag.ReadProperty("MAX", Variant(int16_t{0})).type(), VarType::Long);
  EXPECT_EQ(bag.ReadProperty("Max", Variant(int16_t{0})).asLong(), 50);
  EXPECT_EQ(bag.ReadProperty("RefreshMsecGD", Variant()).type(), VarType::Integer);
  EXPECT_EQ(bag.ReadProperty("Ratio", Variant()).type(), VarType::Single);

  // Writing the default again drops the stored value; numbers compare by value across types.
  bag.WriteProperty("Max", Variant(int32_t{100}), Variant(int32_t{100}));
  EXPECT_FALSE(bag.has("Max"));
  bag.WriteProperty("Enabled", Variant::fromBoolean(True), Variant(int16_t{-1}));
  EXPECT_FALSE(bag.has("Enabled"));
  bag.WriteProperty("Description", Variant(""), Variant(""));
  EXPECT_FALSE(bag.has("Description"));

  // By-reference values are stored as values.
  int32_t v = 7;
  bag.WriteProperty("Value", Variant::refLong(&v), Variant(int32_t{1}));
  v = 8;
  EXPECT_EQ(bag.ReadProperty("Value", Variant(int32_t{1})), Variant(int32_t{7}));
  ASSERT_EQ(bag.entries().size(), 3u);
  EXPECT_EQ(bag.entries()[0].first, "RefreshMsecGD");
}

// A key names one entry in any case, also among many, and dropping one keeps the others found.
TEST(PropertyBag, ManyKeysInAnyCase) {
  PropertyBag bag;
  for (int32_t i = 0; i < 3000; ++i) bag.set("Key" + std::to_string(i), Variant(i));
  bag.set("KEY7", Variant("seven"));
  bag.WriteProperty("key10", Variant(int32_t{0}), Variant(int32_t{0}));  // dropped
  bag.set("Key[", Variant("bracket"));  // '[' and '{' differ, though a case bit apart
  EXPECT_FALSE(bag.has("Key{"));
  ASSERT_EQ(bag.entries().size(), 3000u);
  EXPECT_EQ(bag.entries()[7].first, "Key7");  // the name as first written
  EXPECT_EQ(bag.ReadProperty("kEy7", Variant()).asString(), "seven");
  EXPECT_FALSE(bag.has("Key10"));
  for (int32_t i : {0, 9, 11, 2999}) {
    EXPECT_EQ(bag.ReadProperty("KEY" + std::to_string(i), Variant()), Variant(i)) << i;
  }
  bag.clear();
  EXPECT_FALSE(bag.has("Key0"));
}

class Site : public HostTest {
 protected:
  std::shared_ptr<ControlSite> shared =
      std::make_shared<ControlSite>(engine, *form, "UsrKeloScroll1");
  ControlSite& site = *shared;
};

// The site records an event's arguments as they were raised, by value: a handler that writes
// through a by-reference argument changes the caller's variable, not the record.
TEST_F(Site, EventsAreRecordedAsRaised) {
  site.setEventSink([](std::string_view, std::span<Variant> args) { args[0] = 42; });
  int32_t value = 5;
  Variant arg = Variant::refLong(&value);
  site.RaiseEvent("Change", {&arg, 1});
  EXPECT_EQ(value, 42);
  ASSERT_EQ(site.events().size(), 1u);
  EXPECT_EQ(site.events()[0].args[0], Variant(int32_t{5}));
  EXPECT_FALSE(site.events()[0].args[0].isByRef());
}

// PropertyChanged marks the control for saving also where nothing is recorded (a long-running
// host); the setters that loading goes through leave it clean, and a save that is the form's own
// clears it.
TEST_F(Site, PropertyChangedMarksTheControlDirtyWhetherOrNotCallsAreRecorded) {
  UserControl& s = site.surface();
  s.on().InitProperties = [&] { site.PropertyChanged("Max"); };
  s.on().ReadProperties = [&](PropertyBag&) { site.PropertyChanged("Value"); };
  std::vector<std::string> passedOn;
  site.setContainerServices(
      {nullptr, [&](std::string_view p) { passedOn.emplace_back(p); }, nullptr});
  for (bool recording : {true, false}) {
    SCOPED_TRACE(recording ? "recording" : "not recording");
    site.setRecording(recording);
    site.clearPropertyChanges();
    PropertyBag bag;
    site.initNew();
    EXPECT_FALSE(site.dirty());
    site.PropertyChanged("Max");
    EXPECT_TRUE(site.dirty());
    EXPECT_EQ(site.propertyChanges().size(), recording ? 2u : 0u);
    site.save(bag, false);  // a copy of the properties: still unsaved
    EXPECT_TRUE(site.dirty());
    site.save(bag);
    EXPECT_FALSE(site.dirty());
    site.PropertyChanged("Value");
    site.load(bag);
    EXPECT_FALSE(site.dirty());
  }
  EXPECT_EQ(passedOn.size(), 8u) << "a real container hears of every change";
}

// Terminate comes once, however often the host says the control goes. (Initialize, Show and the
// property handlers as the control meets them are in the control's scenarios.)
TEST_F(Site, TerminateCallsItsHandlerOnce) {
  int terminated = 0;
  site.surface().on().Terminate = [&] { ++terminated; };
  site.terminate();
  site.terminate();
  EXPECT_EQ(terminated, 1);
}

// A control object with a member of its own and one whose id clashes with an extender member.
class FakeControl : public Dispatch {
 public:
  int32_t idOfName(std::string_view name) const override { return table().idOfName(name); }
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override {
    return table().invoke(*this, id, kind, args);
  }
  std::string_view typeName() const override { return "UsrKeloScroll"; }
  int32_t value = 3;

 private:
  static const DispatchTable<FakeControl>& table() {
    static const DispatchTable<FakeControl> t = [] {
      DispatchTable<FakeControl> d;
      d.property(
          "Value", [](FakeControl& c) { return Variant(c.value); },
          [](FakeControl& c, const Variant& v) { c.value = v.asLong(); }, 0);
      d.property(
          "Clash", [](FakeControl&) { return Variant("control's"); }, {},
          static_cast<int32_t>(0x80010000u));
      return d;
    }();
    return t;
  }
};

// (Placement through the extender, its Container and Parent are in control_container_scale.scn.)
TEST_F(HostTest, ExtenderForwardsWhatItDoesNotServeAndItsContainerChainEndsAtTheForm) {
  auto frame = form->add<Frame>("fra");
  auto shared = std::make_shared<ControlSite>(engine, *frame, "UsrKeloScroll1");
  ControlSite& site = *shared;
  auto control = std::make_shared<FakeControl>();
  site.setControl(control);
  auto ext = site.extender();
  EXPECT_EQ(ext->typeName(), "UsrKeloScroll");
  ObjectRef container = ext->get("Container").asObject();
  EXPECT_FALSE(container->isForm());
  EXPECT_TRUE(container->get("Container").asObject()->isForm());

  ext->let("Value", Variant(int32_t{9}));
  EXPECT_EQ(control->value, 9);
  EXPECT_EQ(ext->get("Value").asLong(), 9);
  EXPECT_EQ(ext->get("Clash").asString(), "control's");
  EXPECT_NE(ext->idOfName("Clash"), ext->idOfName("Name"));
  EXPECT_EQ(errorOf([&] { ext->get("NoSuchMember"); }), err::NoSuchMember);
  control.reset();
  EXPECT_EQ(errorOf([&] { ext->get("Value"); }), err::NoSuchMember);
}

}  // namespace
}  // namespace keloscroll::host
