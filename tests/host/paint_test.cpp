// Painting: colours, the form's widget tree rendered back to front and clipped to containers,
// each kind's classic look, and PNG files. Forms are built on the headless engine; the image is
// read back pixel by pixel.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
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

constexpr Rgb kFace{192, 192, 192};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kShadow{128, 128, 128};
constexpr Rgb kLight{223, 223, 223};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 255, 0};

// Host colour values are &H00BBGGRR.
constexpr int32_t kHostRed = 0x0000FF;
constexpr int32_t kHostBlue = 0xFF0000;
constexpr int32_t kHostGreen = 0x00FF00;

PictureRef solid(int w, int h, uint32_t argb) {
  return std::make_shared<Picture>(w, h, std::vector<uint32_t>(static_cast<size_t>(w * h), argb));
}

// The columns (or rows) of a rectangle where a pixel satisfies `ink`.
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

// A form of 320 x 240 pixels (4800 x 3600 twips); positions below are given in pixels.
class Paint : public HostTest {
 protected:
  template <class W>
  std::shared_ptr<W> put(ContainerWidget& c, const std::string& name, int l, int t, int w, int h) {
    auto widget = c.add<W>(name);
    widget->setRectTwips(TwipsRect{l * 15.0, t * 15.0, w * 15.0, h * 15.0});
    return widget;
  }
  Canvas render() const { return renderForm(*form); }
};

TEST(PaintColors, SystemColoursFollowTheClassicSchemeAndPlainColoursReadAsBgr) {
  EXPECT_EQ(resolveColor(syscolor::ButtonFace), kFace);
  EXPECT_EQ(resolveColor(static_cast<int32_t>(0x80000005)), kWhite);
  EXPECT_EQ(resolveColor(static_cast<int32_t>(0x80000018)), (Rgb{255, 255, 225}));
  EXPECT_EQ(resolveColor(static_cast<int32_t>(0x80000017)), kBlack);
  EXPECT_EQ(resolveColor(syscolor::WindowText), kBlack);
  EXPECT_EQ(resolveColor(syscolor::ButtonShadow), kShadow);
  EXPECT_EQ(resolveColor(syscolor::ButtonHighlight), kWhite);
  EXPECT_EQ(resolveColor(syscolor::Light3D), kLight);
  EXPECT_EQ(resolveColor(syscolor::Highlight), (Rgb{0, 0, 128}));
  EXPECT_EQ(systemColor(99), kBlack);
  EXPECT_EQ(resolveColor(kHostRed), kRed);
  EXPECT_EQ(resolveColor(kHostBlue), kBlue);
  EXPECT_EQ(resolveColor(0x332211), (Rgb{0x11, 0x22, 0x33}));
}

TEST(PaintGeometry, TwipsRoundToPixelsAndTouchingWidgetsTouch) {
  EXPECT_EQ(toPixels(0), 0);
  EXPECT_EQ(toPixels(7), 0);
  EXPECT_EQ(toPixels(7.5), 1);
  EXPECT_EQ(toPixels(100), 7);  // 6.67
  EXPECT_EQ(toPixels(-22), -1);
  EXPECT_EQ(toPixels(1e30), 100000000);  // far away, but no overflow
  PixelRect r{10, 20, 5, 4};
  EXPECT_EQ(r.inset(1), (PixelRect{11, 21, 3, 2}));
  EXPECT_TRUE(r.inset(2).empty());
  EXPECT_EQ(r.intersect(PixelRect{12, 0, 100, 22}), (PixelRect{12, 20, 3, 2}));
  EXPECT_TRUE(r.intersect(PixelRect{0, 0, 10, 10}).empty());
}

