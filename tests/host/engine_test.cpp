// The form engine where a scenario cannot reach: hit tests on a crowded form, timers by the
// hundred and at the end of the clock, window-system queries at their edges. Mouse routing, keys,
// timers, the pointer, modal showings and message boxes as a user meets them are in
// tests/scenarios/host_*.scn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/clock.h"
#include "host/engine.h"
#include "host/widgets.h"
#include "tests/host/host_test_util.h"

namespace keloscroll::host {
namespace {

using testing::errorOf;
using Names = std::vector<std::string>;

class Engine : public testing::HostTest {};

// The widget under a point by a plain search through children listed back to front: hidden,
// disabled and timers passed over, into a container's inner area.
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
      std::vector<Widget*> inner;
      for (const auto& child : cc->children()) inner.push_back(child.get());
      if (Widget* deeper = hitBySearch(inner, ix, iy)) return deeper;
    }
    return &w;
  }
  return nullptr;
}

// A form with hundreds of widgets (where the engine no longer searches them one by one) finds
// the same widget as the plain search at every point, through moves, overlaps, z-order changes,
// removals, hidden and disabled widgets, widgets shown again, a resized form and a picture box's
// border.
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
    order.insert(front ? order.end() : order.begin(), w);
  };
  for (int i = 0; i < 400; ++i) {
    const std::string n = std::to_string(i);
    std::shared_ptr<Widget> w;
    if (i % 5 == 0) w = form->add<CommandButton>("b" + n);
    if (i % 5 == 1) w = form->add<Label>("l" + n);
    if (i % 5 == 3) w = form->add<Timer>("t" + n);
    if (i % 5 == 4) w = form->add<Image>("i" + n);
    if (i % 5 == 2) {
      auto pic = form->add<PictureBox>("p" + n);
      pic->add<Image>("img" + n)->Move(30, 30, 300, 300);
      w = pic;
    }
    // Mostly small, some large, a few reaching past the form's edges.
    double size = i % 40 == 0 ? 5000 : 150 + next(600);
    w->setRectTwips({static_cast<double>(next(13000)) - 500, static_cast<double>(next(10000)) - 500,
                     size, size * 0.75});
    all.push_back(w);
    order.push_back(w.get());
  }
  auto compare = [&](const char* stage) {
    for (int k = 0; k < 600; ++k) {
      auto width = static_cast<uint32_t>(form->innerWidthTwips());
      double x = next(width) + 0.5 * next(2), y = next(9000) + 0.25 * next(4);
      Widget* expected = hitBySearch(order, x, y);
      ASSERT_EQ(engine.hitTest(*form, x, y), expected ? expected : form.get())
          << stage << " at " << x << ", " << y;
    }
  };
  compare("placed");
  for (int i = 0; i < 60; ++i) {
    Widget& w = *all[next(400)];
    if (i % 2) {  // one edge at a time, or both at once
      w.setLeft(static_cast<float>(next(12000)));
      w.setTop(static_cast<float>(next(9000)));
    } else {
      w.Move(static_cast<float>(next(12000)), static_cast<float>(next(9000)));
    }
  }
  compare("moved");
  for (int i = 0; i < 40; ++i) {
    Widget* w = all[next(400)].get();
    bool front = next(2) == 0;
    w->ZOrder(front ? int16_t{0} : int16_t{1});
    toFront(w, front);
  }
  std::vector<Widget*> hidden;
  for (int i = 0; i < 30; ++i) {
    hidden.push_back(all[next(400)].get());
    hidden.back()->setVisible(false);
    all[next(400)]->setEnabled(false);
  }
  std::vector<Widget*> stillHidden;  // hidden as made: shown only after the grid is made again
  for (size_t i = 0; i < hidden.size(); ++i) {
    if (i % 2) {
      stillHidden.push_back(hidden[i]);
      continue;
    }
    hidden[i]->Move(static_cast<float>(next(12000)), static_cast<float>(next(9000)));  // moved
    hidden[i]->setVisible(true);  // while hidden, then shown
  }
  for (int i = 0; i < 150; ++i) {
    size_t k = next(static_cast<uint32_t>(all.size()));
    form->detach(*all[k]);
    std::erase(order, all[k].get());
    std::erase(stillHidden, all[k].get());
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(k));
  }
  for (int i = 0; i < 20; ++i) {
    all.push_back(form->add<CommandButton>("n" + std::to_string(i)));
    order.push_back(all.back().get());
    all.back()->Move(static_cast<float>(next(12000)), 100);
  }
  for (const auto& w : all) {
    if (w->kind() == WidgetKind::PictureBox) static_cast<PictureBox&>(*w).setBorderStyle(1);
  }
  form->setWidth(8000);
  compare("bordered, narrower");
  for (Widget* w : stillHidden) w->setVisible(true);
  compare("shown after the grid was made");
  for (int i = 0; i < 200; ++i) {
    Widget* w = all[next(static_cast<uint32_t>(all.size()))].get();
    w->ZOrder(0);
    toFront(w, true);
  }
  compare("many to the front");
  std::vector<Widget*> listed;
  for (const auto& w : form->children()) listed.push_back(w.get());
  EXPECT_EQ(listed, order);
  compare("listed");
  EXPECT_EQ(engine.hitTest(*form, -1, 0), nullptr);  // off the form
}

