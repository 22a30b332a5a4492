// The shared timer and the end-button steps. The timer does one of two jobs, chosen by mTimerMode:
// 1 hides the description tooltip (one-shot, 500 ms after the last action); 2 and 3 repeat the
// step of a held end button every 100 ms while the pointer stays on it.
#include "control/UsrKeloScroll.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;

void UsrKeloScroll::tmr_Server_Timer() {
  try {
    switch (mTimerMode) {
      case 1: {
        tmr_Server->setEnabled(false);
        tmr_Server->setInterval(0);
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
      case 2: {
        if (isTrue(IsMouseOver(*cmdSxUp))) {
          Boolean repeat = host::True;
          StepSxUp(repeat);
        } else {
          StopRepeat();
        }
        break;
      }
      case 3: {
        if (isTrue(IsMouseOver(*cmdDXDN))) {
          Boolean repeat = host::True;
          StepDXDN(repeat);
        } else {
          StopRepeat();
        }
        break;
      }
      default:
        tmr_Server->setEnabled(false);
        tmr_Server->setInterval(0);
        break;
    }
  } catch (const host::Error&) {
    // Trapped: mode and interval stay, so a repeat tries again at the next tick.
  }
}

void UsrKeloScroll::StartRepeatSxUp() {
  mTimerMode = 2;
  tmr_Server->setInterval(100);
  tmr_Server->setEnabled(true);
}

void UsrKeloScroll::StartRepeatDXDN() {
  mTimerMode = 3;
  tmr_Server->setInterval(100);
  tmr_Server->setEnabled(true);
}

void UsrKeloScroll::StopRepeat() {
  DisarmThumbMove();
  tmr_Server->setEnabled(false);
  tmr_Server->setInterval(0);
  ArmHideTimer();
  mBusy = host::False;
}

Boolean UsrKeloScroll::StepSxUp(Boolean& Repeat) {
  return Step(Repeat, -1);
}
Boolean UsrKeloScroll::StepDXDN(Boolean& Repeat) {
  return Step(Repeat, +1);
}

// One step back (direction -1) or forward (+1) by SmallChange along the bar's own axis.
Boolean UsrKeloScroll::Step(Boolean& Repeat, int direction) {
  auto moveOneStep = [&] {
    bool vertical = isTrue(mVerticalBar);
    int32_t from = vertical ? mPosY : mPosX;
    int32_t to =
        direction < 0 ? host::subChecked(from, mSmallChange) : host::addChecked(from, mSmallChange);
    if (vertical) {
      MoveThumbToPoint(0, to);
    } else {
      MoveThumbToPoint(to, 0);
    }
  };
  try {
    if (isTrue(mThumbLocked)) return host::False;
    if (!isTrue(Repeat)) {
      // The step of the press itself holds the move lock, so a nested step does nothing.
      mPosGiven = host::True;
      mThumbLocked = host::True;
      moveOneStep();
      ChangeAndDescribe();
      site_.RaiseEvent("Scroll");
      if (direction < 0) {
        StartRepeatSxUp();
      } else {
        StartRepeatDXDN();
      }
    } else if (isTrue(mStepArmed)) {
      mPosGiven = host::True;  // a repeated step does not take the lock
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
  mPosGiven = host::False;
  mThumbLocked = host::False;
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
