#include "design/PropertyPage1.h"

#include "host/numeric.h"

namespace design {

using host::Variant;

namespace {

template <class W>
std::shared_ptr<W> place(host::ContainerWidget& on, const char* name, float left, float top,
                         float width, float height, int16_t tabIndex) {
  auto w = on.add<W>(name);
  w->Move(left, top, width, height);
  w->setTabIndex(tabIndex);
  return w;
}

// (b And 1) as a 16-bit integer: true (all bits set) gives 1, false 0.
int16_t checkValueOf(const Variant& b) {
  return host::toInteger(static_cast<int32_t>(b.asBoolean()) & 1);
}

}  // namespace

PropertyPage1::PropertyPage1(host::ContainerWidget& surface, host::PropertyPageSite& site)
    : site_(site) {
  lblMax = place<host::Label>(surface, "lblMax", 90, 770, 2700, 240, 0);
  lblMax->setCaption("Max:");
  txtMax = place<host::TextBox>(surface, "txtMax", 90, 1020, 2700, 330, 1);
  lblLargeChange = place<host::Label>(surface, "lblLargeChange", 90, 1420, 2700, 240, 2);
  lblLargeChange->setCaption("LargeChange:");
  txtLargeChange = place<host::TextBox>(surface, "txtLargeChange", 90, 1670, 2700, 330, 3);
  lblValue = place<host::Label>(surface, "lblValue", 90, 2070, 2700, 240, 4);
  lblValue->setCaption("Value:");
  txtValue = place<host::TextBox>(surface, "txtValue", 90, 2320, 2700, 330, 5);
  lblRefreshMsecGD = place<host::Label>(surface, "lblRefreshMsecGD", 90, 2720, 2700, 240, 6);
  lblRefreshMsecGD->setCaption("RefreshMsecGD:");
  txtRefreshMsecGD = place<host::TextBox>(surface, "txtRefreshMsecGD", 90, 2970, 2700, 330, 7);
  chkEnabled = place<host::CheckBox>(surface, "chkEnabled", 3000, 120, 2700, 285, 8);
  chkEnabled->setCaption("Enabled");
  chkVerticalBar = place<host::CheckBox>(surface, "chkVerticalBar", 240, 135, 2700, 285, 9);
  chkVerticalBar->setCaption("VerticalBar");

  // Any edit tells the host's dialog that there is something to apply.
  for (auto* text : {txtMax.get(), txtLargeChange.get(), txtValue.get(), txtRefreshMsecGD.get()})
    text->Change = [this] { MarkChanged(); };
  chkEnabled->Click = [this] { MarkChanged(); };
  chkVerticalBar->Click = [this] { MarkChanged(); };
}

PropertyPage1::~PropertyPage1() {
  for (auto* text : {txtMax.get(), txtLargeChange.get(), txtValue.get(), txtRefreshMsecGD.get()})
    text->Change = nullptr;
  chkEnabled->Click = nullptr;
  chkVerticalBar->Click = nullptr;
}

void PropertyPage1::MarkChanged() {
  site_.setChanged(host::True);
}

void PropertyPage1::PropertyPage_SelectionChanged() {
  host::ObjectRef ctl = site_.SelectedControls(0);
  if (!ctl) host::raise(host::err::ObjectNotSet);
  chkEnabled->setValue(checkValueOf(ctl->get("Enabled")));
  txtRefreshMsecGD->setText(ctl->get("RefreshMsecGD").asString());
  txtValue->setText(ctl->get("Value").asString());
  txtLargeChange->setText(ctl->get("LargeChange").asString());
  txtMax->setText(ctl->get("Max").asString());
  chkVerticalBar->setValue(checkValueOf(ctl->get("VerticalBar")));
}

void PropertyPage1::PropertyPage_ApplyChanges() {
  host::ObjectRef ctl = site_.SelectedControls(0);
  if (!ctl) host::raise(host::err::ObjectNotSet);
  // The texts go as strings: the control's property converts each to its own type. Value goes
  // before Max, so a new Value meets the Max still in force.
  ctl->let("Enabled", Variant::boolean(chkEnabled->Value() == 1));
  ctl->let("RefreshMsecGD", Variant(txtRefreshMsecGD->Text()));
  ctl->let("Value", Variant(txtValue->Text()));
  ctl->let("LargeChange", Variant(txtLargeChange->Text()));
  ctl->let("Max", Variant(txtMax->Text()));
  ctl->let("VerticalBar", Variant::boolean(chkVerticalBar->Value() == 1));
}

}  // namespace design
