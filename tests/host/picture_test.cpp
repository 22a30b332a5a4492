// Pictures decoded by the libraries: files of each format written by another encoder come back
// pixel for pixel; data that is no picture, is cut short or promises too large a picture is error
// 481, and only regular files are read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/picture.h"
#include "tests/host/host_test_util.h"
#include "tests/scratch_dir.h"

namespace keloscroll::host {
namespace {

using testing::errorOf;

using Bytes = std::vector<uint8_t>;

// The files in tests/host/pictures, made by the formats' own encoders (libpng through Cairo,
// libjpeg, giflib) or byte by byte (BMP):
//   rgb-translucent.png  3 x 2: red, green, blue on top, then white, black and a half-transparent
//                        grey
//   red-blue.jpg         16 x 8, left half red, right half blue
//   palette*.gif         4 x 3 on a 5 x 4 screen at (1, 1): palette red, green, blue, and index 3
//                        transparent; rows 0 1 2 3 / 1 1 1 1 / 2 3 0 0, interlaced or not
//   rgb24.bmp            2 x 2, bottom-up: blue, green above red, white
//   pal8-top-down.bmp    3 x 2, palette red, blue; rows 0 1 1 / 1 0 0
//   mono.bmp             3 x 1, 1 bit: 0 red, 1 blue; 101
//   rgb32-no-alpha.bmp, argb32.bmp  1 x 1, 32 bits: RGB(16, 32, 48) with the fourth byte 0, 0x80
//   pal8-colour-out-of-palette.bmp  1 x 1 with colour 5 of a palette of 1
Bytes file(const char* name) {
  std::ifstream in(std::string(KELO_HOST_PICTURES) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(Picture, DecodesJpegGifAndBmp) {
  constexpr uint32_t red = Picture::rgb(255, 0, 0), green = Picture::rgb(0, 255, 0),
                     blue = Picture::rgb(0, 0, 255), white = Picture::rgb(255, 255, 255);
  struct Case {
    const char* file;
    int width, height;
    std::vector<uint32_t> pixels;  // row by row, top first; empty: checked below
  };
  // The GIF's 4 x 3 picture on its 5 x 4 screen at (1, 1); clear where transparent or off it.
  const std::vector<uint32_t> gif = {0, 0,     0,     0,     0,      //
                                     0, red,   green, blue,  0,      //
                                     0, green, green, green, green,  //
                                     0, blue,  0,     red,   red};
  const Case cases[] = {
      // The translucent pixel keeps its alpha, its colour un-premultiplied.
      {"rgb-translucent.png", 3, 2, {red, green, blue, white, Picture::rgb(0, 0, 0), 0x80808080u}},
      {"palette.gif", 5, 4, gif},
      {"palette-interlaced.gif", 5, 4, gif},
      {"rgb24.bmp", 2, 2, {blue, green, red, white}},
      {"pal8-top-down.bmp", 3, 2, {red, blue, blue, blue, red, red}},
      {"mono.bmp", 3, 1, {blue, red, blue}},
      {"rgb32-no-alpha.bmp", 1, 1, {Picture::rgb(16, 32, 48)}},  // a fourth byte of 0: opaque
      {"argb32.bmp", 1, 1, {0x80102030u}},
      {"red-blue.jpg", 16, 8, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    PictureRef p = Picture::fromMemory(file(c.file));
    ASSERT_EQ(p->width(), c.width);
    ASSERT_EQ(p->height(), c.height);
    if (!c.pixels.empty()) {
      EXPECT_EQ(p->pixels(), c.pixels);
      continue;
    }
    // JPEG is lossy: the halves keep their colours within a few steps.
    for (auto [x, want] : {std::pair{1, red}, std::pair{14, blue}}) {
      uint32_t got = p->pixel(x, 4);
      for (int shift : {16, 8, 0}) {
        EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF),
                    static_cast<int>((want >> shift) & 0xFF), 8)
            << x;
      }
    }
  }
  // Each picture has a handle of its own. (Its sides in HiMetric and its type: host_pictures.scn.)
  EXPECT_NE(Picture::fromMemory(file("rgb-translucent.png"))->get("Handle").asLong(),
            Picture::fromMemory(file("rgb24.bmp"))->get("Handle").asLong());
}

// A file cut anywhere is refused whole, never decoded with what is missing filled in; so is one
// whose header promises a picture beyond the limits or beyond what its bytes could hold. (Files
// that are no picture at all are in LoadsOnlyRegularFiles.)
TEST(Picture, RefusesCutFilesAndLyingHeaders) {
  for (const char* name : {"rgb-translucent.png", "red-blue.jpg", "palette.gif",
                           "palette-interlaced.gif", "rgb24.bmp"}) {
    const Bytes whole = file(name);
    ASSERT_NO_THROW(Picture::fromMemory(whole));
    for (size_t keep = 0; keep < whole.size(); keep += 1 + whole.size() / 60) {
      Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep));
      EXPECT_EQ(errorOf([&] { Picture::fromMemory(cut); }), err::InvalidPicture)
          << whole.size() << " bytes cut to " << keep;
    }
    // The last byte too (a PNG's IEND checksum, a GIF's trailer, a JPEG's end marker).
    Bytes lessOne(whole.begin(), whole.end() - 1);
    EXPECT_EQ(errorOf([&] { Picture::fromMemory(lessOne); }), err::InvalidPicture) << whole.size();
  }

