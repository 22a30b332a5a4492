// keloscroll-demo: a text viewer whose KeloScroll bars browse a file, in a real window (SDL2) when
// there is a display, otherwise as a scripted session on the headless engine that writes PNG
// screenshots. docs/demo.md describes it.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/demo/component.h"
#include "app/demo/designer.h"
#include "app/demo/layout.h"
#include "app/demo/session.h"
#include "app/demo/viewer.h"
#include "host/clock.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/sdl/sdl_backend.h"

namespace {

using keloscroll::demo::Designer;
using keloscroll::demo::TextDocument;
using keloscroll::demo::Viewer;

constexpr const char* kUsage =
    "usage: keloscroll-demo [FILE] [--designer] [--form PATH] [--shots DIR]\n"
    "                       [--headless | --window] [--quit-after MS]\n"
    "  FILE            the text to browse (default: the bundled sample)\n"
    "  --designer      the window shows the form designer instead of the text\n"
    "  --form PATH     where Ctrl+S saves the form and Ctrl+O loads it\n"
    "                  (default: ~/.keloscroll-demo.json, the designer's\n"
    "                  ~/.keloscroll-designer.json)\n"
    "  --shots DIR     where screenshots go (default: /tmp/keloscroll-demo)\n"
    "  --headless      play the scripted session without a window, writing screenshots\n"
    "  --window        open a window even when no display variable is set\n"
    "  --quit-after MS close the window after MS milliseconds, saving DIR/window.png first\n"
    "In the window: F1 about box, F4 property page, Ctrl+S save, Ctrl+O load, F12 screenshot,\n"
    "Esc quit; the bars, the mouse wheel and the arrow and page keys scroll. The designer:\n"
    "Insert adds a bar, drag to move, handles size, Del, Ctrl+Z, F4, F1, F5 run/design.\n";

struct Options {
  std::string file;
  std::string formPath;
  std::string shots = "/tmp/keloscroll-demo";
  bool headless = false;
  bool window = false;
  bool designer = false;
  int quitAfterMs = 0;
};

std::optional<Options> parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* name) -> std::optional<std::string> {
      if (i + 1 >= argc) {
        std::cerr << "keloscroll-demo: " << name << " needs a value\n" << kUsage;
        return std::nullopt;
      }
      return std::string(argv[++i]);
    };
    if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      std::exit(0);
    } else if (a == "--form") {
      auto v = value("--form");
      if (!v) return std::nullopt;
      o.formPath = *v;
    } else if (a == "--shots") {
      auto v = value("--shots");
      if (!v) return std::nullopt;
      o.shots = *v;
    } else if (a == "--designer") {
      o.designer = true;
    } else if (a == "--headless") {
      o.headless = true;
    } else if (a == "--window") {
      o.window = true;
    } else if (a == "--quit-after") {
      auto v = value("--quit-after");
      if (!v) return std::nullopt;
      try {
        o.quitAfterMs = std::stoi(*v);
      } catch (const std::exception&) {
        o.quitAfterMs = -1;
      }
      if (o.quitAfterMs <= 0) {
        std::cerr << "keloscroll-demo: --quit-after takes a number of milliseconds\n";
        return std::nullopt;
      }
    } else if (!a.empty() && a[0] == '-') {
      std::cerr << "keloscroll-demo: unknown option " << a << '\n' << kUsage;
      return std::nullopt;
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      std::cerr << "keloscroll-demo: one FILE only\n" << kUsage;
      return std::nullopt;
    }
  }
  if (o.headless && o.window) {
    std::cerr << "keloscroll-demo: --headless or --window, not both\n";
    return std::nullopt;
  }
  if (o.formPath.empty()) {
    const char* home = std::getenv("HOME");
    o.formPath = std::string(home && *home ? home : ".") +
                 (o.designer ? "/.keloscroll-designer.json" : "/.keloscroll-demo.json");
  }
  return o;
}

// The bundled sample: installed beside the program (bin/../share/keloscroll), else in the sources
// it was built from.
std::string samplePath() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    std::filesystem::path installed = self.parent_path() / KELO_DEMO_SAMPLE_INSTALLED;
    if (std::filesystem::is_regular_file(installed, ec)) return installed.lexically_normal();
  }
  return KELO_DEMO_SAMPLE;
}

std::optional<TextDocument> document(const Options& o) {
  try {
    if (!o.file.empty()) return keloscroll::demo::loadDocument(o.file);
    return keloscroll::demo::loadDocument(samplePath());
  } catch (const std::exception& e) {
    std::cerr << "keloscroll-demo: " << e.what() << '\n';
    return std::nullopt;
  }
}

bool displayLikely() {
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* s = std::getenv(v);
    if (s && *s) return true;
  }
  return false;
}

