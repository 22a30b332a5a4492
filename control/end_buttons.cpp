// The end buttons step the thumb by SmallChange and repeat while held; any mouse button works.
#include "control/UsrKeloScroll.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;

void UsrKeloScroll::cmdSxUp_MouseDown(Integer, Integer, float, float Y) {
  if (isTrue(mBusy) || !isTrue(mEnabled)) return;
  mBusy = host::True;  // held until StopRepeat
  ArmThumbMove();
  mTipY = host::toLong(Y);
  Boolean repeat = host::False;
  StepSxUp(repeat);
}

void UsrKeloScroll::cmdSxUp_MouseUp(Integer, Integer, float, float) {
  if (isTrue(mEnabled)) StopRepeat();
}

void UsrKeloScroll::cmdDXDN_MouseDown(Integer, Integer, float, float Y) {
  if (isTrue(mBusy) || !isTrue(mEnabled)) return;
  mBusy = host::True;
  ArmThumbMove();
  mTipY = host::toLong(Y);
  Boolean repeat = host::False;
  StepDXDN(repeat);
}

void UsrKeloScroll::cmdDXDN_MouseUp(Integer, Integer, float, float) {
  if (isTrue(mEnabled)) StopRepeat();
}

}  // namespace keloscroll
