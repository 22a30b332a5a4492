#include "host/painter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "host/widget.h"

namespace keloscroll::host {

PixelRect PixelRect::inset(int n) const {
  PixelRect r{left + n, top + n, width - 2 * n, height - 2 * n};
  if (r.empty()) r.width = r.height = 0;
  return r;
}

PixelRect PixelRect::intersect(const PixelRect& o) const {
  int l = std::max(left, o.left), t = std::max(top, o.top);
  int r = std::min(right(), o.right()), b = std::min(bottom(), o.bottom());
  if (r <= l || b <= t) return PixelRect{l, t, 0, 0};
  return PixelRect{l, t, r - l, b - t};
}

void Painter::frame(const PixelRect& r, Rgb color) {
  if (r.empty()) return;
  fill(PixelRect{r.left, r.top, r.width, 1}, color);
  fill(PixelRect{r.left, r.bottom() - 1, r.width, 1}, color);
  fill(PixelRect{r.left, r.top, 1, r.height}, color);
  fill(PixelRect{r.right() - 1, r.top, 1, r.height}, color);
}

void Painter::bevel(const PixelRect& r, Edge edge) {
  // The classic scheme's 3-D colours: highlight, light, shadow and dark shadow.
  constexpr Rgb kWhite{255, 255, 255}, kLight{223, 223, 223}, kShadow{128, 128, 128}, kBlack{};
  // Each ring is one pixel: its top and left edges first, then its bottom and right edges, which
  // so own the two corners they share with the others.
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

Rgb systemColor(int index) {
  // The classic scheme, as a Windows 98 desktop shows it.
  static constexpr std::array<Rgb, 25> kClassic{{
      {192, 192, 192},  //  0 scroll bar
      {0, 128, 128},    //  1 desktop
      {0, 0, 128},      //  2 active caption
      {128, 128, 128},  //  3 inactive caption
      {192, 192, 192},  //  4 menu
      {255, 255, 255},  //  5 window background
      {0, 0, 0},        //  6 window frame
      {0, 0, 0},        //  7 menu text
      {0, 0, 0},        //  8 window text
      {255, 255, 255},  //  9 caption text
      {192, 192, 192},  // 10 active border
      {192, 192, 192},  // 11 inactive border
      {128, 128, 128},  // 12 application workspace
      {0, 0, 128},      // 13 highlight
      {255, 255, 255},  // 14 highlight text
      {192, 192, 192},  // 15 button face
      {128, 128, 128},  // 16 button shadow
      {128, 128, 128},  // 17 grey text
      {0, 0, 0},        // 18 button text
      {192, 192, 192},  // 19 inactive caption text
      {255, 255, 255},  // 20 button highlight
      {0, 0, 0},        // 21 3-D dark shadow
      {223, 223, 223},  // 22 3-D light
      {0, 0, 0},        // 23 tooltip text
      {255, 255, 225},  // 24 tooltip background
  }};
  if (index < 0 || index >= static_cast<int>(kClassic.size())) return Rgb{};
  return kClassic[static_cast<size_t>(index)];
}

Rgb resolveColor(int32_t hostColor) {
  auto u = static_cast<uint32_t>(hostColor);
  if (u & 0x80000000u) return systemColor(static_cast<int>(u & 0x7FFFFFFFu));
  return Rgb{static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>((u >> 8) & 0xFF),
             static_cast<uint8_t>((u >> 16) & 0xFF)};
}

namespace {

// Breaks each line at spaces so that it fits `width` pixels; a word longer than the width stands
// on a line of its own.
std::vector<std::string_view> wrapped(const std::vector<std::string_view>& lines, int width,
                                      const TextStyle& style) {
  auto fits = [&](std::string_view t) {
    return pixelsOf(text::widthTwips(t, style.pointSize, style.bold, style.dpi), style.dpi) <=
           width;
  };
  std::vector<std::string_view> out;
  for (std::string_view line : lines) {
    while (!fits(line)) {
      size_t cut = line.rfind(' ');
      while (cut != line.npos && cut > 0 && !fits(line.substr(0, cut))) {
        cut = line.rfind(' ', cut - 1);
      }
      if (cut == line.npos || cut == 0) break;
      out.push_back(line.substr(0, cut));
      line.remove_prefix(cut + 1);
    }
    out.push_back(line);
  }
  return out;
}

}  // namespace

std::vector<TextLine> layoutText(std::string_view s, const PixelRect& r, const TextStyle& style) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (;;) {
    size_t end = s.find('\n', start);
    std::string_view line = s.substr(start, end == s.npos ? s.npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == s.npos) break;
    start = end + 1;
  }
  if (style.wordWrap) lines = wrapped(lines, r.width, style);

  // Whole pixels, as text measurement counts them.
  double lineHeight = text::lineHeightPixels(style.pointSize, style.bold, style.dpi);
  double top = r.top;
  if (style.valign == VAlign::Middle) {
    top += std::floor((r.height - lineHeight * static_cast<double>(lines.size())) / 2.0);
  }
  std::vector<TextLine> out;
  out.reserve(lines.size());
  for (std::string_view line : lines) {
    double x = r.left;
    if (!line.empty() && style.align != HAlign::Left) {
      double w =
          pixelsOf(text::widthTwips(line, style.pointSize, style.bold, style.dpi), style.dpi);
      x = style.align == HAlign::Center ? r.left + std::floor((r.width - w) / 2.0) : r.right() - w;
    }
    out.push_back(TextLine{line, x, top});
    top += lineHeight;
  }
  return out;
}

}  // namespace keloscroll::host
