#include "design/PropertyDialog.h"

#include <functional>

namespace keloscroll::design {

namespace {
constexpr float kMargin = 120;
constexpr float kButtonWidth = 1095;
constexpr float kButtonHeight = 375;
constexpr float kTabWidth = 1500;
constexpr float kTabHeight = 330;
}  // namespace

PropertyDialog::PropertyDialog(host::FormEngine& engine, std::vector<host::ObjectRef> selected)
    : engine_(engine), site_(std::make_shared<host::PropertyPageSite>(std::move(selected))) {
  form_ = engine_.createForm("PropertyDialog");
  form_->setCaption(kCaption);
  float width = PropertyPage1::kWidth + 2 * kMargin;
  float pagesTop = kMargin + kTabHeight;
  float buttonsTop = pagesTop + PropertyPage1::kHeight + kMargin;
  form_->Move(form_->Left(), form_->Top(), width, buttonsTop + kButtonHeight + kMargin);

  // Both pages get the same area; the tab in front decides which one shows.
  auto area = [&](const char* name) {
    auto a = form_->add<host::PictureBox>(name);
    a->Move(kMargin, pagesTop, PropertyPage1::kWidth, PropertyPage1::kHeight);
    a->setBackColor(host::syscolor::ButtonFace);
    return a;
  };
  pictureArea_ = area("pictureArea");
  pageArea_ = area("pageArea");
  picturePage_ = std::make_unique<PicturePage>(*pictureArea_, *site_);
  page_ = std::make_unique<PropertyPage1>(*pageArea_, *site_);
  auto tab = [&](const char* name, const char* caption, int slot) {
    auto t = form_->add<host::CommandButton>(name);
    t->Move(kMargin + static_cast<float>(slot) * kTabWidth, kMargin, kTabWidth, kTabHeight);
    t->setCaption(caption);
    t->setTabIndex(static_cast<int16_t>(20 + slot));
    t->on().Click = [this, slot] { ShowTab(slot); };
    return t;
  };
  tabPicture = tab("tabPicture", PicturePage::kCaption, 0);
  tabPage = tab("tabPropertyPage1", PropertyPage1::kCaption, 1);

  auto button = [&](const char* name, const char* caption, int slot) {
    auto b = form_->add<host::CommandButton>(name);
    b->Move(width - static_cast<float>(3 - slot) * (kButtonWidth + kMargin), buttonsTop,
            kButtonWidth, kButtonHeight);
    b->setCaption(caption);
    b->setTabIndex(static_cast<int16_t>(10 + slot));
    return b;
  };
  cmdOK = button("cmdOK", "OK", 0);
  cmdCancel = button("cmdCancel", "Cancel", 1);
  cmdApply = button("cmdApply", "Apply", 2);
  cmdOK->on().Click = [this] { Ok(); };
  cmdCancel->on().Click = [this] { Cancel(); };
  cmdApply->on().Click = [this] { Apply(); };

  HookEdits(*pictureArea_);
  HookEdits(*pageArea_);
  // The control's own page is in front: it is the one a developer opens the dialog for.
  ShowTab(1);
  UpdateApply();
}

PropertyDialog::~PropertyDialog() {
  for (auto* b : {cmdOK.get(), cmdCancel.get(), cmdApply.get(), tabPicture.get(), tabPage.get()})
    b->on().Click = nullptr;
  UnhookEdits(*pictureArea_);
  UnhookEdits(*pageArea_);
  picturePage_.reset();
  page_.reset();
  engine_.unloadForm(*form_);
}

// Every edit on a page re-evaluates Apply, after the page's own handler.
void PropertyDialog::HookEdits(host::ContainerWidget& area) {
  auto after = [this](std::function<void()> pageHandler) {
    return [this, pageHandler] {
      if (pageHandler) pageHandler();
      UpdateApply();
    };
  };
  for (const auto& w : area.children()) {
    if (auto* text = dynamic_cast<host::TextBox*>(w.get())) text->Change = after(text->Change);
    if (auto* check = dynamic_cast<host::CheckBox*>(w.get()))
      check->on().Click = after(check->on().Click);
    if (auto* b = dynamic_cast<host::CommandButton*>(w.get())) b->on().Click = after(b->on().Click);
  }
}

void PropertyDialog::UnhookEdits(host::ContainerWidget& area) {
  for (const auto& w : area.children()) {
    if (auto* text = dynamic_cast<host::TextBox*>(w.get())) text->Change = nullptr;
    if (auto* check = dynamic_cast<host::CheckBox*>(w.get())) check->on().Click = nullptr;
    if (auto* b = dynamic_cast<host::CommandButton*>(w.get())) b->on().Click = nullptr;
  }
}

void PropertyDialog::ShowTab(int index) {
  pictureArea_->setVisible(index == 0);
  pageArea_->setVisible(index != 0);
  // The tab in front looks pressed in: it is the one not to click.
  tabPicture->setEnabled(index != 0);
  tabPage->setEnabled(index == 0);
}

void PropertyDialog::UpdateApply() {
  cmdApply->setEnabled(host::isTrue(site_->Changed()));
}

void PropertyDialog::Show() {
  Open();
  engine_.showModal(*form_);
}

void PropertyDialog::Open() {
  // Filling the page from the control is not an edit: the dialog starts with nothing to apply.
  picturePage_->SelectionChanged();
  page_->PropertyPage_SelectionChanged();
  site_->setChanged(host::False);
  UpdateApply();
  form_->setVisible(true);
}

void PropertyDialog::Apply() {
  // A value the control refuses is reported and the dialog stays open with the user's text, so
  // nothing typed is lost; the properties before the refused one have been written.
  try {
    picturePage_->ApplyChanges();
    page_->PropertyPage_ApplyChanges();
    // The page shows what the control kept, which need not be what was typed (a Value past
    // Max stops at the end of the track).
    page_->PropertyPage_SelectionChanged();
    site_->setChanged(host::False);
  } catch (const host::Error& e) {
    engine_.MsgBox(e.description(), 0, kCaption);
  }
  UpdateApply();
}

void PropertyDialog::Ok() {
  if (host::isTrue(site_->Changed())) Apply();
  // The modal showing ends when its form is hidden; a refused value keeps the dialog open.
  if (!host::isTrue(site_->Changed())) form_->setVisible(false);
}

void PropertyDialog::Cancel() {
  form_->setVisible(false);
}

void ShowPropertyPage(host::FormEngine& engine, std::vector<host::ObjectRef> selected) {
  PropertyDialog dialog(engine, std::move(selected));
  dialog.Show();
}

}  // namespace keloscroll::design
