// Picture: an image object (the host's picture type). Pixels are 32-bit ARGB, decoded from files
// or memory by a library; built-in bitmaps are made from pixel arrays.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/dispatch.h"

namespace keloscroll::host {

class Picture final : public Dispatch {
 public:
  // `origin`: the platform's own picture object this one was drawn from (a client's picture
  // object on Windows), kept so that the client is handed back the very object it gave.
  Picture(int width, int height, std::vector<uint32_t> argb, std::shared_ptr<void> origin = {});

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
  const std::shared_ptr<void>& origin() const { return origin_; }

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
  std::shared_ptr<void> origin_;
};

using PictureRef = std::shared_ptr<Picture>;

}  // namespace keloscroll::host
