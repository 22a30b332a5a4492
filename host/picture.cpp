#include "host/picture.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "host/error.h"
#include "host/numeric.h"

// The decoder is a third-party single-header library: built here once, with only the formats a
// picture property accepts, no file access of its own, and its warnings kept out of ours.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_JPEG
#define STBI_MAX_DIMENSIONS 8192
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace host {

namespace {

// Larger images are refused before any pixel memory is taken.
constexpr int kMaxSide = 8192;

int32_t nextHandle() {
  static std::atomic<int32_t> next{0x05010000};
  return next.fetch_add(4);
}

// HiMetric (hundredths of a millimetre) of a pixel count at 96 dots per inch.
int32_t toHiMetric(int pixels) {
  return toLong(static_cast<double>(pixels) * 2540.0 / 96.0);
}

const DispatchTable<Picture>& pictureTable() {
  static const DispatchTable<Picture> table = [] {
    DispatchTable<Picture> t;
    t.property("Width", [](Picture& p) { return Variant(toHiMetric(p.width())); });
    t.property("Height", [](Picture& p) { return Variant(toHiMetric(p.height())); });
    t.property("Type", [](Picture&) { return Variant(int16_t{1}); });
    t.property("Handle", [](Picture& p) { return Variant(p.handle()); });
    return t;
  }();
  return table;
}

}  // namespace

Picture::Picture(int width, int height, std::vector<uint32_t> argb)
    : width_(width), height_(height), argb_(std::move(argb)), handle_(nextHandle()) {
  if (width < 0 || height < 0 ||
      argb_.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    throw std::invalid_argument("Picture: pixel count does not match the size");
  }
}

std::shared_ptr<Picture> Picture::fromMemory(std::span<const uint8_t> data) {
  if (data.empty() || data.size() > static_cast<size_t>(INT32_MAX)) raise(err::InvalidPicture);
  auto* bytes = reinterpret_cast<const stbi_uc*>(data.data());
  int len = static_cast<int>(data.size());
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, len, &w, &h, &channels)) raise(err::InvalidPicture);
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) raise(err::InvalidPicture);
  stbi_uc* rgba = stbi_load_from_memory(bytes, len, &w, &h, &channels, 4);
  if (!rgba) raise(err::InvalidPicture);
  std::vector<uint32_t> argb(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (size_t i = 0; i < argb.size(); ++i) {
    const stbi_uc* px = rgba + i * 4;
    argb[i] = (uint32_t{px[3]} << 24) | (uint32_t{px[0]} << 16) | (uint32_t{px[1]} << 8) | px[2];
  }
  stbi_image_free(rgba);
  return std::make_shared<Picture>(w, h, std::move(argb));
}

std::shared_ptr<Picture> Picture::load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) raise(53, "File not found: " + path);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return fromMemory(data);
}

int32_t Picture::idOfName(std::string_view name) const {
  return pictureTable().idOfName(name);
}

Variant Picture::invoke(int32_t id, Invoke kind, std::span<Variant> args) {
  return pictureTable().invoke(*this, id, kind, args);
}

}  // namespace host
