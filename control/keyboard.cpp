// The keyboard: Up/Down step one position, Page Up/Page Down one page, Home and End go to the
// first and last position. The same keys serve both orientations; the shift state is ignored.
#include "control/UsrKeloScroll.h"

namespace keloscroll {

void UsrKeloScroll::UserControl_KeyDown(Integer& KeyCode, Integer) {
  switch (KeyCode) {
    case geometry::keys::Up:
    case geometry::keys::Down:
    case geometry::keys::PageUp:
    case geometry::keys::PageDown: {
      mPress.set(Press::Busy);
      MoveThumbByKey(KeyCode);
      mTipY = ThumbValueY();
      Boolean noHideTimer = host::True;
      RaiseChange(noHideTimer);
      ShowDescription();
      ArmHideTimer();
      KeyCode = 0;
      mPress.clear(Press::Busy);
      break;
    }
    case geometry::keys::Home:
    case geometry::keys::End: {
      int32_t target = KeyCode == geometry::keys::Home ? 1 : mMax;
      mTipY = target;
      setValue(target);  // the full setter: move, Change, and at run time the description
      KeyCode = 0;
      mPress.clear(Press::Busy);
      break;
    }
    default:
      break;  // the focused part receives the key
  }
}

void UsrKeloScroll::UserControl_KeyUp(Integer&, Integer) {
  DisarmThumbMove();
  EndDrag();
  Boolean noHideTimer = host::False;
  RaiseChange(noHideTimer);
  mPress.clear(Press::Busy);
  ArmHideTimer();
}

}  // namespace keloscroll
