// A read-only view of the control's private state, by member name, for tests and bug reports.
#include "control/UsrKeloScroll.h"
#include "host/error.h"

namespace keloscroll {

using host::Variant;

namespace {

// The tooltip box by its name; a box that cannot say its name shows as its type.
Variant boxName(const host::ObjectRef& box) {
  if (!box) return Variant::nothing();
  try {
    return Variant(box->get("Name").asString());
  } catch (const host::Error&) {
    return Variant(std::string(box->typeName()));
  }
}

}  // namespace

std::vector<std::pair<std::string, Variant>> UsrKeloScroll::diagnosticState() const {
  auto b = [](Boolean v) { return Variant::fromBoolean(v); };
  // The press flags keep the member names the scenarios read.
  auto press = [this](Press f) { return Variant::fromBoolean(host::toBoolean(mPress.has(f))); };
  return {
      {"mValue", mValue},
      {"mMax", mMax},
      {"mMin", mMin},
      {"mSmallChange", mSmallChange},
      {"mLargeChange", mLargeChange},
      {"mVerticalBar", b(mVerticalBar)},
      {"mEnabled", b(mEnabled)},
      {"mRefreshMsecGD", mRefreshMsecGD},
      {"mDescription", mDescription.get()},
      {"mChangeValue", mChangeValue},
      {"mBusy", press(Press::Busy)},
      {"mThumbLocked", press(Press::ThumbLocked)},
      {"mStepArmed", press(Press::StepArmed)},
      {"mScaleMax", mScaleMax},
      {"mBarHeight", mBarHeight},
      {"mBarWidth", mBarWidth},
      {"mCurHeight", mCurHeight},
      {"mCurWidth", mCurWidth},
      {"mBarScaleMode", mBarScaleMode},
      {"mPosX", mPosX},
      {"mPosY", mPosY},
      {"mStartPos", mStartPos},
      {"mCurx", mCurx},
      {"mCury", mCury},
      {"mThumbMoving", press(Press::ThumbMoving)},
      {"mPosGiven", press(Press::PosGiven)},
      {"mTimerMode", static_cast<Integer>(mTimerMode)},
      {"mGrabOffsetY", mGrabOffsetY},
      {"mTxtDescr", boxName(mTxtDescr)},
      {"mTxtDescrOk", b(mTxtDescrOk)},
      {"mLastDescrTime", mLastDescrTime},
      {"mDescrPosX", mDescrPosX},
      {"mDescrPosY", mDescrPosY},
      {"mTipY", mTipY},
  };
}

}  // namespace keloscroll
