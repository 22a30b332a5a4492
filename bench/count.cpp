// The count mode: n operations of one row and nothing else, for instruction counts. Run under
// callgrind with two values of n, the difference of the totals over the difference of n is the
// row's instructions per operation, which the machine's load does not change:
//   valgrind --tool=callgrind keloscroll_bench count click 1000   (and 11000)
// The row "eachonce" places n bars on one form and presses each once in turn (as the scaling
// mode's "each once" pattern; at least 100 presses); count the presses alone with
//   valgrind --tool=callgrind --toggle-collect='bench::pressEachOnce*' keloscroll_bench count
//   eachonce 10000
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "bars.h"
#include "host/cairo/cairo_painter.h"
#include "host/render.h"
#include "modes.h"

namespace bench {

// Not inlined, so that callgrind can count it alone.
[[gnu::noinline]] void pressEachOnce(FormOnEngine& f, std::vector<Placed>& bars) {
  for (Placed& p : bars) press(f, p);
}

int countMain(int argc, char** argv) {
  std::string_view row = argc > 0 ? argv[0] : "";
  long n = argc > 1 ? std::atol(argv[1]) : 1000;
  OneBar b;
  keloscroll::UsrKeloScroll& ctl = *b.bar.ctl;
  ctl.setValue(kMiddle);
  if (row == "setValue") {
    for (long i = 0; i < n; i++) {
      ctl.setValue(nextValue());
      b.maybeDropRecords(i);
    }
  } else if (row == "paint") {  // a Value write and a repaint of a form the bar's size
    b.form->setWidth(kBarWidth);
    b.form->setHeight(kBarHeight);
    keloscroll::host::Canvas image(16, 240);
    keloscroll::host::CairoPainter painter(image);
    for (long i = 0; i < n; i++) {
      ctl.setValue(nextValue());
      keloscroll::host::paintForm(*b.form, painter);
      b.maybeDropRecords(i);
    }
  } else if (row == "click") {
    for (long i = 0; i < n; i++) {
      b.trackClick(i & 1);
      b.maybeDropRecords(i);
    }
  } else if (row == "drag") {
    double y0 = b.pressThumb();
    for (long i = 0; i < n; i++) {
      b.dragMove(i, y0);
      b.maybeDropRecords(i);
    }
    b.engine.mouseUp(*b.form, b.trackCentreX(), y0, keloscroll::host::mouse::Left);
  } else if (row == "ctor") {
    for (long i = 0; i < n; i++) {
      Placed p(b.engine, *b.form, "KeloScroll2");
      anchor::g_sink = anchor::g_sink + p.ctl->Value();
    }
  } else if (row == "press") {  // the scaling mode's end-button press on a one-bar form
    for (long i = 0; i < n; i++) {
      if (i % 50 == 0) ctl.setValue(kMiddle);
      press(b, b.bar);
    }
  } else if (row == "eachonce") {  // below 100 bars, on fresh forms until 100 presses are made
    {
      // The first press anywhere loads the tooltip's font once for the process: left out.
      FormOnEngine warm;
      std::vector<Placed> one = placeBars(warm, 1);
      press(warm, one.front());
    }
    for (long pressed = 0; pressed < 100; pressed += n) {
      FormOnEngine f;
      std::vector<Placed> bars = placeBars(f, n);
      pressEachOnce(f, bars);
    }
  } else {
    std::fprintf(stderr,
                 "usage: keloscroll_bench count setValue|paint|click|drag|ctor|press|eachonce "
                 "[n=1000]\n");
    return 2;
  }
  std::printf("COUNT %.*s %ld value %d\n", static_cast<int>(row.size()), row.data(), n,
              ctl.Value());
  return 0;
}

}  // namespace bench