TEST_F(Paint, TouchingWidgetsTouchInPixelsToo) {
  auto a = form->add<Image>("A");
  a->setRectTwips(TwipsRect{0, 0, 100, 150});
  a->setPicture(solid(1, 1, Picture::rgb(255, 0, 0)));
  a->setStretch(true);
  auto b = form->add<Image>("B");
  b->setRectTwips(TwipsRect{100, 0, 100, 150});
  b->setPicture(solid(1, 1, Picture::rgb(0, 0, 255)));
  b->setStretch(true);
  EXPECT_EQ(pixelRect(*a), (PixelRect{0, 0, 7, 10}));
  EXPECT_EQ(pixelRect(*b), (PixelRect{7, 0, 6, 10}));
  Canvas c = render();
  EXPECT_EQ(c.rgb(6, 5), kRed);
  EXPECT_EQ(c.rgb(7, 5), kBlue);
  EXPECT_EQ(c.rgb(12, 5), kBlue);
  EXPECT_EQ(c.rgb(13, 5), kFace);
}

TEST_F(Paint, TheImageIsTheFormsClientAreaInButtonFace) {
  form->setRectTwips(TwipsRect{0, 0, 4807, 1500});  // 320.47 x 100 pixels
  Canvas c = render();
  EXPECT_EQ(c.width(), 320);
  EXPECT_EQ(c.height(), 100);
  EXPECT_EQ(c.rgb(0, 0), kFace);
  EXPECT_EQ(c.rgb(319, 99), kFace);
  // A hidden form still shows what is on it.
  form->setVisible(false);
  EXPECT_EQ(render().rgb(5, 5), kFace);
  form->setRectTwips(TwipsRect{0, 0, 15.0 * 20000, 1500});
  EXPECT_EQ(errorOf([&] { render(); }), err::OutOfMemory);
}

TEST_F(Paint, APictureBoxShowsItsBackColorInsideAndTheFormAround) {
  auto pic = put<PictureBox>(*form, "Pic1", 10, 20, 40, 30);
  pic->setBackColor(kHostRed);
  EXPECT_EQ(pixelRect(*pic), (PixelRect{10, 20, 40, 30}));
  Canvas c = render();
  EXPECT_EQ(c.rgb(10, 20), kRed);
  EXPECT_EQ(c.rgb(49, 49), kRed);
  EXPECT_EQ(c.rgb(30, 35), kRed);
  EXPECT_EQ(c.rgb(9, 20), kFace);
  EXPECT_EQ(c.rgb(10, 19), kFace);
  EXPECT_EQ(c.rgb(50, 20), kFace);
  EXPECT_EQ(c.rgb(10, 50), kFace);
  // A system colour as back colour.
  pic->setBackColor(syscolor::Window);
  EXPECT_EQ(render().rgb(30, 35), kWhite);
}

TEST_F(Paint, APictureBoxsOwnPictureSitsAtNaturalSizeInItsCornerBehindItsChildren) {
  auto pic = put<PictureBox>(*form, "Pic1", 10, 20, 40, 30);
  pic->setBackColor(kHostGreen);
  pic->setPicture(solid(4, 3, Picture::rgb(0, 0, 255)));
  Canvas c = render();
  EXPECT_EQ(c.rgb(10, 20), kBlue);
  EXPECT_EQ(c.rgb(13, 22), kBlue);
  EXPECT_EQ(c.rgb(14, 20), kGreen);
  EXPECT_EQ(c.rgb(10, 23), kGreen);
  EXPECT_EQ(c.rgb(49, 49), kGreen);
  // A child in the same corner covers the picture.
  auto img = put<Image>(*pic, "Img1", 0, 0, 2, 2);
  img->setPicture(solid(1, 1, Picture::rgb(255, 0, 0)));
  img->setStretch(true);
  c = render();
  EXPECT_EQ(c.rgb(11, 21), kRed);
  EXPECT_EQ(c.rgb(12, 21), kBlue);
}

