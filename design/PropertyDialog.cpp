#include "design/PropertyDialog.h"

namespace design {

namespace {
constexpr float kMargin = 120;
constexpr float kButtonWidth = 1095;
constexpr float kButtonHeight = 375;
}  // namespace

PropertyDialog::PropertyDialog(host::FormEngine& engine, std::vector<host::ObjectRef> selected)
    : engine_(engine), site_(std::make_shared<host::PropertyPageSite>(std::move(selected))) {
  form_ = engine_.createForm("PropertyDialog");
  form_->setCaption(kCaption);
  float width = PropertyPage1::kWidth + 2 * kMargin;
  float buttonsTop = PropertyPage1::kHeight + 2 * kMargin;
  form_->Move(form_->Left(), form_->Top(), width, buttonsTop + kButtonHeight + kMargin);

  pageArea_ = form_->add<host::PictureBox>("pageArea");
  pageArea_->Move(kMargin, kMargin, PropertyPage1::kWidth, PropertyPage1::kHeight);
  pageArea_->setBackColor(static_cast<int32_t>(0x8000000F));
  page_ = std::make_unique<PropertyPage1>(*pageArea_, *site_);

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
  cmdOK->Click = [this] { Ok(); };
  cmdCancel->Click = [this] { Cancel(); };
  cmdApply->Click = [this] { Apply(); };

  // Every edit on the page re-evaluates Apply.
  for (const auto& w : pageArea_->children()) {
    if (auto* text = dynamic_cast<host::TextBox*>(w.get())) {
      auto pageHandler = text->Change;
      text->Change = [this, pageHandler] {
        if (pageHandler) pageHandler();
        UpdateApply();
      };
    } else if (auto* check = dynamic_cast<host::CheckBox*>(w.get())) {
      auto pageHandler = check->Click;
      check->Click = [this, pageHandler] {
        if (pageHandler) pageHandler();
        UpdateApply();
      };
    }
  }
  UpdateApply();
}

PropertyDialog::~PropertyDialog() {
  for (auto* b : {cmdOK.get(), cmdCancel.get(), cmdApply.get()}) b->Click = nullptr;
  for (const auto& w : pageArea_->children()) {
    if (auto* text = dynamic_cast<host::TextBox*>(w.get())) text->Change = nullptr;
    if (auto* check = dynamic_cast<host::CheckBox*>(w.get())) check->Click = nullptr;
  }
  page_.reset();
  engine_.unloadForm(*form_);
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
  page_->PropertyPage_SelectionChanged();
  site_->setChanged(host::False);
  UpdateApply();
  form_->setVisible(true);
}

void PropertyDialog::Apply() {
  // A value the control refuses is reported and the dialog stays open with the user's text, so
  // nothing typed is lost; the properties before the refused one have been written.
  try {
    page_->PropertyPage_ApplyChanges();
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

}  // namespace design
