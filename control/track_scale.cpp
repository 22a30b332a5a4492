// The track's user scale: along the bar one unit is one position, and the scale is just long
// enough that the thumb, at its fixed physical length, fits the track at the last position.
//   T = thumb length in positions = h / (H - h) * M,   S = T + (M - 1)
// with H the track's length, h the thumb's, M the number of positions. Across the bar the track
// keeps its creation scale (twips).
#include <bit>
#include <cmath>

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

bool sameBits(float a, float b) {
  return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

}  // namespace

// A placed bar is rescaled again and again with nothing changed in between: Resize, then Show,
// then the host's Max (often the one it has). Foresees what the run below would write, in the same
// arithmetic, without writing, and says whether everything already stands so (floats to
// the bit): then the run would change nothing. Any difference, or a step the run would fail on,
// and the run goes ahead. Foreseen for the common case only: a vertical bar whose creation scale
// is twips.
bool UsrKeloScroll::TrackScaleStands() const {
  const host::PictureBox& track = parts_.picBarra;
  const host::Image& thumb = parts_.imgCursor;
  if (BarAxis() != Axis::Vertical || mBarScaleMode != host::scale::Twips ||
      thumb.container() != &track) {
    return false;
  }
  // The cheap tests first: a resized track fails at its length.
  if (thumb.Enabled() || track.ScaleMode() != host::scale::User ||
      !sameBits(track.ScaleLeft(), 0) || !sameBits(track.ScaleTop(), 0)) {
    return false;
  }
  try {
    // Measured in the creation scale: twips from 0 across, the track's length down.
    const float length = track.Height();
    if (length == 0 || !std::isfinite(length)) return false;  // the run fails on it
    const int32_t bar = host::toLong(length);
    if (mBarHeight != bar) return false;
    const double innerW = track.innerWidthTwips();
    const double innerH = track.innerHeightTwips();
    const auto across = static_cast<float>(innerW);
    const host::TwipsRect at = thumb.rectTwips();
    // The thumb at the near side, the scale as wide as the track.
    if (!sameBits(track.ScaleWidth(), across) ||
        !sameBits(static_cast<float>(at.left),
                  static_cast<float>(host::ContainerWidget::userToTwips(0, innerW, across)))) {
      return false;
    }
    const int32_t thumbTwips = host::toLong(
        static_cast<float>(host::ContainerWidget::userFromTwips(at.height, innerH, length)));
    const int32_t room = host::subChecked(bar, thumbTwips);
    const bool enabled = room != 0;
    if (mEnabled != (enabled ? host::True : host::False) || mPress.has(Press::Busy) == enabled ||
        thumb.Visible() != enabled || track.Enabled() != enabled) {
      return false;
    }
    const float t = enabled ? geometry::thumbPositions(thumbTwips, room, mScaleMax)
                            : static_cast<float>(mScaleMax);
    const float scaled = geometry::scaleLength(t, mScaleMax);
    if (scaled == 0 || !std::isfinite(scaled) || !sameBits(track.ScaleHeight(), scaled) ||
        mCurHeight != host::toLong(static_cast<float>(
                          host::ContainerWidget::userFromTwips(at.height, innerH, scaled)))) {
      return false;
    }
    const int32_t p = mPosY >= 1 ? mPosY : mStartPos;
    const auto top =
        static_cast<float>(host::ContainerWidget::userToTwips(geometry::edgeAt(p), innerH, scaled));
    return sameBits(static_cast<float>(at.top), top);
  } catch (const host::Error&) {
    return false;
  }
}

Boolean UsrKeloScroll::SetTrackScale() {
  const Axis axis = BarAxis();
  try {
    if (mScaleMax < 1) mScaleMax = 1;
    if (TrackScaleStands()) return host::True;
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