TEST_F(Paint, ABorderedPictureBoxIsSunkenAndItsChildrenStartInsideTheBorder) {
  auto pic = put<PictureBox>(*form, "Pic1", 10, 20, 40, 30);
  pic->setBorderStyle(1);
  pic->setBackColor(kHostGreen);
  auto img = put<Image>(*pic, "Img1", 0, 0, 3, 3);
  img->setPicture(solid(1, 1, Picture::rgb(255, 0, 0)));
  img->setStretch(true);
  EXPECT_EQ(innerPixelRect(*pic), (PixelRect{12, 22, 36, 26}));
  Canvas c = render();
  EXPECT_EQ(c.rgb(10, 30), kShadow);  // outer ring, left
  EXPECT_EQ(c.rgb(11, 30), kBlack);   // inner ring, left
  EXPECT_EQ(c.rgb(49, 30), kWhite);   // outer ring, right
  EXPECT_EQ(c.rgb(48, 30), kLight);   // inner ring, right
  EXPECT_EQ(c.rgb(12, 22), kRed);
  EXPECT_EQ(c.rgb(15, 25), kGreen);
}

TEST_F(Paint, ChildrenAreClippedToTheirContainersInnerArea) {
  auto pic = put<PictureBox>(*form, "Pic1", 10, 20, 40, 30);
  pic->setBackColor(kHostGreen);
  auto img = put<Image>(*pic, "Big", -5, -5, 100, 100);
  img->setPicture(solid(1, 1, Picture::rgb(255, 0, 0)));
  img->setStretch(true);
  Canvas c = render();
  EXPECT_EQ(c.rgb(10, 20), kRed);
  EXPECT_EQ(c.rgb(49, 49), kRed);
  EXPECT_EQ(c.rgb(9, 25), kFace);
  EXPECT_EQ(c.rgb(50, 25), kFace);
  EXPECT_EQ(c.rgb(25, 50), kFace);
  EXPECT_EQ(c.rgb(25, 19), kFace);
}

TEST_F(Paint, AUserScaleChangesTheNumbersNotThePixels) {
  auto pic = put<PictureBox>(*form, "Pic1", 0, 0, 40, 40);
  pic->setBackColor(kHostGreen);
  pic->setScaleHeight(100);
  pic->setScaleWidth(100);
  auto img = pic->add<Image>("Img1");
  img->Move(50, 50, 25, 25);  // the lower right quarter's upper left part: 20, 20, 10 x 10 px
  img->setPicture(solid(1, 1, Picture::rgb(255, 0, 0)));
  img->setStretch(true);
  Canvas c = render();
  EXPECT_EQ(c.rgb(19, 25), kGreen);
  EXPECT_EQ(c.rgb(20, 20), kRed);
  EXPECT_EQ(c.rgb(29, 29), kRed);
  EXPECT_EQ(c.rgb(30, 25), kGreen);
}

TEST_F(Paint, AStretchedImageFillsItsRectangleAndAPlainOneShowsItsNaturalSize) {
  auto img = put<Image>(*form, "Img1", 20, 10, 30, 20);
  img->setPicture(solid(2, 2, Picture::rgb(255, 0, 255)));
  img->setStretch(true);
  Canvas c = render();
  Rgb magenta{255, 0, 255};
  EXPECT_EQ(inkIn(c, pixelRect(*img), [&](Rgb p) { return p == magenta; }).count, 30 * 20);
  EXPECT_EQ(c.rgb(19, 10), kFace);
  EXPECT_EQ(c.rgb(50, 29), kFace);

  // Scaled by whole pixels, not smoothed: left half red, right half blue.
  img->setPicture(std::make_shared<Picture>(
      2, 1, std::vector<uint32_t>{Picture::rgb(255, 0, 0), Picture::rgb(0, 0, 255)}));
  c = render();
  EXPECT_EQ(c.rgb(20, 15), kRed);
  EXPECT_EQ(c.rgb(34, 29), kRed);
  EXPECT_EQ(c.rgb(35, 10), kBlue);
  EXPECT_EQ(c.rgb(49, 29), kBlue);

  img->setStretch(false);
  c = render();
  EXPECT_EQ(c.rgb(20, 10), kRed);
  EXPECT_EQ(c.rgb(21, 10), kBlue);
  EXPECT_EQ(c.rgb(22, 10), kFace);
  EXPECT_EQ(c.rgb(20, 11), kFace);

  // Without a picture an image shows what lies behind it.
  img->setPicture(nullptr);
  EXPECT_EQ(render().rgb(20, 10), kFace);
}

