// The control's public face: construction on a site, the simple properties, the picture
// properties, ShowAboutBox, and dispatch served from the interface table.
#include "control/UsrKeloScroll.h"
#include "control/accessible.h"
#include "control/interface_table.h"
#include "design/dlgAbout.h"
#include "host/error.h"

namespace keloscroll {

using host::Variant;

std::shared_ptr<UsrKeloScroll> UsrKeloScroll::create(host::ControlSite& site) {
  auto control = std::make_shared<UsrKeloScroll>(Key{}, site);
  control->bindEvents();  // they reach the control weakly, so it must be shared first
  site.setControl(control);
  control->UserControl_Initialize();
  return control;
}

UsrKeloScroll::UsrKeloScroll(Key, host::ControlSite& site)
    : site_(site), surface_(site.surfaceRef()), parts_(createParts()) {
  // A horizontal thumb keeps its design length along the bar.
  thumbLengthTwips_ = static_cast<float>(parts_.imgCursor.rectTwips().height);
}

UsrKeloScroll::~UsrKeloScroll() {
  // The surface belongs to the site and may outlive this object: its events and its parts' must
  // find nothing of it.
  surface_->dropAccessible();  // a client that still holds the model finds it disconnected
  unbindEvents();
}

// ---- plain properties --------------------------------------------------------------------

Boolean UsrKeloScroll::VerticalBar() const {
  return mVerticalBar;
}

void UsrKeloScroll::setVerticalBar(Boolean& v) {
  // No layout here: the new orientation takes effect at the next resize.
  mVerticalBar = v;
  site_.PropertyChanged("VerticalBar");
}

int32_t UsrKeloScroll::Max() const {
  return mMax;
}
int32_t UsrKeloScroll::LargeChange() const {
  return mLargeChange;
}

void UsrKeloScroll::setLargeChange(int32_t n) {
  mLargeChange = n;
  site_.PropertyChanged("LargeChange");
}

std::string UsrKeloScroll::Description() const {
  return mDescription.get();
}
Integer UsrKeloScroll::RefreshMsecGD() const {
  return mRefreshMsecGD;
}

void UsrKeloScroll::setRefreshMsecGD(Integer ms) {
  mRefreshMsecGD = ms;
  site_.PropertyChanged("RefreshMsecGD");
}

Boolean UsrKeloScroll::Enabled() const {
  return mEnabled;
}
int32_t UsrKeloScroll::Min() const {
  return mMin;
}

void UsrKeloScroll::setMin(int32_t n) {
  // Stored and saved only: positions always run from 1.
  mMin = n;
  site_.PropertyChanged("Min");
}

int32_t UsrKeloScroll::SmallChange() const {
  return mSmallChange;
}

void UsrKeloScroll::setSmallChange(int32_t n) {
  // Not reported to the container: SmallChange is not saved.
  mSmallChange = n;
}

// ---- picture properties: each is the Picture of one constituent widget ---------------------

host::PictureRef UsrKeloScroll::PictureBarra() const {
  return parts_.imgSfondoPic.Picture();
}
void UsrKeloScroll::setPictureBarra(host::PictureRef p) {
  parts_.imgSfondoPic.setPicture(std::move(p));
  site_.PropertyChanged("PictureBarra");
}
host::PictureRef UsrKeloScroll::PictureCursor() const {
  return parts_.imgCursor.Picture();
}
void UsrKeloScroll::setPictureCursor(host::PictureRef p) {
  parts_.imgCursor.setPicture(std::move(p));
  site_.PropertyChanged("PictureCursor");
}
host::PictureRef UsrKeloScroll::PictureSXUP() const {
  return parts_.cmdSxUp.Picture();
}
void UsrKeloScroll::setPictureSXUP(host::PictureRef p) {
  parts_.cmdSxUp.setPicture(std::move(p));
  DrawArrowsFor(arrangedHorizontally_);
  site_.PropertyChanged("PictureSXUP");
}
host::PictureRef UsrKeloScroll::PictureDXDN() const {
  return parts_.cmdDXDN.Picture();
}
void UsrKeloScroll::setPictureDXDN(host::PictureRef p) {
  parts_.cmdDXDN.setPicture(std::move(p));
  DrawArrowsFor(arrangedHorizontally_);
  site_.PropertyChanged("PictureDXDN");
}

void UsrKeloScroll::ShowAboutBox() {
  design::ShowAboutBox(site_.engine());
}

// ---- dispatch --------------------------------------------------------------------------------

int32_t UsrKeloScroll::idOfName(std::string_view name) const {
  return dispidOfName(name);
}

Variant UsrKeloScroll::invoke(int32_t id, host::Invoke kind, std::span<Variant> args) {
  // A caller may let go of the control inside the Change that a write raises.
  auto self = weak_from_this().lock();
  const InterfaceEntry* e = entryFor(id, kind);
  if (!e) host::raise(host::err::NoSuchMember);
  if (e->access == Access::Get) return e->get(*this);
  if (e->access == Access::Method) {
    Variant none;
    e->put(*this, none);
    return Variant();
  }
  if (args.empty()) host::raise(host::err::InvalidCall);
  e->put(*this, args.back());
  return Variant();
}

}  // namespace keloscroll
