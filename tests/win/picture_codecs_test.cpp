// KeloScroll.ocx's picture files, decoded by Windows' imaging component: every sample of the
// picture fuzz target's seed corpus decodes to the size its header gives, while a file cut short
// at any length, a header that promises more pixels than its bytes could hold, and a side beyond
// the limit are error 481, as in the Linux build.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/error.h"
#include "host/picture.h"

namespace {

std::vector<uint8_t> bytesOf(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int32_t errorOf(const std::vector<uint8_t>& data) {
  try {
    keloscroll::host::Picture::fromMemory(data);
    return 0;
  } catch (const keloscroll::host::Error& e) {
    return e.number();
  }
}

TEST(PictureCodecs, SamplesDecodeAndCutOrLyingFilesAreRefused) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(KELO_PICTURE_CORPUS)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    std::vector<uint8_t> data = bytesOf(entry.path());
    ASSERT_GE(data.size(), 26u);
    ++files;
    auto picture = keloscroll::host::Picture::fromMemory(data);
    ASSERT_TRUE(picture);
    EXPECT_GT(picture->width(), 0);
    EXPECT_GT(picture->height(), 0);
    for (size_t n = 8; n < data.size(); ++n) {
      std::vector<uint8_t> cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_EQ(errorOf(cut), 481) << "cut to " << n << " bytes";
    }
    // A header that gives the picture sides of 8192 (too many pixels for these few bytes) or
    // 9000 (beyond the limit).
    const std::string ext = entry.path().extension().string();
    for (uint32_t side : {8192u, 9000u}) {
      std::vector<uint8_t> lying = data;
      // PNG's big-endian 32-bit sides at 16 and 20, GIF's little-endian 16-bit ones at 6 and 8.
      const bool png = ext == ".png";
      if (!png && ext != ".gif") continue;
      for (size_t at : {png ? 16u : 6u, png ? 20u : 8u})
        for (size_t b = 0, n = png ? 4 : 2; b < n; ++b)
          lying[at + b] = static_cast<uint8_t>(side >> 8 * (png ? n - 1 - b : b));
      EXPECT_EQ(errorOf(lying), 481) << "sides " << side;
    }
  }
  EXPECT_GE(files, 18);
}

}  // namespace
