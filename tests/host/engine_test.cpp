// The form engine: mouse routing and capture, keys with preview, focus order, timers on the
// virtual clock, window-system queries, modal showings and message boxes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/clock.h"
#include "host/engine.h"
#include "host/message_box.h"
#include "host/widgets.h"
#include "tests/host/host_test_util.h"

namespace host {
namespace {

using testing::errorOf;
using Names = std::vector<std::string>;

// Records the mouse and key events of the widgets it watches, as "name:Down 1 2 120 45.8554"
// (button, shift, x, y), "name:Click" or "name:KeyUp 34 0" (key, shift); take() hands them over
// and starts afresh.
class Recorder {
 public:
  template <class... W>
  void watch(W&... widgets) {
    (watchOne(widgets), ...);
  }
  Names take() { return std::exchange(events, {}); }
  Names events;

 private:
  void watchOne(Widget& w) {
    auto mouse = [this, n = w.name()](const char* what) {
      return [this, n, what](int16_t b, int16_t s, float x, float y) {
        char text[64];
        std::snprintf(text, sizeof text, ":%s %d %d %g %g", what, b, s, double{x}, double{y});
        events.push_back(n + text);
      };
    };
    w.MouseDown = mouse("Down");
    w.MouseMove = mouse("Move");
    w.MouseUp = mouse("Up");
    w.Click = [this, n = w.name()] { events.push_back(n + ":Click"); };
    auto key = [this, n = w.name()](const char* what) {
      return [this, n, what](int16_t& k, int16_t s) {
        events.push_back(n + what + std::to_string(k) + " " + std::to_string(s));
      };
    };
    w.KeyDown = key(":KeyDown ");
    w.KeyUp = key(":KeyUp ");
  }
};

class Engine : public testing::HostTest {
 protected:
  void click(double x, double y, int16_t button = mouse::Left) {
    engine.mouseDown(*form, x, y, button);
    engine.mouseUp(*form, x, y, button);
  }
  Recorder rec;
};

// The scroll bar's track: a picture box with a user scale holding two disabled images.
class Track : public Engine {
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
    rec.watch(*form, *pic, *background, *thumb);
  }
  std::shared_ptr<PictureBox> pic;
  std::shared_ptr<Image> background, thumb;
};

// Positions on the track: its width keeps its twips, its height is in units of 100 per 2835 twips
// (1300 twips are 45.8554 units, 100 are 3.52734).
TEST_F(Track, DisabledImagesPassThePressToTheirPictureBox) {
  engine.mouseDown(*form, 600 + 120, 405 + 1300, mouse::Left, shift::Ctrl);  // on the thumb
  engine.mouseUp(*form, 600 + 120, 405 + 1300, mouse::Left);
  EXPECT_EQ(rec.take(), (Names{"picBarra:Down 1 2 120 45.8554", "picBarra:Up 1 0 120 45.8554",
                               "picBarra:Click"}));
  // An enabled image takes the press itself, in its container's units from its own corner.
  thumb->setEnabled(true);
  click(600 + 60, 405 + 1200 + 100);
  EXPECT_EQ(rec.take(), (Names{"imgCursor:Down 1 0 60 3.52734", "imgCursor:Up 1 0 60 3.52734",
                               "imgCursor:Click"}));
  // A hidden one is not there at all; a disabled track passes the press on to the form.
  thumb->setVisible(false);
  EXPECT_EQ(engine.hitTest(*form, 600 + 60, 405 + 1300), pic.get());
  pic->setEnabled(false);
  EXPECT_EQ(engine.hitTest(*form, 600 + 60, 405 + 1300), form.get());
  EXPECT_EQ(engine.hitTest(*form, -1, 0), nullptr);
}

// The widget under a point by a plain search: front to back through each container, hidden,
// disabled and timers passed over, into a container's inner area.
Widget* hitBySearch(const std::vector<Widget*>& children, double x, double y);

Widget* hitBySearch(const ContainerWidget& c, double x, double y) {
  std::vector<Widget*> children;
  for (const auto& w : c.children()) children.push_back(w.get());
  return hitBySearch(children, x, y);
}

// The same through children listed back to front.
Widget* hitBySearch(const std::vector<Widget*>& children, double x, double y) {
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    Widget& w = **it;
    if (w.kind() == WidgetKind::Timer || !w.Visible() || !w.Enabled()) continue;
    const TwipsRect& r = w.rectTwips();
    if (!r.contains(x, y)) continue;
    const ContainerWidget* cc = w.asContainer();
    if (!cc) return &w;
    double ix = x - r.left - cc->innerOffsetTwips(), iy = y - r.top - cc->innerOffsetTwips();
    if (ix >= 0 && ix < cc->innerWidthTwips() && iy >= 0 && iy < cc->innerHeightTwips()) {
      if (Widget* deeper = hitBySearch(*cc, ix, iy)) return deeper;
    }
    return &w;
  }
  return nullptr;
}

