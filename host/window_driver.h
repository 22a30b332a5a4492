// What every window backend does alike, whatever its window system: a form's screen position
// follows its window's, the window's pointer input (client pixels) reaches the engine in twips at
// the engine's density, the backend's timer waits for the engine's next due timer, and a modal
// form's loop goes on while the form is loaded and shown. The SDL2 and Win32 backends keep only
// what their window systems do differently.
#pragma once

#include <cstdint>

#include "host/engine.h"
#include "host/form.h"

namespace keloscroll::host {

class WindowDriver {
 public:
  explicit WindowDriver(FormEngine& engine) : engine_(engine) {}

  FormEngine& engine() const { return engine_; }
  Dpi dpi() const { return engine_.dpi(); }
  double twips(int pixels) const { return twipsOf(pixels, engine_.dpi()); }

  // The form's window shows its inner area from screen pixel (x, y) on.
  void place(Form& form, int x, int y) const;
  // The pixels a window needs for the form's inner area: at least one each way.
  int windowWidth(const Form& form) const;
  int windowHeight(const Form& form) const;

  // Pointer input at the client pixel (x, y) of the form's window. `held` is what the window
  // system says was held before the event (-1: the engine's own count).
  void mouseDown(Form& form, int x, int y, int16_t button, int16_t shift, int16_t held = -1) const;
  void mouseMove(Form& form, int x, int y, int16_t shift, int16_t held = -1) const;
  void mouseUp(Form& form, int x, int y, int16_t button, int16_t shift, int16_t held = -1) const;

  // How long to wait before running the engine's due timers: until the next one is due, kept
  // within [least, most]; -1 when no timer runs.
  int64_t timerWait(int64_t least, int64_t most) const;
  // Whether the form is still on the engine (its code may unload it), and shown as well: a
  // modal form's loop goes on while it is.
  bool loaded(const Form& form) const;
  bool showing(const Form& form) const { return form.Visible() && loaded(form); }

 private:
  FormEngine& engine_;
};

}  // namespace keloscroll::host
