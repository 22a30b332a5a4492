// The value types every part of KeloScroll shares: 16-bit Booleans, 16- and 32-bit integers and
// single-precision coordinates, as the container's object model defines them.
#pragma once

#include "host/cxx20.h"  // first: says "needs C++20" before anything fails

#include <cstdint>

namespace keloscroll::host {

// A Boolean exchanged with the host: true is all bits set (-1), false is 0.
using Boolean = int16_t;
inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;

using Integer = int16_t;  // 16-bit signed
using Long = int32_t;     // 32-bit signed
using Single = float;     // coordinates and sizes

inline constexpr Boolean toBoolean(bool b) {
  return b ? True : False;
}
// Any non-zero bit pattern counts as true, as the host's conditionals do.
inline constexpr bool isTrue(Boolean b) {
  return b != 0;
}

// A check box's 0/1 value as a Boolean: 1 is true, everything else false.
inline constexpr Boolean checkToBoolean(Integer checkValue) {
  return toBoolean(checkValue == 1);
}
// `b And 1`: the check box value of a Boolean (true -> 1, false -> 0).
inline constexpr Integer booleanToCheck(Boolean b) {
  return static_cast<Integer>(b & 1);
}

}  // namespace keloscroll::host
