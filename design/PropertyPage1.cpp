#include "design/PropertyPage1.h"

#include "host/numeric.h"

namespace keloscroll::design {

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
    : site_(&site) {
  // Each text box stands directly below its label: label at `top`, box 250 twips lower.
  auto field = [&](std::shared_ptr<host::Label>& label, const char* labelName, const char* caption,
                   std::shared_ptr<host::TextBox>& text, const char* textName, float top,
                   int16_t tab) {
    label = place<host::Label>(surface, labelName, 90, top, 2700, 240, tab);
    label->setCaption(caption);
    text = place<host::TextBox>(surface, textName, 90, top + 250, 2700, 330,
                                static_cast<int16_t>(tab + 1));
  };
  field(lblMax, "lblMax", "Max:", txtMax, "txtMax", 770, 0);
  field(lblLargeChange, "lblLargeChange", "LargeChange:", txtLargeChange, "txtLargeChange", 1420,
        2);
  field(lblValue, "lblValue", "Value:", txtValue, "txtValue", 2070, 4);
  field(lblRefreshMsecGD, "lblRefreshMsecGD", "RefreshMsecGD:", txtRefreshMsecGD,
        "txtRefreshMsecGD", 2720, 6);
  chkEnabled = place<host::CheckBox>(surface, "chkEnabled", 3000, 120, 2700, 285, 8);
  chkEnabled->setCaption("Enabled");
  chkVerticalBar = place<host::CheckBox>(surface, "chkVerticalBar", 240, 135, 2700, 285, 9);
  chkVerticalBar->setCaption("VerticalBar");

  // Any edit tells the host's dialog that there is something to apply.
  for (auto* text : {txtMax.get(), txtLargeChange.get(), txtValue.get(), txtRefreshMsecGD.get()})
    text->Change = [this] { MarkChanged(); };
  chkEnabled->on().Click = [this] { MarkChanged(); };
  chkVerticalBar->on().Click = [this] { MarkChanged(); };
}

PropertyPage1::~PropertyPage1() {
  for (auto* text : {txtMax.get(), txtLargeChange.get(), txtValue.get(), txtRefreshMsecGD.get()})
    text->Change = nullptr;
  chkEnabled->on().Click = nullptr;
  chkVerticalBar->on().Click = nullptr;
}

void PropertyPage1::MarkChanged() {
  site_->setChanged(host::True);
}

void PropertyPage1::PropertyPage_SelectionChanged() {
  host::ObjectRef ctl = site_->SelectedControls(0);
  if (!ctl) host::raise(host::err::ObjectNotSet);
  chkEnabled->setValue(checkValueOf(ctl->get("Enabled")));
  txtRefreshMsecGD->setText(ctl->get("RefreshMsecGD").asString());
  txtValue->setText(ctl->get("Value").asString());
  txtLargeChange->setText(ctl->get("LargeChange").asString());
  txtMax->setText(ctl->get("Max").asString());
  chkVerticalBar->setValue(checkValueOf(ctl->get("VerticalBar")));
}

void PropertyPage1::PropertyPage_ApplyChanges() {
  host::ObjectRef ctl = site_->SelectedControls(0);
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

}  // namespace keloscroll::design
