// The shared timer and the end-button steps. The timer does one of two jobs, chosen by mTimerMode:
// it hides the description tooltip (one-shot, some time after the last action), or it repeats the
// step of a held end button while the pointer stays on it.
#include "control/UsrKeloScroll.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using geometry::BarEnd;
using host::isTrue;

void UsrKeloScroll::tmr_Server_Timer() {
  try {
    switch (mTimerMode) {
      case TimerJob::HideDescription: {
        parts_.tmr_Server.setEnabled(false);
        parts_.tmr_Server.setInterval(0);
        if (IsRunMode()) {
          if (!mTxtDescr) mTxtDescrOk = CreateDescriptionBox();
          if (isTrue(mTxtDescrOk)) {
            if (!mTxtDescr) host::raise(host::err::ObjectNotSet);
            host::deref(mTxtDescr).let("Visible", false);
          }
        }
        mLastDescrTime = 0;  // the next description is not throttled
        break;
      }
      case TimerJob::RepeatStart:
      case TimerJob::RepeatEnd: {
        const BarEnd end = mTimerMode == TimerJob::RepeatStart ? BarEnd::Start : BarEnd::End;
        if (isTrue(IsMouseOver(EndButton(end)))) {
          Boolean repeat = host::True;
          Step(repeat, end);
        } else {
          StopRepeat();
        }
        break;
      }
      default:
        parts_.tmr_Server.setEnabled(false);
        parts_.tmr_Server.setInterval(0);
        break;
    }
  } catch (const host::Error&) {
    // Trapped: job and interval stay, so a repeat tries again at the next tick.
  }
}

void UsrKeloScroll::StartRepeat(BarEnd end) {
  mTimerMode = RepeatJob(end);
  parts_.tmr_Server.setInterval(kRepeatIntervalMs);
  parts_.tmr_Server.setEnabled(true);
}

void UsrKeloScroll::StopRepeat() {
  DisarmThumbMove();
  parts_.tmr_Server.setEnabled(false);
  parts_.tmr_Server.setInterval(0);
  ArmHideTimer();
  mPress.clear(Press::Busy);
}

// One step by SmallChange along the bar's own axis, back towards the start or on towards the end.
Boolean UsrKeloScroll::Step(Boolean& Repeat, BarEnd toward) {
  auto moveOneStep = [&] {
    const geometry::Axis axis = BarAxis();
    int32_t to = geometry::stepTarget(toward, PositionAlong(axis), mSmallChange);
    int32_t x = 0;
    int32_t y = 0;
    geometry::along(axis, x, y) = to;
    MoveThumbToPoint(x, y);
  };
  try {
    if (mPress.has(Press::ThumbLocked)) return host::False;
    if (!isTrue(Repeat)) {
      // The step of the press itself holds the move lock, so a nested step does nothing.
      mPress.set(Press::PosGiven);
      mPress.set(Press::ThumbLocked);
      moveOneStep();
      ChangeAndDescribe();
      site_.RaiseEvent("Scroll");
      StartRepeat(toward);
    } else if (mPress.has(Press::StepArmed)) {
      mPress.set(Press::PosGiven);  // a repeated step does not take the lock
      moveOneStep();
      ChangeAndDescribe();
      site_.RaiseEvent("Scroll");
    }
    ReleaseMoveLocks();
    return host::True;
  } catch (const host::Error&) {
    ReleaseMoveLocks();  // an overflowing step is abandoned
    return host::False;
  }
}

void UsrKeloScroll::ReleaseMoveLocks() {
  mPress.clear(Press::PosGiven);
  mPress.clear(Press::ThumbLocked);
}

Boolean UsrKeloScroll::RaiseChange(Boolean& NoHideTimer) {
  try {
    RaiseChangeEvent();
    if (!isTrue(NoHideTimer)) ArmHideTimer();
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

void UsrKeloScroll::ChangeAndDescribe() {
  Boolean noHideTimer = host::True;
  RaiseChange(noHideTimer);
  ShowDescription();
}

Boolean UsrKeloScroll::IsMouseOver(host::Widget& w) {
  host::FormEngine& engine = site_.engine();
  host::Point p = engine.GetCursorPos();
  int32_t h = w.get("hwnd").asLong();
  host::Rect r = engine.GetWindowRect(h);
  return host::toBoolean(host::PtInRect(r, p) != 0);
}

}  // namespace keloscroll
