// The form engine: mouse routing and capture, keys with preview, focus order, timers on the
// virtual clock, window-system queries, modal showings and message boxes.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/engine.h"
#include "host/widgets.h"
#include "tests/host/host_test_util.h"

namespace host {
namespace {

using testing::errorOf;
using testing::HostTest;

struct MouseEvent {
  std::string what;
  int16_t button, shift;
  float x, y;
};

// Records the mouse events of a widget as "name:Down", "name:Up", "name:Move", "name:Click".
class Recorder {
 public:
  void watch(Widget& w) {
    std::string n = w.name();
    w.MouseDown = [this, n](int16_t b, int16_t s, float x, float y) {
      events.push_back({n + ":Down", b, s, x, y});
    };
    w.MouseMove = [this, n](int16_t b, int16_t s, float x, float y) {
      events.push_back({n + ":Move", b, s, x, y});
    };
    w.MouseUp = [this, n](int16_t b, int16_t s, float x, float y) {
      events.push_back({n + ":Up", b, s, x, y});
    };
    w.Click = [this, n] { events.push_back({n + ":Click", 0, 0, 0, 0}); };
  }
  std::vector<std::string> names() const {
    std::vector<std::string> r;
    for (const auto& e : events) r.push_back(e.what);
    return r;
  }
  std::vector<MouseEvent> events;
};

using Names = std::vector<std::string>;

// The scroll bar's track: a picture box with a user scale holding two disabled images.
class Track : public HostTest {
 protected:
  void SetUp() override {
    pic = form->add<PictureBox>("picBarra");
    pic->Move(600, 405, 240, 2835);
    background = pic->add<Image>("imgSfondoPic");
    background->Move(0, 0, 240, 2835);
    background->setEnabled(false);
    thumb = pic->add<Image>("imgCursor");
    thumb->Move(0, 1200, 240, 225);
    thumb->setEnabled(false);
    pic->setScaleHeight(100);
    for (Widget* w : {static_cast<Widget*>(form.get()), static_cast<Widget*>(pic.get()),
                      static_cast<Widget*>(background.get()), static_cast<Widget*>(thumb.get())}) {
      rec.watch(*w);
    }
  }
  std::shared_ptr<PictureBox> pic;
  std::shared_ptr<Image> background, thumb;
  Recorder rec;
};

TEST_F(Track, DisabledImagesPassThePressToTheirPictureBox) {
  // On the thumb, which lies over the background.
  engine.mouseDown(*form, 600 + 120, 405 + 1300, mouse::Left, shift::Ctrl);
  ASSERT_EQ(rec.names(), (Names{"picBarra:Down"}));
  const MouseEvent& e = rec.events[0];
  EXPECT_EQ(e.button, mouse::Left);
  EXPECT_EQ(e.shift, shift::Ctrl);
  EXPECT_FLOAT_EQ(e.x, 120.0f);                // the width keeps its twips
  EXPECT_FLOAT_EQ(e.y, 1300.0f * 100 / 2835);  // the height is in track units
  engine.mouseUp(*form, 600 + 120, 405 + 1300, mouse::Left);

  // An enabled image takes the press itself, in its container's units from its own corner.
  thumb->setEnabled(true);
  rec.events.clear();
  engine.mouseDown(*form, 600 + 60, 405 + 1200 + 100, mouse::Left);
  ASSERT_EQ(rec.names(), (Names{"imgCursor:Down"}));
  EXPECT_FLOAT_EQ(rec.events[0].x, 60.0f);
  EXPECT_FLOAT_EQ(rec.events[0].y, 100.0f * 100 / 2835);
  engine.mouseUp(*form, 600 + 60, 405 + 1300, mouse::Left);

  // A hidden one is not there at all; a disabled track passes the press on to the form.
  thumb->setVisible(false);
  EXPECT_EQ(engine.hitTest(*form, 600 + 60, 405 + 1300), pic.get());
  pic->setEnabled(false);
  EXPECT_EQ(engine.hitTest(*form, 600 + 60, 405 + 1300), form.get());
  EXPECT_EQ(engine.hitTest(*form, -1, 0), nullptr);
}

TEST_F(Track, ClickFollowsMouseUpOnlyOverTheSameWidget) {
  engine.mouseDown(*form, 700, 1000, mouse::Left);
  engine.mouseUp(*form, 710, 1010, mouse::Left);
  EXPECT_EQ(rec.names(), (Names{"picBarra:Down", "picBarra:Up", "picBarra:Click"}));

  // Released over the form: the track still gets the release, in its own units, but no click.
  rec.events.clear();
  engine.mouseDown(*form, 700, 1000, mouse::Left);
  engine.mouseUp(*form, 300, 105, mouse::Left);
  EXPECT_EQ(rec.names(), (Names{"picBarra:Down", "picBarra:Up"}));
  EXPECT_FLOAT_EQ(rec.events[1].x, -300.0f);
  EXPECT_FLOAT_EQ(rec.events[1].y, -300.0f * 100 / 2835);

  // Out and back in before the release: the click comes.
  rec.events.clear();
  engine.mouseDown(*form, 700, 1000, mouse::Left);
  engine.mouseMove(*form, 300, 105);
  engine.mouseMove(*form, 700, 1100);
  engine.mouseUp(*form, 700, 1100, mouse::Left);
  EXPECT_EQ(rec.names(), (Names{"picBarra:Down", "picBarra:Move", "picBarra:Move", "picBarra:Up",
                                "picBarra:Click"}));
  EXPECT_EQ(rec.events[1].button, mouse::Left);  // moves bring the buttons held

  // The right button clicks nothing.
  rec.events.clear();
  engine.mouseDown(*form, 700, 1000, mouse::Right);
  engine.mouseUp(*form, 700, 1000, mouse::Right);
  EXPECT_EQ(rec.names(), (Names{"picBarra:Down", "picBarra:Up"}));
  EXPECT_EQ(engine.capture(), nullptr);
}

TEST_F(HostTest, PressedButtonKeepsTheMouseUntilTheRelease) {
  auto button = form->add<CommandButton>("cmdDXDN");
  button->Move(0, 3240, 240, 240);
  auto label = form->add<Label>("lbl");
  label->Move(1000, 0, 1000, 1000);
  Recorder rec;
  rec.watch(*button);
  rec.watch(*label);

  engine.mouseDown(*form, 120, 3360, mouse::Left);
  EXPECT_TRUE(button->pressed());
  EXPECT_EQ(engine.capture(), button.get());
  EXPECT_EQ(engine.focus(), button.get());
  engine.mouseMove(*form, 1500, 500);
  engine.mouseUp(*form, 1500, 500, mouse::Left);
  EXPECT_FALSE(button->pressed());
  EXPECT_EQ(engine.capture(), nullptr);
  EXPECT_EQ(rec.names(), (Names{"cmdDXDN:Down", "cmdDXDN:Move", "cmdDXDN:Up"}));
  EXPECT_FLOAT_EQ(rec.events[2].x, 1500.0f);
  EXPECT_FLOAT_EQ(rec.events[2].y, 500.0f - 3240.0f);

  // With the mouse free again, the label gets its own press.
  rec.events.clear();
  engine.mouseDown(*form, 1500, 500, mouse::Left);
  engine.mouseUp(*form, 1500, 500, mouse::Left);
  EXPECT_EQ(rec.names(), (Names{"lbl:Down", "lbl:Up", "lbl:Click"}));
}

TEST_F(HostTest, CheckBoxTogglesOnClick) {
  auto chk = form->add<CheckBox>("chkEnabled");
  chk->Move(0, 0, 1000, 300);
  int clicks = 0;
  chk->Click = [&] { ++clicks; };
  engine.mouseDown(*form, 10, 10, mouse::Left);
  engine.mouseUp(*form, 10, 10, mouse::Left);
  EXPECT_EQ(chk->Value(), 1);
  EXPECT_EQ(clicks, 1);
  engine.mouseDown(*form, 10, 10, mouse::Left);
  engine.mouseUp(*form, 10, 10, mouse::Left);
  EXPECT_EQ(chk->Value(), 0);
  EXPECT_EQ(clicks, 2);
}

TEST_F(HostTest, NestedContainersReportTheirOwnScale) {
  auto frame = form->add<Frame>("fra");
  frame->Move(600, 400, 3000, 3000);
  auto pic = frame->add<PictureBox>("pic");
  pic->setBorderStyle(1);  // 30 twips of border on each side
  pic->Move(120, 90, 1560, 1560);
  pic->setScaleMode(scale::Pixels);
  Recorder rec;
  rec.watch(*pic);
  engine.mouseDown(*form, 600 + 120 + 30 + 150, 400 + 90 + 30 + 300, mouse::Left);
  ASSERT_EQ(rec.names(), (Names{"pic:Down"}));
  EXPECT_FLOAT_EQ(rec.events[0].x, 10.0f);
  EXPECT_FLOAT_EQ(rec.events[0].y, 20.0f);
  // The border belongs to the picture box, not to its inner area.
  EXPECT_EQ(engine.hitTest(*form, 600 + 120 + 10, 400 + 90 + 10), pic.get());
}

TEST_F(HostTest, TimerTicksEveryIntervalAndRestartsWhenRearmed) {
  auto tmr = form->add<Timer>("tmr_Server");
  std::vector<int64_t> ticks;
  tmr->Tick = [&] { ticks.push_back(clock.nowMs()); };

  tmr->setInterval(100);
  engine.advance(350);
  EXPECT_EQ(ticks, (std::vector<int64_t>{100, 200, 300}));
  EXPECT_EQ(clock.nowMs(), 350);

  // Writing Interval while it runs starts a full interval from the write.
  tmr->let("Interval", Variant(int32_t{100}));
  engine.advance(99);
  EXPECT_EQ(ticks.size(), 3u);
  engine.advance(1);
  ASSERT_EQ(ticks.size(), 4u);
  EXPECT_EQ(ticks.back(), 450);
  // So does Enabled = True.
  engine.advance(50);
  tmr->let("Enabled", Variant::boolean(true));
  engine.advance(100);
  ASSERT_EQ(ticks.size(), 5u);
  EXPECT_EQ(ticks.back(), 600);

  tmr->setEnabled(false);
  engine.advance(1000);
  EXPECT_EQ(ticks.size(), 5u);
  EXPECT_EQ(engine.nextDue(), -1);
  tmr->setEnabled(true);
  tmr->setInterval(0);  // no interval: stopped as well
  engine.advance(1000);
  EXPECT_EQ(ticks.size(), 5u);

  // A handler that stops its timer makes it one-shot; one that re-arms it has the last word.
  tmr->Tick = [&] {
    ticks.push_back(clock.nowMs());
    tmr->setEnabled(false);
    tmr->setInterval(0);
  };
  tmr->setInterval(500);
  tmr->setEnabled(true);
  int64_t start = clock.nowMs();
  engine.advance(2000);
  ASSERT_EQ(ticks.size(), 6u);
  EXPECT_EQ(ticks.back(), start + 500);

  EXPECT_EQ(errorOf([&] { tmr->setInterval(-1); }), err::InvalidPropertyValue);
}

TEST_F(HostTest, TimersFireInTimeOrderEachAtItsOwnTime) {
  auto fast = form->add<Timer>("fast");
  auto slow = form->add<Timer>("slow");
  std::vector<std::string> log;
  fast->Tick = [&] { log.push_back("fast@" + std::to_string(clock.nowMs())); };
  slow->Tick = [&] {
    log.push_back("slow@" + std::to_string(clock.nowMs()));
    if (clock.nowMs() >= 100) fast->setEnabled(false);
  };
  slow->setInterval(50);
  fast->setInterval(30);
  engine.advance(130);
  // The slow timer's tick at 100 stops the fast one before its tick at 120.
  EXPECT_EQ(log,
            (std::vector<std::string>{"fast@30", "slow@50", "fast@60", "fast@90", "slow@100"}));
  EXPECT_EQ(engine.nextDue(), 150);
}

TEST(Clock, AdvanceNeedsAVirtualClock) {
  SystemClock real;
  FormEngine engine(real);
  EXPECT_THROW(engine.advance(10), std::logic_error);
}

TEST(Clock, TimeOfDayWrapsAtMidnight) {
  VirtualClock clock(86399.5);
  FormEngine engine(clock);
  EXPECT_FLOAT_EQ(clock.Timer(), 86399.5f);
  engine.advance(600);
  EXPECT_NEAR(clock.Timer(), 0.1f, 1e-3f);
  // Just short of midnight rounds to a whole day in single precision: that is 0 again.
  clock.setTimeOfDay(86399.999);
  EXPECT_EQ(clock.Timer(), 0.0f);
}

// The control's surface sees keys first while one of its parts has the focus.
TEST_F(HostTest, KeyPreviewCanSwallowOrChangeAKey) {
  auto uc = form->add<UserControl>("UsrKeloScroll1");
  uc->Move(0, 0, 1000, 3000);
  auto pic = uc->add<PictureBox>("picBarra");
  pic->Move(0, 0, 1000, 1000);
  std::vector<std::string> log;
  uc->KeyDown = [&](int16_t& key, int16_t shiftMask) {
    log.push_back("uc:" + std::to_string(key) + "/" + std::to_string(shiftMask));
    if (key == vk::Escape) key = 0;
    if (key == vk::Up) key = vk::Down;
  };
  uc->KeyUp = [&](int16_t& key, int16_t) { log.push_back("ucUp:" + std::to_string(key)); };
  pic->KeyDown = [&](int16_t& key, int16_t) { log.push_back("pic:" + std::to_string(key)); };
  pic->KeyUp = [&](int16_t& key, int16_t) { log.push_back("picUp:" + std::to_string(key)); };

  engine.keyDown(vk::Escape);  // nothing has the focus yet
  EXPECT_TRUE(log.empty());

  engine.setFocus(*pic);
  engine.keyDown(vk::Escape, shift::Shift);
  EXPECT_EQ(log, (std::vector<std::string>{"uc:27/1"}));
  log.clear();
  engine.keyDown(vk::Up);
  engine.keyUp(vk::PageDown);
  EXPECT_EQ(log, (std::vector<std::string>{"uc:38/0", "pic:40", "ucUp:34", "picUp:34"}));

  // A widget outside the control gets its keys without the preview.
  auto txt = form->add<TextBox>("txt");
  txt->Move(2000, 0, 500, 300);
  int txtKeys = 0;
  txt->KeyDown = [&](int16_t&, int16_t) { ++txtKeys; };
  log.clear();
  engine.setFocus(*txt);
  engine.keyDown(vk::Escape);
  EXPECT_EQ(txtKeys, 1);
  EXPECT_TRUE(log.empty());
}

TEST_F(HostTest, TabMovesTheFocusInTabOrder) {
  auto uc = form->add<UserControl>("uc");
  uc->Move(0, 0, 240, 3645);
  uc->setTabIndex(1);
  auto up = uc->add<CommandButton>("cmdSxUp");
  auto down = uc->add<CommandButton>("cmdDXDN");
  auto track = uc->add<PictureBox>("picBarra");
  up->setTabIndex(2);
  down->setTabIndex(1);
  track->setTabIndex(0);
  auto txt = form->add<TextBox>("txt");
  txt->setTabIndex(0);
  auto hidden = form->add<TextBox>("hidden");
  hidden->setTabIndex(2);
  hidden->setVisible(false);
  int seenByControl = 0;
  uc->KeyDown = [&](int16_t&, int16_t) { ++seenByControl; };

  std::vector<std::string> order;
  for (int i = 0; i < 5; ++i) {
    engine.focusNext(*form);
    order.push_back(engine.focus()->name());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"txt", "picBarra", "cmdDXDN", "cmdSxUp", "txt"}));

