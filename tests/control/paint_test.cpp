// What a KeloScroll bar looks like when its form is rendered: the thumb's bevel where the thumb
// is and moving with Value, the end buttons' arrows, the track's pictures behind the thumb, and
// the description tooltip box on the form.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "bar_fixture.h"
#include "host/cairo_painter.h"
#include "host/render.h"

namespace host {
// Printed by GoogleTest when a colour comparison fails.
void PrintTo(const Rgb& c, std::ostream* os) {
  *os << "RGB(" << int{c.r} << ", " << int{c.g} << ", " << int{c.b} << ")";
}
}  // namespace host

namespace keloscroll::testing {
namespace {

using host::Canvas;
using host::PixelRect;
using host::Rgb;

constexpr Rgb kThumbFace{191, 191, 191};
constexpr Rgb kThumbLight{223, 223, 223};
constexpr Rgb kThumbShadow{127, 127, 127};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kTrackGrey{223, 223, 223};

// A vertical bar one standard width across (16 pixels) and 243 pixels long, Max 100.
struct PaintedBar : Bar {
  PaintedBar() : Bar(BarOptions{.width = 240}) {
    ctl->setMax(100);
    ctl->setValue(1);
  }
  PixelRect rectOf(std::string_view part) const { return host::pixelRect(this->part(part)); }
  Canvas render() const { return host::renderForm(*form); }