// A form with hundreds of widgets (where the engine no longer searches them one by one) finds
// the same widget as the plain search at every point, through moves, overlaps, z-order changes,
// removals, hidden and disabled widgets, a resized form and a picture box's border.
TEST_F(Engine, HitTestsOnACrowdedFormFindWhatASearchFinds) {
  form->setWidth(12000);
  form->setHeight(9000);
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  // The form's children back to front, kept here beside the engine's own list: reading that
  // list would tidy it up and spare the engine the cases tested here.
  std::vector<std::shared_ptr<Widget>> all;
  std::vector<Widget*> order;
  auto toFront = [&order](Widget* w, bool front) {
    std::erase(order, w);
    if (front) {
      order.push_back(w);
    } else {
      order.insert(order.begin(), w);
    }
  };
  for (int i = 0; i < 400; ++i) {
    std::shared_ptr<Widget> w;
    switch (i % 5) {
      case 0:
        w = form->add<CommandButton>("b" + std::to_string(i));
        break;
      case 1:
        w = form->add<Label>("l" + std::to_string(i));
        break;
      case 2: {
        auto pic = form->add<PictureBox>("p" + std::to_string(i));
        pic->add<Image>("img" + std::to_string(i))->Move(30, 30, 300, 300);
        w = pic;
        break;
      }
      case 3:
        w = form->add<Timer>("t" + std::to_string(i));
        break;
      default:
        w = form->add<Image>("i" + std::to_string(i));
        break;
    }
    // Mostly small, some large, a few reaching past the form's edges.
    double size = i % 40 == 0 ? 5000 : 150 + next(600);
    w->setRectTwips({static_cast<double>(next(13000)) - 500, static_cast<double>(next(10000)) - 500,
                     size, size * 0.75});
    all.push_back(w);
    order.push_back(w.get());
  }
  int checked = 0;
  auto compare = [&](const char* stage) {
    for (int k = 0; k < 600; ++k) {
      auto width = static_cast<uint32_t>(form->innerWidthTwips());
      double x = next(width) + 0.5 * next(2), y = next(9000) + 0.25 * next(4);
      Widget* expected = hitBySearch(order, x, y);
      ASSERT_EQ(engine.hitTest(*form, x, y), expected ? expected : form.get())
          << stage << " at " << x << ", " << y;
      ++checked;
    }
  };
  compare("placed");
  for (int i = 0; i < 60; ++i) {
    Widget& w = *all[next(400)];
    w.Move(static_cast<float>(next(12000)), static_cast<float>(next(9000)));
  }
  compare("moved");
  for (int i = 0; i < 40; ++i) {
    Widget* w = all[next(400)].get();
    bool front = next(2) == 0;
    w->ZOrder(front ? int16_t{0} : int16_t{1});
    toFront(w, front);
  }
  compare("reordered");
  for (int i = 0; i < 30; ++i) {
    all[next(400)]->setVisible(false);
    all[next(400)]->setEnabled(false);
  }
  compare("hidden and disabled");
  for (int i = 0; i < 150; ++i) {
    size_t k = next(static_cast<uint32_t>(all.size()));
    form->detach(*all[k]);
    std::erase(order, all[k].get());
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(k));
  }
  compare("removed");
  for (int i = 0; i < 20; ++i) {
    all.push_back(form->add<CommandButton>("n" + std::to_string(i)));
    order.push_back(all.back().get());
  }
  for (int i = 0; i < 20; ++i) all[all.size() - 1 - i]->Move(static_cast<float>(next(12000)), 100);
  compare("added");
  for (const auto& w : all) {
    if (w->kind() == WidgetKind::PictureBox) static_cast<PictureBox&>(*w).setBorderStyle(1);
  }
  form->setWidth(8000);
  compare("bordered, narrower");
  for (int i = 0; i < 200; ++i) {
    Widget* w = all[next(static_cast<uint32_t>(all.size()))].get();
    w->ZOrder(0);
    toFront(w, true);
  }
  compare("many to the front");
  EXPECT_EQ(checked, 600 * 8);
  std::vector<Widget*> listed;
  for (const auto& w : form->children()) listed.push_back(w.get());
  EXPECT_EQ(listed, order);
  compare("listed");
}

