// Pictures decoded by the libraries: files of each format written by another encoder come back
// pixel for pixel; data that is no picture, is cut short or promises too large a picture is error
// 481, and only regular files are read.
#include <cairo.h>
#include <fcntl.h>
#include <gif_lib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// jpeglib.h needs FILE from <cstdio> first.
#include <jpeglib.h>

#include "host/picture.h"
#include "tests/host/host_test_util.h"

namespace host {
namespace {

using testing::errorOf;

// ---- files of each format, made by the formats' own encoders or byte by byte ------------------

using Bytes = std::vector<uint8_t>;

// 3 x 2 pixels: red, green, blue on top, then white, black and a half-transparent grey.
Bytes pngFile() {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 2);
  cairo_surface_flush(surface);
  const uint32_t premultiplied[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                                    0xFFFFFFFFu, 0xFF000000u, 0x80404040u};
  for (int i = 0; i < 6; ++i) {
    reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface) +
                                i / 3 * cairo_image_surface_get_stride(surface))[i % 3] =
        premultiplied[i];
  }
  cairo_surface_mark_dirty(surface);
  Bytes png;
  cairo_surface_write_to_png_stream(
      surface,
      [](void* out, const unsigned char* data, unsigned int n) {
        static_cast<Bytes*>(out)->insert(static_cast<Bytes*>(out)->end(), data, data + n);
        return CAIRO_STATUS_SUCCESS;
      },
      &png);
  cairo_surface_destroy(surface);
  return png;
}

// 8 x 8 pixels, left half red, right half blue (large flat areas, so that JPEG keeps them).
Bytes jpegFile() {
  jpeg_compress_struct c{};
  jpeg_error_mgr e{};
  c.err = jpeg_std_error(&e);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = 16;
  c.image_height = 8;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(16 * 3);
  for (int x = 0; x < 16; ++x) {
    row[3 * x] = x < 8 ? 255 : 0;
    row[3 * x + 2] = x < 8 ? 0 : 255;
  }
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes b(out, out + size);
  free(out);
  return b;
}

// 4 x 3 on a 5 x 4 screen at (1, 1): palette red, green, blue, and index 3 transparent.
Bytes gifFile(bool interlaced) {
  Bytes b;
  int error = 0;
  GifFileType* g = EGifOpen(
      &b,
      [](GifFileType* f, const GifByteType* data, int n) {
        auto* out = static_cast<Bytes*>(f->UserData);
        out->insert(out->end(), data, data + n);
        return n;
      },
      &error);
  const GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(g, true);
  EGifPutScreenDesc(g, 5, 4, 2, 0, map);
  GraphicsControlBlock gcb{};
  gcb.TransparentColor = 3;
  GifByteType ext[4];
  EGifGCBToExtension(&gcb, ext);
  EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext);
  EGifPutImageDesc(g, 1, 1, 4, 3, interlaced, nullptr);
  // Rows in file order: interlaced, the passes of three rows give row 0, then 2, then 1.
  GifPixelType rows[3][4] = {{0, 1, 2, 3}, {1, 1, 1, 1}, {2, 3, 0, 0}};
  const int order[3] = {0, interlaced ? 2 : 1, interlaced ? 1 : 2};
  for (int r : order) EGifPutLine(g, rows[r], 4);
  EGifCloseFile(g, &error);
  GifFreeMapObject(map);
  return b;
}

void put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

// A BMP with the 40-byte header: `height` negative for top-down rows; the palette and rows
// follow.
Bytes bmpFile(int32_t width, int32_t height, int bpp, const Bytes& palette, const Bytes& rows) {
  Bytes b(54);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 10, static_cast<uint32_t>(54 + palette.size()));
  put32(b, 14, 40);
  put32(b, 18, static_cast<uint32_t>(width));
  put32(b, 22, static_cast<uint32_t>(height));
  put16(b, 26, 1);
  put16(b, 28, static_cast<uint32_t>(bpp));
  put32(b, 46, static_cast<uint32_t>(palette.size() / 4));
  b.insert(b.end(), palette.begin(), palette.end());
  b.insert(b.end(), rows.begin(), rows.end());
  put32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

// 2 x 2, bottom-up: blue, green above red, white (rows padded to 4 bytes).
Bytes bmp24() {
  return bmpFile(2, 2, 24, {}, {0, 0, 255, 255, 255, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0});
}

