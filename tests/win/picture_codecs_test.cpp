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
    host::Picture::fromMemory(data);
    return 0;
  } catch (const host::Error& e) {
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
    auto picture = host::Picture::fromMemory(data);
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
      if (ext == ".png") {
        for (size_t at : {16u, 20u}) {
          lying[at] = 0, lying[at + 1] = 0;
          lying[at + 2] = static_cast<uint8_t>(side >> 8),
                     lying[at + 3] = static_cast<uint8_t>(side);
        }
      } else if (ext == ".gif") {
        for (size_t at : {6u, 8u}) {
          lying[at] = static_cast<uint8_t>(side), lying[at + 1] = static_cast<uint8_t>(side >> 8);
        }
      } else {
        continue;
      }
      EXPECT_EQ(errorOf(lying), 481) << "sides " << side;
    }
  }
  EXPECT_GE(files, 18);
}

}  // namespace