  // Headers patched to promise too much: a PNG of 9000 x 2 (its checksum no longer matches; the
  // limit itself is met with a sound checksum in control_bad_pictures.scn), a BMP 9000 wide or
  // with three rows where two are, a GIF screen 9000 wide or 8191 x 8191 from a few dozen bytes,
  // a JPEG frame (after FFC0, its length and precision: height, width) of 8000 x 8000.
  const Bytes jpeg = file("red-blue.jpg");
  size_t frame = 0;
  while (frame + 8 < jpeg.size() && !(jpeg[frame] == 0xFF && jpeg[frame + 1] == 0xC0)) ++frame;
  ASSERT_LT(frame + 8, jpeg.size());
  struct Lie {
    Bytes file;
    size_t at;
    Bytes bytes;
  };
  const Lie lies[] = {{file("rgb-translucent.png"), 16, {0, 0, 0x23, 0x28}},
                      {file("rgb24.bmp"), 18, {0x28, 0x23}},
                      {file("rgb24.bmp"), 22, {3}},
                      {file("pal8-colour-out-of-palette.bmp"), 0, {}},
                      {file("palette.gif"), 6, {0x28, 0x23}},
                      {file("palette.gif"), 6, {0xFF, 0x1F, 0xFF, 0x1F}},
                      {jpeg, frame + 5, {0x1F, 0x40, 0x1F, 0x40}}};
  for (Lie lie : lies) {
    std::copy(lie.bytes.begin(), lie.bytes.end(),
              lie.file.begin() + static_cast<std::ptrdiff_t>(lie.at));
    EXPECT_EQ(errorOf([&] { Picture::fromMemory(lie.file); }), err::InvalidPicture) << lie.at;
  }
}

// Only regular files are pictures; a folder or a file that cannot be had is a file error. Each
// error names the file.
TEST(Picture, LoadsOnlyRegularFiles) {
  namespace fs = std::filesystem;
  keloscroll::testing::ScratchDir scratch;
  const fs::path& dir = scratch.path;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::ofstream(dir / "empty.bmp").flush();
  {
    std::ofstream big(dir / "big.bmp");
    big.write("BM", 2);
  }
  fs::resize_file(dir / "big.bmp", (size_t{64} << 20) + 1);  // sparse: nothing is written
  const Bytes bmp = file("rgb24.bmp");
  fs::copy_file(fs::path(KELO_HOST_PICTURES) / "rgb24.bmp", dir / "ok.bmp");
  std::ofstream(dir / "cut.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(bmp.data()),
             static_cast<std::streamsize>(bmp.size() - 1));
  std::ofstream(dir / "text.png") << "no picture";
  EXPECT_EQ(Picture::load((dir / "ok.bmp").string())->width(), 2);
  const std::pair<fs::path, int32_t> cases[] = {
      {"/dev/zero", err::InvalidPicture},
      {dir / "fifo", err::InvalidPicture},
      {dir / "empty.bmp", err::InvalidPicture},
      {dir / "big.bmp", err::InvalidPicture},
      {dir / "cut.bmp", err::InvalidPicture},
      {dir / "text.png", err::InvalidPicture},
      {dir, err::PathFileAccess},
      {dir / "missing.png", 53},
      {dir / "ok.bmp" / "x", 53},
  };
  for (const auto& [path, error] : cases) {
    SCOPED_TRACE(path);
    try {
      Picture::load(path.string());
      ADD_FAILURE() << "loaded";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), error);
      EXPECT_THAT(e.description(), ::testing::EndsWith(": " + path.string()));
    }
  }
}

}  // namespace
}  // namespace keloscroll::host
