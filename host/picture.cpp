#include "host/picture.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <stdexcept>

#include "host/error.h"
#include "host/numeric.h"
#include "host/picture_decode.h"
#include "host/units.h"

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#include <iterator>
#else
#include "host/read_file.h"
#endif

namespace keloscroll::host {

namespace {

int32_t nextHandle() {
  static std::atomic<int32_t> next{0x05010000};
  return next.fetch_add(4);
}

// HiMetric (hundredths of a millimetre) of a pixel count: a bitmap carries no density of its
// own, so its pixels are taken at the classic 96 dots per inch.
int32_t toHiMetric(int pixels) {
  return toLong(toHimetric(Pixels{static_cast<double>(pixels)}, kClassicDpi).value);
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

Picture::Picture(int width, int height, std::vector<uint32_t> argb,
                 std::shared_ptr<const PictureSource> source)
    : width_(width),
      height_(height),
      argb_(std::move(argb)),
      handle_(nextHandle()),
      opaque_(false),
      source_(std::move(source)) {
  if (width < 0 || height < 0 ||
      argb_.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    throw std::invalid_argument("Picture: pixel count does not match the size");
  }
  opaque_ = std::all_of(argb_.begin(), argb_.end(), [](uint32_t px) { return (px >> 24) == 0xFF; });
}

std::shared_ptr<Picture> Picture::fromMemory(std::span<const uint8_t> data) {
  picture_decode::Pixels px = picture_decode::decode(data);
  return std::make_shared<Picture>(px.width, px.height, std::move(px.argb));
}

namespace {

[[noreturn]] void fileError(int errorNumber, const std::string& path) {
  switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
      raise(53, "File not found: " + path);
    case EACCES:
    case EPERM:
      raise(70, "Permission denied: " + path);
    default:
      raise(err::PathFileAccess, "Path/File access error: " + path);
  }
}

// The file's name goes with the error: a message box or a log then says which file it was.
[[noreturn]] void invalidPictureFile(const std::string& path) {
  raise(err::InvalidPicture, errorDescription(err::InvalidPicture) + ": " + path);
}

std::shared_ptr<Picture> decodeFile(std::span<const uint8_t> data, const std::string& path) {
  try {
    return Picture::fromMemory(data);
  } catch (const Error& e) {
    if (e.number() == err::InvalidPicture) invalidPictureFile(path);
    throw;
  }
}

}  // namespace

// Only a regular file is read, and only as much of it as a picture may be: a device, a pipe or
// a folder is no picture file, and reading one could go on for ever.
std::shared_ptr<Picture> Picture::load(const std::string& path) {
#ifdef _WIN32
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) raise(53, "File not found: " + path);
  if (status.type() == std::filesystem::file_type::directory) fileError(EISDIR, path);
  if (ec || status.type() != std::filesystem::file_type::regular) invalidPictureFile(path);
  std::ifstream in(path, std::ios::binary);
  if (!in) fileError(EACCES, path);
  std::vector<uint8_t> data;
  char c;
  while (data.size() <= picture_decode::kMaxFileBytes && in.get(c)) {
    data.push_back(static_cast<uint8_t>(c));
  }
  return decodeFile(data, path);
#else
  std::string data;
  if (ReadError e = readWholeFile(path, picture_decode::kMaxFileBytes, data)) {
    if (e.code == std::errc::invalid_argument || e.code == std::errc::file_too_large) {
      invalidPictureFile(path);
    }
    fileError(e.code.value(), path);
  }
  return decodeFile(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()), path);
#endif
}

PictureSize PictureSource::sizeAt(Dpi dpi) const {
  auto pixels = [dpi](Himetric h) {
    return h.value > 0 ? std::max(1, static_cast<int>(std::lround(toPixels(h, dpi).value))) : 0;
  };
  return {pixels(width()), pixels(height())};
}

PictureSize Picture::sizeAt(Dpi dpi) const {
  return source_ ? source_->sizeAt(dpi) : PictureSize{width_, height_};
}

namespace {
constexpr size_t kRenditionsKept = 3;  // a thumb, a track and a button may share one picture
}  // namespace

std::shared_ptr<const Picture> Picture::rendition(int width, int height) const {
  if (!source_ || (width == width_ && height == height_) ||
      !picture_decode::plainPixelsFit(width, height)) {
    return nullptr;
  }
  std::lock_guard lock(renditionsMutex_);
  auto kept = std::find_if(renditions_.begin(), renditions_.end(), [&](const auto& r) {
    return r->width() == width && r->height() == height;
  });
  if (kept == renditions_.end()) {
    std::vector<uint32_t> argb = source_->render(width, height);
    if (argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) return nullptr;
    // What hides everything under it at its own size hides it at any: painting skips what lies
    // under an opaque picture.
    if (opaque_) {
      for (uint32_t& px : argb) px |= 0xFF000000u;
    }
    if (renditions_.size() == kRenditionsKept) renditions_.pop_back();
    renditions_.insert(renditions_.begin(),
                       std::make_shared<const Picture>(width, height, std::move(argb)));
    return renditions_.front();
  }
  std::rotate(renditions_.begin(), kept, kept + 1);
  return renditions_.front();
}

int32_t Picture::idOfName(std::string_view name) const {
  return pictureTable().idOfName(name);
}

Variant Picture::invoke(int32_t id, Invoke kind, std::span<Variant> args) {
  return pictureTable().invoke(*this, id, kind, args);
}

}  // namespace keloscroll::host