TEST(Picture, DecodesJpegGifAndBmp) {
  constexpr uint32_t red = Picture::rgb(255, 0, 0), green = Picture::rgb(0, 255, 0),
                     blue = Picture::rgb(0, 0, 255), white = Picture::rgb(255, 255, 255);
  struct Case {
    const char* what;
    Bytes file;
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
      {"png", pngFile(), 3, 2, {red, green, blue, white, Picture::rgb(0, 0, 0), 0x80808080u}},
      {"gif", gifFile(false), 5, 4, gif},
      {"interlaced gif", gifFile(true), 5, 4, gif},
      {"bmp 24", bmp24(), 2, 2, {blue, green, red, white}},
      // 8 bits with a palette of two colours, top-down; a row of three indexes, padded.
      {"bmp 8",
       bmpFile(3, -2, 8, {0, 0, 255, 0, 255, 0, 0, 0}, {0, 1, 1, 0, 1, 0, 0, 0}),
       3,
       2,
       {red, blue, blue, blue, red, red}},
      // 1 bit: 0 red, 1 blue; 10100000 in one row.
      {"bmp 1",
       bmpFile(3, 1, 1, {0, 0, 255, 0, 255, 0, 0, 0}, {0xA0, 0, 0, 0}),
       3,
       1,
       {blue, red, blue}},
      // 32 bits with the fourth byte zero everywhere: opaque.
      {"bmp 32", bmpFile(1, 1, 32, {}, {0x30, 0x20, 0x10, 0}), 1, 1, {Picture::rgb(16, 32, 48)}},
      {"bmp 32 with alpha", bmpFile(1, 1, 32, {}, {0x30, 0x20, 0x10, 0x80}), 1, 1, {0x80102030u}},
      {"jpeg", jpegFile(), 16, 8, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PictureRef p = Picture::fromMemory(c.file);
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
  // A picture's size is in HiMetric: 3 px = 79.375, 2 px = 52.92.
  PictureRef p = Picture::fromMemory(pngFile());
  EXPECT_EQ(p->get("Width").asLong(), 79);
  EXPECT_EQ(p->get("height").asLong(), 53);
  EXPECT_EQ(p->get("Type").asLong(), 1);
  EXPECT_NE(p->get("Handle").asLong(), Picture::fromMemory(bmp24())->get("Handle").asLong());
  EXPECT_EQ(errorOf([&] { p->get("Palette"); }), err::NoSuchMember);
}

// A file cut anywhere is refused whole, never decoded with what is missing filled in; so is one
// whose header promises a picture beyond the limits or beyond what its bytes could hold. (Files
// that are no picture at all are in LoadsOnlyRegularFiles.)
TEST(Picture, RefusesCutFilesAndLyingHeaders) {
  for (const Bytes& whole : {pngFile(), jpegFile(), gifFile(false), gifFile(true), bmp24()}) {
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
  const Bytes jpeg = jpegFile();
  size_t frame = 0;
  while (frame + 8 < jpeg.size() && !(jpeg[frame] == 0xFF && jpeg[frame + 1] == 0xC0)) ++frame;
  ASSERT_LT(frame + 8, jpeg.size());
  struct Lie {
    Bytes file;
    size_t at;
    Bytes bytes;
  };
  const Lie lies[] = {{pngFile(), 16, {0, 0, 0x23, 0x28}},
                      {bmp24(), 18, {0x28, 0x23}},
                      {bmp24(), 22, {3}},
                      {bmpFile(1, 1, 8, {0, 0, 255, 0}, {5, 0, 0, 0}), 0, {}},  // colour 5 of 1
                      {gifFile(false), 6, {0x28, 0x23}},
                      {gifFile(false), 6, {0xFF, 0x1F, 0xFF, 0x1F}},
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
  fs::path dir = fs::path(::testing::TempDir()) / ("kelo-pictures-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::ofstream(dir / "empty.bmp").flush();
  {
    std::ofstream big(dir / "big.bmp");
    big.write("BM", 2);
  }
  fs::resize_file(dir / "big.bmp", (size_t{64} << 20) + 1);  // sparse: nothing is written
  auto write = [&](const char* name, size_t drop) {
    Bytes b = bmp24();
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()),
               static_cast<std::streamsize>(b.size() - drop));
  };
  write("ok.bmp", 0);
  write("cut.bmp", 1);
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
  fs::remove_all(dir);
}

}  // namespace
}  // namespace host
