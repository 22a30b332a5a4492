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

namespace keloscroll::host {

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
    : Painter(PixelRect{0, 0, canvas.width(), canvas.height()}),
      cr_(cairo_create(canvas.surface())),
      surface_(canvas.surface()),
      data_(reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_))),
      stride_(cairo_image_surface_get_stride(surface_) / static_cast<int>(sizeof(uint32_t))) {}

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
  const PixelRect& c = clip();
  if (c.empty()) return false;
  if (wroteDirect_) {
    cairo_surface_mark_dirty(surface_);
    wroteDirect_ = false;
  }
  cairoDrew_ = true;
  cairo_save(cr_);
  cairo_rectangle(cr_, c.left, c.top, c.width, c.height);
  cairo_clip(cr_);
  return true;
}

void CairoPainter::endCairo() {
  cairo_restore(cr_);
}

// An opaque colour over whole pixels is that colour, as Cairo's own fill leaves it.
void CairoPainter::fill(const PixelRect& r, Rgb color) {
  PixelRect area = r.intersect(clip());
  if (area.empty()) return;
  beginDirect();
  uint32_t px = 0xFF000000u | (uint32_t{color.r} << 16) | (uint32_t{color.g} << 8) | color.b;
  uint32_t* first = pixelRow(area.top) + area.left;
  std::fill_n(first, area.width, px);
  if (wholeRows(area)) {
    // One run: what is filled so far is copied after itself, doubling each time.
    size_t done = static_cast<size_t>(area.width), all = done * static_cast<size_t>(area.height);
    while (done < all) {
      size_t n = std::min(done, all - done);
      std::memcpy(first + done, first, n * sizeof(uint32_t));
      done += n;
    }
    return;
  }
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
  bool opaque = p.opaque();
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

// Nearest-neighbour stretching samples the pixels Cairo would (host/cairo/cairo_sampling.h) into a
// block of the painted area's size, then lays the block over the image as picture() does; only a
// picture shrunk very far goes through Cairo.
void CairoPainter::stretchPicture(const Picture& p, const PixelRect& r) {
  const PictureSurface* s = surfaceOf(p);
  PixelRect area = r.intersect(clip());
  if (!s || area.empty()) return;
  std::optional<NearestSampling> sampling = nearestSampling(r, p.width(), p.height(), area);
  if (!sampling) {
    stretchWithCairo(s->surface, p, r);
    return;
  }
  beginDirect();
  const uint32_t* from = stretched(*s, p, *sampling, area.width, area.height);
  if (s->opaque) return copyIn(from, area);
  auto width = static_cast<size_t>(area.width);
  for (int row = area.top; row < area.bottom(); ++row, from += width) {
    uint32_t* to = pixelRow(row) + area.left;
    for (size_t i = 0; i < width; ++i) over(to[i], from[i]);
  }
}

void CairoPainter::copyIn(const uint32_t* from, const PixelRect& area) {
  auto width = static_cast<size_t>(area.width);
  if (wholeRows(area)) {
    // One run, left to the C library's copy: its string instruction is the fastest way to move
    // a run this long, and an inline copy of short pieces is the slowest.
    std::memcpy(pixelRow(area.top), from,
                width * static_cast<size_t>(area.height) * sizeof(uint32_t));
    return;
  }
  for (int row = area.top; row < area.bottom(); ++row, from += width) {
    std::memcpy(pixelRow(row) + area.left, from, width * sizeof(uint32_t));
  }
}

namespace {

// What a stretched block's pixels depend on: the picture (by handle: no other picture ever has
// it), the block's size, and where its first pixel samples the picture and the steps from there.
struct StretchKey {
  int32_t handle = 0;
  int width = 0, height = 0;
  int64_t x = 0, y = 0, stepX = 0, stepY = 0;
  friend bool operator==(const StretchKey&, const StretchKey&) = default;
};

struct Stretched {
  StretchKey key;
  std::vector<uint32_t> pixels;  // premultiplied, row after row
};

// Stretched pictures kept from one repaint to the next, whatever painter drew them: a bar repaints
// the same stretch of its track (and, while the thumb keeps its length, of its thumb) each time,
// and copying a block costs a fraction of sampling it. Few and small: the most recently used
// first, blocks of more than kLargestKept pixels sampled afresh each time.
constexpr size_t kStretchesKept = 8;
constexpr int kLargestKept = 256 * 256;
thread_local std::vector<Stretched> t_stretched;

}  // namespace

namespace {

// Faces kept from one repaint to the next, whatever painter drew them (the end buttons of every
// bar): few and small, the most recently used first.
struct KeptFace {
  FaceKey key;
  std::vector<uint32_t> pixels;
};
constexpr size_t kFacesKept = 8;
thread_local std::vector<KeptFace> t_faces;

}  // namespace

bool CairoPainter::paintKeptFace(const FaceKey& key, const PixelRect& r) {
  if (r.empty() || r.intersect(clip()) != r) return false;
  auto kept =
      std::find_if(t_faces.begin(), t_faces.end(), [&](const KeptFace& k) { return k.key == key; });
  if (kept == t_faces.end()) return false;
  std::rotate(t_faces.begin(), kept, kept + 1);
  beginDirect();
  copyIn(t_faces.front().pixels.data(), r);
  return true;
}

void CairoPainter::keepFace(const FaceKey& key, const PixelRect& r) {
  if (r.empty() || r.intersect(clip()) != r || r.width * r.height > kLargestKept) return;
  beginDirect();  // Cairo's drawing, if any, is in the image before it is read
  if (t_faces.size() < kFacesKept) t_faces.emplace_back();
  std::rotate(t_faces.begin(), t_faces.end() - 1, t_faces.end());
  KeptFace& face = t_faces.front();
  face.key = key;
  auto width = static_cast<size_t>(r.width);
  face.pixels.resize(width * static_cast<size_t>(r.height));
  uint32_t* to = face.pixels.data();
  for (int row = r.top; row < r.bottom(); ++row, to += width) {
    std::memcpy(to, pixelRow(row) + r.left, width * sizeof(uint32_t));
  }
}

const uint32_t* CairoPainter::stretched(const PictureSurface& s, const Picture& p,
                                        const NearestSampling& sampling, int width, int height) {
  StretchKey key{p.handle(), width, height, sampling.x, sampling.y, sampling.stepX, sampling.stepY};
  std::vector<uint32_t>* block = &scratch_;
  if (width * height <= kLargestKept) {
    auto kept = std::find_if(t_stretched.begin(), t_stretched.end(),
                             [&](const Stretched& k) { return k.key == key; });
    if (kept != t_stretched.end()) {
      std::rotate(t_stretched.begin(), kept, kept + 1);
      return t_stretched.front().pixels.data();
    }
    if (t_stretched.size() < kStretchesKept) t_stretched.emplace_back();
    std::rotate(t_stretched.begin(), t_stretched.end() - 1, t_stretched.end());
    t_stretched.front().key = key;
    block = &t_stretched.front().pixels;
  }
  auto sourceIndex = [](int64_t position, int side) {
    return static_cast<int>(std::clamp<int64_t>(position >> 16, 0, side - 1));
  };
  auto w = static_cast<size_t>(width);
  block->resize(w * static_cast<size_t>(height));
  columns_.resize(w);
  int64_t x = sampling.x;
  for (int& column : columns_) {
    column = sourceIndex(x, p.width());
    x += sampling.stepX;
  }
  int64_t y = sampling.y;
  int lastSource = -1;
  uint32_t* to = block->data();
  for (int row = 0; row < height; ++row, y += sampling.stepY, to += w) {
    int source = sourceIndex(y, p.height());
    // A row repeated (a picture made taller) is the row just sampled.
    if (source == lastSource) {
      std::memcpy(to, to - w, w * sizeof(uint32_t));
      continue;
    }
    const uint32_t* from = s.pixels + static_cast<ptrdiff_t>(source) * s.stride;
    for (size_t i = 0; i < w; ++i) to[i] = from[columns_[i]];
    lastSource = source;
  }
  return block->data();
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
void CairoPainter::picture(const Picture& p, int x, int y, const PixelRect& within) {
  const PictureSurface* s = surfaceOf(p);
  PixelRect area = within.intersect(PixelRect{x, y, p.width(), p.height()}).intersect(clip());
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

}  // namespace keloscroll::host
