// The value model: the thumb is the position. Setting Value moves the thumb; reading Value reads
// the thumb's position back, so whatever moved the thumb last decides what Value returns.
#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;

int32_t UsrKeloScroll::Value() {
  int32_t v = ThumbValue(BarAxis());
  mValue = v;  // what gets saved is what the thumb shows
  return v;
}

void UsrKeloScroll::setValue(int32_t n) {
  if (mPress.has(Press::Busy)) return;  // a user interaction (or the disabled state) owns the thumb
  try {
    mValue = n;
    Boolean wasMoving = IsThumbMoving();
    ArmThumbMove();
    // The positioning procedure takes pointer coordinates (position - 1). The other axis only
    // updates that axis's stored coordinate; note the asymmetry of the two calls.
    if (isTrue(mVerticalBar)) {
      int32_t x = ThumbValueX();
      TryMoveThumb(x, host::subChecked(n, 1));
    } else {
      int32_t x = host::subChecked(n, 1);
      TryMoveThumb(x, host::subChecked(ThumbValueY(), 1));
    }
    if (!isTrue(wasMoving)) DisarmThumbMove();
    RaiseChangeEvent();

    if (IsRunMode() && isTrue(mTxtDescrOk)) {
      // The box may have been dropped by a save while the flag stayed set: then this test fails
      // and the setter ends here, silently.
      if (!mTxtDescr) host::raise(host::err::ObjectNotSet);
      if (!isTrue(host::deref(mTxtDescr).get("Visible").asBoolean())) {
        if (isTrue(ShowDescription())) {
          mDescrPosX = static_cast<float>(ThumbValueX());
          mDescrPosY = static_cast<float>(ThumbValueY());
        }
        // A timer already running (for any job) is left alone.
        if (!parts_.tmr_Server.Enabled()) ArmHideTimer();
      }
    }
    site_.PropertyChanged("Value");
  } catch (const host::Error&) {
    // Trapped: the steps already made stay, the rest are skipped.
  }
}

void UsrKeloScroll::setMax(int32_t n) {
  try {
    mMax = n;
    mScaleMax = n;
    // At design time the track is rescaled only when the control is next shown.
    if (IsRunMode()) SetTrackScale();
    site_.PropertyChanged("Max");
  } catch (const host::Error&) {
  }
}

int32_t UsrKeloScroll::ThumbValueX() const {
  return mPosX > mScaleMax ? mScaleMax : mPosX;
}
int32_t UsrKeloScroll::ThumbValueY() const {
  return mPosY > mScaleMax ? mScaleMax : mPosY;
}
int32_t UsrKeloScroll::ThumbValue(geometry::Axis a) const {
  return a == geometry::Axis::Vertical ? ThumbValueY() : ThumbValueX();
}

Boolean UsrKeloScroll::TryMoveThumb(int32_t x, int32_t y) {
  if (mPress.has(Press::ThumbLocked)) return host::False;
  mPress.set(Press::ThumbLocked);
  Boolean moved = MoveThumbToPoint(x, y);
  mPress.clear(Press::ThumbLocked);
  return moved;
}

void UsrKeloScroll::ArmThumbMove() {
  mPress.set(Press::ThumbMoving);
  mPress.set(Press::StepArmed);
}

void UsrKeloScroll::DisarmThumbMove() {
  mPress.clear(Press::ThumbMoving);
  mPress.clear(Press::StepArmed);
}

Boolean UsrKeloScroll::IsThumbMoving() const {
  return host::toBoolean(mPress.has(Press::ThumbMoving));
}

bool UsrKeloScroll::IsRunMode() const {
  try {
    return isTrue(site_.AmbientUserMode());
  } catch (const host::Error& e) {
    // Before the container has set its client site it cannot answer: count that as run mode and
    // resume with the next step. Any other error goes to the caller's trap.
    if (e.number() == host::err::NoClientSite) return true;
    throw;
  }
}

void UsrKeloScroll::ArmHideTimer() {
  mTimerMode = TimerJob::HideDescription;
  // Enabled = true restarts the count on its own; writing an unchanged Interval first would only
  // schedule the same tick twice.
  if (parts_.tmr_Server.Interval() != kHideDelayMs) parts_.tmr_Server.setInterval(kHideDelayMs);
  parts_.tmr_Server.setEnabled(true);
}

void UsrKeloScroll::RaiseChangeEvent() {
  mChangeValue = ThumbValue(BarAxis());
  // Passed by reference; a handler may change it, but it is never read back.
  host::Variant arg = host::Variant::refLong(&mChangeValue);
  site_.RaiseEvent("Change", std::span<host::Variant>(&arg, 1));
}

}  // namespace keloscroll
