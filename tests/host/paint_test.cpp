// Painting: colours, the form's widget tree rendered back to front and clipped to containers,
// each kind's classic look, and PNG files. Forms are built on the headless engine; the image is
// read back pixel by pixel.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <concepts>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/cairo_painter.h"
#include "host/painter.h"
#include "host/render.h"
#include "host_test_util.h"

namespace host {

// Printed by GoogleTest when a colour comparison fails.
void PrintTo(const Rgb& c, std::ostream* os) {
  *os << "RGB(" << int{c.r} << ", " << int{c.g} << ", " << int{c.b} << ")";
}

namespace testing {
namespace {

constexpr Rgb kFace{192, 192, 192}, kWhite{255, 255, 255}, kBlack{0, 0, 0};
constexpr Rgb kShadow{128, 128, 128}, kLight{223, 223, 223};
constexpr Rgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 255, 0};
// Host colour values are &H00BBGGRR; pictures are ARGB.
constexpr int32_t kHostRed = 0x0000FF, kHostBlue = 0xFF0000, kHostGreen = 0x00FF00;
constexpr uint32_t kArgbRed = Picture::rgb(255, 0, 0), kArgbBlue = Picture::rgb(0, 0, 255);

PictureRef solid(int w, int h, uint32_t argb) {
  return std::make_shared<Picture>(w, h, std::vector<uint32_t>(static_cast<size_t>(w * h), argb));
}

// Colours expected at points of an image.
struct Px {
  int x, y;
  Rgb color;
};
void ExpectPixels(const Canvas& c, const std::same_as<Px> auto&... expected) {
  for (const Px& p : {expected...}) EXPECT_EQ(c.rgb(p.x, p.y), p.color) << p.x << ", " << p.y;
}

// The extent of the pixels of a rectangle that satisfy `ink`.
struct Extent {
  int count = 0, minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};
template <class F>
Extent inkIn(const Canvas& c, const PixelRect& r, F&& ink) {
  Extent e;
  for (int y = r.top; y < r.bottom(); ++y) {
    for (int x = r.left; x < r.right(); ++x) {
      if (!ink(c.rgb(x, y))) continue;
      ++e.count;
      e.minX = std::min(e.minX, x);
      e.maxX = std::max(e.maxX, x);
      e.minY = std::min(e.minY, y);
      e.maxY = std::max(e.maxY, y);
    }
  }
  return e;
}
bool dark(Rgb c) {
  return c.r < 96 && c.g < 96 && c.b < 96;
}
auto is(Rgb want) {
  return [want](Rgb c) { return c == want; };
}

// A form of 320 x 240 pixels (4800 x 3600 twips); positions below are given in pixels.
class Paint : public HostTest {
 protected:
  template <class W>
  std::shared_ptr<W> put(ContainerWidget& c, const std::string& name, int l, int t, int w, int h) {
    auto widget = c.add<W>(name);
    widget->setRectTwips(TwipsRect{l * 15.0, t * 15.0, w * 15.0, h * 15.0});
    return widget;
  }
  std::shared_ptr<PictureBox> box(ContainerWidget& c, const std::string& name, int l, int t, int w,
                                  int h, int32_t backColor) {
    auto b = put<PictureBox>(c, name, l, t, w, h);
    b->setBackColor(backColor);
    return b;
  }
  // An image that stretches its picture over its rectangle.
  std::shared_ptr<Image> image(ContainerWidget& c, const std::string& name, int l, int t, int w,
                               int h, PictureRef picture) {
    auto i = put<Image>(c, name, l, t, w, h);
    i->setPicture(std::move(picture));
    i->setStretch(true);
    return i;
  }
  Canvas render() const { return renderForm(*form); }
};

// The scheme's shadow, highlight and 3-D colours show in the borders below.
TEST(PaintColors, SystemColoursFollowTheClassicSchemeAndPlainColoursReadAsBgr) {
  EXPECT_EQ(resolveColor(syscolor::ButtonFace), kFace);
  EXPECT_EQ(resolveColor(static_cast<int32_t>(0x80000005)), kWhite);
  EXPECT_EQ(resolveColor(static_cast<int32_t>(0x80000018)), (Rgb{255, 255, 225}));
  EXPECT_EQ(resolveColor(syscolor::Highlight), (Rgb{0, 0, 128}));
  EXPECT_EQ(systemColor(99), kBlack);
  EXPECT_EQ(resolveColor(kHostRed), kRed);
  EXPECT_EQ(resolveColor(0x332211), (Rgb{0x11, 0x22, 0x33}));
}

TEST(PaintGeometry, TwipsRoundToPixelsHalvesUp) {
  const std::pair<double, int> cases[] = {{0, 0},   {7, 0},    {7.5, 1},
                                          {100, 7}, {-22, -1}, {1e30, 100000000}};
  for (auto [twips, pixels] : cases) EXPECT_EQ(toPixels(twips), pixels) << twips;
  PixelRect r{10, 20, 5, 4};
  EXPECT_EQ(r.inset(1), (PixelRect{11, 21, 3, 2}));
  EXPECT_TRUE(r.inset(2).empty());
  EXPECT_EQ(r.intersect(PixelRect{12, 0, 100, 22}), (PixelRect{12, 20, 3, 2}));
  EXPECT_TRUE(r.intersect(PixelRect{0, 0, 10, 10}).empty());
}

TEST_F(Paint, TheImageIsTheFormsClientAreaAndWidgetsThatTouchInTwipsTouchInPixels) {
  auto a = image(*form, "A", 0, 0, 1, 1, solid(1, 1, kArgbRed));
  a->setRectTwips(TwipsRect{0, 0, 100, 150});
  auto b = image(*form, "B", 0, 0, 1, 1, solid(1, 1, kArgbBlue));
  b->setRectTwips(TwipsRect{100, 0, 100, 150});
  EXPECT_EQ(pixelRect(*a), (PixelRect{0, 0, 7, 10}));
  EXPECT_EQ(pixelRect(*b), (PixelRect{7, 0, 6, 10}));
  // A window's rectangle is where it is drawn, also at half pixels.
  auto button = form->add<CommandButton>("Btn");
  button->Move(127.5, 0, 150, 150);
  Rect window = engine.GetWindowRect(button->hwnd());
  PixelRect drawn = pixelRect(*button);
  EXPECT_EQ(window.left, drawn.left);
  EXPECT_EQ(window.right, drawn.right());
  button->setVisible(false);
  ExpectPixels(render(), Px{6, 5, kRed}, Px{7, 5, kBlue}, Px{12, 5, kBlue}, Px{13, 5, kFace});

  form->setRectTwips(TwipsRect{0, 0, 4807, 1500});  // 320.47 x 100 pixels
  form->setVisible(false);                          // a hidden form still shows what is on it
  Canvas c = render();
  EXPECT_EQ(c.width(), 320);
  EXPECT_EQ(c.height(), 100);
  ExpectPixels(c, Px{13, 0, kFace}, Px{319, 99, kFace}, Px{0, 0, kRed});
  form->setRectTwips(TwipsRect{0, 0, 15.0 * 20000, 1500});
  EXPECT_EQ(errorOf([&] { render(); }), err::OutOfMemory);
}

TEST_F(Paint, APictureBoxShowsItsBackColorAndPictureBehindItsChildrenClippedToItsInside) {
  // Its own picture sits at its natural size in its corner, behind its children.
  auto plain = box(*form, "Plain", 10, 20, 40, 30, kHostGreen);
  plain->setPicture(solid(4, 3, kArgbBlue));
  image(*plain, "Img1", 0, 0, 2, 2, solid(1, 1, kArgbRed));
  // A bordered one is sunken, and its children start inside the border and are clipped there.
  auto sunken = box(*form, "Sunken", 60, 20, 40, 30, kHostGreen);
  sunken->setBorderStyle(1);
  image(*sunken, "Big", -5, -5, 100, 100, solid(1, 1, kArgbRed));
  image(*sunken, "Corner", 0, 0, 3, 3, solid(1, 1, kArgbBlue));
  EXPECT_EQ(pixelRect(*plain), (PixelRect{10, 20, 40, 30}));
  EXPECT_EQ(innerPixelRect(*sunken), (PixelRect{62, 22, 36, 26}));
  ExpectPixels(render(), Px{11, 21, kRed}, Px{12, 21, kBlue}, Px{13, 22, kBlue}, Px{14, 20, kGreen},
               Px{10, 23, kGreen}, Px{49, 49, kGreen}, Px{9, 20, kFace}, Px{10, 19, kFace},
               Px{50, 20, kFace}, Px{10, 50, kFace}, Px{60, 30, kShadow}, Px{61, 30, kBlack},
               Px{99, 30, kWhite}, Px{98, 30, kLight}, Px{62, 22, kBlue}, Px{64, 24, kBlue},
               Px{65, 25, kRed}, Px{97, 47, kRed}, Px{59, 25, kFace}, Px{100, 25, kFace},
               Px{75, 50, kFace}, Px{75, 19, kFace});
  sunken->setBorderStyle(0);              // without the border the children reach the edge
  plain->setBackColor(syscolor::Window);  // a system colour as back colour
  ExpectPixels(render(), Px{60, 20, kBlue}, Px{99, 49, kRed}, Px{30, 35, kWhite});

  // A user scale changes the numbers, not the pixels.
  auto scaled = box(*form, "Scaled", 0, 100, 40, 40, kHostGreen);
  scaled->setScaleHeight(100);
  scaled->setScaleWidth(100);
  // The lower right quarter's upper left part: 20, 120, 10 x 10 pixels.
  image(*scaled, "Img2", 0, 0, 1, 1, solid(1, 1, kArgbRed))->Move(50, 50, 25, 25);
  ExpectPixels(render(), Px{19, 125, kGreen}, Px{20, 120, kRed}, Px{29, 129, kRed},
               Px{30, 125, kGreen});
}

TEST_F(Paint, ImagesStretchByWholePixelsOrShowTheNaturalSizeAndBlendTranslucentPixels) {
  // Scaled by whole pixels, not smoothed: left half red, right half blue.
  auto img = image(*form, "Img1", 20, 10, 30, 20,
                   std::make_shared<Picture>(2, 1, std::vector<uint32_t>{kArgbRed, kArgbBlue}));
  Canvas c = render();
  EXPECT_EQ(inkIn(c, pixelRect(*img), is(kRed)).count, 15 * 20);
  EXPECT_EQ(inkIn(c, pixelRect(*img), is(kBlue)).count, 15 * 20);
  ExpectPixels(c, Px{20, 15, kRed}, Px{34, 29, kRed}, Px{35, 10, kBlue}, Px{49, 29, kBlue},
               Px{19, 10, kFace}, Px{50, 29, kFace});
  img->setStretch(false);
  ExpectPixels(render(), Px{20, 10, kRed}, Px{21, 10, kBlue}, Px{22, 10, kFace}, Px{20, 11, kFace});
  img->setPicture(nullptr);  // without a picture an image shows what lies behind it
  EXPECT_EQ(render().rgb(20, 10), kFace);

  // Translucent pictures blend with what lies behind.
  auto black = box(*form, "Black", 0, 0, 10, 10, 0);
  image(*black, "Img2", 0, 0, 10, 10, solid(1, 1, 0x80FF0000u));  // half-transparent red
  Rgb p = render().rgb(5, 5);
  EXPECT_NEAR(p.r, 128, 2);
  EXPECT_EQ(p.g + p.b, 0);
}

TEST_F(Paint, LaterSiblingsPaintOverEarlierOnesAndInvisibleOnesNotAtAll) {
  auto a = box(*form, "A", 10, 10, 40, 40, kHostRed);
  box(*form, "B", 30, 30, 40, 40, kHostBlue);
  ExpectPixels(render(), Px{35, 35, kBlue}, Px{15, 15, kRed}, Px{60, 60, kBlue});
  a->ZOrder(0);
  ExpectPixels(render(), Px{35, 35, kRed}, Px{49, 49, kRed}, Px{60, 60, kBlue});

  // Invisible widgets and everything in them are not painted.
  box(*a, "Inner", 5, 5, 10, 10, kHostGreen);
  box(*a, "Hidden", 25, 25, 10, 10, kHostGreen)->setVisible(false);
  ExpectPixels(render(), Px{20, 20, kGreen}, Px{40, 40, kRed});
  a->setVisible(false);
  ExpectPixels(render(), Px{20, 20, kFace}, Px{12, 12, kFace}, Px{40, 40, kBlue});
  put<Timer>(*form, "T", 0, 0, 100, 100);  // a timer shows nothing, visible or not
  EXPECT_EQ(render().rgb(5, 5), kFace);
}

TEST_F(Paint, AButtonIsRaisedSinksWhileTheMouseHoldsItAndMayCentreAPicture) {
  auto b = put<CommandButton>(*form, "Cmd1", 20, 20, 60, 24);
  b->setCaption("OK");
  Canvas c = render();
  // Outer and inner ring, left and right, and the outer bottom.
  ExpectPixels(c, Px{20, 30, kLight}, Px{21, 30, kWhite}, Px{79, 30, kBlack}, Px{78, 30, kShadow},
               Px{50, 43, kBlack}, Px{24, 24, kFace});
  Extent text = inkIn(c, pixelRect(*b).inset(2), dark);  // the caption is centred
  ASSERT_GT(text.count, 0);
  EXPECT_NEAR((text.minX + text.maxX) / 2.0, 50, 2.5);
  EXPECT_NEAR((text.minY + text.maxY) / 2.0, 32, 3);

  engine.mouseDown(*form, 50 * 15, 30 * 15, mouse::Left);
  ASSERT_TRUE(b->pressed());
  c = render();
  ExpectPixels(c, Px{20, 30, kShadow}, Px{21, 30, kBlack}, Px{79, 30, kWhite}, Px{78, 30, kLight});
  Extent pressed = inkIn(c, pixelRect(*b).inset(2), dark);  // one pixel right and down
  EXPECT_EQ(pressed.minX, text.minX + 1);
  EXPECT_EQ(pressed.minY, text.minY + 1);
  engine.mouseUp(*form, 50 * 15, 30 * 15, mouse::Left);
  EXPECT_EQ(render().rgb(20, 30), kLight);

  // A graphical button centres its picture, inside the border; a standard one ignores it.
  auto g = put<CommandButton>(*form, "Cmd2", 100, 20, 30, 30);
  g->setPicture(solid(4, 4, kArgbRed));
  EXPECT_EQ(inkIn(render(), pixelRect(*g), is(kRed)).count, 0);
  g->setStyle(1);
  ExpectPixels(render(), Px{113, 33, kRed}, Px{116, 36, kRed}, Px{112, 33, kFace},
               Px{117, 36, kFace}, Px{113, 32, kFace}, Px{116, 37, kFace}, Px{100, 30, kLight});
  g->setPicture(solid(40, 40, kArgbRed));
  ExpectPixels(render(), Px{102, 22, kRed}, Px{101, 30, kWhite}, Px{99, 30, kFace});
}

TEST_F(Paint, ATextBoxShowsItsBorderBackColorAndTextInItsForeColor) {
  auto t = put<TextBox>(*form, "Txt1", 10, 10, 100, 20);
  t->setBackColor(syscolor::InfoBackground);
  t->setForeColor(kHostBlue);
  t->setText("Hello");
  t->setAppearance(0);
  Canvas c = render();
  Rgb tip{255, 255, 225};
  // A thin flat border.
  ExpectPixels(c, Px{10, 10, kBlack}, Px{109, 29, kBlack}, Px{11, 11, tip}, Px{108, 28, tip});
  // The text is ink of its fore colour, within the width text measurement gives it.
  Extent ink = inkIn(c, pixelRect(*t).inset(1), [](Rgb p) { return p.b > 150 && p.r < 150; });
  ASSERT_GT(ink.count, 10);
  int measured = toPixels(form->TextWidth("Hello"));
  EXPECT_GE(ink.minX, 12);
  EXPECT_LE(ink.maxX, 12 + measured);
  EXPECT_GT(ink.maxX, 12 + measured / 2);
  t->setAppearance(1);  // a sunken 3-D border
  ExpectPixels(render(), Px{10, 15, kShadow}, Px{11, 15, kBlack}, Px{109, 15, kWhite});

  // A flat box one line high, as a tooltip is sized, shows its descenders whole: the ink spans
  // as many rows as in a box with room to spare.
  auto inkRows = [&](float height) {
    t->Move(10 * 15, 10 * 15, 100 * 15, height);
    Extent e =
        inkIn(render(), pixelRect(*t).inset(1), [](Rgb p) { return p.b > 150 && p.r < 150; });
    return e.maxY - e.minY;
  };
  t->setAppearance(0);
  t->setText("Ajgpqy");
  int roomy = inkRows(40 * 15);
  EXPECT_EQ(inkRows(form->TextHeight("Ajgpqy")), roomy);
}

TEST_F(Paint, ALabelAlignsItsCaptionAndGreysItWhenDisabled) {
  auto l = put<Label>(*form, "Lbl1", 10, 10, 200, 20);
  l->setCaption("Hi there");
  int measured = toPixels(form->TextWidth("Hi there"));
  auto extent = [&](auto ink) { return inkIn(render(), pixelRect(*l), ink); };
  Extent left = extent(dark);
  ASSERT_GT(left.count, 0);
  EXPECT_LT(left.minX, 13);
  EXPECT_LE(left.maxX, 10 + measured);
  l->setAlignment(1);
  Extent right = extent(dark);
  EXPECT_GE(right.minX, 210 - measured);
  EXPECT_GT(right.maxX, 205);
  l->setAlignment(2);
  Extent centre = extent(dark);
  EXPECT_NEAR((centre.minX + centre.maxX) / 2.0, 110, 3);
  l->setEnabled(false);
  EXPECT_EQ(extent(dark).count, 0);
  EXPECT_GT(extent(is(kShadow)).count, 0);
}

TEST_F(Paint, ACheckBoxShowsItsCheckOnlyWhenChecked) {
  auto cb = put<CheckBox>(*form, "Chk1", 10, 10, 120, 17);
  cb->setCaption("Option");
  PixelRect inBox = PixelRect{10, 12, 13, 13}.inset(2);
  Canvas c = render();
  ExpectPixels(c, Px{10, 15, kShadow}, Px{15, 14, kWhite});
  EXPECT_EQ(inkIn(c, inBox, dark).count, 0);
  EXPECT_GT(inkIn(c, PixelRect{27, 10, 100, 17}, dark).count, 0);  // the caption
  cb->setValue(1);
  EXPECT_EQ(inkIn(render(), inBox, dark).count, 21);
  cb->setValue(2);  // grayed: a grey check on the face colour
  c = render();
  EXPECT_EQ(inkIn(c, inBox, is(kShadow)).count, 21);
  EXPECT_EQ(c.rgb(14, 16), kFace);
}

TEST_F(Paint, AFrameHasAnEtchedBorderACaptionAndClipsItsChildren) {
  auto f = put<Frame>(*form, "Fra1", 10, 10, 100, 60);
  f->setCaption("Group");
  box(*f, "Pic1", 90, 50, 30, 30, kHostRed);
  Canvas c = render();
  int lineH = toPixels(text::lineHeightTwips(8, false));
  // A groove, grey then white, that starts half a line down; the caption on it.
  ExpectPixels(c, Px{10, 40, kShadow}, Px{11, 40, kWhite}, Px{80, 10 + lineH / 2, kShadow},
               Px{80, 10, kFace}, Px{105, 65, kRed}, Px{110, 65, kFace}, Px{105, 70, kFace});
  EXPECT_GT(inkIn(c, PixelRect{18, 10, 40, lineH}, dark).count, 0);
}

TEST_F(Paint, APngHasTheFormsSizeAndColoursAndAPathThatCannotBeWrittenIsError75) {
  struct TempDir {
    std::filesystem::path path =
        std::filesystem::path(::testing::TempDir()) / ("kelo-paint-" + std::to_string(::getpid()));
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() { std::filesystem::remove_all(path); }
  } dir;
  form->setRectTwips(TwipsRect{0, 0, 1500, 900});
  box(*form, "Pic1", 0, 0, 50, 60, kHostBlue);
  std::string path = (dir.path / "form.png").string();
  PixelSize size = writePng(*form, path);
  EXPECT_EQ(size.width, 100);
  EXPECT_EQ(size.height, 60);
  PictureRef read = Picture::load(path);  // decoded by a library of its own
  EXPECT_EQ(read->width(), 100);
  EXPECT_EQ(read->height(), 60);
  EXPECT_EQ(read->pixel(10, 10), 0xFF0000FFu);
  EXPECT_EQ(read->pixel(80, 10), 0xFFC0C0C0u);

  std::ofstream(dir.path / "plain").put('x');
  for (std::string bad : {(dir.path / "missing" / "x.png").string(),
                          (dir.path / "plain" / "x.png").string(), dir.path.string()}) {
    try {
      writePng(*form, bad);
      ADD_FAILURE() << "wrote " << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), err::PathFileAccess);
      EXPECT_NE(e.description().find("Path/File access error"), std::string::npos);
      EXPECT_NE(e.description().find(bad), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace testing
}  // namespace host
