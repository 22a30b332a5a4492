// The Cairo backend of the painter: a Canvas is an image in memory (a Cairo ARGB32 image
// surface) that can be read back pixel by pixel and written as PNG; a CairoPainter paints on one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/cairo/cairo_sampling.h"
#include "host/form.h"
#include "host/painter.h"
#include "host/picture.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

namespace keloscroll::host {

class Canvas {
 public:
  // Sides of more than this many pixels are refused (error 7).
  static constexpr int kMaxSide = 16384;

  // An opaque white image. Error 7 for a side below 1 or above kMaxSide.
  Canvas(int width, int height);
  ~Canvas();
  Canvas(Canvas&& o) noexcept;
  Canvas& operator=(Canvas&& o) noexcept;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // The pixel at (x, y) as 0xAARRGGBB (not premultiplied); 0 outside the image.
  uint32_t pixel(int x, int y) const;
  Rgb rgb(int x, int y) const;

  // Writes the image as a PNG file. Error 75 ("Path/File access error") when it cannot.
  void writePng(const std::string& path) const;

  cairo_surface_t* surface() const { return surface_; }

 private:
  cairo_surface_t* surface_ = nullptr;
  int width_ = 0, height_ = 0;
};

class CairoPainter final : public Painter {
 public:
  explicit CairoPainter(Canvas& canvas);
  ~CairoPainter() override;

  void fill(const PixelRect& r, Rgb color) override;
  void stretchPicture(const Picture& p, const PixelRect& r) override;
  void picture(const Picture& p, int x, int y, const PixelRect& clip) override;
  void text(std::string_view s, const PixelRect& r, const TextStyle& style) override;
  bool paintKeptFace(const FaceKey& key, const PixelRect& r) override;
  void keepFace(const FaceKey& key, const PixelRect& r) override;

 private:
  // The picture as a Cairo surface of premultiplied pixels, made once per picture for the life
  // of the painter; an opaque one is copied rather than blended.
  struct PictureSurface {
    cairo_surface_t* surface;
    const uint32_t* pixels;
    int stride;  // in pixels
    bool opaque;
  };
  const PictureSurface* surfaceOf(const Picture& p);
  // The picture stretched as `sampling` says into a block of width x height pixels, premultiplied:
  // one kept from an earlier stretch when it is the same, or sampled now.
  const uint32_t* stretched(const PictureSurface& s, const Picture& p,
                            const NearestSampling& sampling, int width, int height);
  // A stretch Cairo draws itself: a picture shrunk beyond what the painter's own copy follows.
  void stretchWithCairo(cairo_surface_t* s, const Picture& p, const PixelRect& r);
  // Opaque fills and unscaled pictures are written straight into the image: Cairo's fixed cost
  // per call is most of a repaint of small widgets. Before such writes Cairo finishes its own
  // drawing; before Cairo draws again it learns of them, and takes the clip then.
  uint32_t* pixelRow(int y) const { return data_ + static_cast<ptrdiff_t>(y) * stride_; }
  // An area of whole rows of the image is one run of pixels.
  bool wholeRows(const PixelRect& area) const { return area.left == 0 && area.width == stride_; }
  // An opaque block of the area's size copied into it.
  void copyIn(const uint32_t* from, const PixelRect& area);
  void beginDirect();
  bool beginCairo();  // false when the clip is empty: nothing to draw
  void endCairo();

  cairo_t* cr_;
  cairo_surface_t* surface_;
  uint32_t* data_;
  int stride_;  // in pixels
  // The clips pushed, each already cut to the one below; the first is the whole image.
  bool cairoDrew_ = false;    // Cairo drew since the last direct write
  bool wroteDirect_ = false;  // pixels written that Cairo has not been told of
  // Keyed by the picture's handle, which no other picture shares, rather than by its address.
  std::unordered_map<int32_t, PictureSurface> pictures_;
  std::vector<int> columns_;       // a stretch's source column for each column painted, reused
  std::vector<uint32_t> scratch_;  // a stretch too large to keep, reused
};

// The form's client area as an image (at least one pixel each way). Error 7 for a form too large
// to render (more than Canvas::kMaxSide pixels on a side).
Canvas renderForm(const Form& form);

struct PixelSize {
  int width = 0, height = 0;
};
// Renders the form and writes it to a PNG file; returns the image's size. Error 75 ("Path/File
// access error") when the file cannot be written.
PixelSize writePng(const Form& form, const std::string& path);

}  // namespace keloscroll::host