TEST_F(Track, TheReleaseGoesToThePressedWidgetAndClicksOnlyOverIt) {
  // Released over the form: the track still gets the release, in its own units, but no click.
  engine.mouseDown(*form, 700, 1000, mouse::Left);
  engine.mouseUp(*form, 300, 105, mouse::Left);
  // Out and back in before the release: the click comes; moves bring the buttons held.
  engine.mouseDown(*form, 700, 1000, mouse::Left);
  engine.mouseMove(*form, 300, 105);
  engine.mouseMove(*form, 700, 1100);
  engine.mouseUp(*form, 700, 1100, mouse::Left);
  click(700, 1000, mouse::Right);  // the right button clicks nothing
  EXPECT_EQ(rec.take(),
            (Names{"picBarra:Down 1 0 100 20.9877", "picBarra:Up 1 0 -300 -10.582",
                   "picBarra:Down 1 0 100 20.9877", "picBarra:Move 1 0 -300 -10.582",
                   "picBarra:Move 1 0 100 24.515", "picBarra:Up 1 0 100 24.515", "picBarra:Click",
                   "picBarra:Down 2 0 100 20.9877", "picBarra:Up 2 0 100 20.9877"}));
  EXPECT_EQ(engine.capture(), nullptr);
  // A second button that comes and goes leaves the mouse with the widget the first one holds;
  // the events bring every button held, the released one included.
  engine.mouseDown(*form, 700, 1000, mouse::Left);
  click(300, 105, mouse::Right);
  EXPECT_EQ(engine.capture(), pic.get());
  engine.mouseUp(*form, 700, 1000, mouse::Left);
  EXPECT_EQ(rec.take(), (Names{"picBarra:Down 1 0 100 20.9877", "picBarra:Down 3 0 -300 -10.582",
                               "picBarra:Up 3 0 -300 -10.582", "picBarra:Up 1 0 100 20.9877",
                               "picBarra:Click"}));
}

TEST_F(Engine, APressedButtonKeepsTheMouseUntilTheReleaseAndACheckBoxToggles) {
  auto button = form->add<CommandButton>("cmdDXDN");
  button->Move(0, 3240, 240, 240);
  auto label = form->add<Label>("lbl");
  label->Move(1000, 0, 1000, 1000);
  rec.watch(*button, *label);
  engine.mouseDown(*form, 120, 3360, mouse::Left);
  EXPECT_TRUE(button->pressed());
  EXPECT_EQ(engine.capture(), button.get());
  EXPECT_EQ(engine.focus(), button.get());
  engine.mouseMove(*form, 1500, 500);
  engine.mouseUp(*form, 1500, 500, mouse::Left);
  EXPECT_FALSE(button->pressed());
  EXPECT_EQ(engine.capture(), nullptr);
  click(1500, 500);  // with the mouse free again, the label gets its own press
  EXPECT_EQ(rec.take(), (Names{"cmdDXDN:Down 1 0 120 120", "cmdDXDN:Move 1 0 1500 -2740",
                               "cmdDXDN:Up 1 0 1500 -2740", "lbl:Down 1 0 500 500",
                               "lbl:Up 1 0 500 500", "lbl:Click"}));

  auto chk = form->add<CheckBox>("chkEnabled");
  chk->Move(3000, 0, 1000, 300);
  int clicks = 0;
  chk->Click = [&] { ++clicks; };
  click(3010, 10);
  EXPECT_EQ(chk->Value(), 1);
  click(3010, 10);
  EXPECT_EQ(chk->Value(), 0);
  EXPECT_EQ(clicks, 2);
}

TEST_F(Engine, NestedContainersReportTheirOwnScale) {
  auto frame = form->add<Frame>("fra");
  frame->Move(600, 400, 3000, 3000);
  auto pic = frame->add<PictureBox>("pic");
  pic->setBorderStyle(1);  // 30 twips of border on each side
  pic->Move(120, 90, 1560, 1560);
  pic->setScaleMode(scale::Pixels);
  rec.watch(*pic);
  engine.mouseDown(*form, 600 + 120 + 30 + 150, 400 + 90 + 30 + 300, mouse::Left);
  EXPECT_EQ(rec.take(), (Names{"pic:Down 1 0 10 20"}));
  // The border belongs to the picture box, not to its inner area.
  EXPECT_EQ(engine.hitTest(*form, 600 + 120 + 10, 400 + 90 + 10), pic.get());
}

