#include "host/cairo_painter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/cairo_text.h"
#include "host/error.h"
#include "host/render.h"
#include "host/text.h"
#include "host/widgets.h"

namespace host {

namespace {

uint32_t* row(cairo_surface_t* s, int y) {
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  return reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
}

uint32_t unpremultiply(uint32_t argb) {
  uint32_t a = argb >> 24;
  if (a == 0xFF || a == 0) return argb;
  auto scale = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  return (a << 24) | (scale((argb >> 16) & 0xFF) << 16) | (scale((argb >> 8) & 0xFF) << 8) |
         scale(argb & 0xFF);
}

void setColor(cairo_t* cr, Rgb c) {
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kLight{223, 223, 223};
constexpr Rgb kShadow{128, 128, 128};
constexpr Rgb kBlack{0, 0, 0};

}  // namespace

// ---- Canvas ----------------------------------------------------------------------------------

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
    raise(err::OutOfMemory, "Out of memory: an image of " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels");
  }
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    raise(err::OutOfMemory);
  }
  cairo_t* cr = cairo_create(surface_);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
}

Canvas::~Canvas() {
  if (surface_) cairo_surface_destroy(surface_);
}

Canvas::Canvas(Canvas&& o) noexcept
    : surface_(std::exchange(o.surface_, nullptr)),
      width_(std::exchange(o.width_, 0)),
      height_(std::exchange(o.height_, 0)) {}

Canvas& Canvas::operator=(Canvas&& o) noexcept {
  std::swap(surface_, o.surface_);
  std::swap(width_, o.width_);
  std::swap(height_, o.height_);
  return *this;
}

uint32_t Canvas::pixel(int x, int y) const {
  if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  cairo_surface_flush(surface_);
  return unpremultiply(row(surface_, y)[x]);
}

Rgb Canvas::rgb(int x, int y) const {
  uint32_t p = pixel(x, y);
  return Rgb{static_cast<uint8_t>((p >> 16) & 0xFF), static_cast<uint8_t>((p >> 8) & 0xFF),
             static_cast<uint8_t>(p & 0xFF)};
}

void Canvas::writePng(const std::string& path) const {
  cairo_surface_flush(surface_);
  cairo_status_t status = cairo_surface_write_to_png(surface_, path.c_str());
  if (status != CAIRO_STATUS_SUCCESS) {
    raise(err::PathFileAccess, "Path/File access error: cannot write '" + path + "' (" +
                                   cairo_status_to_string(status) + ")");
  }
}

// ---- CairoPainter ----------------------------------------------------------------------------

CairoPainter::CairoPainter(Canvas& canvas) : cr_(cairo_create(canvas.surface())) {}

CairoPainter::~CairoPainter() {
  for (auto& [handle, surface] : pictures_) cairo_surface_destroy(surface);
  cairo_destroy(cr_);
}

void CairoPainter::fill(const PixelRect& r, Rgb color) {
  if (r.empty()) return;
  setColor(cr_, color);
  cairo_rectangle(cr_, r.left, r.top, r.width, r.height);
  cairo_fill(cr_);
}

void CairoPainter::hline(int x, int y, int w, Rgb c) {
  fill(PixelRect{x, y, w, 1}, c);
}

void CairoPainter::vline(int x, int y, int h, Rgb c) {
  fill(PixelRect{x, y, 1, h}, c);
}

void CairoPainter::frame(const PixelRect& r, Rgb color) {
  if (r.empty()) return;
  hline(r.left, r.top, r.width, color);
  hline(r.left, r.bottom() - 1, r.width, color);
  vline(r.left, r.top, r.height, color);
  vline(r.right() - 1, r.top, r.height, color);
}

void CairoPainter::bevel(const PixelRect& r, Edge edge) {
  // Each ring is one pixel: its top and left edges first, then its bottom and right edges, which
  // so own the two corners they share with the others.
  auto ring = [this](const PixelRect& q, Rgb topLeft, Rgb bottomRight) {
    if (q.empty()) return;
    hline(q.left, q.top, q.width, topLeft);
    vline(q.left, q.top, q.height, topLeft);
    hline(q.left, q.bottom() - 1, q.width, bottomRight);
    vline(q.right() - 1, q.top, q.height, bottomRight);
  };
  switch (edge) {
    case Edge::Raised:
      ring(r, kLight, kBlack);
      ring(r.inset(1), kWhite, kShadow);
      break;
    case Edge::Sunken:
      ring(r, kShadow, kWhite);
      ring(r.inset(1), kBlack, kLight);
      break;
    case Edge::Etched:
      ring(r, kShadow, kWhite);
      ring(r.inset(1), kWhite, kShadow);
      break;
  }
}

