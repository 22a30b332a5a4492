#include "host/sdl/sdl_backend.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "host/cairo/cairo_painter.h"
#include "host/error.h"
#include "host/message_box.h"
#include "host/render.h"

namespace keloscroll::host::sdl {

// ---- input mapping --------------------------------------------------------------------------

int16_t virtualKey(int32_t k) {
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<int16_t>('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<int16_t>('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<int16_t>(vk::F1 + (k - SDLK_F1));
  switch (k) {
    case SDLK_LEFT:
      return vk::Left;
    case SDLK_UP:
      return vk::Up;
    case SDLK_RIGHT:
      return vk::Right;
    case SDLK_DOWN:
      return vk::Down;
    case SDLK_PAGEUP:
      return vk::PageUp;
    case SDLK_PAGEDOWN:
      return vk::PageDown;
    case SDLK_HOME:
      return vk::Home;
    case SDLK_END:
      return vk::End;
    case SDLK_TAB:
      return vk::Tab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return vk::Return;
    case SDLK_ESCAPE:
      return vk::Escape;
    case SDLK_BACKSPACE:
      return vk::Back;
    case SDLK_SPACE:
      return 32;
    case SDLK_INSERT:
      return 45;
    case SDLK_DELETE:
      return 46;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return vk::ShiftKey;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return 17;
    case SDLK_LALT:
    case SDLK_RALT:
      return 18;
    default:
      return 0;
  }
}

int16_t shiftMask(uint16_t mod) {
  int16_t mask = 0;
  if (mod & KMOD_SHIFT) mask |= shift::Shift;
  if (mod & KMOD_CTRL) mask |= shift::Ctrl;
  if (mod & KMOD_ALT) mask |= shift::Alt;
  return mask;
}

int16_t mouseButton(uint8_t b) {
  switch (b) {
    case SDL_BUTTON_LEFT:
      return mouse::Left;
    case SDL_BUTTON_RIGHT:
      return mouse::Right;
    case SDL_BUTTON_MIDDLE:
      return mouse::Middle;
    default:
      return 0;
  }
}

int16_t buttonMask(uint32_t state) {
  int16_t mask = 0;
  if (state & SDL_BUTTON_LMASK) mask |= mouse::Left;
  if (state & SDL_BUTTON_RMASK) mask |= mouse::Right;
  if (state & SDL_BUTTON_MMASK) mask |= mouse::Middle;
  return mask;
}

Dpi displayDensity(double dotsPerInch) {
  constexpr double kStep = Dpi::kClassic / 4.0;
  if (!(dotsPerInch > 0) || dotsPerInch > 4 * 1440) return kClassicDpi;  // also NaN
  double steps = std::max(4.0, std::ceil(dotsPerInch / kStep - 0.5));
  return Dpi(static_cast<int32_t>(steps * kStep));
}

// ---- windows --------------------------------------------------------------------------------

struct WindowSlot {
  SDL_Window* window = nullptr;
  std::shared_ptr<Form> form;
  uint32_t id = 0;
  bool dirty = true;
  bool closed = false;  // the user closed it (close button, or Escape on a modal form)
  std::string title;
};

namespace {

std::runtime_error sdlFailure(const char* what) {
  return std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

SDL_Window* makeWindow(const WindowDriver& driver, Form& form, int x, int y, uint32_t flags) {
  SDL_Window* w = SDL_CreateWindow(form.Caption().c_str(), x, y, driver.windowWidth(form),
                                   driver.windowHeight(form), SDL_WINDOW_SHOWN | flags);
  if (!w) throw sdlFailure("SDL_CreateWindow");
  return w;
}

}  // namespace

Backend::Backend(FormEngine& engine) : engine_(engine), driver_(engine) {
  // The painting arrives as an image and is copied to the window's surface: a plain (software)
  // window surface does, and no OpenGL driver needs to be loaded for it.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) throw sdlFailure("SDL_Init(video)");
  // A dense display shows the forms crisp and at their size in inches.
  float vertical = 0;
  if (SDL_GetDisplayDPI(0, nullptr, nullptr, &vertical) == 0)
    engine_.setDpi(displayDensity(vertical));
  engine_.setModalPolicy([this](Form& f) { runModal(f); });
  engine_.setMsgBoxPolicy(
      [this](const std::string& prompt, int32_t buttons) { return messageBox(prompt, buttons); });
}

Backend::~Backend() {
  engine_.setModalPolicy(nullptr);
  engine_.setMsgBoxPolicy(nullptr);
  for (auto& s : slots_) SDL_DestroyWindow(s->window);
  slots_.clear();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void Backend::open(Form& form) {
  auto slot = std::make_unique<WindowSlot>();
  slot->form = std::static_pointer_cast<Form>(form.shared_from_this());
  slot->window = makeWindow(driver_, form, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                            SDL_WINDOW_RESIZABLE);
  slot->id = SDL_GetWindowID(slot->window);
  slot->title = form.Caption();
  place(*slot);
  form.setVisible(true);
  slots_.push_back(std::move(slot));
}

// Keeps the form's screen position equal to the window's client position.
void Backend::place(WindowSlot& s) {
  int x = 0, y = 0;
  SDL_GetWindowPosition(s.window, &x, &y);
  driver_.place(*s.form, x, y);
}

uint32_t Backend::mainWindowId() const {
  return slots_.empty() ? 0 : slots_.front()->id;
}

WindowSlot* Backend::slotOf(uint32_t id) {
  for (auto& s : slots_)
    if (s->id == id) return s.get();
  return nullptr;
}

WindowSlot* Backend::top() {
  return slots_.empty() ? nullptr : slots_.back().get();
}

void Backend::markAllDirty() {
  for (auto& s : slots_) s->dirty = true;
}

void Backend::present(WindowSlot& s) {
  s.dirty = false;
  if (s.form->Caption() != s.title) {
    s.title = s.form->Caption();
    SDL_SetWindowTitle(s.window, s.title.c_str());
  }
  Canvas canvas = renderForm(*s.form);
  int w = 0, h = 0;
  SDL_GetWindowSize(s.window, &w, &h);
  // The program resized the form: the window follows (the window system may take a moment).
  if (w != canvas.width() || h != canvas.height()) {
    SDL_SetWindowSize(s.window, canvas.width(), canvas.height());
  }
  SDL_Surface* screen = SDL_GetWindowSurface(s.window);
  if (!screen) return;  // minimised, or the window system is changing it: the next event repaints
  cairo_surface_flush(canvas.surface());
  // Cairo's ARGB32 is a native-endian 32-bit word per pixel, which is SDL's ARGB8888.
  SDL_Surface* image = SDL_CreateRGBSurfaceWithFormatFrom(
      cairo_image_surface_get_data(canvas.surface()), canvas.width(), canvas.height(), 32,
      cairo_image_surface_get_stride(canvas.surface()), SDL_PIXELFORMAT_ARGB8888);
  if (!image) return;
  SDL_SetSurfaceBlendMode(image, SDL_BLENDMODE_NONE);
  SDL_BlitSurface(image, nullptr, screen, nullptr);
  SDL_FreeSurface(image);
  SDL_UpdateWindowSurface(s.window);
}

Canvas Backend::snapshot() const {
  if (slots_.empty()) throw std::logic_error("snapshot: no window is open");
  SDL_Surface* screen = SDL_GetWindowSurface(slots_.front()->window);
  if (!screen) throw sdlFailure("SDL_GetWindowSurface");
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(screen, SDL_PIXELFORMAT_ARGB8888, 0);
  if (!argb) throw sdlFailure("SDL_ConvertSurfaceFormat");
  Canvas canvas(argb->w, argb->h);
  cairo_surface_flush(canvas.surface());
  unsigned char* dst = cairo_image_surface_get_data(canvas.surface());
  const int dstStride = cairo_image_surface_get_stride(canvas.surface());
  SDL_LockSurface(argb);
  for (int y = 0; y < argb->h; ++y) {
    const auto* src = static_cast<const unsigned char*>(argb->pixels) + y * argb->pitch;
    auto* row = dst + y * dstStride;
    std::memcpy(row, src, static_cast<size_t>(argb->w) * 4);
    // The window has no transparency: every pixel is opaque.
    for (int x = 0; x < argb->w; ++x) row[x * 4 + 3] = 0xFF;
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  cairo_surface_mark_dirty(canvas.surface());
  return canvas;
}

void Backend::handle(const void* raw) {
  const SDL_Event& e = *static_cast<const SDL_Event*>(raw);
  WindowSlot* active = top();
  switch (e.type) {
    case SDL_QUIT:
      quitRequested_ = true;
      return;
    case SDL_WINDOWEVENT: {
      WindowSlot* s = slotOf(e.window.windowID);
      if (!s) return;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          s->closed = true;
          if (s == slots_.front().get()) quitRequested_ = true;
          break;
        case SDL_WINDOWEVENT_MOVED:
          place(*s);
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
          int w = e.window.data1, h = e.window.data2;
          if (toPixels(s->form->innerWidthTwips(), engine_.dpi()) != w ||
              toPixels(s->form->innerHeightTwips(), engine_.dpi()) != h) {
            if (s == slots_.front().get() && onResize) {
              onResize(w, h);
            } else {
              s->form->setRectTwips(TwipsRect{s->form->rectTwips().left, s->form->rectTwips().top,
                                              driver_.twips(w), driver_.twips(h)});
            }
          }
          break;
        }
        default:
          break;
      }
      s->dirty = true;
      return;
    }
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      // The buttons held are counted over every window, also where the input is dropped: a
      // button held down in one window is still held when another one is pressed.
      const int16_t before = heldButtons_;
      int16_t b = 0;
      if (e.type == SDL_MOUSEMOTION) {
        heldButtons_ = buttonMask(e.motion.state);
      } else {
        b = mouseButton(e.button.button);
        if (b == 0) return;
        heldButtons_ = static_cast<int16_t>(e.type == SDL_MOUSEBUTTONDOWN ? heldButtons_ | b
                                                                          : heldButtons_ & ~b);
      }
      // While a modal form is up, only its window takes input.
      WindowSlot* s = slotOf(e.type == SDL_MOUSEMOTION ? e.motion.windowID : e.button.windowID);
      if (!s || s != active) return;
      Form& form = *s->form;
      const int16_t mods = shiftMask(static_cast<uint16_t>(SDL_GetModState()));
      if (e.type == SDL_MOUSEMOTION) {
        driver_.mouseMove(form, e.motion.x, e.motion.y, mods, heldButtons_);
      } else if (e.type == SDL_MOUSEBUTTONDOWN) {
        driver_.mouseDown(form, e.button.x, e.button.y, b, mods, before);
      } else {
        driver_.mouseUp(form, e.button.x, e.button.y, b, mods, before);
      }
      markAllDirty();
      return;
    }
    case SDL_MOUSEWHEEL: {
      WindowSlot* s = slotOf(e.wheel.windowID);
      if (!s || s != active || s != slots_.front().get() || !onWheel) return;
      int steps = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      if (steps != 0) onWheel(steps);
      markAllDirty();
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      // Keys for no window of ours (none focused, or a closed one) go to the active one.
      WindowSlot* s = slotOf(e.key.windowID);
      if (!s) s = active;
      if (!s || s != active) return;
      int16_t code = virtualKey(e.key.keysym.sym);
      if (code == 0) return;
      int16_t mods = shiftMask(e.key.keysym.mod);
      if (e.type == SDL_KEYUP) {
        if (consumedKeys_.erase(e.key.keysym.sym) == 0) engine_.keyUp(code, mods);
      } else if (s != slots_.front().get() && code == vk::Escape) {
        s->closed = true;  // Escape closes a modal form, as its close button does
      } else if (s == slots_.front().get() && onKey && onKey(code, mods)) {
        consumedKeys_.insert(e.key.keysym.sym);
      } else {
        engine_.keyDown(code, mods);
      }
      markAllDirty();
      return;
    }
    case SDL_TEXTINPUT: {
      WindowSlot* s = slotOf(e.text.windowID);
      if (!s) s = active;
      if (!s || s != active) return;
      engine_.typeText(e.text.text);
      markAllDirty();
      return;
    }
    default:
      return;
  }
}

void Backend::loopOnce() {
  // Wake for the next timer; otherwise now and then, which costs nothing.
  int64_t wait = driver_.timerWait(0, 500);
  if (wait < 0) wait = 500;
  SDL_Event e;
  if (SDL_WaitEventTimeout(&e, static_cast<int>(wait))) {
    try {
      handle(&e);
      while (!quitRequested_ && SDL_PollEvent(&e)) handle(&e);
    } catch (const Error& err) {
      std::fprintf(stderr, "keloscroll: error %d: %s\n", static_cast<int>(err.number()),
                   err.description().c_str());
    }
  }
  const int64_t due2 = engine_.nextDue();
  if (due2 >= 0 && due2 <= engine_.clock().nowMs()) {
    try {
      engine_.runDueTimers();
    } catch (const Error& err) {
      std::fprintf(stderr, "keloscroll: error %d in a timer: %s\n", static_cast<int>(err.number()),
                   err.description().c_str());
    }
    markAllDirty();
  }
  for (auto& s : slots_) {
    if (s->dirty && !s->closed) present(*s);
  }
}

void Backend::run() {
  if (slots_.empty()) throw std::logic_error("Backend::run: open a window first");
  WindowSlot& main = *slots_.front();
  quitRequested_ = false;  // each run goes until its own quit
  while (!quitRequested_ && !main.closed) loopOnce();
}

void Backend::runModal(Form& form) {
  if (quitRequested_ || slots_.empty()) return;
  // Centred over the window below it, and given to the window system as its dialog.
  WindowSlot& below = *slots_.back();
  int bx = 0, by = 0, bw = 0, bh = 0;
  SDL_GetWindowPosition(below.window, &bx, &by);
  SDL_GetWindowSize(below.window, &bw, &bh);
  int w = driver_.windowWidth(form), h = driver_.windowHeight(form);
  auto slot = std::make_unique<WindowSlot>();
  slot->form = std::static_pointer_cast<Form>(form.shared_from_this());
  slot->window = makeWindow(driver_, form, bx + (bw - w) / 2, by + (bh - h) / 2, 0);
  slot->id = SDL_GetWindowID(slot->window);
  slot->title = form.Caption();
  SDL_SetWindowModalFor(slot->window, below.window);  // where the system supports it
  place(*slot);
  WindowSlot& modal = *slot;
  slots_.push_back(std::move(slot));
  // Until the form is hidden (its own code ends the showing), unloaded, or closed by the user.
  while (!quitRequested_ && !modal.closed && driver_.showing(form)) loopOnce();
  if (modal.closed && driver_.loaded(form)) form.setVisible(false);
  SDL_DestroyWindow(modal.window);
  slots_.pop_back();
  // The keyboard goes back to the window below, as a window manager would give it back.
  SDL_RaiseWindow(below.window);
  SDL_SetWindowInputFocus(below.window);
  markAllDirty();
}

int16_t Backend::messageBox(const std::string& prompt, int32_t buttons) {
  if (onMessage) onMessage(prompt);
  // Drawn by the engine in a modal window of ours, like every other form of the program.
  WindowSlot* parent = top();
  if (!parent || quitRequested_) std::fprintf(stderr, "message box: %s\n", prompt.c_str());
  std::string title = parent ? parent->form->Caption() : std::string("KeloScroll");
  int16_t answer =
      showMessageBox(engine_, title, prompt, buttons, [this](Form& f) { runModal(f); });
  markAllDirty();
  return answer;
}

}  // namespace keloscroll::host::sdl
