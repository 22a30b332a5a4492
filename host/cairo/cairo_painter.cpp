#include "host/cairo/cairo_painter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/cairo/cairo_sampling.h"
#include "host/cairo/cairo_text.h"
#include "host/error.h"
#include "host/form.h"
#include "host/render.h"
#include "host/text.h"

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

// A premultiplied pixel laid over another as Cairo's OVER operator does (x * a / 255 rounded as
// pixman rounds it): opaque ones replace, clear ones leave the image as it was.
inline void over(uint32_t& dst, uint32_t src) {
  uint32_t a = src >> 24;
  if (a == 0xFF) {
    dst = src;
  } else if (src != 0) {
    uint32_t ia = 255 - a, out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      uint32_t t = ((dst >> shift) & 0xFF) * ia + 0x80;
      uint32_t c = ((t >> 8) + t) / 256 + ((src >> shift) & 0xFF);
      out |= std::min<uint32_t>(c, 0xFF) << shift;
    }
    dst = out;
  }
}

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

CairoPainter::CairoPainter(Canvas& canvas)
    : cr_(cairo_create(canvas.surface())),
      surface_(canvas.surface()),
      data_(reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_))),
      stride_(cairo_image_surface_get_stride(surface_) / static_cast<int>(sizeof(uint32_t))) {
  clips_.push_back(PixelRect{0, 0, canvas.width(), canvas.height()});
}

CairoPainter::~CairoPainter() {
  if (wroteDirect_) cairo_surface_mark_dirty(surface_);
  for (auto& [handle, made] : pictures_) cairo_surface_destroy(made.surface);
  cairo_destroy(cr_);
}

void CairoPainter::beginDirect() {
  if (cairoDrew_) {
    cairo_surface_flush(surface_);
    cairoDrew_ = false;
  }
  wroteDirect_ = true;
}

bool CairoPainter::beginCairo() {
  const PixelRect& clip = clips_.back();
  if (clip.empty()) return false;
  if (wroteDirect_) {
    cairo_surface_mark_dirty(surface_);
    wroteDirect_ = false;
  }
  cairoDrew_ = true;
  cairo_save(cr_);
  cairo_rectangle(cr_, clip.left, clip.top, clip.width, clip.height);
  cairo_clip(cr_);
  return true;
}

void CairoPainter::endCairo() {
  cairo_restore(cr_);
}

// An opaque colour over whole pixels is that colour, as Cairo's own fill leaves it.
void CairoPainter::fill(const PixelRect& r, Rgb color) {
  PixelRect area = r.intersect(clips_.back());
  if (area.empty()) return;
  beginDirect();
  uint32_t px = 0xFF000000u | (uint32_t{color.r} << 16) | (uint32_t{color.g} << 8) | color.b;
  uint32_t* first = pixelRow(area.top) + area.left;
  std::fill_n(first, area.width, px);
  // Wider rows copy the first, which is cheaper than filling each again; a line's pixels are
  // stored one by one.
  auto bytes = static_cast<size_t>(area.width) * sizeof(uint32_t);
  for (int y = area.top + 1; y < area.bottom(); ++y) {
    uint32_t* to = pixelRow(y) + area.left;
    if (area.width >= 8) {
      std::memcpy(to, first, bytes);
    } else {
      for (int i = 0; i < area.width; ++i) to[i] = px;
    }
  }
}

const CairoPainter::PictureSurface* CairoPainter::surfaceOf(const Picture& p) {
  if (p.width() <= 0 || p.height() <= 0) return nullptr;
  if (auto it = pictures_.find(p.handle()); it != pictures_.end()) return &it->second;
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
  PictureSurface made{s, reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s)),
                      cairo_image_surface_get_stride(s) / static_cast<int>(sizeof(uint32_t)),
                      opaque};
  return &pictures_.emplace(p.handle(), made).first->second;
}

// Nearest-neighbour stretching samples the pixels Cairo would (host/cairo/cairo_sampling.h) and
// lays them over the image as picture() does; only a picture shrunk very far goes through Cairo.
void CairoPainter::stretchPicture(const Picture& p, const PixelRect& r) {
  const PictureSurface* s = surfaceOf(p);
  PixelRect area = r.intersect(clips_.back());
  if (!s || area.empty()) return;
  std::optional<NearestSampling> sampling = nearestSampling(r, p.width(), p.height(), area);
  if (!sampling) {
    stretchWithCairo(s->surface, p, r);
    return;
  }
  beginDirect();
  auto sourceIndex = [](int64_t position, int side) {
    return static_cast<int>(std::clamp<int64_t>(position >> 16, 0, side - 1));
  };
  columns_.resize(static_cast<size_t>(area.width));
  int64_t x = sampling->x;
  for (int& column : columns_) {
    column = sourceIndex(x, p.width());
    x += sampling->stepX;
  }
  int64_t y = sampling->y;
  int lastSource = -1;
  auto bytes = static_cast<size_t>(area.width) * sizeof(uint32_t);
  for (int row = area.top; row < area.bottom(); ++row, y += sampling->stepY) {
    int source = sourceIndex(y, p.height());
    uint32_t* to = pixelRow(row) + area.left;
    // An opaque picture's row repeated (a picture made taller) is the row just painted.
    if (s->opaque && source == lastSource) {
      std::memcpy(to, to - stride_, bytes);
      continue;
    }
    const uint32_t* from = s->pixels + static_cast<ptrdiff_t>(source) * s->stride;
    if (s->opaque) {
      for (int i = 0; i < area.width; ++i) to[i] = from[columns_[static_cast<size_t>(i)]];
    } else {
      for (int i = 0; i < area.width; ++i) over(to[i], from[columns_[static_cast<size_t>(i)]]);
    }
    lastSource = source;
  }
}

void CairoPainter::stretchWithCairo(cairo_surface_t* s, const Picture& p, const PixelRect& r) {
  if (!beginCairo()) return;
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
  endCairo();
}

// Whole pixels at their own size: each is copied, or laid over the image as Cairo's OVER
// operator does.
void CairoPainter::picture(const Picture& p, int x, int y, const PixelRect& clip) {
  const PictureSurface* s = surfaceOf(p);
  PixelRect area = clip.intersect(PixelRect{x, y, p.width(), p.height()}).intersect(clips_.back());
  if (!s || area.empty()) return;
  beginDirect();
  for (int row = area.top; row < area.bottom(); ++row) {
    const uint32_t* from =
        s->pixels + static_cast<ptrdiff_t>(row - y) * s->stride + (area.left - x);
    uint32_t* to = pixelRow(row) + area.left;
    if (s->opaque) {
      std::memcpy(to, from, static_cast<size_t>(area.width) * sizeof(uint32_t));
    } else {
      for (int i = 0; i < area.width; ++i) over(to[i], from[i]);
    }
  }
}

void CairoPainter::text(std::string_view s, const PixelRect& r, const TextStyle& style) {
  if (s.empty() || r.empty()) return;
  cairo_scaled_font_t* font = text::scaledFont(style.pointSize, style.bold, style.dpi);
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(font, &extents);
  double ascent = std::round(extents.ascent);
  std::vector<TextLine> lines = layoutText(s, r, style);

  if (!beginCairo()) return;
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
  endCairo();
}

void CairoPainter::pushClip(const PixelRect& r) {
  clips_.push_back(r.intersect(clips_.back()));
}

void CairoPainter::popClip() {
  if (clips_.size() > 1) clips_.pop_back();
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
