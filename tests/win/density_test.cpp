// KeloScroll.ocx on a screen of another density. One program, run once per density, each time in a
// Wine prefix whose display runs at it (KELO_WINE_DPI, which scripts/wine-run writes into the
// prefix and which the program also reads to know what to expect). On the form container of our
// own, the bar's window, its parts and the extent it reports follow the screen's dots per inch,
// and what the window shows is what the Linux renderer paints for the same twips at the same
// density (tests/win/reference/bar-<dpi>dpi.png); in Wine's atl.dll host, a client's pictures are
// drawn at the size they take on the screen.
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

class Density : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_NO_FATAL_FAILURE(loadAtlHost(ocx_, atl_)); }
  void TearDown() override { bar_.close(); }

  static inline HMODULE ocx_ = nullptr;
  static inline HMODULE atl_ = nullptr;
  AtlBar bar_;
};

// Placed in twips on a form of our own, the control's window stands at those twips in the
// screen's pixels, reports the same twips as its extent, and draws the reference picture both in
// its window and through IViewObject::Draw into a DC of the screen: end buttons of 240 twips (16,
// 20, 24 or 32 pixels), the thumb where 60 of 100 stands.
TEST_F(Density, OnAFormThePlaceTheExtentAndTheDrawingFollowTheScreen) {
  const int w = px(kBarWidth), h = px(kBarHeight), inset = px(kBarInset);
  Form* form = Form::create(px(2400), px(3600));
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"KeloScroll.UsrKeloScroll", &clsid), S_OK);
  Placement how{.left = 600, .top = 600, .width = kBarWidth, .height = kBarHeight};
  Site* site = nullptr;
  ASSERT_EQ(form->place(clsid, how, &site), S_OK);
  pump(50);
  IDispatch* bar = kelo_test::query<IDispatch>(site->control(), IID_IDispatch).get();
  put(bar, L"Max", 100);
  put(bar, L"Value", 60);
  pump(150);

  HWND window = site->window();
  ASSERT_NE(window, nullptr);
  RECT r = inParent(window);
  EXPECT_EQ(std::tuple(r.left, r.top, r.right - r.left, r.bottom - r.top),
            std::tuple(px(600), px(600), w, h));
  SIZEL size{};
  EXPECT_EQ(site->control()->GetExtent(DVASPECT_CONTENT, &size), S_OK);
  EXPECT_EQ(std::pair(size.cx, size.cy), std::pair(himetric(w), himetric(h)));

  // The window shows the reference picture's bar (tests/win/reference/bar-<dpi>dpi.png), and
  // IViewObject::Draw at the DC's density draws the same pixels.
  std::vector<uint32_t> shown = onScreen(window, w, h);
  keloscroll::host::PictureRef ref = keloscroll::host::Picture::load(
      std::string(KELO_REFERENCE_DIR) + "/bar-" + std::to_string(expectedDpi()) + "dpi.png");
  ASSERT_EQ(std::pair(ref->width(), ref->height()), std::pair(w + 2 * inset, h + 2 * inset));
  keloscroll::reference::Difference d = keloscroll::reference::compare(
      w, h, [&](int x, int y) { return shown[static_cast<size_t>(y * w + x)] & 0xFFFFFFu; },
      [&](int x, int y) { return ref->pixel(inset + x, inset + y) & 0xFFFFFFu; }, {});
  EXPECT_LE(d.outsideText, keloscroll::reference::samplingSlack(expectedDpi()) * w * h)
      << d.firstOutside;
  EXPECT_EQ(firstDifference(container_test::drawn(site->control(), w, h), shown, w), "none");

  form->close();
  form->Release();
  pump(50);
}

// A picture object of the platform's holding a metafile of w x h pixels of this screen: white,
// crossed by a one-pixel line and ringed by an ellipse, which only a drawing at the size shown
// keeps one pixel thin. (Wine sizes no enhanced metafile given this way: a classic one, drawn in
// HIMETRIC.)
Ptr<IPicture> metafile(int w, int h) {
  const int hw = himetric(w), hh = himetric(h);
  HDC dc = CreateMetaFileW(nullptr);
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Rectangle(dc, 0, 0, hw, hh);
  Ellipse(dc, 0, 0, hw, hh);
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, hw, hh);
  PICTDESC d{0, PICTYPE_METAFILE, {}};
  d.wmf = {CloseMetaFile(dc), hw, hh};
  return kelo_test::pictureOf(d);
}

