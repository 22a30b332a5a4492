// A program of its own that uses an installed KeloScroll: a list of 200 rows browsed by one bar,
// played on the headless form engine with a virtual clock. The keyboard pages through the list,
// the bar's tooltip names the row under the thumb, and the bar is saved and restored.
// (A new bar's thumb stands before the first position, Value 0, until the host sets one.)
//   keloscroll-consumer [PNG]    also renders the form to PNG
// Prints what happened; exits with 1 when the bar did not do what a host relies on.
#include <keloscroll/ScrollBar.h>

#include <iostream>
#include <string>

#include "host/cairo/cairo_painter.h"

int main(int argc, char** argv) {
  keloscroll::host::VirtualClock clock;
  keloscroll::host::FormEngine engine(clock);
  auto form = engine.createForm("List");
  form->setRectTwips({0, 0, 4800, 3600});

  keloscroll::ScrollBar bar(*form, "Rows", {4500, 0, 300, 3600});
  bar.setMax(200);
  bar.setLargeChange(20);
  int32_t top = 0;
  bar.onChange([&](int32_t row) { top = row; });
  bar.onGetDescription([&](std::string& text) { text = "row " + std::to_string(bar.value()); });

  bar.setValue(1);
  bar.focus();
  for (int i = 0; i < 3; ++i) {  // a key every half second, as a user would press them
    engine.keyDown(keloscroll::host::vk::PageDown);
    engine.keyUp(keloscroll::host::vk::PageDown);
    engine.advance(500);
  }
  std::cout << "after three pages: value " << bar.value() << ", first row shown " << top
            << ", tooltip \"" << bar.description() << "\"\n";

  keloscroll::host::PropertyBag saved = bar.save();
  keloscroll::ScrollBar restored(*form, "Restored", {4200, 0, 300, 3600}, saved);
  std::cout << "restored: value " << restored.value() << " of " << restored.max() << '\n';

  if (argc > 1) keloscroll::host::writePng(*form, argv[1]);
  const bool ok = bar.value() == 61 && top == 61 && bar.description() == "row 61" &&
                  restored.value() == 61 && restored.max() == 200;
  std::cout << (ok ? "ok" : "FAILED") << '\n';
  return ok ? 0 : 1;
}
