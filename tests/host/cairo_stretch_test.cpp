// The Cairo painter stretches pictures itself, sampling the pixels Cairo's nearest filter would.
// Which pixel that is depends on Cairo's fixed-point rounding, above all where a pixel centre falls
// on a source pixel's edge; each case here is drawn by the painter and by Cairo's own calls, and
// every pixel must agree.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "host/cairo_painter.h"
#include "host/picture.h"

namespace host {
namespace {

constexpr int kSide = 160;

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
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.width(), p.height());
  auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
  int stride = cairo_image_surface_get_stride(s) / 4;
  for (int y = 0; y < p.height(); ++y) {
    for (int x = 0; x < p.width(); ++x) data[y * stride + x] = premultiply(p.pixel(x, y));
  }
  cairo_surface_mark_dirty(s);
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

int differingPixels(const Stretch& c) {
  Picture pic = numbered(c.w, c.h, c.opaque);
  Canvas ours(kSide, kSide), theirs(kSide, kSide);
  {
    CairoPainter painter(ours);
    painter.fill({0, 0, kSide, kSide}, Rgb{30, 60, 90});
    painter.pushClip(c.clip);
    painter.stretchPicture(pic, c.place);
    painter.popClip();
  }
  cairo_t* cr = cairo_create(theirs.surface());
  cairo_set_source_rgb(cr, 30 / 255.0, 60 / 255.0, 90 / 255.0);
  cairo_paint(cr);
  cairoStretch(cr, pic, c.place, c.clip);
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
  return differ;
}

TEST(CairoStretch, StretchedPicturesMatchCairoPixelForPixel) {
  const PixelRect all{0, 0, kSide, kSide};
  const Stretch chosen[] = {
      // Pixel centres on source edges (2 -> 3, 2 -> 5, 4 -> 6): the rounding picks the side.
      {2, 2, {7, 9, 3, 5}, all},
      {2, 3, {41, 17, 5, 75}, all},
      {4, 6, {100, 3, 6, 9}, all},
      // A bar's thumb and track: a small picture stretched along a tall, thin place.
      {16, 16, {0, 17, 16, 40}, all},
      {15, 15, {2, 30, 12, 123}, all, true},
      // Shrunk, exactly half and by a ratio with no short fixed-point form.
      {40, 30, {10, 10, 20, 15}, all},
      {37, 23, {5, 60, 11, 7}, all},
      // Cut by a clip, reaching past the image's edges, and one pixel either way.
      {9, 7, {-13, -5, 60, 50}, all},
      {9, 7, {120, 130, 70, 45}, {130, 100, 20, 40}, true},
      {5, 5, {50, 50, 1, 90}, {0, 60, 160, 20}},
      {5, 5, {50, 50, 90, 1}, all},
      // Shrunk beyond what the painter follows itself: drawn by Cairo.
      {60, 40, {3, 3, 2, 40}, all},
  };
  for (const Stretch& c : chosen) {
    SCOPED_TRACE(testing::Message()
                 << c.w << "x" << c.h << " over " << c.place.left << "," << c.place.top << " "
                 << c.place.width << "x" << c.place.height);
    EXPECT_EQ(differingPixels(c), 0);
  }

  std::mt19937 random(20261206);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int n = 0; n < 150; ++n) {
    Stretch c{between(1, 24), between(1, 24), {}, all, n % 2 == 0};
    c.place = {between(-20, 150), between(-20, 150), between(1, 140), between(1, 140)};
    if (n % 3 == 0) c.clip = {between(0, 120), between(0, 120), between(1, 80), between(1, 80)};
    SCOPED_TRACE(testing::Message() << "random case " << n);
    EXPECT_EQ(differingPixels(c), 0);
  }
}

}  // namespace
}  // namespace host
