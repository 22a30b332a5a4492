// PropertyPage1: the control's own property page. It shows VerticalBar, Enabled, Max,
// LargeChange, Value and RefreshMsecGD of the first selected control and writes them back, late
// bound by name, through the control's public properties only.
#pragma once

#include <memory>

#include "host/property_page.h"
#include "host/widgets.h"

namespace keloscroll::design {

class PropertyPage1 {
 public:
  // Builds the page's widgets on `surface` (the area the host's dialog gives the page, 5925 x
  // 3495 twips) and keeps the site whose SelectedControls and Changed it uses.
  PropertyPage1(host::ContainerWidget& surface, host::PropertyPageSite& site);
  ~PropertyPage1();
  PropertyPage1(const PropertyPage1&) = delete;
  PropertyPage1& operator=(const PropertyPage1&) = delete;

  static constexpr const char* kCaption = "PropertyPage1";
  static constexpr float kWidth = 5925;
  static constexpr float kHeight = 3495;

  // The site of another selection (the host's dialog turned to other controls); the host then
  // calls PropertyPage_SelectionChanged.
  void setSite(host::PropertyPageSite& site) { site_ = &site; }

  // The host's calls. Neither traps errors: a failure goes to the host, and what came before it
  // stays done.
  void PropertyPage_SelectionChanged();
  void PropertyPage_ApplyChanges();

 private:
  void MarkChanged();

  host::PropertyPageSite* site_;
  std::shared_ptr<host::Label> lblMax, lblLargeChange, lblValue, lblRefreshMsecGD;
  std::shared_ptr<host::TextBox> txtMax, txtLargeChange, txtValue, txtRefreshMsecGD;
  std::shared_ptr<host::CheckBox> chkEnabled, chkVerticalBar;
};

}  // namespace keloscroll::design
