// Thumb positioning: the grab test of a press on the track, the move to a pointer coordinate or a
// given position, and the key step. Position p puts the thumb's leading edge at p - 1 track units;
// a whole pointer coordinate c names position c + 1.
#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;

namespace {

// Lower bound first, then the upper one: with a range still below its lower bound (no scale yet)
// the upper bound wins, so the result never exceeds the last position.
int32_t limit(int32_t v, int32_t lo, int32_t hi) {
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

}  // namespace

Boolean UsrKeloScroll::CheckThumbGrab(float X, float Y) {
  try {
    if (isTrue(mThumbLocked)) return host::True;
    bool hit;
    // The thumb spans the whole breadth of the track: only the axis coordinate counts.
    if (isTrue(mVerticalBar)) {
      float a = imgCursor->Top();
      float end = host::toSingle(static_cast<double>(a) + mCurHeight);
      hit = a <= Y && Y <= end;
    } else {
      float a = imgCursor->Left();
      float end = host::toSingle(static_cast<double>(a) + mCurWidth);
      hit = a <= X && X <= end;
    }
    if (hit) mThumbMoving = host::True;
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

Boolean UsrKeloScroll::MoveThumbToPoint(int32_t X, int32_t Y) {
  try {
    if (!isTrue(mPosGiven)) {
      X = host::addChecked(X, 1);
      Y = host::addChecked(Y, 1);
    }
    if (isTrue(mVerticalBar)) {
      Y = limit(Y, 1, mScaleMax);
    } else {
      X = limit(X, 1, mScaleMax);
    }
    mCurx = X;
    mCury = Y;
    if (!isTrue(mThumbMoving)) return host::False;
    if (isTrue(mVerticalBar)) {
      int32_t p = limit(Y, 0, mScaleMax);
      mPosY = p;
      imgCursor->setTop(static_cast<float>(host::subChecked(p, 1)));
      mCury = p;
    } else {
      int32_t p = limit(X, 0, mScaleMax);
      mPosX = p;
      imgCursor->setLeft(static_cast<float>(host::subChecked(p, 1)));
      mCurx = p;
    }
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

Boolean UsrKeloScroll::MoveThumbByKey(Integer KeyCode) {
  try {
    int32_t c = isTrue(mVerticalBar) ? mPosY : mPosX;
    int32_t n;
    switch (KeyCode) {
      case 40:  // down arrow
        n = host::addChecked(c, 1);
        break;
      case 34:  // page down
        n = host::addChecked(c, mLargeChange);
        break;
      case 33:  // page up
        n = host::subChecked(c, mLargeChange);
        break;
      case 38:  // up arrow
        n = host::subChecked(c, 1);
        break;
      default:
        n = 0;
        break;
    }
    // The lower bound is 0: a key can take the thumb one position before the first.
    n = limit(n, 0, mScaleMax);
    if (isTrue(mVerticalBar)) {
      mPosY = n;
      imgCursor->setTop(static_cast<float>(host::subChecked(n, 1)));
      mCury = n;
    } else {
      mPosX = n;
      imgCursor->setLeft(static_cast<float>(host::subChecked(n, 1)));
      mCurx = n;
    }
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

}  // namespace keloscroll
