// The GDI backend of the painter: a GdiPainter paints on any device context (a window's paint DC,
// a memory DC with a DIB section, a printer DC) with the look of the Cairo painter, pixel for
// pixel outside text. renderFormGdi paints a form into a 32-bit DIB section and reads it back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/form.h"
#include "host/painter.h"
#include "host/picture.h"

namespace keloscroll::host {

class GdiPainter final : public Painter {
 public:
  // Paints on dc, whose state (clip, font, colours, modes) is saved here and restored by the
  // destructor. Coordinates are the DC's logical units, which are pixels in MM_TEXT.
  explicit GdiPainter(HDC dc);
  ~GdiPainter() override;

  void fill(const PixelRect& r, Rgb color) override;
  void stretchPicture(const Picture& p, const PixelRect& r) override;
  void picture(const Picture& p, int x, int y, const PixelRect& clip) override;
  void text(std::string_view s, const PixelRect& r, const TextStyle& style) override;

 protected:
  // The DC keeps the clip: each push is a saved state, restored by its pop.
  void clipPushed(const PixelRect& r) override;
  void clipPopped() override;

 private:
  // A picture's pixels as a DIB's rows (top-down BGRA, premultiplied when not opaque), made once
  // per picture for the life of the painter.
  struct Dib {
    int width = 0, height = 0;
    bool opaque = true;
    std::vector<uint32_t> bits;
  };
  const Dib* dibOf(const Picture& p);
  // Paints the part of dest inside the current clip; source pixel (sx, sy) of each destination
  // pixel comes from map(dx, dy).
  template <typename Map>
  void blit(const Dib& dib, const PixelRect& dest, Map map);
  HFONT fontOf(double pointSize, bool bold, Dpi dpi);

  HDC dc_;
  int savedState_;
  // Keyed by the picture's handle, which no other picture shares, rather than by its address.
  std::unordered_map<int32_t, Dib> pictures_;
  std::map<std::pair<long, bool>, HFONT> fonts_;
};

namespace win {

// A painted image: width x height pixels, rows top to bottom, each pixel 0xAARRGGBB.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t pixel(int x, int y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

// The header of a 32-bit top-down DIB of the size: the one pixel layout every painting of ours
// uses.
BITMAPINFO dibHeader(int width, int height);

// Sides of more than this many pixels are refused (error 7), as for the Cairo canvas.
inline constexpr int kMaxImageSide = 16384;

// width x height pixels painted by `paint` through a GdiPainter on a memory DC with a 32-bit
// top-down DIB section that starts opaque white; every pixel comes back opaque. Error 7 for a
// side below 1 or above kMaxImageSide.
Image paintImage(int width, int height, const std::function<void(Painter&)>& paint);

// The form's client area (at least one pixel each way) painted by paintForm into paintImage's
// image. Error 7 for a form too large to render.
Image renderFormGdi(const Form& form);

}  // namespace win
}  // namespace keloscroll::host
