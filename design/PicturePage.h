// The host's standard picture page ("StandardPicture"): the control's four picture properties,
// each with a preview of what the first selected control shows, a file to load in its place and a
// Clear button. Like any page it reaches the control late bound, by the properties' names.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "host/property_page.h"
#include "host/widgets.h"

namespace keloscroll::design {

class PicturePage {
 public:
  // Builds the page on `surface` (the area the host's dialog gives each page).
  PicturePage(host::ContainerWidget& surface, host::PropertyPageSite& site);
  ~PicturePage();
  PicturePage(const PicturePage&) = delete;
  PicturePage& operator=(const PicturePage&) = delete;

  static constexpr const char* kCaption = "Picture";
  static constexpr std::array<const char*, 4> kProperties = {"PictureBarra", "PictureCursor",
                                                             "PictureSXUP", "PictureDXDN"};

  void setSite(host::PropertyPageSite& site) { site_ = &site; }
  void SelectionChanged();
  // Loads each named file and sets it, or clears a picture the user cleared; the first failure
  // (a file that will not load: 53, 481) goes to the host and the rest stay to be applied.
  void ApplyChanges();

 private:
  struct Row {
    std::shared_ptr<host::Label> name;
    std::shared_ptr<host::Image> preview;
    std::shared_ptr<host::TextBox> file;
    std::shared_ptr<host::CommandButton> clear;
    bool cleared = false;
  };

  host::PropertyPageSite* site_;
  std::array<Row, 4> rows_;
};

}  // namespace keloscroll::design
