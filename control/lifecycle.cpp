// Lifecycle and saved properties: starting state, the property bag's eleven keys, Show and
// Terminate.
#include "control/UsrKeloScroll.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::Variant;

void UsrKeloScroll::UserControl_Initialize() {
  mEnabled = host::True;
  mValue = 1;
  mRefreshMsecGD = 400;
  InitDefaults();  // its result is not needed here
}

Boolean UsrKeloScroll::InitDefaults() {
  try {
    mLargeChange = 6;
    mSmallChange = 1;
    mEnabled = host::True;
    mRefreshMsecGD = 200;  // InitProperties or ReadProperties give every instance its final value
    mVerticalBar = host::True;
    mBarHeight = host::toLong(parts_.picBarra.Height());
    mBarWidth = host::toLong(parts_.picBarra.Width());
    mBarScaleMode = parts_.picBarra.ScaleMode();
    mScaleMax = mMax;
    mStartPos = mValue;
    mCurHeight = host::toLong(parts_.imgCursor.Height());
    mCurWidth = host::toLong(parts_.imgCursor.Width());
    return host::True;
  } catch (const host::Error&) {
    return host::False;
  }
}

void UsrKeloScroll::UserControl_InitProperties() {
  // Members are set directly: nothing is reported, moved or raised.
  mVerticalBar = host::True;
  mMax = 200000;
  mScaleMax = 200000;
  mLargeChange = 1;
  mValue = 1;
  mRefreshMsecGD = 400;
  mEnabled = host::True;
  mSmallChange = 1;
}

namespace {

host::PictureRef asPicture(const Variant& v) {
  host::ObjectRef o = v.asObject();
  if (!o) return nullptr;
  auto p = std::dynamic_pointer_cast<host::Picture>(o);
  if (!p) host::raise(host::err::TypeMismatch);
  return p;
}

}  // namespace

void UsrKeloScroll::UserControl_ReadProperties(host::PropertyBag& bag) {
  // Through the setters, in this order: orientation, range and enabled state are in place before
  // the value is applied, and the value before the pictures. No trap: a value that does not
  // convert goes back to the host and the remaining keys are not read.
  Boolean vertical = bag.ReadProperty("VerticalBar", Variant::boolean(true)).asBoolean();
  setVerticalBar(vertical);
  setLargeChange(bag.ReadProperty("LargeChange", Variant(Integer{1})).asLong());
  setMax(bag.ReadProperty("Max", Variant(int32_t{200000})).asLong());
  setEnabled(bag.ReadProperty("Enabled", Variant::boolean(true)).asBoolean());
  setRefreshMsecGD(bag.ReadProperty("RefreshMsecGD", Variant(Integer{400})).asInteger());
  setValue(bag.ReadProperty("Value", Variant(Integer{1})).asLong());
  // A missing picture keeps the one the widget has (the built-in one).
  setPictureBarra(asPicture(bag.ReadProperty("PictureBarra", Variant(PictureBarra()))));
  setPictureCursor(asPicture(bag.ReadProperty("PictureCursor", Variant(PictureCursor()))));
  setPictureSXUP(asPicture(bag.ReadProperty("PictureSXUP", Variant(PictureSXUP()))));
  setPictureDXDN(asPicture(bag.ReadProperty("PictureDXDN", Variant(PictureDXDN()))));
  setMin(bag.ReadProperty("Min", Variant(Integer{1})).asLong());
}

void UsrKeloScroll::UserControl_WriteProperties(host::PropertyBag& bag) {
  bag.WriteProperty("VerticalBar", Variant::fromBoolean(mVerticalBar), Variant::boolean(true));
  bag.WriteProperty("LargeChange", Variant(mLargeChange), Variant(Integer{1}));
  bag.WriteProperty("Max", Variant(mMax), Variant(int32_t{200000}));
  bag.WriteProperty("Enabled", Variant::fromBoolean(mEnabled), Variant::boolean(true));
  bag.WriteProperty("RefreshMsecGD", Variant(mRefreshMsecGD), Variant(Integer{400}));
  bag.WriteProperty("Value", Variant(mValue), Variant(Integer{1}));
  bag.WriteProperty("PictureBarra", Variant(parts_.imgSfondoPic.Picture()), Variant::nothing());
  bag.WriteProperty("PictureCursor", Variant(parts_.imgCursor.Picture()), Variant::nothing());
  bag.WriteProperty("PictureSXUP", Variant(parts_.cmdSxUp.Picture()), Variant::nothing());
  bag.WriteProperty("PictureDXDN", Variant(parts_.cmdDXDN.Picture()), Variant::nothing());
  bag.WriteProperty("Min", Variant(mMin), Variant(Integer{1}));

  try {
    // At run time saving also drops the tooltip box from the form; it is made again when next
    // needed. A box that was never made ends this part silently.
    if (IsRunMode()) {
      host::ObjectRef parent = site_.extender()->get("Parent").asObject();
      host::ObjectRef controls = host::deref(parent).get("Controls").asObject();
      host::deref(controls).call("Remove", {Variant(DescriptionBoxName())});
      mTxtDescr = nullptr;
    }
  } catch (const host::Error&) {
  }
}

void UsrKeloScroll::UserControl_Show() {
  SetTrackScale();
}

void UsrKeloScroll::UserControl_Terminate() {
  parts_.imgSfondoPic.setPicture(nullptr);
  parts_.imgCursor.setPicture(nullptr);
  parts_.cmdSxUp.setPicture(nullptr);
  parts_.cmdDXDN.setPicture(nullptr);
  mTxtDescr = nullptr;  // the box itself belongs to the form and stays there
  parts_.tmr_Server.setEnabled(false);
  parts_.tmr_Server.setInterval(0);
}

}  // namespace keloscroll