  down->setEnabled(false);
  engine.keyDown(vk::Tab, shift::Shift);  // back from txt, over the disabled button
  EXPECT_EQ(engine.focus(), up.get());
  engine.keyDown(vk::Tab, shift::Shift);
  EXPECT_EQ(engine.focus(), track.get());
  EXPECT_EQ(seenByControl, 0);  // the Tab key moves the focus and is no key for the widgets

  EXPECT_EQ(errorOf([&] { engine.setFocus(*hidden); }), err::InvalidCall);
}

TEST_F(HostTest, WindowRectanglesAndCursorInScreenPixels) {
  form->screenLeftTwips = 1500;  // 100 pixels
  form->screenTopTwips = 3000;   // 200 pixels
  auto button = form->add<CommandButton>("cmd");
  button->Move(150, 300, 240, 240);

  Rect r = engine.GetWindowRect(button->get("hwnd").asLong());
  EXPECT_EQ(r.left, 110);
  EXPECT_EQ(r.top, 220);
  EXPECT_EQ(r.right, 126);
  EXPECT_EQ(r.bottom, 236);
  EXPECT_NE(PtInRect(r, {110, 220}), 0);
  EXPECT_NE(PtInRect(r, {125, 235}), 0);
  EXPECT_EQ(PtInRect(r, {126, 220}), 0);  // right and bottom edges are outside
  EXPECT_EQ(PtInRect(r, {110, 236}), 0);
  EXPECT_EQ(PtInRect(r, {109, 225}), 0);
  EXPECT_EQ(PtInRect(r, {115, 219}), 0);

  // The cursor is where the mouse last was, and agrees with the widget's extent in twips.
  engine.mouseMove(*form, 150 + 239, 300);
  EXPECT_EQ(engine.GetCursorPos().x, 125);
  EXPECT_EQ(engine.GetCursorPos().y, 220);
  EXPECT_NE(PtInRect(r, engine.GetCursorPos()), 0);
  engine.mouseMove(*form, 150 + 240, 300);
  EXPECT_EQ(PtInRect(r, engine.GetCursorPos()), 0);

  // Borders are part of the window; the form's rectangle is its client area on the screen.
  auto pic = form->add<PictureBox>("pic");
  pic->setBorderStyle(1);
  pic->Move(0, 0, 600, 300);
  Rect p = engine.GetWindowRect(pic->hwnd());
  EXPECT_EQ(p.right - p.left, 40);
  Rect f = engine.GetWindowRect(form->hwnd());
  EXPECT_EQ(f.left, 100);
  EXPECT_EQ(f.bottom, 200 + 240);

  EXPECT_EQ(errorOf([&] { engine.GetWindowRect(12345); }), err::InvalidCall);
}