TEST_F(Paint, TranslucentPicturesBlendWithWhatLiesBehind) {
  auto pic = put<PictureBox>(*form, "Pic1", 0, 0, 10, 10);
  pic->setBackColor(0);  // black
  auto img = put<Image>(*pic, "Img1", 0, 0, 10, 10);
  img->setStretch(true);
  img->setPicture(solid(1, 1, 0x80FF0000u));  // half-transparent red
  Rgb p = render().rgb(5, 5);
  EXPECT_NEAR(p.r, 128, 2);
  EXPECT_EQ(p.g, 0);
  EXPECT_EQ(p.b, 0);
}

TEST_F(Paint, LaterSiblingsPaintOverEarlierOnesUntilTheZOrderChanges) {
  auto a = put<PictureBox>(*form, "A", 10, 10, 40, 40);
  a->setBackColor(kHostRed);
  auto b = put<PictureBox>(*form, "B", 30, 30, 40, 40);
  b->setBackColor(kHostBlue);
  Canvas c = render();
  EXPECT_EQ(c.rgb(35, 35), kBlue);
  EXPECT_EQ(c.rgb(15, 15), kRed);
  EXPECT_EQ(c.rgb(60, 60), kBlue);
  a->ZOrder(0);
  c = render();
  EXPECT_EQ(c.rgb(35, 35), kRed);
  EXPECT_EQ(c.rgb(49, 49), kRed);
  EXPECT_EQ(c.rgb(60, 60), kBlue);
}

TEST_F(Paint, InvisibleWidgetsAndEverythingInThemAreNotPainted) {
  auto pic = put<PictureBox>(*form, "Pic1", 10, 10, 40, 40);
  pic->setBackColor(kHostRed);
  auto inner = put<PictureBox>(*pic, "Inner", 5, 5, 10, 10);
  inner->setBackColor(kHostBlue);
  auto hidden = put<PictureBox>(*pic, "Hidden", 20, 20, 10, 10);
  hidden->setBackColor(kHostGreen);
  hidden->setVisible(false);
  Canvas c = render();
  EXPECT_EQ(c.rgb(20, 20), kBlue);
  EXPECT_EQ(c.rgb(35, 35), kRed);
  pic->setVisible(false);
  c = render();
  EXPECT_EQ(c.rgb(20, 20), kFace);
  EXPECT_EQ(c.rgb(12, 12), kFace);
  // A timer shows nothing, visible or not.
  pic->setVisible(true);
  put<Timer>(*form, "T", 0, 0, 100, 100);
  EXPECT_EQ(render().rgb(5, 5), kFace);
}

TEST_F(Paint, AButtonIsRaisedAndSinksWhileTheMouseHoldsIt) {
  auto b = put<CommandButton>(*form, "Cmd1", 20, 20, 60, 24);
  b->setCaption("OK");
  Canvas c = render();
  EXPECT_EQ(c.rgb(20, 30), kLight);   // outer left
  EXPECT_EQ(c.rgb(21, 30), kWhite);   // inner left
  EXPECT_EQ(c.rgb(79, 30), kBlack);   // outer right
  EXPECT_EQ(c.rgb(78, 30), kShadow);  // inner right
  EXPECT_EQ(c.rgb(50, 43), kBlack);   // outer bottom
  EXPECT_EQ(c.rgb(24, 24), kFace);
  // The caption is centred.
  Extent text = inkIn(c, pixelRect(*b).inset(2), dark);
  ASSERT_GT(text.count, 0);
  EXPECT_NEAR((text.minX + text.maxX) / 2.0, 50, 2.5);
  EXPECT_NEAR((text.minY + text.maxY) / 2.0, 32, 3);

  engine.mouseDown(*form, 50 * 15, 30 * 15, mouse::Left);
  ASSERT_TRUE(b->pressed());
  c = render();
  EXPECT_EQ(c.rgb(20, 30), kShadow);
  EXPECT_EQ(c.rgb(21, 30), kBlack);
  EXPECT_EQ(c.rgb(79, 30), kWhite);
  EXPECT_EQ(c.rgb(78, 30), kLight);
  // The caption moves one pixel right and down.
  Extent pressed = inkIn(c, pixelRect(*b).inset(2), dark);
  EXPECT_EQ(pressed.minX, text.minX + 1);
  EXPECT_EQ(pressed.minY, text.minY + 1);

  engine.mouseUp(*form, 50 * 15, 30 * 15, mouse::Left);
  EXPECT_EQ(render().rgb(20, 30), kLight);
}

