#include "host/win/gdi_painter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "host/error.h"
#include "host/render.h"
#include "host/text.h"
#include "host/win/gdi_text.h"

namespace host {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kShadow{128, 128, 128};
constexpr Rgb kLight{223, 223, 223};
constexpr Rgb kWhite{255, 255, 255};

uint32_t premultiply(uint32_t px) {
  uint32_t a = px >> 24;
  auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (mul((px >> 16) & 0xFF) << 16) | (mul((px >> 8) & 0xFF) << 8) | mul(px & 0xFF);
}

BITMAPINFO topDown(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

std::wstring wide(std::string_view s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

}  // namespace

GdiPainter::GdiPainter(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {
  SetStretchBltMode(dc_, COLORONCOLOR);
  SetBkMode(dc_, TRANSPARENT);
}

GdiPainter::~GdiPainter() {
  RestoreDC(dc_, saved_);
}

void GdiPainter::fill(const PixelRect& r, Rgb c) {
  if (r.empty()) return;
  // The DC brush: no brush object made and freed per rectangle.
  HGDIOBJ old = SelectObject(dc_, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc_, RGB(c.r, c.g, c.b));
  PatBlt(dc_, r.left, r.top, r.width, r.height, PATCOPY);
  SelectObject(dc_, old);
}

void GdiPainter::frame(const PixelRect& r, Rgb color) {
  if (r.empty()) return;
  fill(PixelRect{r.left, r.top, r.width, 1}, color);
  fill(PixelRect{r.left, r.bottom() - 1, r.width, 1}, color);
  fill(PixelRect{r.left, r.top, 1, r.height}, color);
  fill(PixelRect{r.right() - 1, r.top, 1, r.height}, color);
}

void GdiPainter::bevel(const PixelRect& r, Edge edge) {
  // As the Cairo painter: each one-pixel ring's bottom and right edges own the shared corners.
  auto ring = [this](const PixelRect& q, Rgb topLeft, Rgb bottomRight) {
    if (q.empty()) return;
    fill(PixelRect{q.left, q.top, q.width, 1}, topLeft);
    fill(PixelRect{q.left, q.top, 1, q.height}, topLeft);
    fill(PixelRect{q.left, q.bottom() - 1, q.width, 1}, bottomRight);
    fill(PixelRect{q.right() - 1, q.top, 1, q.height}, bottomRight);
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

const GdiPainter::Prepared& GdiPainter::prepared(const Picture& p) {
  if (auto it = pictures_.find(p.handle()); it != pictures_.end()) return it->second;
  Prepared prep;
  prep.opaque = std::all_of(p.pixels().begin(), p.pixels().end(),
                            [](uint32_t px) { return (px >> 24) == 0xFF; });
  prep.pixels = p.pixels();
  if (!prep.opaque)
    std::transform(prep.pixels.begin(), prep.pixels.end(), prep.pixels.begin(), premultiply);
  return pictures_.emplace(p.handle(), std::move(prep)).first->second;
}

void GdiPainter::blit(const Picture& p, const PixelRect& to) {
  if (p.width() <= 0 || p.height() <= 0 || to.empty()) return;
  const Prepared& prep = prepared(p);
  BITMAPINFO info = topDown(p.width(), p.height());
  if (prep.opaque) {
    StretchDIBits(dc_, to.left, to.top, to.width, to.height, 0, 0, p.width(), p.height(),
                  prep.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    return;
  }
  // Translucent pixels are laid over what is there, as the Cairo painter composes them.
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(dc_);
  if (bitmap && bits && memory) {
    std::memcpy(bits, prep.pixels.data(), prep.pixels.size() * sizeof(uint32_t));
    HGDIOBJ old = SelectObject(memory, bitmap);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc_, to.left, to.top, to.width, to.height, memory, 0, 0, p.width(), p.height(),
                  blend);
    SelectObject(memory, old);
  }
  if (memory) DeleteDC(memory);
  if (bitmap) DeleteObject(bitmap);
}

void GdiPainter::stretchPicture(const Picture& p, const PixelRect& r) {
  if (r.empty()) return;
  ClipScope clip(*this, r);
  blit(p, r);
}

void GdiPainter::picture(const Picture& p, int x, int y, const PixelRect& clipRect) {
  PixelRect area = clipRect.intersect(PixelRect{x, y, p.width(), p.height()});
  if (area.empty()) return;
  ClipScope clip(*this, area);
  blit(p, PixelRect{x, y, p.width(), p.height()});
}

void GdiPainter::text(std::string_view s, const PixelRect& r, const TextStyle& style) {
  if (s.empty() || r.empty()) return;
  HFONT font = text::gdiFont(style.pointSize, style.bold);
  double lineHeight = text::lineHeightTwips(style.pointSize, style.bold) / kTwipsPerPixel;
  std::vector<std::string_view> lines = textLines(s, r.width, style);
  int top = textTop(lines.size(), lineHeight, r, style);
  ClipScope clip(*this, r);
  HGDIOBJ old = SelectObject(dc_, font);
  SetTextColor(dc_, RGB(style.color.r, style.color.g, style.color.b));
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  double y = top;
  for (std::string_view line : lines) {
    if (!line.empty()) {
      std::wstring w = wide(text::validUtf8(line));
      TextOutW(dc_, lineLeft(line, r, style), static_cast<int>(y), w.c_str(),
               static_cast<int>(w.size()));
    }
    y += lineHeight;
  }
  SelectObject(dc_, old);
}

void GdiPainter::pushClip(const PixelRect& r) {
  SaveDC(dc_);
  ++clipDepth_;
  IntersectClipRect(dc_, r.left, r.top, r.left + std::max(0, r.width),
                    r.top + std::max(0, r.height));
}

void GdiPainter::popClip() {
  if (clipDepth_ == 0) return;
  --clipDepth_;
  RestoreDC(dc_, -1);
}

namespace win {

Image renderFormGdi(const Form& form) {
  PixelRect inner = innerPixelRect(form);
  Image image;
  image.width = std::max(1, inner.width);
  image.height = std::max(1, inner.height);
  BITMAPINFO info = topDown(image.width, image.height);
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!memory || !bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    raise(err::OutOfMemory);
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  {
    GdiPainter painter(memory);
    painter.fill(PixelRect{0, 0, image.width, image.height}, Rgb{255, 255, 255});
    paintForm(form, painter);
  }
  GdiFlush();
  const auto* px = static_cast<const uint32_t*>(bits);
  image.pixels.assign(px, px + static_cast<size_t>(image.width) * image.height);
  for (uint32_t& p : image.pixels) p |= 0xFF000000u;  // GDI leaves the alpha byte undefined
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return image;
}

}  // namespace win

}  // namespace host
