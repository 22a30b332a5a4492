// The host's numeric rules: float -> integer conversion rounds half to even and raises overflow
// (6) outside the target range; checked 32-bit add/subtract raise 6; float division raises 11 for
// a division by zero and 6 for an invalid result. Intermediate values are doubles; stored
// coordinates are Singles.
#pragma once

#include <cmath>
#include <cstdint>

namespace keloscroll::host {

// Round to the nearest whole number, halves to the even neighbour (no range check).
double roundHalfEven(double v);

// Conversions with the host's rounding and range check (error 6 outside the range or for NaN).
// toLong and toSingle are inline where the value fits: every mouse event passes its point
// through them, and the call cost more than the test.
int16_t toInteger(double v);
int16_t toInteger(int32_t v);

namespace numeric_detail {
int32_t toLongOutside(double v);  // outside the 32-bit range, or NaN
[[noreturn]] void overflow();
}  // namespace numeric_detail

inline int32_t toLong(double v) {
  // Inside the range the whole part (toward zero) and the fraction are exact, and decide the
  // half-to-even rounding without a library call; most coordinates are whole already.
  if (!(v >= -2147483648.0 && v <= 2147483647.0)) return numeric_detail::toLongOutside(v);
  auto whole = static_cast<int32_t>(v);
  double frac = v - whole;
  if (frac > 0) return frac > 0.5 || (frac == 0.5 && (whole & 1)) ? whole + 1 : whole;
  if (frac < 0) return frac < -0.5 || (frac == -0.5 && (whole & 1)) ? whole - 1 : whole;
  return whole;
}

// Rounds a double to single precision; error 6 when it does not fit (or is not a number).
inline float toSingle(double v) {
  // Anything from FLT_MAX plus half a unit in the last place upwards rounds to infinity; NaN
  // fails the test too.
  constexpr double kLimit = 3.4028235677973366e38;
  if (!(std::fabs(v) < kLimit)) numeric_detail::overflow();
  return static_cast<float>(v);
}

// 32-bit arithmetic with an overflow check (error 6).
int32_t addChecked(int32_t a, int32_t b);
int32_t subChecked(int32_t a, int32_t b);

// Floating-point division: error 11 for x/0 (x != 0), error 6 for 0/0 or any result that is not
// a finite number.
double divide(double a, double b);

// Checks that a floating-point result is finite (error 6 otherwise) and returns it.
double checkFinite(double v);

}  // namespace keloscroll::host
