// The description tooltip: while the user moves the bar the control asks the host (GetDescription)
// for a text describing the current position and shows it in a text box that it adds to the
// parent form beside the track. Refreshes are throttled by RefreshMsecGD and happen only when the
// thumb has moved along the bar; the timer hides the box (stepping.cpp).
#include <algorithm>
#include <array>
#include <string>

#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;
using host::Variant;

namespace {

constexpr int32_t kTooltipBackground = host::syscolor::InfoBackground;
constexpr int32_t kTooltipText = host::syscolor::InfoText;

// One step of the tooltip procedure. Error 398 (the container cannot answer yet) skips this step
// only; any other error goes on to the procedure's trap.
template <class Step>
void skipOn398(Step&& step) {
  try {
    step();
  } catch (const host::Error& e) {
    if (e.number() != host::err::NoClientSite) throw;
  }
}

}  // namespace

std::string UsrKeloScroll::DescriptionBoxName() const {
  // One box per control on a form: the name carries the control's window handle.
  return "Txt" + std::to_string(surface_->hwnd());
}

Boolean UsrKeloScroll::ShowDescription() {
  try {
    // The ambient read fails with 398 before the client site exists; IsRunMode counts that as
    // run mode. From here on a 398 (a container that cannot answer yet) skips the one step that
    // raised it and the procedure goes on; any other error ends it.
    if (!IsRunMode()) return host::False;
    const host::Clock& clock = site_.engine().clock();
    float elapsed = host::toSingle(static_cast<double>(clock.Timer()) - mLastDescrTime);
    float limit = host::toSingle(mRefreshMsecGD / 1000.0);
    if (elapsed < limit && mLastDescrTime != 0) return host::False;
    bool first = mLastDescrTime == 0;
    // Restart the interval before the change test and before the event, so that a nested call
    // from the host's handler is throttled.
    mLastDescrTime = clock.Timer();
    const geometry::Axis axis = BarAxis();
    bool moved =
        geometry::along(axis, mDescrPosX, mDescrPosY) != static_cast<double>(ThumbValue(axis));
    if (!moved && !first) return host::False;

    // The extender and the box are held while they are used: the host's GetDescription handler
    // may unload the control or take its site back, and a container may hand out a new wrapper
    // at every read.
    host::ObjectRef extenderRef = site_.extender();
    host::Dispatch& extender = host::deref(extenderRef);
    auto parent = [&extender]() { return extender.get("Parent").asObject(); };
    int32_t textW = 0, textH = 0, formW = 0;
    skipOn398([&] {
      Variant arg = Variant::refString(&mDescription.edit());
      site_.RaiseEvent("GetDescription", std::span<Variant>(&arg, 1));
    });
    skipOn398([&] { textW = host::toLong(surface_->TextWidth(mDescription.get() + "a")); });
    skipOn398([&] { textH = host::toLong(surface_->TextHeight(mDescription.get())); });
    skipOn398([&] { formW = host::toLong(deref(parent()).get("Width").asDouble()); });
    if (mDescription.get().empty()) return host::False;  // an older text stays until hidden

    int32_t boxLeft = 0, boxW = textW, boxTop = 0;
    // Where the box goes, in the form's units.
    std::array<float, 4> place{};
    if (arrangedHorizontally_) {
      place = PlaceBesideHorizontalTrack(extender, textW, textH, formW);
    } else {
      int32_t ctlLeft = 0, rightFree = 0;
      skipOn398([&] { ctlLeft = ContainerLeft(extender); });
      skipOn398([&] {
        rightFree = host::toLong(
            static_cast<double>(formW) -
            (static_cast<double>(parts_.picBarra.Width()) + extender.get("Left").asDouble()));
      });
      skipOn398([&] {
        if (textW < ctlLeft) {
          boxLeft = host::subChecked(ctlLeft, textW);  // ends at the control's left edge
        } else if (textW < rightFree) {
          boxLeft = host::toLong(static_cast<double>(ctlLeft) + parts_.picBarra.Width());
        } else if (rightFree < ctlLeft) {
          boxW = ctlLeft;
          boxLeft = 0;
        } else if (rightFree > ctlLeft) {
          boxW = rightFree;
          boxLeft = host::toLong(static_cast<double>(ctlLeft) + parts_.picBarra.Width());
        }
      });
    }
    if (!mTxtDescr) mTxtDescrOk = CreateDescriptionBox();
    if (!isTrue(mTxtDescrOk)) return host::False;
    host::ObjectRef boxRef = mTxtDescr;
    host::Dispatch& box = host::deref(boxRef);
    skipOn398([&] { box.let("Text", Variant(mDescription.get())); });

    if (!arrangedHorizontally_) {
      // Down the bar, where the user pressed: twips per track unit times mTipY. The track is the
      // control less its two end buttons.
      float ratio = 0;
      skipOn398([&] {
        double trackTwips =
            static_cast<double>(surface_->HeightTwips()) -
            (static_cast<double>(parts_.cmdDXDN.Height()) + parts_.cmdSxUp.Height());
        ratio = host::toSingle(host::divide(trackTwips, parts_.picBarra.ScaleHeight()));
      });
      skipOn398([&] {
        boxTop = host::toLong(static_cast<double>(parts_.picBarra.Top()) + ContainerTop(extender) +
                              static_cast<double>(ratio) * mTipY);
      });
    }
    if (!arrangedHorizontally_) {
      place = {static_cast<float>(boxLeft), static_cast<float>(boxTop), static_cast<float>(boxW),
               static_cast<float>(textH)};
    }
    skipOn398([&] {
      box.call("Move",
               {Variant(place[0]), Variant(place[1]), Variant(place[2]), Variant(place[3])});
    });
    skipOn398([&] { deref(parent()).call("Refresh"); });
    skipOn398([&] { box.let("Visible", true); });
    skipOn398([&] { box.call("Refresh"); });
    skipOn398([&] { box.call("ZOrder", {Variant(int16_t{0})}); });
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

// A horizontal bar's box: above the track, or below it when the form has no room above, so that
// it never covers the end buttons or the thumb; along the bar it starts where the thumb does, as
// far as the form's width lets it. The form's units need not be twips (a form in pixels): the
// place is worked out in twips, the extender's numbers brought there by the ratio of the
// control's size in its container's units to its size in twips, and the result taken back.
std::array<float, 4> UsrKeloScroll::PlaceBesideHorizontalTrack(host::Dispatch& extender,
                                                               int32_t textW, int32_t textH,
                                                               int32_t formW) {
  double unitsX = 1, unitsY = 1;  // container units per twip
  skipOn398([&] {
    if (surface_->WidthTwips() > 0)
      unitsX = extender.get("Width").asDouble() / surface_->WidthTwips();
    if (surface_->HeightTwips() > 0) {
      unitsY = extender.get("Height").asDouble() / surface_->HeightTwips();
    }
  });
  if (!(unitsX > 0)) unitsX = 1;
  if (!(unitsY > 0)) unitsY = 1;
  double ctlLeft = 0, ctlTop = 0;
  skipOn398([&] { ctlLeft = ContainerLeft(extender) / unitsX; });
  skipOn398([&] { ctlTop = ContainerTop(extender) / unitsY; });
  double trackTop = ctlTop + parts_.picBarra.Top();
  double boxTop =
      host::toLong(textH <= trackTop ? trackTop - textH
                                     : trackTop + static_cast<double>(parts_.picBarra.Height()));
  double boxW = formW > 0 && textW > formW ? formW : textW;
  double thumbLeft =
      ctlLeft + parts_.picBarra.Left() + parts_.picBarra.toTwipsX(parts_.imgCursor.Left());
  double mostLeft = static_cast<double>(formW) - boxW;
  double boxLeft = host::toLong(std::max(0.0, std::min(thumbLeft, mostLeft)));
  return {host::toSingle(boxLeft * unitsX), host::toSingle(boxTop * unitsY),
          host::toSingle(boxW * unitsX), host::toSingle(textH * unitsY)};
}

Boolean UsrKeloScroll::CreateDescriptionBox() {
  try {
    std::string name = DescriptionBoxName();
    if (IsRunMode()) {
      skipOn398([&] {
        host::ObjectRef parent = site_.extender()->get("Parent").asObject();
        host::ObjectRef controls = deref(parent).get("Controls").asObject();
        Variant box = deref(controls).call("Add", {Variant("VB.TextBox"), Variant(name)});
        mTxtDescr = box.asObject();  // whatever text box the container makes
      });
      // Styled like a system tooltip; everything else as the form makes a new text box.
      auto box = [this]() -> host::Dispatch& { return host::deref(mTxtDescr); };
      skipOn398([&] { box().let("FontBold", false); });
      skipOn398([&] { box().let("Appearance", Variant(int16_t{0})); });
      skipOn398([&] { box().let("BackColor", Variant(kTooltipBackground)); });
      skipOn398([&] { box().let("ForeColor", Variant(kTooltipText)); });
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