TEST_F(HostTest, WidgetsThatGoLeaveNoCaptureFocusOrTimerBehind) {
  auto box = form->Controls()->Add("VB.TextBox", "Txt1");
  box->setVisible(true);
  box->Move(0, 0, 500, 500);
  engine.setFocus(*box);
  int32_t hwnd = box->hwnd();
  box->MouseDown = [&](int16_t, int16_t, float, float) { form->Controls()->Remove("Txt1"); };
  engine.mouseDown(*form, 10, 10, mouse::Left);
  EXPECT_EQ(engine.capture(), nullptr);
  EXPECT_EQ(engine.focus(), nullptr);
  EXPECT_EQ(engine.widgetOfHwnd(hwnd), nullptr);
  box.reset();
  engine.mouseUp(*form, 10, 10, mouse::Left);

  auto tmr = form->add<Timer>("tmr");
  tmr->setInterval(10);
  int ticks = 0;
  tmr->Tick = [&] { ++ticks; };
  engine.advance(10);
  form->detach(*tmr);
  tmr.reset();
  engine.advance(100);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(engine.nextDue(), -1);

  // A timer that removes itself in its own tick.
  auto self = form->add<Timer>("self");
  self->setInterval(10);
  self->Tick = [&] { form->detach(*form->child("self")); };
  self.reset();
  engine.advance(50);
  EXPECT_EQ(form->child("self"), nullptr);

  // A whole form, with its engine gone first.
  auto clock2 = std::make_unique<VirtualClock>();
  auto engine2 = std::make_unique<FormEngine>(*clock2);
  auto kept = engine2->createForm("F")->add<CommandButton>("cmd");
  engine2->setFocus(*kept);
  engine2.reset();
  EXPECT_EQ(kept->engine(), nullptr);
}

