#include "design/PicturePage.h"

#include "host/picture.h"

namespace keloscroll::design {

using host::Variant;

namespace {

constexpr float kRowHeight = 810;

host::PictureRef pictureOf(const Variant& v) {
  return std::dynamic_pointer_cast<host::Picture>(v.asObject());
}

}  // namespace

PicturePage::PicturePage(host::ContainerWidget& surface, host::PropertyPageSite& site)
    : site_(&site) {
  for (size_t i = 0; i < rows_.size(); ++i) {
    Row& r = rows_[i];
    std::string property = kProperties[i];
    float top = 120 + static_cast<float>(i) * kRowHeight;
    auto tab = static_cast<int16_t>(2 * i);
    r.name = surface.add<host::Label>("lbl" + property);
    r.name->Move(90, top, 1800, 240);
    r.name->setCaption(property + ":");
    r.preview = surface.add<host::Image>("img" + property);
    r.preview->Move(90, top + 250, 480, 480);
    r.preview->setStretch(true);
    r.file = surface.add<host::TextBox>("txt" + property);
    r.file->Move(690, top + 250, 3900, 330);
    r.file->setTabIndex(tab);
    r.clear = surface.add<host::CommandButton>("cmdClear" + property);
    r.clear->Move(4710, top + 250, 1095, 330);
    r.clear->setCaption("Clear");
    r.clear->setTabIndex(static_cast<int16_t>(tab + 1));
    r.file->Change = [this, &r] {
      r.cleared = false;
      site_->setChanged(host::True);
    };
    r.clear->on().Click = [this, &r] {
      r.file->setText("");  // its Change settles `cleared` first
      r.cleared = true;
      r.preview->setPicture(nullptr);
      site_->setChanged(host::True);
    };
  }
}

PicturePage::~PicturePage() {
  for (Row& r : rows_) {
    r.file->Change = nullptr;
    r.clear->on().Click = nullptr;
  }
}

void PicturePage::SelectionChanged() {
  host::ObjectRef ctl = site_->SelectedControls(0);
  if (!ctl) host::raise(host::err::ObjectNotSet);
  for (size_t i = 0; i < rows_.size(); ++i) {
    Row& r = rows_[i];
    r.file->setText("");
    r.cleared = false;
    r.preview->setPicture(pictureOf(ctl->get(kProperties[i])));
  }
}

void PicturePage::ApplyChanges() {
  host::ObjectRef ctl = site_->SelectedControls(0);
  if (!ctl) host::raise(host::err::ObjectNotSet);
  for (size_t i = 0; i < rows_.size(); ++i) {
    Row& r = rows_[i];
    if (r.cleared) {
      ctl->let(kProperties[i], Variant::nothing());
    } else if (!r.file->Text().empty()) {
      host::PictureRef picture = host::Picture::load(r.file->Text());
      ctl->let(kProperties[i], Variant(host::ObjectRef(picture)));
    } else {
      continue;
    }
    // Applied: the preview shows what the control now holds, and the row is settled.
    r.file->setText("");
    r.cleared = false;
    r.preview->setPicture(pictureOf(ctl->get(kProperties[i])));
  }
}

}  // namespace keloscroll::design
