// The track's user scale: along the bar one unit is one position, and the scale is just long
// enough that the thumb, at its fixed physical length, fits the track at the last position.
//   T = thumb length in positions = h / (H - h) * M,   S = T + (M - 1)
// with H the track's length, h the thumb's, M the number of positions. Products and quotients
// are formed in double precision; T, S and every widget write are single precision.
#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;

Boolean UsrKeloScroll::SetTrackScale() {
  return isTrue(mVerticalBar) ? SetTrackScaleVertical() : SetTrackScaleHorizontal();
}

Boolean UsrKeloScroll::SetTrackScaleVertical() {
  try {
    if (mScaleMax < 1) mScaleMax = 1;
    // Measure in the creation scale: nothing of the previous scale survives.
    picBarra->setScaleMode(mBarScaleMode);
    picBarra->setScaleHeight(picBarra->Height());
    mBarHeight = host::toLong(picBarra->Height());
    mCurHeight = host::toLong(imgCursor->Height());
    imgCursor->setEnabled(false);
    imgCursor->setLeft(0);
    int32_t d = host::subChecked(mBarHeight, mCurHeight);
    float t;
    if (d != 0) {
      setEnabled(host::True);
      t = host::toSingle(host::divide(mCurHeight, d) * mScaleMax);
    } else {
      // The thumb fills the track: one scale unit per position and nothing to move.
      t = static_cast<float>(mScaleMax);
      setEnabled(host::False);
    }
    picBarra->setScaleMode(0);
    float s = host::toSingle(static_cast<double>(t) + host::subChecked(mScaleMax, 1));
    picBarra->setScaleHeight(s);
    mCurHeight = host::toLong(imgCursor->Height());  // the thumb's length in positions
    // Not limited to the range: a position above a lowered Max stands beyond the track.
    int32_t p = mPosY >= 1 ? mPosY : mStartPos;
    imgCursor->setTop(static_cast<float>(host::subChecked(p, 1)));
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

Boolean UsrKeloScroll::SetTrackScaleHorizontal() {
  try {
    if (mScaleMax < 1) mScaleMax = 1;
    picBarra->setScaleMode(mBarScaleMode);
    picBarra->setScaleWidth(picBarra->Width());
    mBarWidth = host::toLong(picBarra->Width());
    mCurWidth = host::toLong(imgCursor->Width());
    picBarra->setHeight(imgCursor->Height());  // the track is exactly as high as the thumb
    imgCursor->setEnabled(false);
    imgCursor->setTop(0);
    // A thumb as wide as the track fails here (division by zero) and leaves the track in its
    // creation scale. Unlike the vertical bar, the horizontal one does not disable itself then:
    // its Enabled state stays the host's.
    float t =
        host::toSingle(host::divide(mCurWidth, host::subChecked(mBarWidth, mCurWidth)) * mScaleMax);
    picBarra->setScaleMode(0);
    float s = host::toSingle(static_cast<double>(t) + host::subChecked(mScaleMax, 1));
    picBarra->setScaleWidth(s);
    mCurWidth = host::toLong(imgCursor->Width());
    int32_t p = mPosX >= 1 ? mPosX : mStartPos;
    imgCursor->setLeft(static_cast<float>(host::subChecked(p, 1)));
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

}  // namespace keloscroll
