// The Cairo painter writes opaque fills and unscaled pictures straight into the image. Each case
// paints through it and through Cairo's own calls on a second image; every pixel must agree.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "host/cairo_painter.h"
#include "host/picture.h"

namespace host {
namespace {

constexpr int kSide = 24;

// A picture with every alpha level the blend rounds differently: opaque, clear and partial.
Picture translucent() {
  std::vector<uint32_t> px;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x) {
      uint32_t a = static_cast<uint32_t>((x * 37 + y * 53) % 256);
      if (x == 0) a = 0xFF;
      if (y == 0) a = 0;
      px.push_back((a << 24) | (uint32_t{static_cast<uint8_t>(x * 25)} << 16) |
                   (uint32_t{static_cast<uint8_t>(y * 31)} << 8) | 0x7F);
    }
  }
  return Picture(10, 8, std::move(px));
}

struct Ops {
  std::function<void(Painter&)> painter;
  std::function<void(cairo_t*, cairo_surface_t*)> cairo;
};

void cairoFill(cairo_t* cr, int l, int t, int w, int h, Rgb c) {
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
  cairo_rectangle(cr, l, t, w, h);
  cairo_fill(cr);
}

void cairoClip(cairo_t* cr, int l, int t, int w, int h) {
  cairo_save(cr);
  cairo_rectangle(cr, l, t, w, h);
  cairo_clip(cr);
}

cairo_surface_t* premultiplied(const Picture& p) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.width(), p.height());
  auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
  int stride = cairo_image_surface_get_stride(s) / 4;
  for (int y = 0; y < p.height(); ++y) {
    for (int x = 0; x < p.width(); ++x) data[y * stride + x] = premultiply(p.pixel(x, y));
  }
  cairo_surface_mark_dirty(s);
  return s;
}

void cairoPicture(cairo_t* cr, const Picture& p, int x, int y) {
  cairo_surface_t* s = premultiplied(p);
  cairo_set_source_surface(cr, s, x, y);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, x, y, p.width(), p.height());
  cairo_fill(cr);
  cairo_surface_destroy(s);
}

