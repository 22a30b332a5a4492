// The host's numeric rules: float -> integer conversion rounds half to even and raises overflow
// (6) outside the target range; checked 32-bit add/subtract raise 6; float division raises 11 for
// a division by zero and 6 for an invalid result. Intermediate values are doubles; stored
// coordinates are Singles.
#pragma once

#include <cstdint>

namespace keloscroll::host {

// Round to the nearest whole number, halves to the even neighbour (no range check).
double roundHalfEven(double v);

// Conversions with the host's rounding and range check (error 6 outside the range or for NaN).
int32_t toLong(double v);
int16_t toInteger(double v);
int16_t toInteger(int32_t v);
// Rounds a double to single precision; error 6 when it does not fit (or is not a number).
float toSingle(double v);

// 32-bit arithmetic with an overflow check (error 6).
int32_t addChecked(int32_t a, int32_t b);
int32_t subChecked(int32_t a, int32_t b);

// Floating-point division: error 11 for x/0 (x != 0), error 6 for 0/0 or any result that is not
// a finite number.
double divide(double a, double b);

// Checks that a floating-point result is finite (error 6 otherwise) and returns it.
double checkFinite(double v);

}  // namespace keloscroll::host