cairo_surface_t* CairoPainter::surfaceOf(const Picture& p) {
  if (p.width() <= 0 || p.height() <= 0) return nullptr;
  if (auto it = pictures_.find(p.handle()); it != pictures_.end()) return it->second;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.width(), p.height());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    raise(err::OutOfMemory);
  }
  cairo_surface_flush(s);
  const uint32_t* src = p.pixels().data();
  auto w = static_cast<size_t>(p.width());
  bool opaque = std::all_of(p.pixels().begin(), p.pixels().end(),
                            [](uint32_t px) { return (px >> 24) == 0xFF; });
  for (int y = 0; y < p.height(); ++y, src += w) {
    uint32_t* dst = row(s, y);
    if (opaque) {
      std::memcpy(dst, src, w * sizeof(uint32_t));
    } else {
      std::transform(src, src + w, dst, premultiply);
    }
  }
  cairo_surface_mark_dirty(s);
  pictures_.emplace(p.handle(), s);
  return s;
}

void CairoPainter::stretchPicture(const Picture& p, const PixelRect& r) {
  cairo_surface_t* s = surfaceOf(p);
  if (!s || r.empty()) return;
  cairo_save(cr_);
  cairo_rectangle(cr_, r.left, r.top, r.width, r.height);
  cairo_clip(cr_);
  cairo_translate(cr_, r.left, r.top);
  cairo_scale(cr_, static_cast<double>(r.width) / p.width(),
              static_cast<double>(r.height) / p.height());
  cairo_set_source_surface(cr_, s, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void CairoPainter::picture(const Picture& p, int x, int y, const PixelRect& clip) {
  cairo_surface_t* s = surfaceOf(p);
  PixelRect area = clip.intersect(PixelRect{x, y, p.width(), p.height()});
  if (!s || area.empty()) return;
  cairo_save(cr_);
  cairo_set_source_surface(cr_, s, x, y);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr_, area.left, area.top, area.width, area.height);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void CairoPainter::text(std::string_view s, const PixelRect& r, const TextStyle& style) {
  if (s.empty() || r.empty()) return;
  cairo_scaled_font_t* font = text::scaledFont(style.pointSize, style.bold);
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(font, &extents);
  double ascent = std::round(extents.ascent);
  std::vector<TextLine> lines = layoutText(s, r, style);

  cairo_save(cr_);
  cairo_rectangle(cr_, r.left, r.top, r.width, r.height);
  cairo_clip(cr_);
  cairo_set_scaled_font(cr_, font);
  setColor(cr_, style.color);
  for (const TextLine& line : lines) {
    if (line.text.empty()) continue;
    cairo_move_to(cr_, line.x, line.top + ascent);
    cairo_show_text(cr_, text::validUtf8(line.text).c_str());
  }
  cairo_restore(cr_);
}

void CairoPainter::pushClip(const PixelRect& r) {
  cairo_save(cr_);
  cairo_rectangle(cr_, r.left, r.top, std::max(0, r.width), std::max(0, r.height));
  cairo_clip(cr_);
  ++clipDepth_;
}

void CairoPainter::popClip() {
  if (clipDepth_ == 0) return;
  --clipDepth_;
  cairo_restore(cr_);
}

// Forms as images: the Cairo painter on an image of the form's client area.
Canvas renderForm(const Form& form) {
  PixelRect r = innerPixelRect(form);
  Canvas canvas(std::max(1, r.width), std::max(1, r.height));
  CairoPainter painter(canvas);
  paintForm(form, painter);
  return canvas;
}

PixelSize writePng(const Form& form, const std::string& path) {
  Canvas canvas = renderForm(form);
  canvas.writePng(path);
  return PixelSize{canvas.width(), canvas.height()};
}

}  // namespace host