void putPicture(IDispatch* bar, const wchar_t* name, IUnknown* picture) {
  auto disp = kelo_test::query<IDispatch>(picture, IID_IDispatch);
  EXPECT_EQ(kelo_test::call(bar, kelo_test::idOf(bar, name), DISPATCH_PROPERTYPUTREF,
                            {kelo_test::Var::dispatch(disp.get())})
                .hr,
            S_OK)
      << name;
  pump(100);
}

// A client's pictures are drawn at the size they take on this screen: a metafile stretched over
// the thumb shows as the metafile's own rendering at the thumb's size (not as its pixels at
// another size, stretched), and a 16 x 16 icon on an end button shows its own 16 x 16 pixels
// (not the 11 x 11 its measure makes at 96 dpi on a screen of 144).
TEST_F(Density, AClientsPicturesAreDrawnAtTheSizeTheyTakeOnTheScreen) {
  // In atl.dll's host window, at 10,10 on a top window.
  ASSERT_NO_FATAL_FAILURE(bar_.open(atl_, px(kBarWidth), px(kBarHeight), SIZE{500, 800}));
  IDispatch* bar = bar_.control.get();
  put(bar, L"Max", 100);
  put(bar, L"Value", 60);
  HWND window = bar_.window;
  const int w = px(kBarWidth);
  auto screen = [&] {  // what the window shows, each pixel 0xRRGGBB
    std::vector<uint32_t> shown = onScreen(window, w, px(kBarHeight));
    for (uint32_t& p : shown) p &= 0xFFFFFFu;
    return shown;
  };

  // The thumb's place, found by a picture of one magenta pixel stretched over it.
  const uint32_t magenta = 0xFF00FF;
  PICTDESC d{0, PICTYPE_BITMAP, {}};
  d.bmp.hbitmap = CreateBitmap(1, 1, 1, 32, &magenta);
  Ptr<IPicture> solid = kelo_test::pictureOf(d);
  putPicture(bar, L"PictureCursor", solid.get());
  std::vector<uint32_t> shown = screen();
  RECT thumb{w, px(kBarHeight), 0, 0};
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] != magenta) continue;
    const LONG x = static_cast<LONG>(i) % w, y = static_cast<LONG>(i) / w;
    thumb = {std::min(thumb.left, x), std::min(thumb.top, y), std::max(thumb.right, x + 1),
             std::max(thumb.bottom, y + 1)};
  }
  const int tw = thumb.right - thumb.left, th = thumb.bottom - thumb.top;
  ASSERT_GT(tw, 0);

  Ptr<IPicture> drawing = metafile(10, 7);
  putPicture(bar, L"PictureCursor", drawing.get());
  OLE_XSIZE_HIMETRIC hw = 0;
  OLE_YSIZE_HIMETRIC hh = 0;
  drawing->get_Width(&hw);
  drawing->get_Height(&hh);
  std::vector<uint32_t> want = paintInto(tw, th, [&](HDC dc) {
    EXPECT_EQ(drawing->Render(dc, 0, 0, tw, th, 0, hh, hw, -hh, nullptr), S_OK);
  });
  shown = screen();
  int differing = 0;
  for (int y = 0; y < th; ++y) {
    for (int x = 0; x < tw; ++x) {
      differing += shown[static_cast<size_t>((thumb.top + y) * w + thumb.left + x)] !=
                   (want[static_cast<size_t>(y * tw + x)] & 0xFFFFFFu);
    }
  }
  EXPECT_EQ(differing, 0) << "of the thumb's " << tw << " x " << th << " pixels";

  // The icon's right half is red; centred on the button, it is clipped by the button's border of
  // two pixels.
  Ptr<IPictureDisp> icon = kelo_test::halfTransparentIcon();
  putPicture(bar, L"PictureSXUP", icon.get());
  shown = screen();
  const int side = px(240), left = (side - 16) / 2;
  auto within = [side](int from, int to) {
    return std::max(0, std::min(to, side - 2) - std::max(from, 2));
  };
  int red = 0;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) red += shown[static_cast<size_t>(y * w + x)] == 0xFF0000u;
  }
  EXPECT_EQ(red, within(left + 8, left + 16) * within(left, left + 16));
}

}  // namespace
