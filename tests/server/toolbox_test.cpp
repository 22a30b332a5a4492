// The toolbox image of KeloScroll.ocx: the committed server/win/toolbox.bmp is what
// keloscroll-toolbox makes from the built-in pictures today, in the format the resource needs.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "control/pictures.h"
#include "server/toolbox_bitmap.h"

namespace keloscroll::server {
namespace {

uint32_t le(const std::vector<uint8_t>& b, size_t at, size_t size) {
  uint32_t v = 0;
  for (size_t i = size; i-- > 0;) v = v << 8 | b.at(at + i);
  return v;
}

TEST(ServerToolbox, CommittedBitmapIsTheGeneratedOne) {
  const auto made = toolboxBitmap();
  std::ifstream in(KELO_SOURCE_DIR "/server/win/toolbox.bmp", std::ios::binary);
  ASSERT_TRUE(in) << "server/win/toolbox.bmp is missing; build the target keloscroll_toolbox";
  const std::vector<uint8_t> committed{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(committed, made) << "out of date; build the target keloscroll_toolbox";
}

TEST(ServerToolbox, HeaderPaletteAndPixels) {
  const auto b = toolboxBitmap();
  ASSERT_EQ(b.size(), 14u + 40 + 256 * 4 + 16 * 15);
  struct Field {
    const char* name;
    size_t at, size;
    uint32_t value;
  };
  const Field fields[] = {
      {"bfType", 0, 2, 'B' | 'M' << 8}, {"bfSize", 2, 4, 1318},
      {"bfOffBits", 10, 4, 1078},       {"biSize", 14, 4, 40},
      {"biWidth", 18, 4, 16},           {"biHeight", 22, 4, 15},
      {"biPlanes", 26, 2, 1},           {"biBitCount", 28, 2, 8},
      {"biCompression", 30, 4, 0},      {"biSizeImage", 34, 4, 240},
      {"biClrUsed", 46, 4, 256},
  };
  for (const auto& f : fields) EXPECT_EQ(le(b, f.at, f.size), f.value) << f.name;

  // Pixels through the palette (rows bottom-up) against the pictures they come from: the top row
  // is the tip row of the start button's arrow, the bottom row the tip row of the end button's.
  auto colour = [&](int x, int y) {
    size_t index = b.at(1078 + static_cast<size_t>((14 - y) * 16 + x));
    return le(b, 54 + index * 4, 4) & 0xFFFFFFu;
  };
  const auto up = pictures::arrowButton(pictures::Arrow::Up);
  const auto down = pictures::arrowButton(pictures::Arrow::Down);
  const auto thumb = pictures::thumb();
  for (int x = 0; x < 16; ++x) {
    EXPECT_EQ(colour(x, 0), up->pixel(x, 6) & 0xFFFFFFu) << x;
    EXPECT_EQ(colour(x, 5), thumb->pixel(x, 0) & 0xFFFFFFu) << x;
    EXPECT_EQ(colour(x, 9), thumb->pixel(x, 14) & 0xFFFFFFu) << x;
    EXPECT_EQ(colour(x, 14), down->pixel(x, 9) & 0xFFFFFFu) << x;
  }
  EXPECT_EQ(colour(7, 0), 0u) << "the arrow's tip is black";
  EXPECT_NE(colour(7, 0), colour(6, 0));
}

}  // namespace
}  // namespace keloscroll::server