// Containers nested three deep, with borders at a density whose border is no whole number of
// twips and scales of their own: the press goes where the plain search finds, or to a container
// where its inner area holds nothing, in the hit widget's own units, as its corner on the form
// (summed from the form down) gives them.
TEST_F(Engine, APressDeepInNestedContainersReportsTheHitWidgetsOwnPoint) {
  engine.setDpi(Dpi(110));
  form->setWidth(9000);
  form->setHeight(7000);
  auto outer = form->add<PictureBox>("outer");
  outer->setRectTwips({333.3, 777.7, 7000, 5500});
  outer->setBorderStyle(1);
  outer->setScaleWidth(37);
  outer->setScaleHeight(53);
  auto frame = outer->add<Frame>("frame");
  frame->setRectTwips({401.1, 259.9, 6000, 4500});
  auto inner = frame->add<PictureBox>("inner");
  inner->setRectTwips({150.7, 120.3, 3000, 2500});
  inner->setBorderStyle(1);
  inner->setScaleMode(3);
  auto empty = frame->add<PictureBox>("empty");  // nothing inside: its press stays with it
  empty->setRectTwips({3500.1, 300.9, 1800, 1700});
  empty->setBorderStyle(1);
  auto image = inner->add<Image>("image");
  image->setRectTwips({600.6, 500.5, 900, 700});
  std::vector<Widget*> top{outer.get()};

  Widget* pressed = nullptr;
  float px = 0, py = 0;
  for (Widget* w : {static_cast<Widget*>(form.get()), static_cast<Widget*>(outer.get()),
                    static_cast<Widget*>(frame.get()), static_cast<Widget*>(inner.get()),
                    static_cast<Widget*>(empty.get()), static_cast<Widget*>(image.get())}) {
    w->on().MouseDown = [&pressed, &px, &py, w](int16_t, int16_t, float x, float y) {
      pressed = w;
      px = x;
      py = y;
    };
  }
  std::vector<Widget*> seen;
  for (double y = 700.25; y < 7000; y += 97.5) {
    for (double x = 300.5; x < 8000; x += 131.25) {
      Widget* expected = hitBySearch(top, x, y);
      if (!expected) expected = form.get();
      pressed = nullptr;
      engine.mouseDown(*form, x, y, mouse::Left);
      engine.mouseUp(*form, x, y, mouse::Left);
      ASSERT_EQ(pressed, expected) << x << ", " << y;
      float ex = 0, ey = 0;
      expected->mousePoint(x, y, ex, ey);
      ASSERT_EQ(px, ex) << x << ", " << y;
      ASSERT_EQ(py, ey) << x << ", " << y;
      if (std::find(seen.begin(), seen.end(), expected) == seen.end()) seen.push_back(expected);
    }
  }
  EXPECT_EQ(seen.size(), 6u);  // every level was hit somewhere, the empty box too
}

