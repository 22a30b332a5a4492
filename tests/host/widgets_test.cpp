// Widgets: the form's Controls collection, handler slots and text of several lines. Scales, text
// and members by name are in tests/scenarios/host_scale.scn, host_text.scn and host_widgets.scn,
// stacking order in host_painting.scn and Engine.HitTestsOnACrowdedFormFindWhatASearchFinds.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/variant.h"
#include "host/widgets.h"
#include "tests/host/host_test_util.h"

namespace keloscroll::host {
namespace {

using testing::errorOf;
using testing::HostTest;

class Widgets : public HostTest {};

// (What Controls.Add and Remove do as a host's code sees it is in host_widgets.scn.)
TEST_F(Widgets, ATextBoxAddedAtRunTimeHasAWindowUntilItIsRemoved) {
  auto controls = form->Controls();
  std::shared_ptr<Widget> box = controls->Add("VB.TextBox", "Txt1");
  int32_t hwnd = box->hwnd();
  EXPECT_NE(hwnd, 0);
  EXPECT_EQ(engine.widgetOfHwnd(hwnd), box.get());
  controls->Remove("txt1");
  EXPECT_EQ(box->container(), nullptr);
  EXPECT_EQ(engine.widgetOfHwnd(hwnd), nullptr);
}

// Add refuses a name in use (any case) and takes any other, while controls come and go in
// frames, move between containers, and parts of a user control (not the form's) share names.
TEST_F(Widgets, ControlsCollectionKnowsTheNamesInUseAsControlsComeAndGo) {
  auto controls = form->Controls();
  controls->Add("VB.Label", "First");  // the collection starts counting the form's names
  auto frame = form->add<Frame>("Frame1");
  auto inner = frame->add<PictureBox>("Inner");
  auto uc = form->add<UserControl>("Bar1");
  uc->add<Image>("Part");
  auto loose = std::make_shared<Frame>("Loose");  // not on the form yet
  loose->add<Label>("Deep");
  auto inUse = [&](const std::string& name) {
    for (Widget* w : controls->list()) {
      if (toLowerAscii(w->name()) == toLowerAscii(name)) return true;
    }
    return false;
  };
  const std::vector<std::string> names = {"first", "FRAME1", "inner", "bar1", "Part",
                                          "loose", "Deep",   "Box",   "box2"};
  auto check = [&](const char* stage) {
    for (const std::string& n : names) {
      if (inUse(n)) {
        EXPECT_EQ(errorOf([&] { controls->Add("VB.Label", n); }), err::NameInUse)
            << stage << " " << n;
      } else {
        EXPECT_EQ(errorOf([&] { controls->Add("VB.Label", n); }), 0) << stage << " " << n;
        controls->Remove(n);  // the check leaves nothing behind
      }
    }
  };
  check("start");
  const std::string nul("nul\0a", 5);  // what follows a NUL is the name's too
  controls->Add("VB.Label", nul);
  EXPECT_EQ(errorOf([&] { controls->Add("VB.Label", nul); }), err::NameInUse);
  EXPECT_EQ(errorOf([&] { controls->Add("VB.Label", "part"); }), 0);  // a part's name is free
  controls->Remove("part");
  frame->attach(loose);  // Loose and Deep arrive together
  check("frame in a frame");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "deep"); }), err::NameInUse);
  uc->attach(loose);  // now parts of the user control
  check("into the user control");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "Deep"); }), 0);
  controls->Remove("Deep");
  inner->attach(loose);
  form->detach(*frame);  // Frame1, Inner, Loose and Deep leave
  check("frame gone");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "Frame1"); }), 0);
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "frame1"); }), err::NameInUse);
  controls->Remove("Frame1");
  form->attach(frame);
  check("frame back");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "Inner"); }), err::NameInUse);
}

// A handler slot holds small and large callables alike; a copy taken before a call keeps the
// handler alive when it replaces itself while it runs, and empty slots say so.
TEST_F(Widgets, HandlerSlotsKeepTheirCallablesThroughCopiesAndReplacement) {
  auto button = form->add<CommandButton>("cmd");
  EXPECT_FALSE(button->on().Click);
  std::vector<std::string> log;
  std::string big(100, 'x');  // a capture that does not fit inside the slot
  button->on().Click = [&log, big] { log.push_back("big " + std::to_string(big.size())); };
  EventHandler copy = button->on().Click;
  button->on().Click = nullptr;
  EXPECT_FALSE(button->on().Click);
  copy();
  button->on().Click = [&log, &button] {
    log.push_back("small");
    // Destroys the running handler's slot.
    button->on().Click = [&log] { log.push_back("replaced"); };
    log.push_back("still running");
  };
  for (int i = 0; i < 2; ++i) {
    if (EventHandler h = button->on().Click) h();
  }
  KeyHandler key = [](int16_t& code, int16_t shift) { code = static_cast<int16_t>(code + shift); };
  int16_t code = 40;
  key(code, 2);
  EXPECT_EQ(code, 42);
  EXPECT_EQ(log, (std::vector<std::string>{"big 100", "small", "still running", "replaced"}));
  EXPECT_THROW(EventHandler()(), std::bad_function_call);
}

// Text is measured line by line, the widest line and a line's height each, and malformed UTF-8 is
// measured without spoiling later measurements. (Widths and heights of one line, bold and a
// container's scale are in host_text.scn.)
TEST_F(Widgets, TextIsMeasuredLineByLineAndMalformedTextToo) {
  const float width = form->TextWidth("Hello"), height = form->TextHeight("Hello");
  EXPECT_EQ(form->TextWidth("ab\nHello"), width);
  EXPECT_EQ(form->TextHeight("ab\r\nHello\ncd"), 3 * height);
  EXPECT_GT(form->TextWidth("\xC3("), 0.0f);
  EXPECT_EQ(form->TextWidth("Hello"), width);
}

}  // namespace
}  // namespace keloscroll::host
