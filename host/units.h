// Lengths and the devices they are drawn on. Twips (1/1440 inch) and HIMETRIC (1/100 mm) are
// lengths, so one converts into the other on any device; a pixel is a dot, and it is a length only
// together with the dots per inch of the device it belongs to (a screen may run at 96, 120, 144 or
// 192). Each unit is its own type, so a pixel count never passes for twips, and every conversion
// to or from pixels names the density it is for. The results are exact quotients: the caller
// rounds as its device does.
#pragma once

#include <cstdint>

namespace keloscroll::host {

inline constexpr double kTwipsPerInch = 1440.0;
inline constexpr double kHimetricPerInch = 2540.0;

// Dots per inch of one device. A device that reports none (0 or less) counts as a classic screen
// at 96, the density that pictures without a resolution of their own are taken at.
class Dpi {
 public:
  static constexpr int32_t kClassic = 96;
  constexpr Dpi() = default;
  constexpr explicit Dpi(int32_t dotsPerInch) : value_(dotsPerInch > 0 ? dotsPerInch : kClassic) {}
  constexpr int32_t value() const { return value_; }
  friend constexpr bool operator==(Dpi, Dpi) = default;

 private:
  int32_t value_ = kClassic;
};

inline constexpr Dpi kClassicDpi{};

struct Twips {
  double value = 0;
};
struct Pixels {
  double value = 0;
};
struct Himetric {
  double value = 0;
};

// Twips per pixel at a density: a whole 15 at 96 dpi, 12 at 120, 10 at 144, 7.5 at 192, so that
// these conversions are exact at the common densities.
constexpr double twipsPerPixel(Dpi d) {
  return kTwipsPerInch / d.value();
}
constexpr Pixels toPixels(Twips t, Dpi d) {
  return Pixels{t.value / twipsPerPixel(d)};
}
constexpr Twips toTwips(Pixels p, Dpi d) {
  return Twips{p.value * twipsPerPixel(d)};
}
constexpr Himetric toHimetric(Twips t) {
  return Himetric{t.value * kHimetricPerInch / kTwipsPerInch};
}
constexpr Twips toTwips(Himetric h) {
  return Twips{h.value * kTwipsPerInch / kHimetricPerInch};
}
constexpr Pixels toPixels(Himetric h, Dpi d) {
  return Pixels{h.value * d.value() / kHimetricPerInch};
}
constexpr Himetric toHimetric(Pixels p, Dpi d) {
  return Himetric{p.value * kHimetricPerInch / d.value()};
}

// Twips of a whole number of pixels, and the pixels of a length in twips, as doubles: the two
// conversions nearly every caller wants.
constexpr double twipsOf(double pixels, Dpi d) {
  return toTwips(Pixels{pixels}, d).value;
}
constexpr double pixelsOf(double twips, Dpi d) {
  return toPixels(Twips{twips}, d).value;
}

}  // namespace keloscroll::host