// Only a virtual clock moves, and it stops short of the end of its count: a longer advance moves
// nothing, and a timer started at the end still has a time for its next tick. (The next tick due
// as time goes is in host_engine.scn.)
TEST_F(Engine, TheClockStopsShortOfItsEnd) {
  SystemClock real;
  EXPECT_THROW(FormEngine(real).advance(10), std::logic_error);
  auto slow = form->add<Timer>("slow");
  slow->setInterval(50);
  engine.advance(20);
  const int64_t now = clock.nowMs();
  EXPECT_EQ(errorOf([&] { engine.advance(INT64_MAX); }), err::Overflow);
  EXPECT_EQ(errorOf([&] { engine.advance(FormEngine::kLatestMs - now + 1); }), err::Overflow);
  EXPECT_EQ(clock.nowMs(), now);
  slow->setEnabled(false);
  engine.advance(FormEngine::kLatestMs - now);
  EXPECT_EQ(clock.nowMs(), FormEngine::kLatestMs);
  slow->setEnabled(true);
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
    t->on().Tick = [&log, name] { log.push_back(name); };
    timers.push_back(t);
  }
  // "b" leaves and comes back: now it is the last to arrive, though the first started. (Timers
  // started in the reverse order of their arrival are in host_timer.scn.)
  for (auto& t : timers) t->setInterval(100);
  form->detach(*timers[1]);
  form->attach(timers[1]);
  timers[1]->setInterval(100);
  for (auto& t : timers) {
    if (t != timers[1]) t->setInterval(100);
  }
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
    t->on().Tick = [&, i, interval] {
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

// Handles name their widgets while hundreds of windows come and go; a widget that comes back keeps
// its number, and a handle given from outside (a real window's) is never given out as well.
TEST_F(Engine, WindowHandlesNameTheirWidgetsAsHundredsComeAndGo) {
  std::vector<std::shared_ptr<PictureBox>> boxes;
  auto add = [&] { boxes.push_back(form->add<PictureBox>("P" + std::to_string(boxes.size()))); };
  auto check = [&] {
    for (auto& b : boxes) {
      EXPECT_EQ(engine.widgetOfHwnd(b->hwnd()), b->container() ? b.get() : nullptr) << b->name();
    }
  };
  for (int i = 0; i < 600; ++i) add();
  for (size_t i = 0; i < 590; ++i) {
    if (i % 50 != 0) form->detach(*boxes[i]);
  }
  check();
  int32_t old = boxes[5]->hwnd();
  form->attach(boxes[5]);
  EXPECT_EQ(boxes[5]->hwnd(), old);
  int32_t ahead = boxes.back()->hwnd() + 4;  // where the engine's numbers go next
  engine.useWindowHandle(*boxes.back(), ahead);
  add();
  EXPECT_EQ(boxes.back()->hwnd(), ahead + 4);
  check();
  engine.useWindowHandle(*boxes[599], 0);  // the real window gone: a number of the engine's again
  EXPECT_EQ(engine.widgetOfHwnd(ahead), nullptr);
  check();
}

// A window rectangle holds its points short of its right and bottom edges; a pointer at no number
// stands at the screen's corner; a handle nobody has is refused. Forms are found by any case of
// their name, a message box's record by its title, and a widget that outlives its engine lets it
// go. (Window rectangles, the pointer and message boxes as a user meets them: host_engine.scn.)
TEST_F(Engine, WindowQueriesFormsByNameAndWidgetsThatOutliveTheirEngine) {
  const Rect r{110, 220, 126, 236};
  const std::pair<Point, int32_t> points[] = {{{110, 220}, 1}, {{125, 235}, 1}, {{126, 220}, 0},
                                              {{110, 236}, 0}, {{109, 225}, 0}, {{115, 219}, 0}};
  for (auto [p, inside] : points) EXPECT_EQ(PtInRect(r, p), inside) << p.x << ", " << p.y;
  engine.mouseMove(*form, std::nan(""), std::nan(""));
  EXPECT_EQ((std::pair{engine.GetCursorPos().x, engine.GetCursorPos().y}),
            (std::pair{INT32_MIN, INT32_MIN}));
  EXPECT_EQ(errorOf([&] { engine.GetWindowRect(12345); }), err::InvalidCall);

  EXPECT_EQ(engine.findForm("FORM1"), form);
  engine.MsgBox("Again", 1, "Title");
  EXPECT_EQ(engine.shown().back().name, "Title");

  auto clock2 = std::make_unique<VirtualClock>();
  auto engine2 = std::make_unique<FormEngine>(*clock2);
  auto kept = engine2->createForm("F")->add<CommandButton>("cmd");
  engine2->setFocus(*kept);
  auto loose = std::make_shared<PictureBox>("pic");  // a window on no form, a widget inside it
  engine2->assignHwnd(*loose);
  auto inside = loose->add<Image>("img");
  engine2.reset();
  EXPECT_EQ(kept->engine(), nullptr);
  EXPECT_EQ(inside->engine(), nullptr);
}
}  // namespace
}  // namespace keloscroll::host
