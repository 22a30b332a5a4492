// The bar's geometry along its axis, as pure functions of the axis and the numbers involved: the
// track's scale, position and coordinate, the thumb's hit test, and the targets of a step, a page
// and a key. The two orientations share every formula; where the bar behaves differently along
// one axis, the difference is a named rule below, not a second copy of the code.
//
// Positions count from 1; position p puts the thumb's leading edge (Top of a vertical bar, Left of
// a horizontal one) at coordinate p - 1, and a whole pointer coordinate c names position c + 1.
// Arithmetic that can leave the 32-bit range raises the host's overflow error, as the callers
// trap it.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace keloscroll::geometry {

enum class Axis { Vertical, Horizontal };

constexpr Axis axisOf(host::Boolean verticalBar) {
  return verticalBar != 0 ? Axis::Vertical : Axis::Horizontal;
}

// The coordinate (or member) of a pair that lies along the axis.
template <class T>
constexpr T& along(Axis axis, T& x, T& y) {
  return axis == Axis::Vertical ? y : x;
}

// ---- the rules that tell the axes apart -------------------------------------------------

// A vertical bar whose thumb fills the track disables itself (and enables itself again while the
// thumb is shorter); a horizontal bar leaves Enabled to the host, and its scale fails instead.
constexpr bool disablesWhenThumbFillsTrack(Axis axis) {
  return axis == Axis::Vertical;
}

// A horizontal track is made exactly as high as its thumb when it is scaled.
constexpr bool trackTakesThumbBreadth(Axis axis) {
  return axis == Axis::Horizontal;
}

// Which presses on the track leave the thumb where it is when clicked: on a vertical bar only the
// coordinate equal to the position (the thumb's second unit), whatever the thumb's length; on a
// horizontal bar every coordinate from the position to the position plus the thumb's length.
constexpr bool pageStopsOnWholeThumb(Axis axis) {
  return axis == Axis::Horizontal;
}

// ---- scale -------------------------------------------------------------------------------

// The thumb's length in positions: thumb / room * scaleMax, with room the track's length less the
// thumb's. A room of 0 is a division error.
float thumbPositions(int32_t thumb, int32_t room, int32_t scaleMax);

// The scale's length: just long enough that the thumb fits the track at the last position.
float scaleLength(float thumbPositions, int32_t scaleMax);

// ---- positions and coordinates --------------------------------------------------------------

// The thumb's leading edge for position p.
float edgeAt(int32_t position);

// The position a whole pointer coordinate names.
int32_t positionAt(int32_t coordinate);

// Lower bound first, then the upper one: with a range still below its lower bound (no scale yet)
// the upper bound wins, so the result never exceeds the last position.
constexpr int32_t limit(int32_t v, int32_t lo, int32_t hi) {
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

// Whether a pointer coordinate along the axis lies on the thumb: from its leading edge to that
// edge plus its length in whole positions, both ends included.
bool hitsThumb(float edge, int32_t length, float coordinate);

// ---- the targets of the moves --------------------------------------------------------------

// The two ends of the bar: the end buttons cmdSxUp (start) and cmdDXDN (end), and the directions
// of a step or a page towards them.
enum class BarEnd { Start, End };

// One step by `by` positions towards an end.
int32_t stepTarget(BarEnd toward, int32_t from, int32_t by);

// Where a click at coordinate `press` pages the thumb standing at `position`, `length` positions
// long, by `by` positions; false when it stays. The target passes through single precision.
bool pageTarget(Axis axis, int32_t press, int32_t position, int32_t length, int32_t by,
                int32_t& target);

// The keys that move the thumb; the same keys serve both orientations (Down and Page Down go
// towards the end of the bar).
namespace keys {
constexpr host::Integer PageUp = 33;
constexpr host::Integer PageDown = 34;
constexpr host::Integer End = 35;
constexpr host::Integer Home = 36;
constexpr host::Integer Up = 38;
constexpr host::Integer Down = 40;
}  // namespace keys

// The position a key takes the thumb to from `from`, limited to 0..scaleMax: a key can take the
// thumb one position before the first. A key that does not move the thumb gives 0.
int32_t keyTarget(host::Integer key, int32_t from, int32_t page, int32_t scaleMax);

}  // namespace keloscroll::geometry
