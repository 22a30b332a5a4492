// The Cairo painter writes opaque fills and unscaled pictures straight into the image, and
// stretches pictures itself, sampling the pixels Cairo's nearest filter would (which depends on
// Cairo's fixed-point rounding, above all where a pixel centre falls on a source pixel's edge).
// Each case paints through it and through Cairo's own calls on a second image; every pixel must
// agree.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "host/cairo/cairo_painter.h"
#include "host/picture.h"

namespace keloscroll::host {
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

// The pixels in which two images of one size differ; the first is reported.
int differing(const Canvas& ours, const Canvas& theirs) {
  int differ = 0;
  for (int y = 0; y < ours.height(); ++y) {
    for (int x = 0; x < ours.width(); ++x) {
      if (ours.pixel(x, y) != theirs.pixel(x, y) && differ++ == 0) {
        ADD_FAILURE() << "first difference at (" << x << ", " << y << "): " << std::hex
                      << ours.pixel(x, y) << " instead of " << theirs.pixel(x, y);
      }
    }
  }
  return differ;
}

// Each case is a list of steps done through the painter and through Cairo's own calls on a second
// image: fill COLOUR L T W H, clip L T W H (pushed), pop, picture X Y L T W H (the picture at X Y,
// cut to L T W H), frame COLOUR L T W H and bevel L T W H (sunken), the last two drawn on Cairo's
// side as the lines they are made of.
TEST(CairoDirect, FillsAndPicturesMatchCairoPixelForPixel) {
  const Picture pic = translucent();
  const Rgb shadow{128, 128, 128}, white{255, 255, 255}, black{0, 0, 0}, light{223, 223, 223};
  const std::map<std::string, Rgb> colours = {
      {"red", {200, 16, 3}}, {"grey", shadow}, {"white", white}, {"dark", {1, 2, 254}}};
  const char* cases[] = {
      "clip 5 5 -3 4 / fill red 0 0 24 24 / picture 0 0 0 0 24 24 / pop",  // an empty clip
      // A translucent picture over colours, then bevels and frames over it.
      "fill red 0 0 12 24 / fill white 12 0 12 24 / picture 7 5 0 0 24 24 / bevel 1 1 20 20 / "
      "frame dark 3 15 9 6"};
  for (const char* steps : cases) {
    SCOPED_TRACE(steps);
    Canvas ours(kSide, kSide), theirs(kSide, kSide);
    cairo_t* cr = cairo_create(theirs.surface());
    {
      CairoPainter p(ours);
      // The sides of a rectangle, one pixel wide: top and left in one colour, bottom and right in
      // another.
      auto edges = [&](int l, int t, int w, int h, Rgb topLeft, Rgb bottomRight) {
        cairoFill(cr, l, t, w, 1, topLeft);
        cairoFill(cr, l, t, 1, h, topLeft);
        cairoFill(cr, l, t + h - 1, w, 1, bottomRight);
        cairoFill(cr, l + w - 1, t, 1, h, bottomRight);
      };
      std::istringstream list(steps);
      for (std::string step; std::getline(list, step, '/');) {
        std::istringstream words(step);
        std::string op, colour;
        words >> op;
        if (op == "fill" || op == "frame") words >> colour;
        int n[6] = {};
        for (int& v : n) words >> v;
        const PixelRect r{n[0], n[1], n[2], n[3]};
        const Rgb c = colour.empty() ? black : colours.at(colour);
        if (op == "fill") p.fill(r, c), cairoFill(cr, n[0], n[1], n[2], n[3], c);
        if (op == "clip") p.pushClip(r), cairoClip(cr, n[0], n[1], std::max(n[2], 0), n[3]);
        if (op == "pop") p.popClip(), cairo_restore(cr);
        if (op == "frame") p.frame(r, c), edges(n[0], n[1], n[2], n[3], c, c);
        if (op == "bevel") {
          p.bevel(r, Edge::Sunken);
          edges(n[0], n[1], n[2], n[3], shadow, white);
          edges(n[0] + 1, n[1] + 1, n[2] - 2, n[3] - 2, black, light);
        }
        if (op == "picture") {
          p.picture(pic, n[0], n[1], {n[2], n[3], n[4], n[5]});
          cairoClip(cr, n[2], n[3], n[4], n[5]);
          cairoPicture(cr, pic, n[0], n[1]);
          cairo_restore(cr);
        }
      }
    }
    cairo_destroy(cr);
    EXPECT_EQ(differing(ours, theirs), 0);
  }
}

constexpr int kStretchSide = 160;

// Every pixel different, with partial and clear alpha unless opaque, so a wrong pick or blend
// shows.
Picture numbered(int w, int h, bool opaque) {
  std::vector<uint32_t> px;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t a = opaque ? 0xFF : (x + y) % 5 == 0 ? 0x80 : (x * 7 + y) % 11 == 0 ? 0 : 0xFF;
      px.push_back((a << 24) | (static_cast<uint32_t>(x) << 16) | (static_cast<uint32_t>(y) << 8) |
                   0x5A);
    }
  }
  return Picture(w, h, std::move(px));
}

