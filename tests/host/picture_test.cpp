// Pictures decoded by the library: a PNG written by Cairo comes back pixel for pixel; data that
// is no picture, or too large a one, is error 481.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/picture.h"
#include "tests/host/host_test_util.h"

namespace host {
namespace {

using testing::errorOf;

TEST(Picture, DecodesAPngAndReportsItsSizeInHiMetric) {
  // 3 x 2 pixels: red, green, blue on top, then white, black, half-transparent grey.
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 2);
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  const uint32_t premultiplied[2][3] = {{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu},
                                        {0xFFFFFFFFu, 0xFF000000u, 0x80404040u}};
  for (int y = 0; y < 2; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < 3; ++x) row[x] = premultiplied[y][x];
  }
  cairo_surface_mark_dirty(surface);
  std::string path = ::testing::TempDir() + "kelo_picture_test.png";
  ASSERT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);

  PictureRef p = Picture::load(path);
  std::remove(path.c_str());
  ASSERT_EQ(p->width(), 3);
  ASSERT_EQ(p->height(), 2);
  EXPECT_EQ(p->pixel(0, 0), Picture::rgb(255, 0, 0));
  EXPECT_EQ(p->pixel(1, 0), Picture::rgb(0, 255, 0));
  EXPECT_EQ(p->pixel(2, 0), Picture::rgb(0, 0, 255));
  EXPECT_EQ(p->pixel(0, 1), Picture::rgb(255, 255, 255));
  EXPECT_EQ(p->pixel(1, 1), Picture::rgb(0, 0, 0));
  EXPECT_EQ(p->pixel(2, 1) >> 24, 0x80u);  // alpha survives, colour un-premultiplied
  EXPECT_NEAR(static_cast<double>(p->pixel(2, 1) & 0xFF), 0x80, 1);

  // 3 px = 79.375 HiMetric, 2 px = 52.92.
  EXPECT_EQ(p->get("Width").asLong(), 79);
  EXPECT_EQ(p->get("height").asLong(), 53);
  EXPECT_EQ(p->get("Type").asLong(), 1);
  auto other = std::make_shared<Picture>(1, 1, std::vector<uint32_t>{0});
  EXPECT_NE(p->get("Handle").asLong(), other->get("Handle").asLong());
  EXPECT_EQ(errorOf([&] { p->get("Palette"); }), err::NoSuchMember);
}

TEST(Picture, RefusesWhatIsNoPictureOrTooLarge) {
  const std::vector<uint8_t> garbage = {'n', 'o', 't', ' ', 'a', ' ', 'p',
                                        'i', 'c', 't', 'u', 'r', 'e'};
  EXPECT_EQ(errorOf([&] { Picture::fromMemory(garbage); }), err::InvalidPicture);
  EXPECT_EQ(errorOf([&] { Picture::fromMemory({}); }), err::InvalidPicture);

  // A PNG header that promises 9000 x 1 pixels: refused before any decoding.
  std::vector<uint8_t> big = {0x89, 'P', 'N',  'G',  0x0D, 0x0A, 0x1A, 0x0A,      // signature
                              0,    0,   0,    13,   'I',  'H',  'D',  'R',       // IHDR, 13 bytes
                              0,    0,   0x23, 0x28, 0,    0,    0,    1,         // 9000 x 1
                              8,    6,   0,    0,    0,    0,    0,    0,    0};  // RGBA, CRC
  EXPECT_EQ(errorOf([&] { Picture::fromMemory(big); }), err::InvalidPicture);

  // A PNG whose header is fine (1 x 1) but whose pixel data never comes.
  std::vector<uint8_t> headerOnly = big;
  headerOnly[18] = 0;
  headerOnly[19] = 1;
  EXPECT_EQ(errorOf([&] { Picture::fromMemory(headerOnly); }), err::InvalidPicture);

  EXPECT_EQ(errorOf([&] { Picture::load("/nonexistent/kelo.png"); }), 53);
}

}  // namespace
}  // namespace host