TEST_F(Engine, TimersTickAtTheirOwnTimesAndRestartWhenRearmed) {
  auto tmr = form->add<Timer>("tmr");
  Names log;
  auto tick = [&](const char* name) {
    return [&log, name, this] { log.push_back(name + ("@" + std::to_string(clock.nowMs()))); };
  };
  tmr->Tick = tick("tmr");
  tmr->setInterval(100);
  engine.advance(350);
  EXPECT_EQ(clock.nowMs(), 350);
  // Writing Interval while it runs starts a full interval from the write; so does Enabled = True.
  tmr->let("Interval", Variant(int32_t{100}));
  engine.advance(99);
  EXPECT_EQ(log, (Names{"tmr@100", "tmr@200", "tmr@300"}));
  engine.advance(51);
  tmr->let("Enabled", Variant::boolean(true));
  engine.advance(100);
  EXPECT_EQ(log, (Names{"tmr@100", "tmr@200", "tmr@300", "tmr@450", "tmr@600"}));
  // Disabled, or without an interval, it is stopped; a handler that stops it makes it one-shot.
  tmr->setEnabled(false);
  EXPECT_EQ(engine.nextDue(), -1);
  tmr->setEnabled(true);
  tmr->setInterval(0);
  engine.advance(1000);
  tmr->Tick = [&] {
    log.push_back("once@" + std::to_string(clock.nowMs()));
    tmr->setEnabled(false);
  };
  tmr->setInterval(500);
  engine.advance(2000);
  EXPECT_EQ(log.back(), "once@2100");
  EXPECT_EQ(log.size(), 6u);
  EXPECT_EQ(errorOf([&] { tmr->setInterval(-1); }), err::InvalidPropertyValue);

  // Two timers fire in time order: the slow one's tick at 3700 stops the fast one before 3720.
  log.clear();
  auto fast = form->add<Timer>("fast");
  auto slow = form->add<Timer>("slow");
  fast->Tick = tick("fast");
  slow->Tick = [&, noted = tick("slow")] {
    noted();
    if (clock.nowMs() >= 3700) fast->setEnabled(false);
  };
  slow->setInterval(50);
  fast->setInterval(30);
  engine.advance(130);
  EXPECT_EQ(log, (Names{"fast@3630", "slow@3650", "fast@3660", "fast@3690", "slow@3700"}));
  EXPECT_EQ(engine.nextDue(), 3750);

  SystemClock real;
  EXPECT_THROW(FormEngine(real).advance(10), std::logic_error);  // only a virtual clock moves

  // Time runs out before the count would overflow: a longer advance moves nothing.
  const int64_t now = clock.nowMs();
  EXPECT_EQ(errorOf([&] { engine.advance(INT64_MAX); }), err::Overflow);
  EXPECT_EQ(errorOf([&] { engine.advance(FormEngine::kLatestMs - now + 1); }), err::Overflow);
  EXPECT_EQ(clock.nowMs(), now);
  slow->setEnabled(false);
  engine.advance(FormEngine::kLatestMs - now);
  EXPECT_EQ(clock.nowMs(), FormEngine::kLatestMs);
  slow->setEnabled(true);  // its next tick still has a time
  EXPECT_EQ(engine.nextDue(), FormEngine::kLatestMs + 50);
}

