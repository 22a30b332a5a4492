// The smallest host of a KeloScroll bar: a window with one bar whose tooltip names the row under
// the thumb while you drag it.
//   keloscroll-minimal              a window (closing it quits)
//   keloscroll-minimal --png FILE   renders one frame to FILE and exits; so does a run without a
//                                   display, to minimal.png
#include <keloscroll/ScrollBar.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "host/cairo/cairo_painter.h"
#include "host/sdl/sdl_backend.h"
#include "host/units.h"

int main(int argc, char** argv) {
  const bool png = argc == 3 && std::string(argv[1]) == "--png";
  const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  keloscroll::host::SystemClock clock;
  keloscroll::host::FormEngine engine(clock);
  auto form = engine.createForm("Main");
  form->setCaption("KeloScroll");
  // Laid out in pixels of a classic 96 dpi screen; in twips, it keeps its size at any density.
  auto px = [](int pixels) {
    return static_cast<float>(keloscroll::host::twipsOf(pixels, keloscroll::host::kClassicDpi));
  };
  form->setRectTwips({0, 0, px(320), px(240)});
  keloscroll::ScrollBar bar(*form, "Rows", {px(300), 0, px(20), px(240)});
  bar.setMax(1000);
  bar.setLargeChange(25);
  bar.onGetDescription([&](std::string& text) { text = "row " + std::to_string(bar.value()); });
  bar.onChange([](int32_t row) { std::cout << "row " << row << '\n'; });
  bar.focus();
  if (!png && display) {
    keloscroll::host::sdl::Backend window(engine);
    window.open(*form);
    window.run();
    return 0;
  }
  keloscroll::host::writePng(*form, png ? argv[2] : "minimal.png");
  std::cout << "wrote " << (png ? argv[2] : "minimal.png") << '\n';
  return 0;
}
