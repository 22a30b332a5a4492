// The bar's geometry along its axis. Products and quotients are formed in double precision from
// the 32-bit members; scale lengths and widget coordinates are single precision.
#include "control/geometry.h"

#include "host/numeric.h"

namespace keloscroll::geometry {

float thumbPositions(int32_t thumb, int32_t room, int32_t scaleMax) {
  return host::toSingle(host::divide(thumb, room) * scaleMax);
}

float scaleLength(float thumbPositions, int32_t scaleMax) {
  return host::toSingle(static_cast<double>(thumbPositions) + host::subChecked(scaleMax, 1));
}

float edgeAt(int32_t position) {
  return static_cast<float>(host::subChecked(position, 1));
}

int32_t positionAt(int32_t coordinate) {
  return host::addChecked(coordinate, 1);
}

bool hitsThumb(float edge, int32_t length, float coordinate) {
  float end = host::toSingle(static_cast<double>(edge) + length);
  return edge <= coordinate && coordinate <= end;
}

int32_t stepTarget(BarEnd toward, int32_t from, int32_t by) {
  return toward == BarEnd::Start ? host::subChecked(from, by) : host::addChecked(from, by);
}

bool pageTarget(Axis axis, int32_t press, int32_t position, int32_t length, int32_t by,
                int32_t& target) {
  // The press is a coordinate (from 0), the position counts from 1: the comparison sets one
  // against the other as they are.
  BarEnd toward;
  if (press < position) {
    toward = BarEnd::Start;
  } else if (pageStopsOnWholeThumb(axis) ? press > host::addChecked(position, length)
                                         : press != position) {
    toward = BarEnd::End;
  } else {
    return false;
  }
  target = host::toLong(static_cast<float>(stepTarget(toward, position, by)));
  return true;
}

int32_t keyTarget(host::Integer key, int32_t from, int32_t page, int32_t scaleMax) {
  int32_t n;
  switch (key) {
    case keys::Down:
      n = host::addChecked(from, 1);
      break;
    case keys::PageDown:
      n = host::addChecked(from, page);
      break;
    case keys::PageUp:
      n = host::subChecked(from, page);
      break;
    case keys::Up:
      n = host::subChecked(from, 1);
      break;
    default:
      n = 0;
      break;
  }
  return limit(n, 0, scaleMax);
}

}  // namespace keloscroll::geometry
