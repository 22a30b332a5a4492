// The SDL2 window backend of the form engine: each shown form gets a real window that shows the
// engine's painting of it, SDL's mouse, keyboard and text input become the engine's input, and the
// engine's timers run on the real clock. Modal forms run a nested loop in a window of their own
// until they are hidden, unloaded or closed; message boxes are SDL's. SDL stays out of this header
// (and out of the headless core): the mapping functions take SDL's numbers as plain integers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/cairo/cairo_painter.h"
#include "host/engine.h"
#include "host/form.h"
#include "host/window_driver.h"

namespace keloscroll::host::sdl {

// ---- input mapping (pure) -------------------------------------------------------------------

// The host's key code for an SDL keycode (SDL_Keycode): letters 65-90, digits 48-57, F1-F12
// 112-123, arrows 37-40, PageUp 33, PageDown 34, End 35, Home 36, Tab 9, Return 13, Escape 27,
// Backspace 8, Space 32, Insert 45, Delete 46, Shift 16, Ctrl 17, Alt 18. 0 for other keys.
int16_t virtualKey(int32_t sdlKeycode);
// The host's shift mask (1 Shift, 2 Ctrl, 4 Alt) for SDL's modifier state (SDL_Keymod).
int16_t shiftMask(uint16_t sdlMod);
// The host's button mask (1 left, 2 right, 4 middle) for an SDL button number; 0 for others.
int16_t mouseButton(uint8_t sdlButton);
// The host's button mask for SDL's button state (SDL_BUTTON_LMASK and the others).
int16_t buttonMask(uint32_t sdlState);
// The density forms are drawn at on a display that reports `dotsPerInch` (SDL_GetDisplayDPI):
// the nearest step of a quarter of 96 (120, 144, 168, 192, ...), a tie going to the smaller, and
// never below 96. Displays report their physical size, so a 108 dpi monitor stays at 96 while a
// 2x screen measured at 190 draws at 192.
Dpi displayDensity(double dotsPerInch);

// ---- the backend ----------------------------------------------------------------------------

struct WindowSlot;

class Backend {
 public:
  // Starts SDL's video subsystem, gives the engine the density of the first display (when SDL
  // knows it) and installs the engine's modal and message-box policies. Throws
  // std::runtime_error with SDL's reason when there is no video (no display). The engine should
  // run on a SystemClock: timers fire when the real clock reaches them.
  explicit Backend(FormEngine& engine);
  ~Backend();
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // Opens the main window for a form: its caption, its size (resizable), and the form's screen
  // position kept equal to the window's, so that GetCursorPos and GetWindowRect agree.
  void open(Form& form);
  // Runs the main loop until quit(), SDL_QUIT or the main window's close button. It may run
  // again afterwards (until the next quit), unless the window was closed.
  void run();
  // Ends run() (and a modal loop running inside it) after the current event.
  void quit() { quitRequested_ = true; }
  bool quitRequested() const { return quitRequested_; }

  // Hooks for the application.
  // A key pressed in the main window, before the engine sees it; true consumes it.
  std::function<bool(int16_t keyCode, int16_t shift)> onKey;
  // The user resized the main window to this client size in pixels (of the display, at the
  // engine's density). Without a hook the form's size follows the window.
  std::function<void(int width, int height)> onResize;
  // The mouse wheel turned over the main window (positive: away from the user).
  std::function<void(int steps)> onWheel;
  // The message a message box showed, for a log; called also when SDL could show it.
  std::function<void(const std::string& prompt)> onMessage;

  // What the main window shows now, read back from the window's surface.
  Canvas snapshot() const;
  // SDL's window id of the main window (0 before open).
  uint32_t mainWindowId() const;

 private:
  void handle(const void* sdlEvent);
  void loopOnce();
  void present(WindowSlot& slot);
  void place(WindowSlot& slot);
  void runModal(Form& form);
  // The host's button sets (buttons & 7: OK, OK/Cancel, Abort/Retry/Ignore, Yes/No/Cancel,
  // Yes/No, Retry/Cancel); returns the host's number of the button chosen.
  int16_t messageBox(const std::string& prompt, int32_t buttons);
  WindowSlot* slotOf(uint32_t windowId);
  WindowSlot* top();
  void markAllDirty();

  FormEngine& engine_;
  WindowDriver driver_;
  std::vector<std::unique_ptr<WindowSlot>> slots_;  // main window first, then modal ones
  bool quitRequested_ = false;
  std::unordered_set<int32_t> consumedKeys_;  // keys onKey took: their release is dropped too
  int16_t heldButtons_ = 0;                   // mouse buttons held, as SDL's events say
};

}  // namespace keloscroll::host::sdl