  // The rows of the track's middle column that show the thumb's face: [first, last], or {-1, -1}.
  std::pair<int, int> faceRows(const Canvas& c) const {
    PixelRect track = rectOf("picBarra");
    int x = track.left + track.width / 2;
    int first = -1, last = -1;
    for (int y = track.top; y < track.bottom(); ++y) {
      if (c.rgb(x, y) != kThumbFace) continue;
      if (first < 0) first = y;
      last = y;
    }
    return {first, last};
  }
  // Black pixels inside a widget's rectangle, by row (or by column): the first row with ink, its
  // count, the last row, its count.
  struct Ink {
    int total = 0, firstRow = -1, firstCount = 0, lastRow = -1, lastCount = 0;
  };
  static Ink blackIn(const Canvas& c, const PixelRect& r, bool byColumn = false) {
    Ink ink;
    int lines = byColumn ? r.width : r.height, along = byColumn ? r.height : r.width;
    for (int i = 0; i < lines; ++i) {
      int n = 0;
      for (int j = 0; j < along; ++j)
        n += (byColumn ? c.rgb(r.left + i, r.top + j) : c.rgb(r.left + j, r.top + i)) == kBlack;
      if (n == 0) continue;
      int line = (byColumn ? r.left : r.top) + i;
      ink.total += n;
      if (ink.firstRow < 0) {
        ink.firstRow = line;
        ink.firstCount = n;
      }
      ink.lastRow = line;
      ink.lastCount = n;
    }
    return ink;
  }
};

TEST(PaintedBar, TheThumbShowsItsBevelWhereItIsAndMovesWithValue) {
  PaintedBar bar;
  PixelRect track = bar.rectOf("picBarra");
  PixelRect thumb = bar.rectOf("imgCursor");
  ASSERT_EQ(thumb.width, 16);
  ASSERT_EQ(thumb.height, 15);
  Canvas c = bar.render();
  int mid = thumb.top + 7;
  EXPECT_EQ(c.rgb(thumb.left, mid), kThumbLight);
  EXPECT_EQ(c.rgb(thumb.left + 1, mid), kWhite);
  EXPECT_EQ(c.rgb(thumb.right() - 2, mid), kThumbShadow);
  EXPECT_EQ(c.rgb(thumb.right() - 1, mid), kBlack);
  EXPECT_EQ(c.rgb(thumb.left + 8, thumb.top), kThumbLight);
  EXPECT_EQ(c.rgb(thumb.left + 8, thumb.bottom() - 1), kBlack);
  EXPECT_EQ(c.rgb(thumb.left + 8, mid), kThumbFace);
  // At the first value the thumb's top edge is the track's top edge.
  auto [first, last] = bar.faceRows(c);
  EXPECT_EQ(first, track.top + 2);
  EXPECT_EQ(last, track.top + 12);

  bar.ctl->setValue(50);
  Canvas moved = bar.render();
  auto [first50, last50] = bar.faceRows(moved);
  EXPECT_GT(first50, first + 50);
  EXPECT_EQ(last50 - first50, 10);
  EXPECT_EQ(first50, bar.rectOf("imgCursor").top + 2);
  // Where the thumb was, the track's background shows.
  EXPECT_EQ(moved.rgb(thumb.left + 8, mid), kTrackGrey);

  // At the last value the thumb's bottom edge is the track's bottom edge.
  bar.ctl->setValue(100);
  auto [firstMax, lastMax] = bar.faceRows(bar.render());
  EXPECT_EQ(lastMax, track.bottom() - 3);
  EXPECT_GT(firstMax, first50);
}

TEST(PaintedBar, TheEndButtonsShowTheirArrowsOnRaisedFaces) {
  PaintedBar bar;
  Canvas c = bar.render();
  PixelRect up = bar.rectOf("cmdSxUp"), down = bar.rectOf("cmdDXDN");
  PaintedBar::Ink upInk = PaintedBar::blackIn(c, up.inset(2));
  EXPECT_EQ(upInk.total, 16);  // a triangle of 1, 3, 5 and 7 pixels
  EXPECT_EQ(upInk.firstCount, 1);
  EXPECT_EQ(upInk.lastCount, 7);
  PaintedBar::Ink downInk = PaintedBar::blackIn(c, down.inset(2));
  EXPECT_EQ(downInk.total, 16);
  EXPECT_EQ(downInk.firstCount, 7);
  EXPECT_EQ(downInk.lastCount, 1);
  EXPECT_EQ(c.rgb(up.left, up.top + 5), kThumbLight);
  EXPECT_EQ(c.rgb(up.right() - 1, up.top + 5), kBlack);

  // Held, the button sinks and its arrow moves one pixel down.
  bar.press(bar.part("cmdSxUp"), 100, 100);
  Canvas held = bar.render();
  EXPECT_EQ(held.rgb(up.left, up.top + 5), (Rgb{128, 128, 128}));
  EXPECT_EQ(PaintedBar::blackIn(held, up.inset(2)).firstRow, upInk.firstRow + 1);
  bar.release(bar.part("cmdSxUp"), 100, 100);
}

TEST(PaintedBar, AHorizontalBarDrawsItsBuiltInArrowsTurned) {
  Bar bar({.vertical = false, .width = 3000, .height = 240});
  auto arrows = [&bar] {
    Canvas c = host::renderForm(*bar.form);
    return std::pair{PaintedBar::blackIn(c, host::pixelRect(bar.part("cmdSxUp")).inset(2), true),
                     PaintedBar::blackIn(c, host::pixelRect(bar.part("cmdDXDN")).inset(2), true)};
  };
  // Read by column: the left arrow's tip is its first column, the right arrow's its last.
  auto [left, right] = arrows();
  EXPECT_EQ(left.total, 16);
  EXPECT_EQ(left.firstCount, 1);
  EXPECT_EQ(left.lastCount, 7);
  EXPECT_EQ(right.total, 16);
  EXPECT_EQ(right.firstCount, 7);
  EXPECT_EQ(right.lastCount, 1);

  // A picture of the host's is drawn as it is; the built-in one, given back, turned again.
  host::PictureRef builtIn = bar.ctl->PictureSXUP();
  bar.ctl->setPictureSXUP(std::make_shared<host::Picture>(
      16, 16, std::vector<uint32_t>(256, host::Picture::rgb(255, 0, 0))));
  Canvas red = host::renderForm(*bar.form);
  PixelRect face = host::pixelRect(bar.part("cmdSxUp")).inset(2);
  EXPECT_EQ(red.rgb(face.left + 5, face.top + 5), (Rgb{255, 0, 0}));
  EXPECT_EQ(PaintedBar::blackIn(red, face).total, 0);
  bar.ctl->setPictureSXUP(builtIn);
  PaintedBar::Ink again = arrows().first;
  EXPECT_EQ(again.firstCount, 1);
  EXPECT_EQ(again.lastCount, 7);

  // Upright again, the arrows point up and down.
  host::Boolean vertical = host::True;
  bar.ctl->setVerticalBar(vertical);
  bar.site->resize(240, 3645);
  Canvas c = host::renderForm(*bar.form);
  PaintedBar::Ink up = PaintedBar::blackIn(c, host::pixelRect(bar.part("cmdSxUp")).inset(2));
  PaintedBar::Ink down = PaintedBar::blackIn(c, host::pixelRect(bar.part("cmdDXDN")).inset(2));
  EXPECT_EQ(up.firstCount, 1);
  EXPECT_EQ(up.lastCount, 7);
  EXPECT_EQ(down.firstCount, 7);
  EXPECT_EQ(down.lastCount, 1);
}

TEST(PaintedBar, TheThumbStaysInFrontOfWhateverBackgroundTheHostSets) {
  PaintedBar bar;
  bar.ctl->setValue(40);
  auto red = std::make_shared<host::Picture>(
      3, 3, std::vector<uint32_t>(9, host::Picture::rgb(255, 0, 0)));
  bar.ctl->setPictureBarra(red);
  Canvas c = bar.render();
  PixelRect track = bar.rectOf("picBarra");
  PixelRect thumb = bar.rectOf("imgCursor");
  int x = track.left + 8;
  EXPECT_EQ(c.rgb(x, track.top), (Rgb{255, 0, 0}));
  EXPECT_EQ(c.rgb(x, track.bottom() - 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(c.rgb(x, thumb.top + 7), kThumbFace);

  // Without a background picture the track shows its own light-grey picture at its natural size
  // (17 x 34 pixels) in its top-left corner, and its window-white background elsewhere.
  bar.ctl->setPictureBarra(nullptr);
  c = bar.render();
  EXPECT_EQ(c.rgb(x, track.top + 33), kTrackGrey);
  EXPECT_EQ(c.rgb(x, track.top + 34), kWhite);
  EXPECT_EQ(c.rgb(x, track.bottom() - 1), kWhite);
  EXPECT_EQ(c.rgb(x, thumb.top + 7), kThumbFace);
}

TEST(PaintedBar, TheDescriptionShowsInAFlatTooltipBoxOnTheForm) {
  PaintedBar bar;
  bar.site->surface().setLeft(3000);  // room on the left for the box
  bar.onEvent = [&bar](std::string_view name, std::span<host::Variant> args) {
    if (name == "GetDescription")
      args[0].assign(host::Variant("row " + std::to_string(bar.ctl->Value())));
  };
  bar.press(bar.part("cmdDXDN"), 100, 100);
  auto* box = dynamic_cast<host::TextBox*>(
      host::findWidget(*bar.form, "Txt" + std::to_string(bar.site->surface().hwnd())));
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(box->Visible());
  Canvas c = bar.render();
  PixelRect r = host::pixelRect(*box);
  ASSERT_FALSE(r.empty());
  EXPECT_LE(r.right(), bar.rectOf("picBarra").left);  // beside the bar
  EXPECT_EQ(c.rgb(r.left, r.top), kBlack);
  EXPECT_EQ(c.rgb(r.right() - 1, r.bottom() - 1), kBlack);
  Rgb tip{255, 255, 225};
  int background = 0, ink = 0;
  for (int y = r.top + 1; y < r.bottom() - 1; ++y) {
    for (int x = r.left + 1; x < r.right() - 1; ++x) {
      Rgb p = c.rgb(x, y);
      background += p == tip;
      ink += p.r < 96 && p.g < 96 && p.b < 96;
    }
  }
  EXPECT_GT(background, r.width * r.height / 2);
  EXPECT_GT(ink, 10);
  bar.release(bar.part("cmdDXDN"), 100, 100);

  // Hidden again half a second later, it is no longer painted.
  bar.engine.advance(500);
  ASSERT_FALSE(box->Visible());
  EXPECT_EQ(bar.render().rgb(r.left, r.top), (Rgb{192, 192, 192}));
}

}  // namespace
}  // namespace keloscroll::testing
