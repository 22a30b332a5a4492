// The toolbox image of KeloScroll.ocx: the committed server/win/toolbox.bmp is what
// keloscroll-toolbox makes from the built-in pictures today, in the format the resource needs.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "server/tools/toolbox_bitmap.h"

namespace keloscroll::server {
namespace {

TEST(ServerToolbox, CommittedBitmapIsTheGeneratedOne) {
  const auto made = toolboxBitmap();
  std::ifstream in(KELO_SOURCE_DIR "/server/win/toolbox.bmp", std::ios::binary);
  ASSERT_TRUE(in) << "server/win/toolbox.bmp is missing; build the target keloscroll_toolbox";
  const std::vector<uint8_t> committed{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(committed, made) << "out of date; build the target keloscroll_toolbox";
}

}  // namespace
}  // namespace keloscroll::server
