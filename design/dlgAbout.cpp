#include "design/dlgAbout.h"

namespace keloscroll::design {

namespace {
// The form's default instance: one for the engine's thread of forms, created on first use. The
// engine keeps it, so that one left over from a failed showing goes when the engine goes.
constexpr const char* kDefaultInstance = "dlgAbout";
// The thread's instance while it exists, whichever engine made it: a control on another engine
// of the thread finds the box that shows.
thread_local std::weak_ptr<dlgAbout> tShared;
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
  Label2->on().MouseDown = [this](int16_t b, int16_t s, float x, float y) {
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
  Label2->on().MouseDown = nullptr;
  engine_.unloadForm(*form_);
  form_.reset();
}

void dlgAbout::Label2_MouseDown(int16_t Button, int16_t Shift, float, float) {
  // Left and right button together, with Ctrl and Alt (and not Shift).
  if (Button == 3 && Shift == 6) engine_.MsgBox(kCredit, 0);
}

void ShowAboutBox(host::FormEngine& engine) {
  auto box = tShared.lock();
  if (!box) box = std::static_pointer_cast<dlgAbout>(engine.instance(kDefaultInstance));
  if (!box) {
    box = std::make_shared<dlgAbout>(engine);
    engine.setInstance(kDefaultInstance, box);
  }
  tShared = box;
  // A failure here (the box is already showing: error 400) goes to the caller; the instance
  // stays for the showing that is under way.
  box->Show(1);
  box->Unload();
  box->engine().setInstance(kDefaultInstance, nullptr);
  tShared.reset();
}

}  // namespace keloscroll::design
