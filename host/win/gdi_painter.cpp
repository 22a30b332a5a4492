#include "host/win/gdi_painter.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "host/error.h"
#include "host/render.h"
#include "host/text.h"
#include "host/win/utf16.h"

namespace keloscroll::host {

namespace {

using win::wide;

COLORREF colorRef(Rgb c) {
  return RGB(c.r, c.g, c.b);
}

// A premultiplied pixel over white, for a device that cannot blend (a printer's paper is white).
uint32_t overWhite(uint32_t premultiplied) {
  uint32_t rest = 0xFF - (premultiplied >> 24);
  auto add = [rest](uint32_t c) { return std::min<uint32_t>(0xFF, c + rest); };
  return 0xFF000000u | (add((premultiplied >> 16) & 0xFF) << 16) |
         (add((premultiplied >> 8) & 0xFF) << 8) | add(premultiplied & 0xFF);
}

// A memory DC with a DIB section selected into it, released at the end of the scope.
class DibSection {
 public:
  DibSection(int width, int height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO bmi = win::dibHeader(width, height);
    void* bits = nullptr;
    bitmap_ = dc_ ? CreateDIBSection(dc_, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap_ || !bits) {
      if (bitmap_) DeleteObject(bitmap_);
      if (dc_) DeleteDC(dc_);
      raise(err::OutOfMemory);
    }
    bits_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~DibSection() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;

  HDC dc() const { return dc_; }
  uint32_t* bits() const { return bits_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

}  // namespace

GdiPainter::GdiPainter(HDC dc) : dc_(dc), savedState_(dc ? SaveDC(dc) : 0) {
  if (savedState_ == 0) raise(err::OutOfMemory, "Out of memory: the device context is unusable");
  SetBkMode(dc_, TRANSPARENT);
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

GdiPainter::~GdiPainter() {
  // Restoring the first saved state also deselects this painter's fonts before they go.
  RestoreDC(dc_, savedState_);
  for (auto& [key, font] : fonts_) DeleteObject(font);
}

void GdiPainter::fill(const PixelRect& r, Rgb color) {
  if (r.empty()) return;
  RECT rc{r.left, r.top, r.right(), r.bottom()};
  SetDCBrushColor(dc_, colorRef(color));
  FillRect(dc_, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

const GdiPainter::Dib* GdiPainter::dibOf(const Picture& p) {
  if (p.width() <= 0 || p.height() <= 0) return nullptr;
  if (auto it = pictures_.find(p.handle()); it != pictures_.end()) return &it->second;
  // 0xAARRGGBB in memory is a DIB's blue, green, red, alpha.
  Dib dib{p.width(), p.height(), true, p.pixels()};
  dib.opaque = p.opaque();
  if (!dib.opaque) std::transform(dib.bits.begin(), dib.bits.end(), dib.bits.begin(), premultiply);
  return &pictures_.emplace(p.handle(), std::move(dib)).first->second;
}

template <typename Map>
void GdiPainter::blit(const Dib& dib, const PixelRect& dest, Map map) {
  // Only the part the clip lets through is made: a picture may be stretched far beyond the DC.
  RECT box{};
  if (GetClipBox(dc_, &box) == NULLREGION || box.right <= box.left) return;
  PixelRect area =
      dest.intersect(PixelRect{box.left, box.top, box.right - box.left, box.bottom - box.top});
  if (area.empty()) return;
  std::vector<uint32_t> pixels(static_cast<size_t>(area.width) * static_cast<size_t>(area.height));
  auto px = pixels.begin();
  for (int y = area.top; y < area.bottom(); ++y) {
    for (int x = area.left; x < area.right(); ++x) {
      auto [sx, sy] = map(x, y);
      *px++ = dib.bits[static_cast<size_t>(sy) * static_cast<size_t>(dib.width) +
                       static_cast<size_t>(sx)];
    }
  }
  BITMAPINFO bmi = win::dibHeader(area.width, area.height);
  auto copy = [&] {
    // One to one: StretchDIBits is what every device, printers too, takes.
    StretchDIBits(dc_, area.left, area.top, area.width, area.height, 0, 0, area.width, area.height,
                  pixels.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
  };
  if (dib.opaque) return copy();
  DibSection source(area.width, area.height);
  std::copy(pixels.begin(), pixels.end(), source.bits());
  GdiFlush();
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (AlphaBlend(dc_, area.left, area.top, area.width, area.height, source.dc(), 0, 0, area.width,
                 area.height, blend)) {
    return;
  }
  std::transform(pixels.begin(), pixels.end(), pixels.begin(), overWhite);
  copy();
}

void GdiPainter::stretchPicture(const Picture& p, const PixelRect& r) {
  const Dib* dib = dibOf(p);
  if (!dib || r.empty()) return;
  // Nearest pixel: the source pixel under the centre of each destination pixel, a centre that
  // falls on a boundary taking the pixel before it.
  auto nearest = [](int d, int size, int srcSize) {
    int64_t i = ((2 * int64_t{d} + 1) * srcSize - 1) / (2 * int64_t{size});
    return static_cast<int>(std::clamp<int64_t>(i, 0, srcSize - 1));
  };
  blit(*dib, r, [&](int x, int y) {
    return std::pair{nearest(x - r.left, r.width, dib->width),
                     nearest(y - r.top, r.height, dib->height)};
  });
}

void GdiPainter::picture(const Picture& p, int x, int y, const PixelRect& clip) {
  const Dib* dib = dibOf(p);
  if (!dib) return;
  PixelRect area = clip.intersect(PixelRect{x, y, p.width(), p.height()});
  if (area.empty()) return;
  blit(*dib, area, [x, y](int dx, int dy) { return std::pair{dx - x, dy - y}; });
}

HFONT GdiPainter::fontOf(double pointSize, bool bold, Dpi dpi) {
  if (!(pointSize > 0.0 && pointSize <= 2048.0)) raise(err::InvalidPropertyValue);
  // The face, size and weight text measurement uses, so that drawn text takes the room measured.
  int pixels = static_cast<int>(std::lround(text::emPixels(pointSize, dpi)));
  auto key = std::make_pair(static_cast<long>(pixels), bold);
  if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
  std::wstring face = wide(text::kDefaultFace);
  HFONT font = CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str());
  if (!font) raise(err::InvalidPropertyValue);
  fonts_.emplace(key, font);
  return font;
}

void GdiPainter::text(std::string_view s, const PixelRect& r, const TextStyle& style) {
  if (s.empty() || r.empty()) return;
  HFONT font = fontOf(style.pointSize, style.bold, style.dpi);
  std::vector<TextLine> lines = layoutText(s, r, style);
  ClipScope clip(*this, r);  // restores the DC's font and colours too
  SelectObject(dc_, font);
  SetTextColor(dc_, colorRef(style.color));
  for (const TextLine& line : lines) {
    if (line.text.empty()) continue;
    std::wstring w = wide(text::validUtf8(line.text));
    ExtTextOutW(dc_, static_cast<int>(std::lround(line.x)), static_cast<int>(std::lround(line.top)),
                0, nullptr, w.c_str(), static_cast<UINT>(w.size()), nullptr);
  }
}

void GdiPainter::clipPushed(const PixelRect& r) {
  SaveDC(dc_);
  IntersectClipRect(dc_, r.left, r.top, r.left + std::max(0, r.width),
                    r.top + std::max(0, r.height));
}

void GdiPainter::clipPopped() {
  RestoreDC(dc_, -1);
}

namespace win {

Image paintImage(int width, int height, const std::function<void(Painter&)>& paint) {
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) {
    raise(err::OutOfMemory, "Out of memory: an image of " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels");
  }
  DibSection dib(width, height);
  size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::fill(dib.bits(), dib.bits() + count, 0xFFFFFFFFu);
  {
    GdiPainter painter(dib.dc());
    paint(painter);
  }
  GdiFlush();
  // GDI leaves the alpha byte of what it paints at zero; the image is opaque.
  Image image{width, height, std::vector<uint32_t>(dib.bits(), dib.bits() + count)};
  for (uint32_t& px : image.pixels) px |= 0xFF000000u;
  return image;
}

Image renderFormGdi(const Form& form) {
  PixelRect r = innerPixelRect(form);
  return paintImage(std::max(1, r.width), std::max(1, r.height),
                    [&form](Painter& p) { paintForm(form, p); });
}

BITMAPINFO dibHeader(int width, int height) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  return bmi;
}

}  // namespace win
}  // namespace keloscroll::host