void cairoStretch(cairo_t* cr, const Picture& p, const PixelRect& r, const PixelRect& clip) {
  cairo_surface_t* s = premultiplied(p);
  cairo_save(cr);
  cairo_rectangle(cr, clip.left, clip.top, clip.width, clip.height);
  cairo_clip(cr);
  cairo_rectangle(cr, r.left, r.top, r.width, r.height);
  cairo_clip(cr);
  cairo_translate(cr, r.left, r.top);
  cairo_scale(cr, static_cast<double>(r.width) / p.width(),
              static_cast<double>(r.height) / p.height());
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(s);
}

struct Stretch {
  int w, h;         // the picture
  PixelRect place;  // where it is stretched to
  PixelRect clip;   // what of it is painted
  bool opaque = false;
};

int differingPixels(const Stretch& c, const Picture& pic) {
  Canvas ours(kStretchSide, kStretchSide), theirs(kStretchSide, kStretchSide);
  {
    CairoPainter painter(ours);
    painter.fill({0, 0, kStretchSide, kStretchSide}, Rgb{30, 60, 90});
    painter.pushClip(c.clip);
    painter.stretchPicture(pic, c.place);
    painter.popClip();
  }
  cairo_t* cr = cairo_create(theirs.surface());
  cairo_set_source_rgb(cr, 30 / 255.0, 60 / 255.0, 90 / 255.0);
  cairo_paint(cr);
  cairoStretch(cr, pic, c.place, c.clip);
  cairo_destroy(cr);
  return differing(ours, theirs);
}

int differingPixels(const Stretch& c) {
  return differingPixels(c, numbered(c.w, c.h, c.opaque));
}

TEST(CairoStretch, StretchedPicturesMatchCairoPixelForPixel) {
  const PixelRect all{0, 0, kStretchSide, kStretchSide};
  const Stretch chosen[] = {
      // A pixel centre on a source edge (4 -> 6): the rounding picks the side.
      {4, 6, {100, 3, 6, 9}, all},
      // Shrunk beyond what the painter follows itself: drawn by Cairo.
      {60, 40, {3, 3, 2, 40}, all},
  };
  for (const Stretch& c : chosen) {
    SCOPED_TRACE(testing::Message()
                 << c.w << "x" << c.h << " over " << c.place.left << "," << c.place.top << " "
                 << c.place.width << "x" << c.place.height);
    EXPECT_EQ(differingPixels(c), 0);
  }

  // Four pictures painted again and again: the painter keeps stretched blocks from one stretch to
  // the next, and a kept block must be taken only where it is the same stretch.
  std::mt19937 random(20261206);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const Picture pictures[] = {numbered(3, 5, true), numbered(17, 34, true), numbered(16, 15, false),
                              numbered(24, 7, false)};
  for (int n = 0; n < 150; ++n) {
    const Picture& pic = pictures[n % 4];
    Stretch c{pic.width(), pic.height(), {}, all};
    c.place = {between(-20, 150), between(-20, 150), between(1, 140), between(1, 140)};
    if (n % 3 == 0) c.clip = {between(0, 120), between(0, 120), between(1, 80), between(1, 80)};
    // Slices of one stretch, each the same size: the same block size, another part of the picture.
    int slice = 10 + n % 5 * 5;
    if (n % 8 < 2) c.place = {n % 2 ? 0 : 3, 10, 16, 40}, c.clip = {0, slice, kStretchSide, 20};
    if (n % 8 == 2) c.place = {10, 0, 40, 16}, c.clip = {slice, 0, 20, kStretchSide};
    SCOPED_TRACE(testing::Message() << "random case " << n);
    EXPECT_EQ(differingPixels(c, pic), 0);
  }
}

}  // namespace
}  // namespace keloscroll::host