Uint32 pushQuit(Uint32, void*) {
  SDL_Event e{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  return 0;
}

// A window on a display for the engine, or null when there is none (the reason on stderr).
std::unique_ptr<keloscroll::host::sdl::Backend> openBackend(keloscroll::host::FormEngine& engine) {
  std::unique_ptr<keloscroll::host::sdl::Backend> backend;
  try {
    backend = std::make_unique<keloscroll::host::sdl::Backend>(engine);
  } catch (const std::exception& e) {
    std::cerr << "keloscroll-demo: no window (" << e.what() << ")\n";
    return nullptr;
  }
  // Without a display SDL may still start a driver that shows nothing (offscreen, KMS on a
  // console without a screen): a window there would wait for input that never comes.
  const char* driver = SDL_GetCurrentVideoDriver();
  std::string driverName = driver ? driver : "";
  bool visible = driverName == "x11" || driverName == "wayland" || driverName == "windows" ||
                 driverName == "cocoa";
  if (!visible && !std::getenv("SDL_VIDEODRIVER")) {
    std::cerr << "keloscroll-demo: no display to show a window on (SDL's video driver is '"
              << driverName
              << "'); set DISPLAY, run under xvfb-run, or leave out --window to play headless\n";
    return nullptr;
  }
  return backend;
}

// The viewer's or the designer's form in the window, until it quits. Returns nullopt when the
// window cannot be opened.
template <class App>
std::optional<int> runApp(const Options& o, keloscroll::host::sdl::Backend& backend, App& app,
                          const std::string& shown) {
  app.formPath = o.formPath;
  app.onLog = [](const std::string& line) { std::cout << line << std::endl; };
  for (const std::string& line : app.log().lines()) std::cout << line << '\n';
  try {
    backend.open(app.form());
  } catch (const std::exception& e) {
    std::cerr << "keloscroll-demo: no window (" << e.what() << ")\n";
    return std::nullopt;
  }
  int shotCount = 0;
  auto windowShot = [&](const std::string& name) {
    std::string path = (std::filesystem::path(o.shots) / name).string();
    try {
      std::filesystem::create_directories(o.shots);
      backend.snapshot().writePng(path);
      app.note("screenshot of the window: " + path);
    } catch (const std::exception& e) {
      app.note(std::string("screenshot failed: ") + e.what());
    }
  };
  backend.onKey = [&](int16_t code, int16_t shift) {
    if (code == keloscroll::host::vk::F1 + 11 && shift == 0) {
      windowShot("window-" + std::to_string(++shotCount) + ".png");
      return true;
    }
    return app.handleKey(code, shift);
  };
  backend.onResize = [&](int w, int h) {
    keloscroll::host::Dpi dpi = app.form().dpi();
    app.resize(keloscroll::demo::layoutPixels(w, dpi), keloscroll::demo::layoutPixels(h, dpi));
  };
  backend.onWheel = [&](int steps) { app.wheel(steps); };
  app.onQuit = [&] { backend.quit(); };
  if (o.quitAfterMs > 0) {
    SDL_InitSubSystem(SDL_INIT_TIMER);
    SDL_AddTimer(static_cast<Uint32>(o.quitAfterMs), pushQuit, nullptr);
  }
  std::cout << "keloscroll-demo: a window shows " << shown << " (form file " << o.formPath
            << "); Esc quits\n";
  backend.run();
  if (o.quitAfterMs > 0) windowShot("window.png");
  return 0;
}

// The window. Returns nullopt when no window can be opened (the caller plays headless).
std::optional<int> runWindow(const Options& o, const TextDocument& doc) {
  keloscroll::host::SystemClock clock;
  keloscroll::host::FormEngine engine(clock);
  std::unique_ptr<keloscroll::host::sdl::Backend> backend = openBackend(engine);
  if (!backend) return std::nullopt;
  if (o.designer) {
    Designer designer(engine);
    return runApp(o, *backend, designer, "the form designer");
  }
  Viewer viewer(engine, doc);
  return runApp(o, *backend, viewer, doc.path);
}

// The demo registers its component library in a registry of its own, so that it never rewrites
// the one a user's other containers read (~/.keloscroll/registry.json); $KELO_REGISTRY chooses
// another. It says which file it uses.
void useOwnRegistry() {
  const char* chosen = std::getenv("KELO_REGISTRY");
  if (!chosen || !*chosen) {
    const char* home = std::getenv("HOME");
    const std::filesystem::path own =
        std::filesystem::path(home && *home ? home : ".") / ".keloscroll" / "demo-registry.json";
    ::setenv("KELO_REGISTRY", own.c_str(), 1);
  }
  std::cerr << "keloscroll-demo: the component library is registered in "
            << keloscroll::demo::registryFile().string() << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Options> o = parse(argc, argv);
  if (!o) return 2;
  std::optional<TextDocument> doc = document(*o);
  if (!doc) return 1;
  useOwnRegistry();
  try {
    if (!o->headless && (o->window || displayLikely())) {
      if (std::optional<int> status = runWindow(*o, *doc)) return *status;
      if (o->window) return 1;
      std::cerr << "keloscroll-demo: playing the scripted session headless instead\n";
    } else if (!o->headless) {
      std::cerr << "keloscroll-demo: no display (DISPLAY and WAYLAND_DISPLAY are unset): "
                   "playing the scripted session headless\n";
    }
    keloscroll::demo::SessionOptions s;
    s.document = *doc;
    s.shotsDir = o->shots;
    s.formPath = (std::filesystem::path(o->shots) / "session-form.json").string();
    keloscroll::demo::playSession(s, std::cout);
    std::cout << "the session's form was saved to " << s.formPath << '\n';
    return 0;
  } catch (const keloscroll::host::Error& e) {
    std::cerr << "keloscroll-demo: error " << e.number() << ": " << e.description() << '\n';
  } catch (const std::exception& e) {
    std::cerr << "keloscroll-demo: " << e.what() << '\n';
  }
  return 1;
}
