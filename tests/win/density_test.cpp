// KeloScroll.ocx on a screen of another density. One program, run once per density, each time in a
// Wine prefix whose display runs at it (KELO_WINE_DPI, which scripts/wine-run writes into the
// prefix and which the program also reads to know what to expect). In Wine's atl.dll host and in
// the form container of our own, the bar's window, its parts and the extent it reports follow the
// screen's dots per inch, and what the window shows is what the Linux renderer paints for the
// same twips at the same density (tests/win/reference/bar-<dpi>dpi.png).
// clang-format off
#include "tests/win/container_test_util.h"  // first: it brings the Windows headers in order
// clang-format on
#include <algorithm>
#include <cstdlib>
#include <string>

#include "host/picture.h"
#include "tests/win/form_container.h"
#include "tests/win/reference_scenes.h"

namespace {

using namespace container_test;
using form_container::Form;
using form_container::Placement;
using form_container::Site;
using kelo_test::Ptr;

int expectedDpi() {
  const char* v = std::getenv("KELO_WINE_DPI");
  return v ? std::atoi(v) : 96;
}

// Twips as the screen's pixels, and pixels as HIMETRIC, worked out here apart from the library.
int px(int twips) {
  return MulDiv(twips, expectedDpi(), 1440);
}
LONG himetric(int pixels) {
  return MulDiv(pixels, 2540, expectedDpi());
}

// The reference bar: 240 x 2400 twips, 120 twips into its picture, Max 100 and Value 60.
constexpr int kBarWidth = 240, kBarHeight = 2400, kBarInset = 120;

// The window's client area as it shows on the screen, against the reference picture.
void expectShowsReference(HWND window) {
  const int w = px(kBarWidth), h = px(kBarHeight), inset = px(kBarInset);
  RECT r{};
  GetClientRect(window, &r);
  ASSERT_EQ(std::pair(r.right, r.bottom), std::pair(LONG{w}, LONG{h}));
  std::vector<uint32_t> shown = onScreen(window, w, h);
  std::string name = "bar-" + std::to_string(expectedDpi()) + "dpi.png";
  keloscroll::host::PictureRef ref =
      keloscroll::host::Picture::load(std::string(KELO_REFERENCE_DIR) + "/" + name);
  ASSERT_EQ(std::pair(ref->width(), ref->height()), std::pair(w + 2 * inset, h + 2 * inset));
  keloscroll::reference::Difference d = keloscroll::reference::compare(
      w, h, [&](int x, int y) { return shown[static_cast<size_t>(y * w + x)] & 0xFFFFFFu; },
      [&](int x, int y) { return ref->pixel(inset + x, inset + y) & 0xFFFFFFu; }, {});
  EXPECT_LE(d.outsideText, keloscroll::reference::samplingSlack(expectedDpi()) * w * h)
      << d.firstOutside;
}

SIZEL extentOf(IUnknown* control) {
  SIZEL size{};
  auto object = kelo_test::query<IOleObject>(control, IID_IOleObject);
  EXPECT_EQ(object->GetExtent(DVASPECT_CONTENT, &size), S_OK);
  return size;
}

class Density : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_NO_FATAL_FAILURE(loadAtlHost(ocx_, atl_)); }

  // The prefix's display runs at the density this run is for.
  void SetUp() override {
    HDC dc = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(dc, LOGPIXELSY), expectedDpi()) << "LogPixels not set in the prefix";
    ReleaseDC(nullptr, dc);
  }

  // The control in atl.dll's host window, at 10,10 and `width` x `height` pixels on a top window.
  Ptr<IDispatch> inAtlHost(int width, int height) {
    Ptr<IUnknown> u = barInAtlHost(atl_, top_, host_, width, height, SIZE{500, 800});
    return u ? u.query<IDispatch>(IID_IDispatch) : Ptr<IDispatch>();
  }

  void TearDown() override {
    if (top_) DestroyWindow(top_);
    top_ = nullptr;
    pump(50);
  }

  static inline HMODULE ocx_ = nullptr;
  static inline HMODULE atl_ = nullptr;
  HWND top_ = nullptr, host_ = nullptr;
};

// Given 72 x 365 pixels, the control reports the HIMETRIC of those pixels at the screen's density
// (1270 x 6438 at 144 dpi); given the reference bar's pixels, it shows the reference picture:
// end buttons of 240 twips (16, 20, 24 or 32 pixels), the thumb where 60 of 100 stands.
TEST_F(Density, InTheAtlHostTheExtentAndThePictureFollowTheScreen) {
  Ptr<IDispatch> control = inAtlHost(72, 365);
  ASSERT_TRUE(control);
  SIZEL size = extentOf(control.get());
  EXPECT_EQ(std::pair(size.cx, size.cy), std::pair(himetric(72), himetric(365)));
  control.reset();
  TearDown();

  control = inAtlHost(px(kBarWidth), px(kBarHeight));
  ASSERT_TRUE(control);
  put(control.get(), L"Max", 100);
  put(control.get(), L"Value", 60);
  pump(150);
  HWND window = GetWindow(host_, GW_CHILD);
  ASSERT_NE(window, nullptr);
  expectShowsReference(window);
}

// Placed in twips on a form of our own, the control's window stands at those twips in the
// screen's pixels, reports the same twips as its extent, and draws the reference picture both in
// its window and through IViewObject::Draw into a DC of the screen.
TEST_F(Density, OnAFormThePlaceTheExtentAndTheDrawingFollowTheScreen) {
  Form* form = Form::create(px(2400), px(3600));
  ASSERT_NE(form, nullptr);
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"KeloScroll.UsrKeloScroll", &clsid), S_OK);
  Placement how;
  how.left = how.top = 600;
  how.width = kBarWidth;
  how.height = kBarHeight;
  Site* site = nullptr;
  ASSERT_EQ(form->place(clsid, how, &site), S_OK);
  pump(50);
  IDispatch* bar = kelo_test::query<IDispatch>(site->control(), IID_IDispatch).get();
  put(bar, L"Max", 100);
  put(bar, L"Value", 60);
  pump(150);

  HWND window = site->window();
  ASSERT_NE(window, nullptr);
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, form->hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(std::tuple(r.left, r.top, r.right - r.left, r.bottom - r.top),
            std::tuple(px(600), px(600), px(kBarWidth), px(kBarHeight)));
  SIZEL size = extentOf(site->control());
  EXPECT_EQ(std::pair(size.cx, size.cy),
            std::pair(himetric(px(kBarWidth)), himetric(px(kBarHeight))));
  expectShowsReference(window);

  // IViewObject::Draw at the DC's density: the same pixels as the window.
  std::vector<uint32_t> drawn =
      container_test::drawn(site->control(), px(kBarWidth), px(kBarHeight));
  std::vector<uint32_t> shown = onScreen(window, px(kBarWidth), px(kBarHeight));
  for (uint32_t& p : drawn) p &= 0xFFFFFFu;
  for (uint32_t& p : shown) p &= 0xFFFFFFu;
  auto at = std::mismatch(drawn.begin(), drawn.end(), shown.begin()).first - drawn.begin();
  EXPECT_EQ(at, px(kBarWidth) * px(kBarHeight))
      << "first differing pixel at " << at % px(kBarWidth) << ", " << at / px(kBarWidth);

  form->close();
  form->Release();
  pump(50);
}

}  // namespace