// Timers due at the same moment tick in the order they reached the engine; one that leaves the
// form and comes back counts as arriving anew. Many timers keep their times through starts, stops
// and reschedules made by each other's handlers.
TEST_F(Engine, TimersDueTogetherTickInTheOrderTheyArrived) {
  Names log;
  std::vector<std::shared_ptr<Timer>> timers;
  for (const char* name : {"a", "b", "c", "d"}) {
    auto t = form->add<Timer>(name);
    t->Tick = [&log, name] { log.push_back(name); };
    timers.push_back(t);
  }
  // Started in reverse order, all due at 100.
  for (auto it = timers.rbegin(); it != timers.rend(); ++it) (*it)->setInterval(100);
  engine.advance(100);
  EXPECT_EQ(log, (Names{"a", "b", "c", "d"}));
  // "b" leaves and comes back: now it is the last to arrive.
  form->detach(*timers[1]);
  form->attach(timers[1]);
  timers[1]->setInterval(100);
  for (auto& t : timers) {
    if (t != timers[1]) t->setInterval(100);
  }
  log.clear();
  engine.advance(100);
  EXPECT_EQ(log, (Names{"a", "c", "d", "b"}));

  // 200 timers of intervals 1 to 200 ms: in 600 ms timer i ticks 600 / i times, at multiples of
  // its interval; a handler that stops another timer keeps it from ticking at the same moment.
  for (auto& t : timers) t->setEnabled(false);
  std::vector<std::shared_ptr<Timer>> many;
  std::vector<int> ticks(200);
  std::vector<int64_t> wrongTimes;
  const int64_t start = clock.nowMs();
  for (int i = 0; i < 200; ++i) {
    auto t = form->add<Timer>("t" + std::to_string(i));
    int interval = i + 1;
    t->Tick = [&, i, interval] {
      ++ticks[static_cast<size_t>(i)];
      if ((clock.nowMs() - start) % interval != 0) wrongTimes.push_back(clock.nowMs());
      if (i == 99 && clock.nowMs() - start == 400) many[199]->setEnabled(false);
    };
    many.push_back(t);
  }
  for (int i = 199; i >= 0; --i) many[static_cast<size_t>(i)]->setInterval(i + 1);
  engine.advance(600);
  EXPECT_TRUE(wrongTimes.empty());
  for (int i = 0; i < 199; ++i) EXPECT_EQ(ticks[static_cast<size_t>(i)], 600 / (i + 1)) << i;
  EXPECT_EQ(ticks[199], 1);  // at 200; stopped at 400 by timer 99 before it could tick again
  EXPECT_EQ(engine.nextDue(), start + 601);
}

// Keys go to the focus, but a user control's surface sees them first while one of its parts has
// it. Tab moves the focus in tab order, where a user control is one stop with an order inside.
TEST_F(Engine, KeyPreviewCanSwallowOrChangeAKeyAndTabMovesTheFocusInTabOrder) {
  auto uc = form->add<UserControl>("UsrKeloScroll1");
  uc->Move(0, 0, 1000, 3000);
  uc->setTabIndex(1);
  auto up = uc->add<CommandButton>("cmdSxUp");
  auto down = uc->add<CommandButton>("cmdDXDN");
  auto pic = uc->add<PictureBox>("picBarra");
  up->setTabIndex(2);
  down->setTabIndex(1);
  pic->setTabIndex(0);
  auto txt = form->add<TextBox>("txt");
  txt->setTabIndex(0);
  auto hidden = form->add<TextBox>("hidden");
  hidden->setTabIndex(2);
  hidden->setVisible(false);
  rec.watch(*uc, *pic, *up, *txt);
  uc->KeyDown = [logged = uc->KeyDown](int16_t& key, int16_t shiftMask) {
    logged(key, shiftMask);
    if (key == vk::Escape) key = 0;
    if (key == vk::Up) key = vk::Down;
  };

  engine.keyDown(vk::Escape);  // nothing has the focus yet
  Names order;
  for (int i = 0; i < 5; ++i) {
    engine.focusNext(*form);
    order.push_back(engine.focus()->name());
  }
  EXPECT_EQ(order, (Names{"txt", "picBarra", "cmdDXDN", "cmdSxUp", "txt"}));
  engine.keyDown(vk::Escape);  // outside the control, without the preview
  down->setEnabled(false);
  engine.keyDown(vk::Tab, shift::Shift);  // back from txt, over the disabled button
  EXPECT_EQ(engine.focus(), up.get());
  engine.keyDown(vk::Tab, shift::Shift);  // no key for the widgets
  EXPECT_EQ(engine.focus(), pic.get());
  engine.keyDown(vk::Escape, shift::Shift);
  engine.keyDown(vk::Up);
  engine.keyUp(vk::PageDown);
  EXPECT_EQ(rec.take(),
            (Names{"txt:KeyDown 27 0", "UsrKeloScroll1:KeyDown 27 1", "UsrKeloScroll1:KeyDown 38 0",
                   "picBarra:KeyDown 40 0", "UsrKeloScroll1:KeyUp 34 0", "picBarra:KeyUp 34 0"}));
  EXPECT_EQ(errorOf([&] { engine.setFocus(*hidden); }), err::InvalidCall);
}

