// The host's property dialog: a modal form with a tab for each page the control lists (the
// standard picture page, then PropertyPage1, each titled with its caption) above its OK, Cancel
// and Apply buttons. Apply is enabled while the pages report Changed, and applies both.
#pragma once

#include <memory>
#include <vector>

#include "design/PicturePage.h"
#include "design/PropertyPage1.h"
#include "host/engine.h"
#include "host/property_page.h"

namespace keloscroll::design {

class PropertyDialog {
 public:
  PropertyDialog(host::FormEngine& engine, std::vector<host::ObjectRef> selected);
  ~PropertyDialog();
  PropertyDialog(const PropertyDialog&) = delete;
  PropertyDialog& operator=(const PropertyDialog&) = delete;

  host::Form& form() const { return *form_; }
  host::PropertyPageSite& site() const { return *site_; }
  PropertyPage1& page() const { return *page_; }
  PicturePage& picturePage() const { return *picturePage_; }

  // Brings a page to the front: 0 the picture page, 1 PropertyPage1.
  void ShowTab(int index);

  // Fills the page from the first selected control and shows the dialog modally; returns when
  // OK, Cancel or the window's close ends it.
  void Show();
  // The same without waiting: the dialog is up, filled, with nothing to apply, and whoever runs
  // the input (a script, a host with a loop of its own) drives it until OK or Cancel hides it.
  void Open();
  bool isOpen() const { return form_->Visible(); }
  // The buttons' actions.
  void Apply();
  void Ok();
  void Cancel();

  static constexpr const char* kCaption = "Property Pages";

 private:
  void UpdateApply();
  void HookEdits(host::ContainerWidget& area);
  void UnhookEdits(host::ContainerWidget& area);

  host::FormEngine& engine_;
  std::shared_ptr<host::PropertyPageSite> site_;
  std::shared_ptr<host::Form> form_;
  std::shared_ptr<host::PictureBox> pictureArea_, pageArea_;
  std::unique_ptr<PicturePage> picturePage_;
  std::unique_ptr<PropertyPage1> page_;
  std::shared_ptr<host::CommandButton> tabPicture, tabPage;
  std::shared_ptr<host::CommandButton> cmdOK, cmdCancel, cmdApply;
};

// Shows the control's property page for the selected controls.
void ShowPropertyPage(host::FormEngine& engine, std::vector<host::ObjectRef> selected);

}  // namespace keloscroll::design
