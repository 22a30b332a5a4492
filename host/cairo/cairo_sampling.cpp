#include "host/cairo/cairo_sampling.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace keloscroll::host {

namespace {

// Shrinking beyond this lets Cairo draw (see nearestSampling).
constexpr int kMaxShrink = 16;

// Cairo's conversion of a double to 16.16 fixed point: rounded to nearest, ties to even, through
// the magic number that puts the fraction's bits at the bottom of the mantissa.
int32_t toFixed(double d) {
  double shifted = d + 103079215104.0;  // 1.5 * 2^36
  uint64_t bits = 0;
  std::memcpy(&bits, &shifted, sizeof bits);
  return static_cast<int32_t>(static_cast<uint32_t>(bits));
}

// One row of pixman's 3x3 fixed-point transform applied to (x, y, 1), rounded as pixman rounds.
int64_t applyRow(const int32_t (&row)[3], int64_t x, int64_t y) {
  return (int64_t{row[0]} * x + int64_t{row[1]} * y + int64_t{row[2]} * 65536 + 0x8000) >> 16;
}

// The device-to-picture matrix of a stretch over `place`, with no rotation or shear: x' = xx * x +
// x0, y' = yy * y + y0, built as Cairo builds the inverse of translate-then-scale.
struct Axes {
  double xx, yy, x0, y0;
};

}  // namespace

std::optional<NearestSampling> nearestSampling(const PixelRect& place, int srcWidth, int srcHeight,
                                               const PixelRect& area) {
  if (place.empty() || area.empty() || srcWidth < 1 || srcHeight < 1) return std::nullopt;
  if (srcWidth > kMaxShrink * place.width || srcHeight > kMaxShrink * place.height) {
    return std::nullopt;
  }
  double scaleX = static_cast<double>(place.width) / srcWidth;
  double scaleY = static_cast<double>(place.height) / srcHeight;
  Axes m{1 / scaleX, 1 / scaleY, 0, 0};
  m.x0 = -static_cast<double>(place.left) * m.xx;
  m.y0 = -static_cast<double>(place.top) * m.yy;

  // Cairo moves a whole-pixel part of the translation into the composite's source offset, picking
  // the offset that leaves the smallest translation of the four it tries.
  int offsetX = 0, offsetY = 0;
  if (m.x0 != 0.0 || m.y0 != 0.0) {
    double tx = m.x0, ty = m.y0;
    double norm = std::max(std::fabs(tx), std::fabs(ty));
    for (int i = -1; i < 2; i += 2) {
      for (int j = -1; j < 2; j += 2) {
        double den = (m.xx + i) * (m.yy + j);
        if (std::fabs(den) < DBL_EPSILON) continue;
        den = 1 / den;
        double x = -m.x0 * (m.yy + j) * den;
        double y = -m.y0 * (m.xx + i) * den;
        double n = std::max(std::fabs(x), std::fabs(y));
        if (norm > n) {
          norm = n;
          tx = x;
          ty = y;
        }
      }
    }
    tx = std::floor(tx);
    ty = std::floor(ty);
    offsetX = static_cast<int>(-tx);
    offsetY = static_cast<int>(-ty);
    m.x0 = tx * m.xx + m.x0;
    m.y0 = ty * m.yy + m.y0;
  }

  int32_t rowX[3] = {toFixed(m.xx), 0, toFixed(m.x0)};
  int32_t rowY[3] = {0, toFixed(m.yy), toFixed(m.y0)};
  // Unless the scale keeps areas (a determinant of about 1), Cairo corrects the fixed-point
  // translation until the middle of the painted area maps where the exact matrix maps it.
  double det = m.xx * m.yy;
  if (!(std::fabs(det * det - 1.0) < 1.0 / 256)) {
    double cx = area.left + area.width / 2., cy = area.top + area.height / 2.;
    double invXx = m.xx != 1. ? 1. / m.xx : 1., invYy = m.yy != 1. ? 1. / m.yy : 1.;
    double invX0 = -m.x0 * invXx, invY0 = -m.y0 * invYy;
    for (int round = 0; round < 5; ++round) {
      int64_t fx = toFixed(cx), fy = toFixed(cy);
      double x = static_cast<double>(applyRow(rowX, fx, fy)) / 65536.0;
      double y = static_cast<double>(applyRow(rowY, fx, fy)) / 65536.0;
      x = invXx * x + invX0 - cx;
      y = invYy * y + invY0 - cy;
      int32_t dx = toFixed(m.xx * x), dy = toFixed(m.yy * y);
      rowX[2] -= dx;
      rowY[2] -= dy;
      if (dx == 0 && dy == 0) break;
    }
  }

  // pixman samples at pixel centres and rounds a position on an edge down (one unit below).
  int64_t px = (int64_t{area.left + offsetX} << 16) + 0x8000;
  int64_t py = (int64_t{area.top + offsetY} << 16) + 0x8000;
  NearestSampling s;
  s.x = applyRow(rowX, px, py) - 1;
  s.y = applyRow(rowY, px, py) - 1;
  s.stepX = rowX[0];
  s.stepY = rowY[1];
  return s;
}

}  // namespace keloscroll::host
