// The end buttons step the thumb by SmallChange and repeat while held; any mouse button works.
// cmdSxUp at the start of the bar steps back, cmdDXDN at its end steps on; otherwise they are one.
#include "control/UsrKeloScroll.h"
#include "host/numeric.h"

namespace keloscroll {

using geometry::BarEnd;
using host::isTrue;

host::CommandButton& UsrKeloScroll::EndButton(BarEnd end) const {
  return end == BarEnd::Start ? parts_.cmdSxUp : parts_.cmdDXDN;
}

void UsrKeloScroll::EndButton_MouseDown(BarEnd end, Integer, Integer, float, float Y) {
  if (mPress.has(Press::Busy) || !isTrue(mEnabled)) return;
  mPress.set(Press::Busy);  // held until StopRepeat
  ArmThumbMove();
  mTipY = host::toLong(Y);
  Boolean repeat = host::False;
  Step(repeat, end);
}

// Either button's release ends the repeat, whichever button started it.
void UsrKeloScroll::EndButton_MouseUp(BarEnd, Integer, Integer, float, float) {
  if (isTrue(mEnabled)) StopRepeat();
}

}  // namespace keloscroll
