// The user's side where a scenario cannot reach: the track's own events in exact units, the keys
// that reach the focused part, and the tooltip box through a container's own objects. The rest of
// the input (end buttons, page clicks, drags, keys, a press that fails, the throttle, where the
// box stands) is in tests/scenarios/control_input.scn and control_tooltip.scn.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bar_fixture.h"
#include "host/engine.h"
#include "host/numeric.h"

namespace keloscroll::testing {
namespace {

using ::testing::ElementsAre;

// A bar on a form at left 3000, Max 100, whose host describes each position as "row N".
struct DescribedBar : Bar {
  DescribedBar() {
    ctl->setMax(100);
    onEvent = [this](std::string_view name, std::span<host::Variant> args) {
      if (name == "GetDescription")
        args[0].assign(host::Variant("row " + std::to_string(ctl->Value())));
    };
    clearRecords();
  }
  host::TextBox* tooltip() const {
    auto* w = host::findWidget(*form, "Txt" + std::to_string(site->surface().hwnd()));
    return dynamic_cast<host::TextBox*>(w);
  }
};

// The grab test of a press, on the track's own event in exact units: Max 100 on the designed track
// makes the thumb 8 positions long; at position 5 its top is 4.
TEST(TrackMouse, GrabZoneIncludesBothEndsOfTheThumb) {
  const std::pair<float, bool> probes[] = {
      {4.0f, true}, {12.0f, true}, {3.99f, false}, {12.01f, false}};
  for (auto [y, hit] : probes) {
    SCOPED_TRACE(y);
    Bar bar;
    bar.ctl->setMax(100);
    bar.ctl->setValue(5);
    ASSERT_EQ(bar.diag("mCurHeight").asLong(), 8);
    ASSERT_FLOAT_EQ(bar.thumb().Top(), 4.0f);
    bar.track().events()->onMouseDown(bar.track(), 1, 0, 5000.0f, y);  // X plays no part
    EXPECT_EQ(bar.diag("mThumbMoving").asBoolean() != 0, hit);
    EXPECT_EQ(bar.diag("mCury").asLong(),
              host::toLong(y));  // the press point, counted from 0
  }
}

TEST(Keyboard, HandledKeysAreSwallowedOthersReachTheFocusedPart) {
  DescribedBar bar;
  std::vector<int16_t> reached;
  bar.track().on().KeyDown = [&](int16_t& key, int16_t) { reached.push_back(key); };
  bar.key(host::vk::Down);
  bar.key(host::vk::Left);
  bar.key(host::vk::Right);
  EXPECT_THAT(reached, ElementsAre(host::vk::Left, host::vk::Right));
}

// A container's own objects: every member is forwarded by name and every object it hands out is
// wrapped again, so the control never sees one of the host's own classes.
class Foreign final : public host::Dispatch {
 public:
  explicit Foreign(host::ObjectRef target) : target_(std::move(target)) {}
  int32_t idOfName(std::string_view name) const override { return target_->idOfName(name); }
  host::Variant invoke(int32_t id, host::Invoke kind, std::span<host::Variant> args) override {
    host::Variant v = target_->invoke(id, kind, args);
    if (v.isObject() && v.asObject()) return host::Variant(std::make_shared<Foreign>(v.asObject()));
    return v;
  }
  std::string_view typeName() const override { return "Foreign"; }
  bool isForm() const override { return target_->isForm(); }

 private:
  host::ObjectRef target_;
};

// The box as the host's own objects show it (its size, style and stacking) is in
// control_tooltip.scn.
TEST(Tooltip, BoxStandsBesideTheControlThroughAContainersOwnObjects) {
  DescribedBar bar;
  bar.site->setContainerServices({.ambientUserMode = {},
                                  .propertyChanged = {},
                                  .extender = std::make_shared<Foreign>(bar.site->extender())});
  bar.site->surface().setLeft(3000);
  bar.key(host::vk::Down);
  host::TextBox* box = bar.tooltip();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Text(), "row 1");
  EXPECT_TRUE(box->Visible());
  // Room on the left: the box ends at the control's left edge.
  EXPECT_FLOAT_EQ(box->Left() + box->Width(), 3000.0f);
  bar.engine.advance(600);
  EXPECT_FALSE(box->Visible());  // hidden by the timer, through the same object
}

}  // namespace
}  // namespace keloscroll::testing
