// Thumb positioning: the grab test of a press on the track, the move to a pointer coordinate or a
// given position, and the key step. Position p puts the thumb's leading edge at p - 1 track units;
// a whole pointer coordinate c names position c + 1.
#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using geometry::Axis;
using host::isTrue;

float UsrKeloScroll::ThumbEdge(Axis a) const {
  return a == Axis::Vertical ? parts_.imgCursor.Top() : parts_.imgCursor.Left();
}

void UsrKeloScroll::SetThumbEdge(Axis a, float edge) {
  if (a == Axis::Vertical) {
    parts_.imgCursor.setTop(edge);
  } else {
    parts_.imgCursor.setLeft(edge);
  }
}

void UsrKeloScroll::PlaceThumb(Axis a, int32_t p) {
  PositionAlong(a) = p;
  SetThumbEdge(a, geometry::edgeAt(p));
  PressAlong(a) = p;
}

Boolean UsrKeloScroll::CheckThumbGrab(float X, float Y) {
  try {
    if (mPress.has(Press::ThumbLocked)) return host::True;
    // The thumb spans the whole breadth of the track: only the axis coordinate counts.
    const Axis axis = BarAxis();
    if (geometry::hitsThumb(ThumbEdge(axis), ThumbLengthAlong(axis), geometry::along(axis, X, Y)))
      mPress.set(Press::ThumbMoving);
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

Boolean UsrKeloScroll::MoveThumbToPoint(int32_t X, int32_t Y) {
  try {
    if (!mPress.has(Press::PosGiven)) {
      X = geometry::positionAt(X);
      Y = geometry::positionAt(Y);
    }
    // Only the axis coordinate is limited to the positions.
    const Axis axis = BarAxis();
    int32_t& c = geometry::along(axis, X, Y);
    c = geometry::limit(c, 1, mScaleMax);
    mCurx = X;
    mCury = Y;
    if (!mPress.has(Press::ThumbMoving)) return host::False;
    PlaceThumb(axis, geometry::limit(c, 0, mScaleMax));
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

Boolean UsrKeloScroll::MoveThumbByKey(Integer KeyCode) {
  try {
    const Axis axis = BarAxis();
    PlaceThumb(axis, geometry::keyTarget(KeyCode, PositionAlong(axis), mLargeChange, mScaleMax));
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

}  // namespace keloscroll