TEST_F(Engine, WindowRectanglesAndCursorInScreenPixels) {
  form->screenLeftTwips = 1500;  // 100 pixels
  form->screenTopTwips = 3000;   // 200 pixels
  auto button = form->add<CommandButton>("cmd");
  button->Move(150, 300, 240, 240);
  Rect r = engine.GetWindowRect(button->get("hwnd").asLong());
  EXPECT_EQ((std::vector{r.left, r.top, r.right, r.bottom}), (std::vector{110, 220, 126, 236}));
  // Right and bottom edges are outside.
  const std::pair<Point, int32_t> points[] = {{{110, 220}, 1}, {{125, 235}, 1}, {{126, 220}, 0},
                                              {{110, 236}, 0}, {{109, 225}, 0}, {{115, 219}, 0}};
  for (auto [p, inside] : points) EXPECT_EQ(PtInRect(r, p), inside) << p.x << ", " << p.y;

  // The cursor is where the mouse last was, and agrees with the widget's extent in twips.
  engine.mouseMove(*form, 150 + 239, 300);
  EXPECT_EQ((std::pair{engine.GetCursorPos().x, engine.GetCursorPos().y}), (std::pair{125, 220}));
  engine.mouseMove(*form, 150 + 240, 300);
  EXPECT_EQ(PtInRect(r, engine.GetCursorPos()), 0);
  // Points beyond the screen's 32-bit pixels stand at its edge.
  const std::pair<double, Point> far[] = {{1e300, {INT32_MAX, INT32_MAX}},
                                          {-1e300, {INT32_MIN, INT32_MIN}},
                                          {1e15, {INT32_MAX, INT32_MAX}},
                                          {std::nan(""), {INT32_MIN, INT32_MIN}}};
  for (auto [at, want] : far) {
    engine.mouseMove(*form, at, at);
    EXPECT_EQ((std::pair{engine.GetCursorPos().x, engine.GetCursorPos().y}),
              (std::pair{want.x, want.y}))
        << at;
  }

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

TEST_F(Engine, WidgetsThatGoLeaveNoCaptureFocusOrTimerBehind) {
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

TEST_F(Engine, ModalShowingsAndMessageBoxesAreRecorded) {
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

  Names shown;
  for (const auto& s : engine.shown()) {
    shown.push_back(s.kind + " " + s.name + " " + s.caption + " " + std::to_string(s.buttons));
  }
  EXPECT_EQ(shown, (Names{"modal dlgAbout Informazioni su KeloScroll 0", "msgbox  Hello 0",
                          "msgbox Title Again 1"}));
}

}  // namespace
}  // namespace host

namespace host {
namespace {

// The engine's own message box: each button answers its number, Return clicks the focused button
// (the first to begin with), and a box closed without a click cancels, or gives its last button
// where it has no Cancel. The box fits its prompt and goes when it is answered.
TEST(MessageBox, ButtonsAnswerReturnClicksTheFocusedOneAndClosingCancels) {
  struct Case {
    int32_t buttons;
    const char* act;  // "cmdX" clicks that button, "return" presses Return, "close" hides the box
    int16_t answer;
  };
  const Case cases[] = {{3, "cmdNo", answer::No},     {3, "return", answer::Yes},
                        {3, "close", answer::Cancel}, {4, "close", answer::No},
                        {0, "return", answer::Ok},    {2, "cmdRetry", answer::Retry}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.act) + " on buttons " + std::to_string(c.buttons));
    VirtualClock clock;
    FormEngine engine(clock);
    std::string prompt =
        "The form has changes that are not saved. Save them to a file of yours "
        "before you quit?";
    int16_t got = showMessageBox(engine, "Viewer", prompt, c.buttons, [&](Form& f) {
      EXPECT_EQ(f.Caption(), "Viewer");
      auto* label = dynamic_cast<Label*>(findWidget(f, "lblPrompt"));
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(label->Caption(), prompt);
      EXPECT_GE(label->Height(), 2 * f.TextHeight("Ag")) << "a long prompt wraps onto more lines";
      for (Widget* w : f.Controls()->list())
        EXPECT_LE(w->Left() + w->Width(), f.Width()) << w->name() << " inside the box";
      std::string act = c.act;
      if (act == "return") {
        engine.keyDown(vk::Return, 0);
      } else if (act == "close") {
        f.setVisible(false);
      } else {
        Widget* b = findWidget(f, act);
        ASSERT_NE(b, nullptr);
        double x = 0, y = 0;
        b->originOnForm(x, y);
        engine.mouseDown(f, x + 30, y + 30, mouse::Left);
        engine.mouseUp(f, x + 30, y + 30, mouse::Left);
      }
    });
    EXPECT_EQ(got, c.answer);
    EXPECT_EQ(engine.findForm("MsgBox"), nullptr) << "the box is unloaded";
  }
}

}  // namespace
}  // namespace host