TEST_F(HostTest, ModalShowingsAndMessageBoxesAreRecorded) {
  auto about = engine.createForm("dlgAbout");
  about->setCaption("Informazioni su KeloScroll");
  int depthInside = 0;
  engine.setModalPolicy([&](Form& f) {
    depthInside = engine.modalDepth();
    engine.unloadForm(f);
  });
  engine.showModal(*about);
  EXPECT_EQ(depthInside, 1);
  EXPECT_EQ(engine.modalDepth(), 0);
  EXPECT_EQ(engine.findForm("DLGABOUT"), nullptr);

  EXPECT_EQ(engine.MsgBox("Hello"), 1);
  engine.setMsgBoxPolicy([](const std::string&, int32_t) -> int16_t { return 2; });
  EXPECT_EQ(engine.MsgBox("Again", 1, "Title"), 2);

  ASSERT_EQ(engine.shown().size(), 3u);
  EXPECT_EQ(engine.shown()[0].kind, "modal");
  EXPECT_EQ(engine.shown()[0].name, "dlgAbout");
  EXPECT_EQ(engine.shown()[0].caption, "Informazioni su KeloScroll");
  EXPECT_EQ(engine.shown()[1].kind, "msgbox");
  EXPECT_EQ(engine.shown()[1].caption, "Hello");
  EXPECT_EQ(engine.shown()[2].name, "Title");
  EXPECT_EQ(engine.shown()[2].buttons, 1);
}

}  // namespace
}  // namespace host
