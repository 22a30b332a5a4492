// The track takes the mouse: a press on the thumb and a move drag it; a click beside the thumb
// moves it one page towards the press. Button and shift are ignored: any button drags.
// The handlers trap nothing: an error (a pointer too far out for a position, say) goes back to
// the host and ends the handler where it stands, with mBusy as the handler had set it.
#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;

void UsrKeloScroll::picBarra_MouseDown(Integer, Integer, float X, float Y) {
  if (mPress.has(Press::Busy)) return;
  mPress.set(Press::Busy);
  mGrabOffsetY = host::toSingle(static_cast<double>(Y) - parts_.imgCursor.Top());
  CheckThumbGrab(X, Y);
  if (isTrue(IsThumbMoving())) {
    mTipY = host::toLong(Y);
    ShowDescription();
  }
  mCury = host::toLong(Y);
  mCurx = host::toLong(X);
  mPress.clear(Press::Busy);
}

void UsrKeloScroll::picBarra_MouseMove(Integer, Integer, float X, float Y) {
  if (mPress.has(Press::Busy)) return;
  mPress.set(Press::Busy);
  if (isTrue(IsThumbMoving())) {
    // Vertical: the thumb keeps the offset at which it was grabbed. Horizontal: X is used as it
    // is, so the thumb's left edge comes under the pointer.
    TryMoveThumb(host::toLong(X), host::toLong(static_cast<double>(Y) - mGrabOffsetY));
    if (isTrue(ShowDescription())) {
      mDescrPosX = X;
      mDescrPosY = host::toSingle(static_cast<double>(Y) - mGrabOffsetY);
    }
  }
  mPress.clear(Press::Busy);
}

void UsrKeloScroll::picBarra_MouseUp(Integer, Integer, float, float) {
  if (mPress.has(Press::Busy)) return;
  if (isTrue(IsThumbMoving())) {
    EndDrag();
    Boolean noHideTimer = host::False;
    RaiseChange(noHideTimer);
  }
}

void UsrKeloScroll::picBarra_Click() {
  if (mPress.has(Press::Busy)) return;
  mPress.set(Press::Busy);
  if (isTrue(PageToPointer())) {
    Boolean noHideTimer = host::True;
    RaiseChange(noHideTimer);
    ShowDescription();
    ArmHideTimer();
  }
  mPress.clear(Press::Busy);
}

Boolean UsrKeloScroll::PageToPointer() {
  try {
    if (mPress.has(Press::ThumbLocked)) return host::True;
    mPress.set(Press::PosGiven);
    mPress.set(Press::ThumbLocked);
    const geometry::Axis axis = BarAxis();
    int32_t target = 0;
    if (geometry::pageTarget(axis, PressAlong(axis), PositionAlong(axis), ThumbLengthAlong(axis),
                             mLargeChange, target)) {
      int32_t x = 0;
      int32_t y = 0;
      geometry::along(axis, x, y) = target;
      mPress.set(Press::ThumbMoving);
      MoveThumbToPoint(x, y);
      mPress.clear(Press::ThumbMoving);
    }
    ReleaseMoveLocks();
    return host::True;
  } catch (const host::Error&) {
    // An overflowing page move is abandoned; nothing is left to drag either.
    ReleaseMoveLocks();
    mPress.clear(Press::ThumbMoving);
    return host::False;
  }
}

void UsrKeloScroll::EndDrag() {
  mPress.clear(Press::ThumbMoving);
}

}  // namespace keloscroll