TEST_F(Paint, AGraphicalButtonCentresItsPictureAndAStandardOneIgnoresIt) {
  auto b = put<CommandButton>(*form, "Cmd1", 20, 20, 30, 30);
  b->setPicture(solid(4, 4, Picture::rgb(255, 0, 0)));
  Canvas c = render();
  EXPECT_EQ(inkIn(c, pixelRect(*b), [](Rgb p) { return p == kRed; }).count, 0);
  b->setStyle(1);
  c = render();
  Extent red = inkIn(c, pixelRect(*b), [](Rgb p) { return p == kRed; });
  EXPECT_EQ(red.count, 16);
  EXPECT_EQ(red.minX, 33);
  EXPECT_EQ(red.minY, 33);
  EXPECT_EQ(c.rgb(20, 30), kLight);  // still a raised button around it
  // A picture larger than the face stays inside the border.
  b->setPicture(solid(40, 40, Picture::rgb(255, 0, 0)));
  c = render();
  EXPECT_EQ(c.rgb(22, 22), kRed);
  EXPECT_EQ(c.rgb(21, 30), kWhite);
  EXPECT_EQ(c.rgb(19, 30), kFace);
}

TEST_F(Paint, ATextBoxShowsItsBorderBackColorAndTextInItsForeColor) {
  auto t = put<TextBox>(*form, "Txt1", 10, 10, 100, 20);
  t->setBackColor(syscolor::InfoBackground);
  t->setForeColor(kHostBlue);
  t->setText("Hello");
  t->setAppearance(0);
  Canvas c = render();
  Rgb tip{255, 255, 225};
  EXPECT_EQ(c.rgb(10, 10), kBlack);  // a thin flat border
  EXPECT_EQ(c.rgb(109, 29), kBlack);
  EXPECT_EQ(c.rgb(11, 11), tip);
  EXPECT_EQ(c.rgb(108, 28), tip);
  // The text is ink of its fore colour, within the width text measurement gives it.
  Extent ink = inkIn(c, pixelRect(*t).inset(1), [](Rgb p) { return p.b > 150 && p.r < 150; });
  ASSERT_GT(ink.count, 10);
  int measured = toPixels(form->TextWidth("Hello"));
  EXPECT_GE(ink.minX, 12);
  EXPECT_LE(ink.maxX, 12 + measured);
  EXPECT_GT(ink.maxX, 12 + measured / 2);

  t->setAppearance(1);
  c = render();
  EXPECT_EQ(c.rgb(10, 15), kShadow);  // sunken 3-D border
  EXPECT_EQ(c.rgb(11, 15), kBlack);
  EXPECT_EQ(c.rgb(109, 15), kWhite);
}

TEST_F(Paint, ALabelAlignsItsCaption) {
  auto l = put<Label>(*form, "Lbl1", 10, 10, 200, 20);
  l->setCaption("Hi there");
  int measured = toPixels(form->TextWidth("Hi there"));
  auto extent = [&] { return inkIn(render(), pixelRect(*l), dark); };
  Extent left = extent();
  ASSERT_GT(left.count, 0);
  EXPECT_LT(left.minX, 13);
  EXPECT_LE(left.maxX, 10 + measured);
  l->setAlignment(1);
  Extent right = extent();
  EXPECT_GE(right.minX, 210 - measured);
  EXPECT_GT(right.maxX, 205);
  l->setAlignment(2);
  Extent centre = extent();
  EXPECT_NEAR((centre.minX + centre.maxX) / 2.0, 110, 3);
  // Disabled, the caption is grey.
  l->setEnabled(false);
  EXPECT_EQ(extent().count, 0);
  Extent grey = inkIn(render(), pixelRect(*l), [](Rgb p) { return p == kShadow; });
  EXPECT_GT(grey.count, 0);
}

