// KeloScroll.ocx in a container nobody here wrote: the ActiveX host window class of the
// platform's template library (atl.dll's AtlAxWin), loaded at run time, on a virtual display.
// The tests drive the control with real input (SendInput) and watch its events on a sink of
// their own: that host never connects to a control's events itself.
#include "tests/win/container_test_util.h"  // first: it brings the Windows headers in order

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <tuple>
#include <vector>

#include "host/picture.h"

namespace {

using namespace container_test;

class AtlContainer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_NO_FATAL_FAILURE(loadAtlHost(ocx_, atl_)); }
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(bar_.open(atl_)); }
  void TearDown() override { bar_.close(); }

  long value() { return getLong(bar_.control.get(), L"Value"); }
  void put(const wchar_t* name, long v) { container_test::put(bar_.control.get(), name, v); }
  void pointTo(int x, int y) { pointAt(bar_.window, x, y); }

  static inline HMODULE ocx_ = nullptr;
  static inline HMODULE atl_ = nullptr;
  AtlBar bar_;
  EventSink& sink_ = *bar_.sink.get();
};

// Holding the lower end button: this host gives the control no form, so the control's own tooltip
// window stands beside the bar on the top window, with the sink's text (without one it shows
// none), and hides after the release. (The repeat's ticks reaching the control are
// AHostThatLetsGo's; its steps and events, the Linux scenarios'.)
TEST_F(AtlContainer, HoldingTheLowerButtonShowsTheTooltipBesideTheBar) {
  sink_.description = L"row";
  pointTo(8, 195);  // on cmdDXDN at the bottom end
  button(true);
  // Held until the third step (a busy machine delays the ticks, so the time it takes is not the
  // test's).
  for (int waited = 0; sink_.count(kScroll) < 3 && waited < 3000; waited += 50) pump(50);
  std::vector<HWND> tips = shown(L"KeloScrollForm");
  button(false);
  pump(50);
  ASSERT_EQ(tips.size(), 1u);
  EXPECT_TRUE(GetWindowLongPtrW(tips[0], GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  RECT tip{}, bar{};
  GetWindowRect(tips[0], &tip);
  GetWindowRect(bar_.window, &bar);
  // The bar is 10 pixels from the form's left edge: too little room there, so on its right.
  EXPECT_EQ(tip.left, bar.right);
  EXPECT_GT(tip.right - tip.left, 10);
  EXPECT_GT(tip.bottom - tip.top, 5);
  EXPECT_GE(tip.top, bar.top);
  EXPECT_LE(tip.bottom, bar.bottom);
  pump(700);
  EXPECT_TRUE(shown(L"KeloScrollForm").empty());
}

// The window in this container shows exactly what the Linux renderer paints for the same bar
// (tests/win/reference/bar-held.png, the bar 8 pixels into it) once the host has resized it and
// while its lower end button is held: the press repaints it. (The other looks are
// gdi_painter_test's, a plain bar's window density_test's.)
TEST_F(AtlContainer, AHeldButtonShowsWhatTheLinuxRendererPaints) {
  MoveWindow(bar_.host, 10, 10, 17, 160, TRUE);
  put(L"Max", 10);
  put(L"Value", 10);
  pump(150);
  pointTo(8, 155);
  button(true);
  pump(150);
  std::vector<uint32_t> shown = onScreen(bar_.window, 17, 160);
  button(false);
  pump(600);  // the tooltip's time
  keloscroll::host::PictureRef ref =
      keloscroll::host::Picture::load(std::string(KELO_REFERENCE_DIR) + "/bar-held.png");
  std::vector<uint32_t> want;
  for (int y = 0; y < 160; ++y)
    for (int x = 0; x < 17; ++x) want.push_back(ref->pixel(8 + x, 8 + y));
  EXPECT_EQ(firstDifference(shown, want, 17), "none");
}

// A drag moves the thumb: the pointer's moves while the button is held reach the control. (A press
// reaching it is every end-button test's, a key the page's in form_container_test; what a click on
// the track does is the Linux scenarios'.)
TEST_F(AtlContainer, ADragMovesTheThumb) {
  put(L"Max", 20);
  put(L"Value", 1);

  // The thumb (at the top of the track, below the 16-pixel button) grabbed and pulled 80 pixels
  // down, the pointer moving (absolute, in the screen's 0..65535) while the button is held: the
  // thumb's top follows the pointer.
  sink_.events.clear();
  pointTo(8, 20);
  button(true);
  pump(50);
  for (int y = 30; y <= 100; y += 10) {
    POINT p{8, y};
    ClientToScreen(bar_.window, &p);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    pump(30);
  }
  button(false);
  pump(100);
  EXPECT_EQ(value(), 11);
  EXPECT_GE(sink_.count(kChange), 1);
  EXPECT_EQ(sink_.count(kScroll), 0);
  pump(600);  // the tooltip's time
}

// A host that lets go of the bar inside its own handler: the handler destroys the form (the host
// window releases the control) and drops the test's references, during a key, a click on an end
// button, a repeat tick and a GetDescription. The control finishes what it was doing, then goes.
// A GetDescription handler that takes the client site back leaves the control working.
TEST_F(AtlContainer, AHostThatLetsGoOfTheBarInsideItsHandlersEndsItOnceTheyReturn) {
  auto letGo = [this] {
    bar_.point->Unadvise(bar_.cookie);
    bar_.point.reset();
    bar_.control.reset();
    DestroyWindow(std::exchange(bar_.top, nullptr));
  };
  auto dropSite = [this] {
    bar_.control.query<IOleObject>(IID_IOleObject)->SetClientSite(nullptr);
  };
  auto endButton = [this] {
    pointTo(8, 195);
    button(true);
  };
  const std::tuple<const char*, DISPID, int, std::function<void()>, std::function<void()>> cases[] =
      {{"key", kChange, 1, [] { key(VK_DOWN); }, letGo},
       {"click", kChange, 1, endButton, letGo},
       {"repeat tick", kChange, 3, endButton, letGo},
       {"description", kGetDescription, 1, endButton, letGo},
       {"site taken back", kGetDescription, 1, endButton, dropSite}};
  for (const auto& [what, event, nth, input, handler] : cases) {
    SCOPED_TRACE(what);
    TearDown();
    SetUp();
    put(L"Value", 10);
    SetFocus(bar_.window);
    int seen = 0;
    sink_.handler = [&, event = event, nth = nth](DISPID id) {
      if (id == event && ++seen == nth) handler();
    };
    input();
    for (int waited = 0; seen < nth && waited < 3000; waited += 50) pump(50);
    button(false);
    pump(100);
    sink_.handler = nullptr;
    EXPECT_EQ(seen, nth);
    if (bar_.control) {
      EXPECT_GT(value(), 10) << "still stepping";
    } else {
      EXPECT_EQ(canUnload(ocx_), S_OK) << "gone once its handlers returned";
    }
  }
  pump(600);  // the tooltip's time
}

// The library may go once the last control of any thread has: threads making and destroying bars
// in windows of their own at once each get every bar's window (the window class is the process's,
// registered with the first window of any thread and removed with the last), and factory locks
// taken and given back by several threads at once, each giving one back too many, leave none held.
TEST_F(AtlContainer, ReleasingTheLastControlOfAnyThreadLetsTheLibraryUnload) {
  EXPECT_EQ(canUnload(ocx_), S_FALSE);
  TearDown();  // the sink taken back, the control let go, the window destroyed
  EXPECT_EQ(canUnload(ocx_), S_OK);

  constexpr int kThreads = 4, kBars = 60;
  std::atomic<int> windowless{0};
  auto makeBars = [&] {
    OleInitialize(nullptr);
    for (int i = 0; i < kBars; ++i) {
      HWND host = CreateWindowExW(0, L"AtlAxWin", L"KeloScroll.UsrKeloScroll", WS_POPUP, 0, 0, 17,
                                  200, nullptr, nullptr, nullptr, nullptr);
      windowless += !host || !GetWindow(host, GW_CHILD);
      if (host) DestroyWindow(host);
      MSG m;
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    }
    OleUninitialize();
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back(makeBars);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(windowless.load(), 0) << "bars without a window";

  // Two threads take many locks, meet, and give back twice as many at once, the last of them
  // racing; they meet by spinning, so that both give back at the same moment.
  constexpr int kLockers = 2, kRounds = 200, kLocks = 100;
  CLSID clsid{};
  CLSIDFromProgID(L"KeloScroll.UsrKeloScroll", &clsid);
  kelo_test::Ptr<IClassFactory> factory;
  function<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(ocx_, "DllGetClassObject")(
      clsid, IID_IClassFactory, factory.putVoid());
  ASSERT_TRUE(factory);
  std::atomic<int> met{0}, lockLeft{0};
  auto lockAndUnlock = [&](int index) {
    int meetings = 0;
    auto meet = [&] {
      met.fetch_add(1);
      for (const int all = ++meetings * kLockers; met.load() < all;) {
      }
    };
    for (int round = 0; round < kRounds; ++round) {
      for (int i = 0; i < kLocks; ++i) factory->LockServer(TRUE);
      meet();
      for (int i = 0; i < 2 * kLocks; ++i) factory->LockServer(FALSE);
      meet();
      if (index == 0) lockLeft += canUnload(ocx_) != S_OK;
      meet();
    }
  };
  threads.clear();
  for (int i = 0; i < kLockers; ++i) threads.emplace_back(lockAndUnlock, i);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(lockLeft.load(), 0) << "rounds after which the count of locks was not zero";
  EXPECT_EQ(canUnload(ocx_), S_OK);
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  EXPECT_FALSE(GetClassInfoExW(ocx_, L"KeloScrollForm", &info)) << "the window class is left";
}

}  // namespace
