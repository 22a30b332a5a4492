// dlgAbout: the about box, a small modal form with a copyright line and a contact line. Both mouse
// buttons with Ctrl+Alt on the contact line show the credit message.
#pragma once

#include <memory>

#include "host/engine.h"
#include "host/widgets.h"

namespace keloscroll::design {

class dlgAbout {
 public:
  explicit dlgAbout(host::FormEngine& engine);
  ~dlgAbout();
  dlgAbout(const dlgAbout&) = delete;
  dlgAbout& operator=(const dlgAbout&) = delete;

  host::Form& form() const { return *form_; }
  host::FormEngine& engine() const { return engine_; }
  void Show(int16_t modal);  // 1: modal, returns when the user has closed the box
  void Unload();

  static constexpr const char* kCaption = "KeloScroll-Bar";
  static constexpr const char* kCopyright = "\u00a9 2026 KeloScroll developers";
  static constexpr const char* kContact =
      "keloscroll@example.org 1 Scroll Lane, Exampleton, Nowhere";
  static constexpr const char* kCredit =
      "KeloScroll was written by the KeloScroll developers <keloscroll@example.org>";

 private:
  void Label2_MouseDown(int16_t Button, int16_t Shift, float X, float Y);

  host::FormEngine& engine_;
  std::shared_ptr<host::Form> form_;
  std::shared_ptr<host::Label> Label1;
  std::shared_ptr<host::Label> Label2;
};

// Creates the shared instance if needed, shows it modally, unloads it and releases it, so that
// the next call starts from a fresh form. One shared instance per thread, whichever engine of the
// thread calls (a host may give each control an engine of its own), kept by the engine that made
// it. A failure to show (error 400 while it already shows) goes to the caller.
void ShowAboutBox(host::FormEngine& engine);

}  // namespace keloscroll::design