TEST(CairoDirect, FillsAndPicturesMatchCairoPixelForPixel) {
  const Picture pic = translucent();
  const Rgb red{200, 16, 3}, grey{128, 128, 128}, white{255, 255, 255}, dark{1, 2, 254};
  struct Case {
    const char* name;
    Ops ops;
  } cases[] = {
      {"fill inside the image",
       {[&](Painter& p) {
          p.fill({2, 3, 10, 7}, red);
        },
        [&](cairo_t* cr, cairo_surface_t*) { cairoFill(cr, 2, 3, 10, 7, red); }}},
      {"fill reaching past every edge",
       {[&](Painter& p) {
          p.fill({-5, -5, 40, 40}, grey);
        },
        [&](cairo_t* cr, cairo_surface_t*) { cairoFill(cr, -5, -5, 40, 40, grey); }}},
      {"nested clips cut a fill; popped, the outer clip holds again",
       {[&](Painter& p) {
          p.pushClip({4, 4, 12, 12});
          p.pushClip({8, 0, 20, 10});
          p.fill({0, 0, kSide, kSide}, dark);
          p.popClip();
          p.fill({0, 14, kSide, 5}, red);
          p.popClip();
        },
        [&](cairo_t* cr, cairo_surface_t*) {
          cairoClip(cr, 4, 4, 12, 12);
          cairoClip(cr, 8, 0, 20, 10);
          cairoFill(cr, 0, 0, kSide, kSide, dark);
          cairo_restore(cr);
          cairoFill(cr, 0, 14, kSide, 5, red);
          cairo_restore(cr);
        }}},
      {"an empty clip paints nothing",
       {[&](Painter& p) {
          p.pushClip({5, 5, -3, 4});
          p.fill({0, 0, kSide, kSide}, red);
          p.picture(pic, 0, 0, {0, 0, kSide, kSide});
          p.popClip();
        },
        [&](cairo_t*, cairo_surface_t*) {}}},
      {"a translucent picture over colours, then bevels and frames over it",
       {[&](Painter& p) {
          p.fill({0, 0, 12, kSide}, red);
          p.fill({12, 0, 12, kSide}, white);
          p.picture(pic, 7, 5, {0, 0, kSide, kSide});
          p.bevel({1, 1, 20, 20}, Edge::Sunken);
          p.frame({3, 15, 9, 6}, dark);
        },
        [&](cairo_t* cr, cairo_surface_t*) {
          cairoFill(cr, 0, 0, 12, kSide, red);
          cairoFill(cr, 12, 0, 12, kSide, white);
          cairoPicture(cr, pic, 7, 5);
          const Rgb shadow{128, 128, 128}, black{0, 0, 0}, light{223, 223, 223};
          cairoFill(cr, 1, 1, 20, 1, shadow);
          cairoFill(cr, 1, 1, 1, 20, shadow);
          cairoFill(cr, 1, 20, 20, 1, white);
          cairoFill(cr, 20, 1, 1, 20, white);
          cairoFill(cr, 2, 2, 18, 1, black);
          cairoFill(cr, 2, 2, 1, 18, black);
          cairoFill(cr, 2, 19, 18, 1, light);
          cairoFill(cr, 19, 2, 1, 18, light);
          cairoFill(cr, 3, 15, 9, 1, dark);
          cairoFill(cr, 3, 20, 9, 1, dark);
          cairoFill(cr, 3, 15, 1, 6, dark);
          cairoFill(cr, 11, 15, 1, 6, dark);
        }}},
      {"a picture cut by its own clip and by a pushed one, off the image's corner",
       {[&](Painter& p) {
          p.fill({0, 0, kSide, kSide}, grey);
          p.pushClip({0, 0, 20, kSide});
          p.picture(pic, 16, -3, {17, -3, 10, 6});
          p.picture(pic, -4, 19, {-4, 19, 10, 8});
          p.popClip();
        },
        [&](cairo_t* cr, cairo_surface_t*) {
          cairoFill(cr, 0, 0, kSide, kSide, grey);
          cairoClip(cr, 0, 0, 20, kSide);
          cairoClip(cr, 17, -3, 10, 6);
          cairoPicture(cr, pic, 16, -3);
          cairo_restore(cr);
          cairoPicture(cr, pic, -4, 19);
          cairo_restore(cr);
        }}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas ours(kSide, kSide), theirs(kSide, kSide);
    {
      CairoPainter painter(ours);
      c.ops.painter(painter);
    }
    cairo_t* cr = cairo_create(theirs.surface());
    c.ops.cairo(cr, theirs.surface());
    cairo_destroy(cr);
    int differ = 0;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        if (ours.pixel(x, y) != theirs.pixel(x, y) && differ++ == 0) {
          ADD_FAILURE() << "first difference at (" << x << ", " << y << "): " << std::hex
                        << ours.pixel(x, y) << " instead of " << theirs.pixel(x, y);
        }
      }
    }
    EXPECT_EQ(differ, 0);
  }
}

// Direct writes and Cairo's own drawing interleave: text drawn between fills lands in order.
TEST(CairoDirect, CairoDrawingBetweenDirectWritesKeepsItsOrder) {
  Canvas canvas(60, 20);
  CairoPainter painter(canvas);
  painter.fill({0, 0, 60, 20}, Rgb{255, 255, 255});
  TextStyle style;
  painter.text("WWW", {0, 0, 60, 20}, style);
  bool inked = false;
  for (int x = 0; x < 60 && !inked; ++x) {
    for (int y = 0; y < 20 && !inked; ++y) inked = canvas.rgb(x, y) != Rgb{255, 255, 255};
  }
  EXPECT_TRUE(inked) << "the text did not land after the fill";
  painter.fill({0, 0, 60, 20}, Rgb{0, 0, 255});
  for (int x = 0; x < 60; x += 7) {
    for (int y = 0; y < 20; y += 3) ASSERT_EQ(canvas.rgb(x, y), (Rgb{0, 0, 255}));
  }
}

}  // namespace
}  // namespace host
