// The SDL2 window backend: how SDL's keys, modifiers, buttons and pixels become the host's, and
// the backend itself on SDL's dummy video driver (no display needed): a window for the demo's
// form, synthetic SDL events pushed into its loop, the modal loop of the about box, resizing, text
// entry, and what the window shows.
#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/demo/viewer.h"
#include "host/cairo/cairo_painter.h"
#include "host/clock.h"
#include "host/engine.h"
#include "host/render.h"
#include "host/sdl/sdl_backend.h"
#include "own_registry.h"

namespace keloscroll::host::sdl {
namespace {

// ---- mapping --------------------------------------------------------------------------------

TEST(SdlMapping, KeysBecomeTheHostsKeyCodes) {
  const auto table = nlohmann::json::parse(std::ifstream(KELO_APP_TESTS "/sdl_keys.json"));
  for (const auto& key : table.at("keys")) {
    const SDL_Keycode sdl = SDL_GetKeyFromName(key[0].get<std::string>().c_str());
    EXPECT_TRUE(sdl != SDLK_UNKNOWN || key[0] == "") << key;
    EXPECT_EQ(virtualKey(sdl), key[1]) << key;
  }
}

TEST(SdlMapping, ModifiersButtonsAndPixels) {
  const std::pair<uint16_t, int16_t> mods[] = {{KMOD_NONE, 0},
                                               {KMOD_LSHIFT, 1},
                                               {KMOD_RSHIFT, 1},
                                               {KMOD_LCTRL, 2},
                                               {KMOD_RCTRL, 2},
                                               {KMOD_LALT, 4},
                                               {KMOD_RALT, 4},
                                               {KMOD_LSHIFT | KMOD_RCTRL, 3},
                                               {KMOD_LCTRL | KMOD_LALT, 6},
                                               {KMOD_SHIFT | KMOD_CTRL | KMOD_ALT, 7},
                                               {KMOD_NUM | KMOD_CAPS | KMOD_GUI, 0},
                                               {KMOD_NUM | KMOD_LSHIFT, 1}};
  for (auto [sdl, host] : mods) EXPECT_EQ(shiftMask(sdl), host) << sdl;
  EXPECT_EQ(mouseButton(SDL_BUTTON_LEFT), 1);
  EXPECT_EQ(mouseButton(SDL_BUTTON_RIGHT), 2);
  EXPECT_EQ(mouseButton(SDL_BUTTON_MIDDLE), 4);
  EXPECT_EQ(mouseButton(SDL_BUTTON_X1), 0);
  EXPECT_EQ(mouseButton(SDL_BUTTON_X2), 0);
  EXPECT_EQ(buttonMask(SDL_BUTTON_LMASK | SDL_BUTTON_RMASK), 3);
  EXPECT_EQ(buttonMask(SDL_BUTTON_MMASK | SDL_BUTTON_X1MASK), 4);
  const std::pair<double, int32_t> densities[] = {{0, 96},    {72, 96},   {108, 96},
                                                  {110, 120}, {144, 144}, {190.5, 192}};
  for (auto [reported, dpi] : densities) EXPECT_EQ(displayDensity(reported).value(), dpi);
}

// ---- the backend on the dummy video driver --------------------------------------------------

class SdlWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    // Never a real window from a test, whatever display there is.
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    try {
      backend = std::make_unique<Backend>(engine);
    } catch (const std::exception& e) {
      GTEST_SKIP() << "SDL's dummy video driver is not available: " << e.what();
    }
    std::string text;
    for (int i = 1; i <= 120; ++i) text += "line " + std::to_string(i) + " of the text\n";
    viewer = std::make_unique<keloscroll::demo::Viewer>(
        engine, keloscroll::demo::makeDocument("t.txt", text));
    backend->onKey = [this](int16_t code, int16_t shift) { return viewer->handleKey(code, shift); };
    backend->open(viewer->form());
    id = backend->mainWindowId();
  }

  void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
  void button(uint32_t type, const Widget& w, uint8_t button = SDL_BUTTON_LEFT) {
    const PixelRect r = pixelRect(w);
    const auto state =
        static_cast<uint8_t>(type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED);
    SDL_Event e{};
    e.button = {type, 0, id, 0, button, state, 1, 0, r.left + r.width / 2, r.top + r.height / 2};
    push(e);
  }
  void click(const Widget& w) {
    button(SDL_MOUSEBUTTONDOWN, w);
    button(SDL_MOUSEBUTTONUP, w);
  }
  void key(SDL_Keycode code, bool up = true) {
    SDL_Event e{};
    e.key = {SDL_KEYDOWN, 0, id, SDL_PRESSED, 0, 0, 0, {SDL_SCANCODE_UNKNOWN, code, 0, 0}};
    push(e);
    e.key.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    if (up) push(e);
  }
  void window(uint8_t event, int32_t a = 0, int32_t b = 0) {
    SDL_Event e{};
    e.window = {SDL_WINDOWEVENT, 0, id, event, 0, 0, 0, a, b};
    push(e);
  }
  // Runs the loop over the events pushed, to a quit after them.
  void run() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    push(e);
    backend->run();
  }
  int32_t value(Dispatch& bar) { return bar.get("Value").asLong(); }
  Widget& part(const char* name) { return viewer->part(keloscroll::demo::Viewer::kLinesBar, name); }

  SystemClock clock;
  FormEngine engine{clock};
  std::unique_ptr<Backend> backend;
  std::unique_ptr<keloscroll::demo::Viewer> viewer;
  uint32_t id = 0;
};

