// Picture: an image object (the host's picture type). Pixels are 32-bit ARGB, decoded from files
// or memory by a library; built-in bitmaps are made from pixel arrays.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/dispatch.h"
#include "host/units.h"

namespace keloscroll::host {

// A width and a height in pixels.
struct PictureSize {
  int width = 0, height = 0;
  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The platform's own picture a Picture was drawn from (a client's picture object on Windows): it
// can be drawn afresh at any size, so an icon or a metafile painted at the size it takes on the
// device stays sharp there, where its pixels taken at one size and stretched would blur.
class PictureSource {
 public:
  virtual ~PictureSource() = default;
  // The platform's object, handed back to a client that reads the picture (an IUnknown on Windows).
  virtual void* object() const = 0;
  // Its own size.
  virtual Himetric width() const = 0;
  virtual Himetric height() const = 0;
  // Drawn at width x height pixels (rows top to bottom, straight-alpha 0xAARRGGBB); empty when it
  // cannot be drawn.
  virtual std::vector<uint32_t> render(int width, int height) const = 0;

  // Its size in the pixels of a device of `dpi`, at least one each way when it has any size.
  PictureSize sizeAt(Dpi dpi) const;
};

class Picture final : public Dispatch {
 public:
  // `source`: where the pixels were drawn from, kept so that the client is handed back the very
  // object it gave and so that the picture can be drawn afresh at another size.
  Picture(int width, int height, std::vector<uint32_t> argb,
          std::shared_ptr<const PictureSource> source = {});

  // Decodes BMP, PNG, GIF or JPEG. Error 481 ("Invalid picture") for data that does not decode or
  // exceeds the size limit; the caller's state is untouched.
  static std::shared_ptr<Picture> fromMemory(std::span<const uint8_t> data);
  static std::shared_ptr<Picture> load(const std::string& path);

  int width() const { return width_; }    // pixels
  int height() const { return height_; }  // pixels
  const std::vector<uint32_t>& pixels() const { return argb_; }
  uint32_t pixel(int x, int y) const { return argb_[static_cast<size_t>(y * width_ + x)]; }
  // Every pixel fully opaque: the picture hides whatever it is painted over.
  bool opaque() const { return opaque_; }
  // A number that tells pictures apart, as the host's bitmap handle does.
  int32_t handle() const { return handle_; }
  const std::shared_ptr<const PictureSource>& source() const { return source_; }

  // Its size on a device of `dpi`: its own pixels at any density, as the platform shows a bitmap;
  // a picture with a source takes the source's own size at that density, as the platform draws
  // its picture objects (at the classic density, the same as width() and height()).
  PictureSize sizeAt(Dpi dpi) const;
  // The picture drawn afresh by its source at width x height pixels (the last few sizes asked for
  // are kept); null when it has no source, already has that size, or the size is past the limits
  // of pictures or cannot be drawn: its own pixels are then stretched. An opaque picture stays
  // opaque at any size.
  std::shared_ptr<const Picture> rendition(int width, int height) const;

  // Dispatch: Width and Height (in HiMetric, as the host reports picture sizes), Type (1, bitmap)
  // and Handle.
  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override;
  std::string_view typeName() const override { return "Picture"; }

  static constexpr uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
  }

 private:
  int width_;
  int height_;
  std::vector<uint32_t> argb_;
  int32_t handle_;
  bool opaque_;
  std::shared_ptr<const PictureSource> source_;
  mutable std::mutex renditionsMutex_;  // a picture may be painted by more than one thread
  mutable std::vector<std::shared_ptr<const Picture>> renditions_;  // most recent first
};

using PictureRef = std::shared_ptr<Picture>;

}  // namespace keloscroll::host
