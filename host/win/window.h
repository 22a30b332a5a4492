// The Win32 backend of the form engine: a form shown in a real window (a child window of a
// container's window for a control, a popup window for a modal form), painted through GDI, with
// the window's mouse, keys and focus as the engine's input and the engine's timers on SetTimer
// and the real clock. The form's screen position follows the window's, so that the engine's
// GetCursorPos and GetWindowRect agree with the real ones. No exception leaves a window
// procedure: a failure while handling a message is dropped with that message.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "host/engine.h"
#include "host/form.h"
#include "host/window_driver.h"

namespace keloscroll::host::win {

// The dots per inch of a device context (a window's, a printer's, a container's memory DC), and
// of the screen. Windows gives every device one density for both directions.
Dpi dpiOf(HDC dc);
Dpi dpiOf(HWND window);
Dpi screenDpi();

// Draws a form's client area onto any device context at `rect`, painted at the density `dpi` of
// that device (and scaled when the sizes still differ): the window's own painting, printing, a
// container's view of an inactive control.
void drawForm(const Form& form, HDC dc, const RECT& rect, Dpi dpi);

// Runs `form` modally in a popup window owned by `owner` (none when null), centred on it: a
// nested message loop until the form is hidden or unloaded, the owner disabled meanwhile and
// enabled and activated again after.
void runModalWindow(FormEngine& engine, Form& form, HWND owner);

class FormWindow {
 public:
  // The engine should run on a SystemClock. Installs the engine's modal-form and message-box
  // policies: a modal form runs a nested message loop in a popup window owned by this window's
  // top-level window; a message box is the platform's.
  // A window for a modal form (`installPolicies` false) leaves the policies to its owner's.
  FormWindow(FormEngine& engine, Form& form, bool installPolicies = true);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Creates the window as a visible child of `parent` at `rect` (parent-client pixels). False
  // when the platform refuses.
  bool create(HWND parent, const RECT& rect);
  // Creates the window as a popup with the form's caption, owned by `owner`, centred on it.
  bool createPopup(HWND owner);
  // Creates the window hidden, borderless and above other windows, owned by `owner`, for a
  // tooltip: showing it never takes the activation from the window the user works in.
  bool createTip(HWND owner);
  void destroy();
  HWND hwnd() const { return hwnd_; }
  void move(const RECT& rect);
  // Repaints now what the form shows.
  void refresh();

  // The window took (true) or lost (false) the keyboard focus.
  std::function<void(bool)> onFocus;
  // Called after each input the engine handled (a property page reports its Changed flag).
  std::function<void()> onInput;
  // Answers WM_GETOBJECT (assistive technology asking for the window's object): its arguments,
  // its result; 0 (or no function) lets the platform answer.
  std::function<LRESULT(WPARAM, LPARAM)> onGetObject;
  // Taken for the length of each message the window handles and let go after it: the owner of
  // the engine (a COM object whose host's handler may release it) stays alive until the handler,
  // the tick or the key it is in has returned. The window itself may go meanwhile (its owner
  // deactivated): the message then ends without touching it.
  std::function<std::shared_ptr<void>()> hold;

  // Runs input that comes from elsewhere than the window's own messages (assistive technology
  // pressing a part) as the window's input: then repaints and sets the timer for what is due.
  void input(const std::function<void()>& action);
  // The form window behind a handle, or null for any other window.
  static FormWindow* of(HWND hwnd);

  // The mapping of a window's input to the engine's numbers.
  static int16_t shiftState();
  static int16_t buttonOf(UINT message);

 private:
  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  LRESULT handle(UINT message, WPARAM w, LPARAM l);
  void paint();
  void syncScreenPosition();
  void scheduleTimer();
  void afterInput(HWND self);
  void runModal(Form& form);

  FormEngine& engine_;
  WindowDriver driver_;
  Form& form_;
  HWND hwnd_ = nullptr;
  bool installedPolicies_ = false;
  // False once the object is gone: a message under way looks here before it touches it again.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace keloscroll::host::win
