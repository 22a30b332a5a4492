#include "host/numeric.h"

#include <cmath>

#include "host/error.h"

namespace keloscroll::host {

double roundHalfEven(double v) {
  // std::nearbyint rounds in the current mode; the program never leaves the default
  // round-to-nearest-even mode, but make the rule independent of it.
  double floor = std::floor(v);
  double diff = v - floor;
  if (diff > 0.5) return floor + 1.0;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace numeric_detail {

int32_t toLongOutside(double v) {
  if (std::isnan(v)) raise(err::Overflow);
  double r = roundHalfEven(v);
  if (r < -2147483648.0 || r > 2147483647.0) raise(err::Overflow);
  return static_cast<int32_t>(r);
}

void overflow() {
  raise(err::Overflow);
}

}  // namespace numeric_detail

int16_t toInteger(double v) {
  if (std::isnan(v)) raise(err::Overflow);
  double r = roundHalfEven(v);
  if (r < -32768.0 || r > 32767.0) raise(err::Overflow);
  return static_cast<int16_t>(r);
}

int16_t toInteger(int32_t v) {
  if (v < -32768 || v > 32767) raise(err::Overflow);
  return static_cast<int16_t>(v);
}

int32_t addChecked(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r)) raise(err::Overflow);
  return r;
}

int32_t subChecked(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) raise(err::Overflow);
  return r;
}

double divide(double a, double b) {
  if (b == 0.0) {
    if (a == 0.0 || std::isnan(a)) raise(err::Overflow);
    raise(err::DivisionByZero);
  }
  return checkFinite(a / b);
}

double checkFinite(double v) {
  if (!std::isfinite(v)) raise(err::Overflow);
  return v;
}

}  // namespace keloscroll::host
