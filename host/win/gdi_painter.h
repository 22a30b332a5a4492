// The GDI backend of the painter: the same look as the Cairo painter, on any device context (a
// window's, a memory bitmap's, a printer's). Pictures are drawn from their pixels with
// nearest-pixel scaling; text in the engine's font from the GDI text backend.
#pragma once

#include <windows.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/painter.h"
#include "host/widgets.h"

namespace host {

class GdiPainter final : public Painter {
 public:
  explicit GdiPainter(HDC dc);
  ~GdiPainter() override;
  GdiPainter(const GdiPainter&) = delete;
  GdiPainter& operator=(const GdiPainter&) = delete;

  void fill(const PixelRect& r, Rgb color) override;
  void frame(const PixelRect& r, Rgb color) override;
  void bevel(const PixelRect& r, Edge edge) override;
  void stretchPicture(const Picture& p, const PixelRect& r) override;
  void picture(const Picture& p, int x, int y, const PixelRect& clip) override;
  void text(std::string_view s, const PixelRect& r, const TextStyle& style) override;
  void pushClip(const PixelRect& r) override;
  void popClip() override;

 private:
  // A picture's pixels ready for the DC: premultiplied when any pixel is not opaque.
  struct Prepared {
    std::vector<uint32_t> pixels;
    bool opaque = true;
  };
  const Prepared& prepared(const Picture& p);
  void blit(const Picture& p, const PixelRect& to);

  HDC dc_;
  int saved_;
  int clipDepth_ = 0;
  std::unordered_map<int32_t, Prepared> pictures_;  // by the picture's handle
};

namespace win {

// The form's client area painted through GDI, as 0xAARRGGBB pixels (opaque), row by row.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t pixel(int x, int y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};
Image renderFormGdi(const Form& form);

}  // namespace win

}  // namespace host