// The form's screen place is the window's, so that window rectangles match the pointer: a press
// on the lower end button lands inside its rectangle (which the button's repeat checks) and
// steps the bar; SDL_QUIT ends the loop; the window shows the engine's painting of the form.
TEST_F(SdlWindow, APressOnTheLowerEndButtonStepsTheBarWhereTheWindowShowsIt) {
  ASSERT_NE(id, 0u);
  ASSERT_EQ(value(viewer->lines()), 1);
  int x = 0, y = 0;
  SDL_GetWindowPosition(SDL_GetWindowFromID(id), &x, &y);
  EXPECT_EQ(viewer->form().screenLeftTwips, x * 15.0);
  EXPECT_EQ(viewer->form().screenTopTwips, y * 15.0);
  Widget& button = part("cmdDXDN");
  Rect r = engine.GetWindowRect(button.get("hwnd").asLong());
  PixelRect p = pixelRect(button);
  EXPECT_EQ(r.left, x + p.left);
  EXPECT_EQ(r.top, y + p.top);
  click(button);
  run();
  EXPECT_TRUE(backend->quitRequested());
  EXPECT_NE(PtInRect(r, engine.GetCursorPos()), 0);
  // One step at the press; a slow machine may have let the repeat add one before the release.
  EXPECT_GE(value(viewer->lines()), 2);
  EXPECT_LE(value(viewer->lines()), 3);
  EXPECT_EQ(viewer->topLine(), value(viewer->lines()));
  EXPECT_EQ(engine.capture(), nullptr);

  Canvas shown = backend->snapshot();
  Canvas painted = renderForm(viewer->form());
  ASSERT_EQ(shown.width(), painted.width());
  ASSERT_EQ(shown.height(), painted.height());
  int differ = 0;
  for (int py = 0; py < shown.height(); ++py)
    for (int px = 0; px < shown.width(); ++px)
      differ += shown.pixel(px, py) != painted.pixel(px, py);
  EXPECT_EQ(differ, 0);

  // The window moves: the form follows.
  window(SDL_WINDOWEVENT_MOVED, 100, 50);
  SDL_SetWindowPosition(SDL_GetWindowFromID(id), 100, 50);
  run();
  SDL_GetWindowPosition(SDL_GetWindowFromID(id), &x, &y);
  EXPECT_EQ(viewer->form().screenLeftTwips, x * 15.0);
}

TEST_F(SdlWindow, KeysGoToTheFocusedBarAndTheDemosKeysToTheHook) {
  key(SDLK_END);
  key(SDLK_UP);
  run();
  EXPECT_EQ(value(viewer->lines()), 119);

  // F1: the about box in a window of its own, with its own loop. The main window takes no input
  // while it is up (this press on the upper button is dropped); SDL_QUIT ends both loops.
  key(SDLK_F1, false);
  click(part("cmdSxUp"));
  run();
  ASSERT_FALSE(engine.shown().empty());
  EXPECT_EQ(engine.shown().back().kind, "modal");
  EXPECT_EQ(engine.shown().back().name, "dlgAbout");
  EXPECT_EQ(engine.findForm("dlgAbout"), nullptr);  // unloaded after its showing
  EXPECT_EQ(value(viewer->lines()), 119);
  EXPECT_EQ(engine.capture(), nullptr);

  // Escape is the demo's: it quits through the viewer's hook. The keys set the bar's Value, so
  // the form has unsaved changes and the viewer asks first (answered here: No, quit anyway).
  bool quit = false;
  viewer->onQuit = [&] {
    quit = true;
    backend->quit();
  };
  int asked = 0;
  engine.setMsgBoxPolicy([&](const std::string&, int32_t) -> int16_t { return ++asked, 7; });
  key(SDLK_ESCAPE, false);
  backend->run();
  EXPECT_TRUE(quit);
  EXPECT_EQ(asked, 1);
}

// Every button held comes with a mouse event; text input goes to the focused text box; resizing
// the window lays the form out, and closing it ends the loop.
TEST_F(SdlWindow, MouseTextAndWindowEventsReachTheForm) {
  auto probe = viewer->form().add<Label>("Probe");
  probe->Move(0, 0, 1500, 300);
  std::vector<int> seen;
  probe->on().MouseDown = [&](int16_t b, int16_t, float, float) { seen.push_back(b); };
  probe->on().MouseUp = [&](int16_t b, int16_t, float, float) { seen.push_back(-b); };
  button(SDL_MOUSEBUTTONDOWN, *probe, SDL_BUTTON_LEFT);
  button(SDL_MOUSEBUTTONDOWN, *probe, SDL_BUTTON_RIGHT);
  button(SDL_MOUSEBUTTONUP, *probe, SDL_BUTTON_LEFT);
  button(SDL_MOUSEBUTTONUP, *probe, SDL_BUTTON_RIGHT);
  auto box = viewer->form().add<TextBox>("Txt");
  box->Move(0, 400, 1500, 300);
  engine.setFocus(*box);
  SDL_Event e{};
  e.text.type = SDL_TEXTINPUT;
  e.text.windowID = id;
  SDL_strlcpy(e.text.text, "h\u00e9!", sizeof e.text.text);
  push(e);
  key(SDLK_BACKSPACE);
  backend->onResize = [this](int w, int h) { viewer->resize(w, h); };
  window(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600);
  window(SDL_WINDOWEVENT_CLOSE);
  backend->run();
  EXPECT_EQ(seen, (std::vector<int>{1, 3, -3, -2}));
  EXPECT_EQ(box->Text(), "h\u00e9");
  EXPECT_EQ(viewer->width(), 800);
  EXPECT_EQ(viewer->height(), 600);
  EXPECT_EQ(viewer->form().rectTwips().width, 800 * 15.0);
}

}  // namespace
}  // namespace keloscroll::host::sdl
