// Painting where it depends on the font (the ink of text), pixel geometry, the image's size and PNG
// files. Colours, borders, stacking, clipping and pictures, read back pixel by pixel, are in
// tests/scenarios/host_painting.scn.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "host/cairo/cairo_painter.h"
#include "host/painter.h"
#include "host/render.h"
#include "host_test_util.h"

namespace keloscroll::host {

// Printed by GoogleTest when a colour comparison fails.
void PrintTo(const Rgb& c, std::ostream* os) {
  *os << "RGB(" << int{c.r} << ", " << int{c.g} << ", " << int{c.b} << ")";
}

namespace testing {
namespace {

constexpr Rgb kShadow{128, 128, 128};
constexpr int32_t kHostBlue = 0xFF0000;  // host colours are &H00BBGGRR

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
  Canvas render() const { return renderForm(*form); }
};

TEST(PaintGeometry, TwipsRoundToPixelsHalvesUpAtTheDensity) {
  const std::pair<double, int> cases[] = {{0, 0},   {7, 0},    {7.5, 1},
                                          {100, 7}, {-22, -1}, {1e30, 100000000}};
  for (auto [twips, pixels] : cases) EXPECT_EQ(toPixels(twips, kClassicDpi), pixels) << twips;
  // 240 twips (a sixth of an inch) at 96, 120, 144 and 192 dots per inch.
  const std::pair<int32_t, int> buttons[] = {{96, 16}, {120, 20}, {144, 24}, {192, 32}};
  for (auto [dpi, pixels] : buttons) EXPECT_EQ(toPixels(240, Dpi(dpi)), pixels) << dpi;
  EXPECT_EQ(toPixels(3.75, Dpi(192)), 1);  // half a pixel at 192
  EXPECT_EQ(toPixels(100, Dpi(0)), 7);     // a device without a density counts as 96
  PixelRect r{10, 20, 5, 4};
  EXPECT_EQ(r.inset(1), (PixelRect{11, 21, 3, 2}));
  EXPECT_TRUE(r.inset(2).empty());
  EXPECT_EQ(r.intersect(PixelRect{12, 0, 100, 22}), (PixelRect{12, 20, 3, 2}));
  EXPECT_TRUE(r.intersect(PixelRect{0, 0, 10, 10}).empty());
  EXPECT_EQ(systemColor(99), (Rgb{0, 0, 0}));  // no colour of the scheme
}

// The image is the form's client area in whole pixels: 4807 twips (320.47 pixels) make 320.
TEST_F(Paint, TheImageIsTheFormsClientAreaAndAFormTooLargeToPaintIsError7) {
  form->setRectTwips(TwipsRect{0, 0, 4807, 1500});
  Canvas c = render();
  EXPECT_EQ(c.width(), 320);
  EXPECT_EQ(c.height(), 100);
  form->setRectTwips(TwipsRect{0, 0, 15.0 * 20000, 1500});
  EXPECT_EQ(errorOf([&] { render(); }), err::OutOfMemory);
}

TEST_F(Paint, AButtonsCaptionIsCentredAndSinksWithTheButton) {
  auto b = put<CommandButton>(*form, "Cmd1", 20, 20, 60, 24);
  b->setCaption("OK");
  Extent text = inkIn(render(), pixelRect(*b).inset(2), dark);
  ASSERT_GT(text.count, 0);
  EXPECT_NEAR((text.minX + text.maxX) / 2.0, 50, 2.5);
  EXPECT_NEAR((text.minY + text.maxY) / 2.0, 32, 3);
  engine.mouseDown(*form, 50 * 15, 30 * 15, mouse::Left);
  Extent pressed = inkIn(render(), pixelRect(*b).inset(2), dark);  // one pixel right and down
  EXPECT_EQ(pressed.minX, text.minX + 1);
  EXPECT_EQ(pressed.minY, text.minY + 1);
}

// The text is ink of its fore colour, within the width text measurement gives it.
TEST_F(Paint, ATextBoxShowsItsTextInItsForeColor) {
  auto t = put<TextBox>(*form, "Txt1", 10, 10, 100, 20);
  t->setForeColor(kHostBlue);
  t->setText("Hello");
  t->setAppearance(0);
  Extent ink =
      inkIn(render(), pixelRect(*t).inset(1), [](Rgb p) { return p.b > 150 && p.r < 150; });
  ASSERT_GT(ink.count, 10);
  int measured = toPixels(form->TextWidth("Hello"), kClassicDpi);
  EXPECT_GE(ink.minX, 12);
  EXPECT_LE(ink.maxX, 12 + measured);
  EXPECT_GT(ink.maxX, 12 + measured / 2);

  // A flat box one line high, as a tooltip is sized, shows its descenders whole: the ink spans
  // as many rows as in a box with room to spare.
  auto inkRows = [&](float height) {
    t->Move(10 * 15, 10 * 15, 100 * 15, height);
    Extent e =
        inkIn(render(), pixelRect(*t).inset(1), [](Rgb p) { return p.b > 150 && p.r < 150; });
    return e.maxY - e.minY;
  };
  t->setText("Ajgpqy");
  int roomy = inkRows(40 * 15);
  EXPECT_EQ(inkRows(form->TextHeight("Ajgpqy")), roomy);
}

TEST_F(Paint, ALabelAlignsItsCaptionAndGreysItWhenDisabled) {
  auto l = put<Label>(*form, "Lbl1", 10, 10, 200, 20);
  l->setCaption("Hi there");
  int measured = toPixels(form->TextWidth("Hi there"), kClassicDpi);
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

// A PNG that cannot be written is error 75 naming the file. (A file where its folder should be,
// as a scenario meets it: runner_screenshot.scn.)
TEST_F(Paint, APathThatCannotBeWrittenIsError75) {
  const std::string bad = "/nonexistent-kelo-folder/x.png";
  try {
    writePng(*form, bad);
    ADD_FAILURE() << "wrote " << bad;
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), err::PathFileAccess);
    EXPECT_NE(e.description().find("Path/File access error"), std::string::npos);
    EXPECT_NE(e.description().find(bad), std::string::npos);
  }
}

}  // namespace
}  // namespace testing
}  // namespace keloscroll::host
