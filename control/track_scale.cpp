// The track's user scale: along the bar one unit is one position, and the scale is just long
// enough that the thumb, at its fixed physical length, fits the track at the last position.
//   T = thumb length in positions = h / (H - h) * M,   S = T + (M - 1)
// with H the track's length, h the thumb's, M the number of positions. Across the bar the track
// keeps its creation scale (twips).
#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using geometry::Axis;

namespace {

float lengthAlong(Axis axis, const host::Widget& w) {
  return axis == Axis::Vertical ? w.Height() : w.Width();
}

void setScaleLength(Axis axis, host::PictureBox& track, float length) {
  if (axis == Axis::Vertical) {
    track.setScaleHeight(length);
  } else {
    track.setScaleWidth(length);
  }
}

}  // namespace

Boolean UsrKeloScroll::SetTrackScale() {
  const Axis axis = BarAxis();
  try {
    if (mScaleMax < 1) mScaleMax = 1;
    // Measure in the creation scale: nothing of the previous scale survives.
    parts_.picBarra.setScaleMode(mBarScaleMode);
    setScaleLength(axis, parts_.picBarra, lengthAlong(axis, parts_.picBarra));
    BarLengthAlong(axis) = host::toLong(lengthAlong(axis, parts_.picBarra));
    ThumbLengthAlong(axis) = host::toLong(lengthAlong(axis, parts_.imgCursor));
    if (geometry::trackTakesThumbBreadth(axis))
      parts_.picBarra.setHeight(parts_.imgCursor.Height());
    parts_.imgCursor.setEnabled(false);
    // Across the bar the thumb stands at the track's near side.
    if (axis == Axis::Vertical) {
      parts_.imgCursor.setLeft(0);
    } else {
      parts_.imgCursor.setTop(0);
    }
    const int32_t bar = BarLengthAlong(axis);
    const int32_t thumb = ThumbLengthAlong(axis);
    float t;
    if (!geometry::disablesWhenThumbFillsTrack(axis)) {
      // A thumb as long as the track fails here (division by zero) and leaves the track in its
      // creation scale; Enabled stays the host's.
      t = geometry::thumbPositions(thumb, host::subChecked(bar, thumb), mScaleMax);
    } else if (int32_t room = host::subChecked(bar, thumb); room != 0) {
      setEnabled(host::True);
      t = geometry::thumbPositions(thumb, room, mScaleMax);
    } else {
      // The thumb fills the track: one scale unit per position and nothing to move.
      t = static_cast<float>(mScaleMax);
      setEnabled(host::False);
    }
    parts_.picBarra.setScaleMode(0);
    setScaleLength(axis, parts_.picBarra, geometry::scaleLength(t, mScaleMax));
    ThumbLengthAlong(axis) = host::toLong(lengthAlong(axis, parts_.imgCursor));  // now in positions
    // Not limited to the range: a position above a lowered Max stands beyond the track.
    const int32_t p = PositionAlong(axis) >= 1 ? PositionAlong(axis) : mStartPos;
    SetThumbEdge(axis, geometry::edgeAt(p));
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

}  // namespace keloscroll
