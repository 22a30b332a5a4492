// The scaling mode: n bars side by side on one form, and what each operation costs as n grows.
#include "modes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bars.h"

namespace bench {

// n bars side by side on one form, 100 to a row. Every figure but the first and the last is about
// one bar, the first made (the one at the back, which a front-to-back search reaches last), so
// that a row that grows with n shows work that walks the other bars.
struct ScalingRow {
  long n = 0;
  double createNs = 0;    // per bar, site to Show
  double valueNs = 0;     // one Value write on the first bar
  double pressUs = 0;     // down on its lower end button, 300 ms held, up (virtual clock)
  double eachOnceUs = 0;  // every bar pressed once in turn, on a fresh form (eachPressedOnceUs)
  double destroyNs = 0;   // per bar, in creation order
  double bytes = 0;       // heap growth per bar
};

// n bars placed as in scalingRow, then every bar pressed once in turn, each press adding that
// bar's tooltip box to the form: µs per press. Below 100 bars the pattern runs on fresh forms
// until 100 presses are timed, so that the one-bar row is not a single sample.
double eachPressedOnceUs(long n) {
  double total = 0;
  long timed = 0;
  while (timed < 100) {
    FormOnEngine f;
    std::vector<Placed> bars = placeBars(f, n);
    for (Placed& p : bars) total += press(f, p);
    timed += n;
  }
  return total / static_cast<double>(timed) / 1000.0;
}

ScalingRow scalingRow(long n) {
  constexpr long kPerRow = 100;
  ScalingRow row;
  row.n = n;
  FormOnEngine f;
  f.form->setWidth(static_cast<float>(static_cast<double>(std::min(n, kPerRow)) * kBarWidth));
  f.form->setHeight(
      static_cast<float>(static_cast<double>((n + kPerRow - 1) / kPerRow) * kBarHeight));
  std::vector<Placed> bars;
  bars.reserve(static_cast<size_t>(n));
  { Placed warm(f.engine, *f.form, "KeloScrollWarm"); }
  malloc_trim(0);
  long h0 = anchor::heap_bytes();
  auto t0 = anchor::Clock::now();
  for (long i = 0; i < n; i++) {
    Placed& p = bars.emplace_back(f.engine, *f.form, "KeloScroll" + std::to_string(i));
    p.site->surface().setLeft(static_cast<float>(static_cast<double>(i % kPerRow) * kBarWidth));
    p.site->surface().setTop(static_cast<float>(static_cast<double>(i / kPerRow) * kBarHeight));
  }
  row.createNs = nsSince(t0) / static_cast<double>(n);
  row.bytes = static_cast<double>(anchor::heap_bytes() - h0) / static_cast<double>(n);

  // Value writes on the first bar.
  UsrKeloScroll& first = *bars.front().ctl;
  constexpr long kWrites = 200000;
  first.setValue(kMiddle);
  t0 = anchor::Clock::now();
  for (long i = 0; i < kWrites; i++) first.setValue(nextValue());
  row.valueNs = nsSince(t0) / kWrites;

  first.setValue(kMiddle);
  press(f, bars.front());  // makes its tooltip box
  constexpr long kPresses = 300;
  double total = 0;
  for (long i = 0; i < kPresses; i++) {
    if (i % 50 == 0) first.setValue(kMiddle);  // far from the end of the range
    total += press(f, bars.front());
  }
  row.pressUs = total / kPresses / 1000.0;

  t0 = anchor::Clock::now();
  bars.clear();
  row.destroyNs = nsSince(t0) / static_cast<double>(n);
  return row;
}

int scalingMain(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 0; i < argc; i++) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {1, 10, 100, 1000, 10000};
  std::printf("%8s %12s %12s %12s %14s %12s %10s\n", "bars", "create ns", "Value ns", "press us",
              "each once us", "destroy ns", "bytes");
  for (long n : sizes) {
    if (n < 1) {
      std::fprintf(stderr, "keloscroll_bench: scaling needs at least one bar\n");
      return 2;
    }
    ScalingRow r = scalingRow(n);
    r.eachOnceUs = eachPressedOnceUs(n);
    std::printf("%8ld %12.0f %12.1f %12.2f %14.2f %12.0f %10.0f\n", r.n, r.createNs, r.valueNs,
                r.pressUs, r.eachOnceUs, r.destroyNs, r.bytes);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace bench
