#include "design/dlgAbout.h"

namespace design {

namespace {
// The form's default instance: one per thread, created on first use.
thread_local std::unique_ptr<dlgAbout> tDefaultInstance;
}  // namespace

dlgAbout::dlgAbout(host::FormEngine& engine) : engine_(engine) {
  form_ = engine_.createForm("dlgAbout");
  form_->setCaption(kCaption);
  form_->Move(form_->Left(), form_->Top(), 2970, 1785);

  Label1 = form_->add<host::Label>("Label1");
  Label1->Move(105, 120, 2715, 285);
  Label1->setAlignment(2);
  Label1->setCaption(kCopyright);

  Label2 = form_->add<host::Label>("Label2");
  Label2->Move(120, 465, 2760, 480);
  Label2->setAlignment(2);
  Label2->setCaption(kContact);
  Label2->MouseDown = [this](int16_t b, int16_t s, float x, float y) {
    Label2_MouseDown(b, s, x, y);
  };
}

dlgAbout::~dlgAbout() {
  Unload();
}

void dlgAbout::Show(int16_t modal) {
  if (modal == 1) engine_.showModal(*form_);
}

void dlgAbout::Unload() {
  if (!form_) return;
  Label2->MouseDown = nullptr;
  engine_.unloadForm(*form_);
  form_.reset();
}

void dlgAbout::Label2_MouseDown(int16_t Button, int16_t Shift, float, float) {
  // Left and right button together, with Ctrl and Alt (and not Shift).
  if (Button == 3 && Shift == 6) engine_.MsgBox(kCredit, 0);
}

void ShowAboutBox(host::FormEngine& engine) {
  if (!tDefaultInstance) tDefaultInstance = std::make_unique<dlgAbout>(engine);
  tDefaultInstance->Show(1);
  tDefaultInstance->Unload();
  tDefaultInstance.reset();
}

}  // namespace design
