// The description tooltip: while the user moves the bar the control asks the host (GetDescription)
// for a text describing the current position and shows it in a text box that it adds to the
// parent form beside the track. Refreshes are throttled by RefreshMsecGD and happen only when the
// thumb has moved along the bar; the timer hides the box (stepping.cpp).
#include <string>

#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;
using host::Variant;

namespace {

constexpr int32_t kTooltipBackground = static_cast<int32_t>(0x80000018);
constexpr int32_t kTooltipText = static_cast<int32_t>(0x80000017);

host::Dispatch& deref(const host::ObjectRef& o) {
  if (!o) host::raise(host::err::ObjectNotSet);
  return *o;
}

}  // namespace

std::string UsrKeloScroll::DescriptionBoxName() const {
  // One box per control on a form: the name carries the control's window handle.
  return "Txt" + std::to_string(surface_.hwnd());
}

Boolean UsrKeloScroll::ShowDescription() {
  try {
    // The ambient read is the one step that can fail with 398; IsRunMode counts that as run mode.
    if (!IsRunMode()) return host::False;
    const host::Clock& clock = site_.engine().clock();
    float elapsed = host::toSingle(static_cast<double>(clock.Timer()) - mLastDescrTime);
    float limit = host::toSingle(mRefreshMsecGD / 1000.0);
    if (elapsed < limit && mLastDescrTime != 0) return host::False;
    bool first = mLastDescrTime == 0;
    // Restart the interval before the change test and before the event, so that a nested call
    // from the host's handler is throttled.
    mLastDescrTime = clock.Timer();
    bool moved = isTrue(mVerticalBar) ? mDescrPosY != static_cast<double>(ThumbValueY())
                                      : mDescrPosX != static_cast<double>(ThumbValueX());
    if (!moved && !first) return host::False;

    Variant arg = Variant::refString(&mDescription);
    site_.RaiseEvent("GetDescription", std::span<Variant>(&arg, 1));

    int32_t textW = host::toLong(surface_.TextWidth(mDescription + "a"));
    int32_t textH = host::toLong(surface_.TextHeight(mDescription));
    host::Dispatch& extender = *site_.extender();
    host::ObjectRef parent = extender.get("Parent").asObject();
    int32_t formW = host::toLong(deref(parent).get("Width").asDouble());
    if (mDescription.empty()) return host::False;  // an older text stays until hidden

    int32_t ctlLeft = ContainerLeft(extender);
    int32_t rightFree =
        host::toLong(static_cast<double>(formW) -
                     (static_cast<double>(picBarra->Width()) + extender.get("Left").asDouble()));
    int32_t boxLeft = 0;
    int32_t boxW = textW;
    if (textW < ctlLeft) {
      boxLeft = host::subChecked(ctlLeft, textW);  // ends at the control's left edge
    } else if (textW < rightFree) {
      boxLeft = host::toLong(static_cast<double>(ctlLeft) + picBarra->Width());
    } else if (rightFree < ctlLeft) {
      boxW = ctlLeft;
      boxLeft = 0;
    } else if (rightFree > ctlLeft) {
      boxW = rightFree;
      boxLeft = host::toLong(static_cast<double>(ctlLeft) + picBarra->Width());
    }

    if (!mTxtDescr) mTxtDescrOk = CreateDescriptionBox();
    if (!isTrue(mTxtDescrOk)) return host::False;
    if (!mTxtDescr) host::raise(host::err::ObjectNotSet);
    mTxtDescr->setText(mDescription);

    // Twips per track unit along the bar. A vertical bar's track is the control less its two end
    // buttons; a horizontal bar's track is as high as the control, so its own height is used.
    double trackTwips = arrangedHorizontally_
                            ? static_cast<double>(picBarra->Height())
                            : static_cast<double>(surface_.HeightTwips()) -
                                  (static_cast<double>(cmdDXDN->Height()) + cmdSxUp->Height());
    float ratio = host::toSingle(host::divide(trackTwips, picBarra->ScaleHeight()));
    int32_t boxTop = host::toLong(static_cast<double>(picBarra->Top()) + ContainerTop(extender) +
                                  static_cast<double>(ratio) * mTipY);
    mTxtDescr->Move(static_cast<float>(boxLeft), static_cast<float>(boxTop),
                    static_cast<float>(boxW), static_cast<float>(textH));
    deref(parent).call("Refresh");
    mTxtDescr->setVisible(true);
    mTxtDescr->Refresh();
    mTxtDescr->ZOrder(0);
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

Boolean UsrKeloScroll::CreateDescriptionBox() {
  try {
    std::string name = DescriptionBoxName();
    if (IsRunMode()) {
      host::ObjectRef parent = site_.extender()->get("Parent").asObject();
      host::ObjectRef controls = deref(parent).get("Controls").asObject();
      Variant box = deref(controls).call("Add", {Variant("VB.TextBox"), Variant(name)});
      mTxtDescr = std::dynamic_pointer_cast<host::TextBox>(box.asObject());
      if (!mTxtDescr) host::raise(host::err::TypeMismatch);
      // Styled like a system tooltip; everything else as the form makes a new text box.
      mTxtDescr->setFontBold(false);
      mTxtDescr->setAppearance(0);
      mTxtDescr->setBackColor(kTooltipBackground);
      mTxtDescr->setForeColor(kTooltipText);
    }
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

// The control's top (left) edge in the coordinates of the form that ultimately holds it: its own
// Top plus the Top of every container between it and the form. Each level rounds.
int32_t UsrKeloScroll::ContainerTop(host::Dispatch& ctl) {
  host::ObjectRef container = ctl.get("Container").asObject();
  if (deref(container).isForm()) return host::toLong(ctl.get("top").asDouble());
  return host::toLong(static_cast<double>(ContainerTop(*container)) + ctl.get("top").asDouble());
}

int32_t UsrKeloScroll::ContainerLeft(host::Dispatch& ctl) {
  host::ObjectRef container = ctl.get("Container").asObject();
  if (deref(container).isForm()) return host::toLong(ctl.get("Left").asDouble());
  return host::toLong(static_cast<double>(ContainerLeft(*container)) + ctl.get("Left").asDouble());
}

}  // namespace keloscroll