TEST_F(Paint, ACheckBoxShowsItsCheckOnlyWhenChecked) {
  auto cb = put<CheckBox>(*form, "Chk1", 10, 10, 120, 17);
  cb->setCaption("Option");
  PixelRect box{10, 12, 13, 13};
  Canvas c = render();
  EXPECT_EQ(c.rgb(10, 15), kShadow);
  EXPECT_EQ(c.rgb(15, 14), kWhite);
  EXPECT_EQ(inkIn(c, box.inset(2), dark).count, 0);
  EXPECT_GT(inkIn(c, PixelRect{27, 10, 100, 17}, dark).count, 0);  // the caption
  cb->setValue(1);
  EXPECT_EQ(inkIn(render(), box.inset(2), dark).count, 21);
  cb->setValue(2);
  c = render();
  EXPECT_EQ(inkIn(c, box.inset(2), [](Rgb p) { return p == kShadow; }).count, 21);
  EXPECT_EQ(c.rgb(14, 16), kFace);
}

TEST_F(Paint, AFrameHasAnEtchedBorderACaptionAndClipsItsChildren) {
  auto f = put<Frame>(*form, "Fra1", 10, 10, 100, 60);
  f->setCaption("Group");
  auto inside = put<PictureBox>(*f, "Pic1", 90, 50, 30, 30);
  inside->setBackColor(kHostRed);
  Canvas c = render();
  int lineH = toPixels(text::lineHeightTwips(8, false));
  EXPECT_EQ(c.rgb(10, 40), kShadow);  // groove: grey then white
  EXPECT_EQ(c.rgb(11, 40), kWhite);
  EXPECT_EQ(c.rgb(80, 10 + lineH / 2), kShadow);
  EXPECT_EQ(c.rgb(80, 10), kFace);  // above the border
  EXPECT_GT(inkIn(c, PixelRect{18, 10, 40, lineH}, dark).count, 0);
  EXPECT_EQ(c.rgb(105, 65), kRed);
  EXPECT_EQ(c.rgb(110, 65), kFace);
  EXPECT_EQ(c.rgb(105, 70), kFace);
}

// ---- Files ------------------------------------------------------------------------------------

class PaintFiles : public Paint {
 protected:
  void SetUp() override {
    dir = std::filesystem::path(::testing::TempDir()) /
          ("kelo-paint-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

TEST_F(PaintFiles, APngHasTheFormsSizeAndColours) {
  form->setRectTwips(TwipsRect{0, 0, 1500, 900});
  auto pic = put<PictureBox>(*form, "Pic1", 0, 0, 50, 60);
  pic->setBackColor(kHostBlue);
  std::string path = (dir / "form.png").string();
  PixelSize size = writePng(*form, path);
  EXPECT_EQ(size.width, 100);
  EXPECT_EQ(size.height, 60);
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(s), 100);
  EXPECT_EQ(cairo_image_surface_get_height(s), 60);
  cairo_surface_flush(s);
  auto px = [&](int x, int y) {
    const unsigned char* data = cairo_image_surface_get_data(s);
    return reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(s))[x];
  };
  EXPECT_EQ(px(10, 10), 0xFF0000FFu);
  EXPECT_EQ(px(80, 10), 0xFFC0C0C0u);
  cairo_surface_destroy(s);
}

TEST_F(PaintFiles, AFileThatCannotBeWrittenIsAPathFileAccessError) {
  std::ofstream(dir / "plain").put('x');
  for (std::string path :
       {(dir / "missing" / "x.png").string(), (dir / "plain" / "x.png").string(), dir.string()}) {
    try {
      writePng(*form, path);
      ADD_FAILURE() << "wrote " << path;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), err::PathFileAccess);
      EXPECT_NE(e.description().find("Path/File access error"), std::string::npos);
      EXPECT_NE(e.description().find(path), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace testing
}  // namespace host
