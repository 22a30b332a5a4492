// keloscroll_bench: speed and memory of the control UsrKeloScroll on the headless form engine.
//
//   keloscroll_bench [Google Benchmark flags]   BM_SetValue, BM_SetValueAndPaint,
//                                               BM_PixelCopyFloor, BM_DragMove,
//                                               BM_TrackClick, BM_ConstructDestroy,
//                                               BM_SetMaxRescale, BM_KeyStep, BM_SiteRecordChange
//   keloscroll_bench anchor timing [reps=7]     rows a, b, c, e of the peer baselines
//   keloscroll_bench anchor mem hidden [n=10000]   row d: RSS and heap growth per instance
//   keloscroll_bench scaling [n ...]           one form with n bars (1 to 10,000 unless given):
//                                               create, Value write, end-button press (one bar
//                                               again and again; every bar once), destroy, heap
//                                               bytes per bar (scaling.cpp)
//   keloscroll_bench count <row> [n=1000]      n operations of one row, for instruction counts
//                                               (count.cpp)
//
// The anchor mode measures the way the Qt and GTK scroll-bar baselines do (anchor_harness.h) and
// prints their metric names, so that one summary lists ours beside theirs. The bar is placed as
// theirs: vertical, 16 x 240 pixels, positions 1 to 200000, a page of 6; the host gives it an
// event sink that only counts the events, like a form without handlers.
//
// The site runs as a real host runs it (the Windows control, the demo's long sessions): without
// the records of raised events and PropertyChanged calls that tests and the scenario runner read.
// BM_SiteRecordChange and the row x.site_records measure that recording alone, on a site that
// records; the loops drop its records every kRecordBatch operations. The shown rows of the
// baselines have a counterpart only in +render_to_image, which paints the bar's form to an image.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "anchor_harness.h"
#include "bars.h"
#include "control/UsrKeloScroll.h"
#include "host/cairo/cairo_painter.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/render.h"
#include "host/variant.h"
#include "host/widgets.h"
#include "modes.h"

namespace {

using namespace bench;
using keloscroll::UsrKeloScroll;

// ---- Google Benchmark cases ----------------------------------------------------------------

void BM_SetValue(benchmark::State& state) {
  OneBar b;
  b.bar.ctl->setValue(kMiddle);
  long i = 0;
  for (auto _ : state) {
    b.bar.ctl->setValue(nextValue());
    b.maybeDropRecords(i++);
  }
  benchmark::DoNotOptimize(b.bar.ctl->Value());
}
BENCHMARK(BM_SetValue);

// A Value write and a repaint of the bar's form into one reused image, as a shown bar costs.
void BM_SetValueAndPaint(benchmark::State& state) {
  OneBar b;
  b.form->setWidth(kBarWidth);
  b.form->setHeight(kBarHeight);
  keloscroll::host::Canvas image(16, 240);
  keloscroll::host::CairoPainter painter(image);
  long i = 0;
  for (auto _ : state) {
    b.bar.ctl->setValue(nextValue());
    keloscroll::host::paintForm(*b.form, painter);
    b.maybeDropRecords(i++);
  }
  benchmark::DoNotOptimize(image.pixel(8, 120));
}
BENCHMARK(BM_SetValueAndPaint);

// The floor under a repaint on this machine: copying the bar's 16 x 240 pixels (15 KB) once.
void BM_PixelCopyFloor(benchmark::State& state) {
  std::vector<uint32_t> from(16 * 240, 0xffdfdfdf), to(16 * 240);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(to.data());
}
BENCHMARK(BM_PixelCopyFloor);

void BM_DragMove(benchmark::State& state) {
  OneBar b;
  b.bar.ctl->setValue(kMiddle);
  double y0 = b.pressThumb();
  long i = 0;
  for (auto _ : state) {
    b.dragMove(i, y0);
    b.maybeDropRecords(i++);
  }
  b.engine.mouseUp(*b.form, b.trackCentreX(), y0, keloscroll::host::mouse::Left);
  benchmark::DoNotOptimize(b.bar.ctl->Value());
}
BENCHMARK(BM_DragMove);

void BM_TrackClick(benchmark::State& state) {
  OneBar b;
  b.bar.ctl->setValue(kMiddle);
  long i = 0;
  for (auto _ : state) {
    b.trackClick(i & 1);
    b.maybeDropRecords(i++);
  }
  benchmark::DoNotOptimize(b.bar.ctl->Value());
}
BENCHMARK(BM_TrackClick);

void BM_ConstructDestroy(benchmark::State& state) {
  FormOnEngine f;
  for (auto _ : state) {
    Placed p(f.engine, *f.form, "KeloScroll1");
    benchmark::DoNotOptimize(p.ctl.get());
  }
}
BENCHMARK(BM_ConstructDestroy);

// A new Max at run time rescales the track.
void BM_SetMaxRescale(benchmark::State& state) {
  OneBar b;
  b.bar.ctl->setValue(kMiddle);
  long i = 0;
  for (auto _ : state) {
    b.bar.ctl->setMax(i & 1 ? kMax : kMax / 2 + 1);
    b.maybeDropRecords(i++);
  }
  benchmark::DoNotOptimize(b.bar.ctl->Value());
}
BENCHMARK(BM_SetMaxRescale);

// Down, then Up, each a key press and release on the focused track.
void BM_KeyStep(benchmark::State& state) {
  OneBar b;
  b.bar.ctl->setValue(kMiddle);
  b.engine.setFocus(b.track);
  long i = 0;
  for (auto _ : state) {
    int16_t key = i & 1 ? keloscroll::host::vk::Up : keloscroll::host::vk::Down;
    b.engine.keyDown(key);
    b.engine.keyUp(key);
    b.maybeDropRecords(i++);
  }
  benchmark::DoNotOptimize(b.bar.ctl->Value());
}
BENCHMARK(BM_KeyStep);

// What the site does for each setValue besides the control's own work: record the Change event
// with its argument, deliver it to the sink, and record PropertyChanged("Value").
void BM_SiteRecordChange(benchmark::State& state) {
  OneBar b;
  b.bar.site->setRecording(true);
  int32_t v = kMiddle;
  long i = 0;
  for (auto _ : state) {
    keloscroll::host::Variant arg = keloscroll::host::Variant::refLong(&v);
    b.bar.site->RaiseEvent("Change", std::span<keloscroll::host::Variant>(&arg, 1));
    b.bar.site->PropertyChanged("Value");
    b.maybeDropRecords(i++);
  }
}
BENCHMARK(BM_SiteRecordChange);

// ---- anchor mode ---------------------------------------------------------------------------

using anchor::measure;

void anchorTiming(int reps) {
  OneBar b;
  keloscroll::host::TwipsRect track = OneBar::onForm(b.track), thumb = OneBar::onForm(b.thumb);
  std::printf(
      "INFO style=classic (headless host engine, Cairo painter) track=%.0fx%.0fpx "
      "thumb=%.0fx%.0fpx "
      "positions=1..%d page=%d\n",
      track.width / kPx, track.height / kPx, thumb.width / kPx, thumb.height / kPx, kMax,
      kLargeChange);
  std::printf(
      "INFO shown rows: not applicable (no window); +render_to_image paints the bar's form\n");
  UsrKeloScroll& ctl = *b.bar.ctl;

  // (a) setValue; values alternate so every call changes the value and moves the thumb.
  ctl.setValue(kMiddle);
  b.dropRecords();
  long long rec0 = g_delivered;
  long calls = 0;
  measure("a.setValue.hidden", reps, 2000000, [&](long n) {
    calls += n;
    for (long i = 0; i < n; i++) {
      ctl.setValue(nextValue());
      b.maybeDropRecords(i);
    }
    b.dropRecords();
  });
  std::printf("CHECK a: %ld setValue calls, %lld events delivered (Change), value now %d\n", calls,
              g_delivered - rec0, ctl.Value());
  {
    // A host that records and never drops the records: what each setValue leaves behind.
    constexpr long kKept = 100000;
    b.bar.site->setRecording(true);
    malloc_trim(0);
    long h0 = anchor::heap_bytes();
    for (long i = 0; i < kKept; i++) ctl.setValue(nextValue());
    long h1 = anchor::heap_bytes();
    std::printf(
        "CHECK a: records kept by a recording site grow the heap by %.0f bytes per "
        "setValue\n",
        static_cast<double>(h1 - h0) / kKept);
    b.dropRecords();
    b.bar.site->setRecording(false);
  }

  {
    // setValue, then paint a form the bar's size into one reused image, as the peers render a
    // shown bar into an image.
    OneBar small;
    small.form->setWidth(kBarWidth);
    small.form->setHeight(kBarHeight);
    UsrKeloScroll& c = *small.bar.ctl;
    keloscroll::host::Canvas image(16, 240);
    keloscroll::host::CairoPainter painter(image);
    measure("a.setValue.shown+render_to_image", reps, 20000, [&](long n) {
      for (long i = 0; i < n; i++) {
        c.setValue(nextValue());
        keloscroll::host::paintForm(*small.form, painter);
        small.maybeDropRecords(i);
      }
      small.dropRecords();
    });
    std::printf("CHECK a: rendered %dx%d, middle pixel rgb %06X\n", image.width(), image.height(),
                image.pixel(8, 120) & 0xFFFFFFu);
  }

  // (b) drag: press on the thumb, N moves (triangle wave +-40 px, 1 px per move), release.
  {
    ctl.setValue(kMiddle);
    double y0 = b.pressThumb();
    b.dragMove(79, y0);  // +40 px
    int32_t moved = ctl.Value();
    b.engine.mouseUp(*b.form, b.trackCentreX(), y0, keloscroll::host::mouse::Left);
    std::printf("CHECK b: a 40 px drag moves %d -> %d\n", kMiddle, moved);
  }
  rec0 = g_delivered;
  long moves = 0;
  measure("b.drag_move.hidden", reps, 400000, [&](long n) {
    moves += n;
    ctl.setValue(kMiddle);
    double y0 = b.pressThumb();
    for (long i = 0; i < n; i++) {
      b.dragMove(i, y0);
      b.maybeDropRecords(i);
    }
    b.engine.mouseUp(*b.form, b.trackCentreX(), y0, keloscroll::host::mouse::Left);
    b.dropRecords();
  });
  std::printf(
      "CHECK b: %ld move events, %lld events delivered (setValue, release and click add a few)\n",
      moves, g_delivered - rec0);

  // (c) click on the track: press and release alternately below and above the thumb.
  ctl.setValue(kMiddle);
  b.trackClick(false);
  std::printf("CHECK c: one click below the thumb moves %d -> %d (LargeChange %d)\n", kMiddle,
              ctl.Value(), ctl.LargeChange());
  rec0 = g_delivered;
  long clicks = 0;
  measure("c.track_click.hidden", reps, 400000, [&](long n) {
    clicks += n;
    ctl.setValue(kMiddle);
    for (long i = 0; i < n; i++) {
      b.trackClick(i & 1);
      b.maybeDropRecords(i);
    }
    b.dropRecords();
  });
  std::printf("CHECK c: %ld clicks, %lld events delivered, value now %d\n", clicks,
              g_delivered - rec0, ctl.Value());

  // (e) construction and destruction per instance, on the form of the bar above.
  measure("e.ctor+dtor.hidden", reps, 50000, [&](long n) {
    for (long i = 0; i < n; i++) {
      Placed p(b.engine, *b.form, "KeloScroll2");
      anchor::g_sink = anchor::g_sink + p.ctl->Value();
    }
  });

  // Not a baseline row: a recording site's records of one Change and one PropertyChanged, what a
  // host that records (tests, the scenario runner) pays on top of (a).
  b.bar.site->setRecording(true);
  measure("x.site_records.Change+PropertyChanged", reps, 2000000, [&](long n) {
    int32_t v = kMiddle;
    for (long i = 0; i < n; i++) {
      keloscroll::host::Variant arg = keloscroll::host::Variant::refLong(&v);
      b.bar.site->RaiseEvent("Change", std::span<keloscroll::host::Variant>(&arg, 1));
      b.bar.site->PropertyChanged("Value");
      b.maybeDropRecords(i);
    }
    b.dropRecords();
  });
  b.bar.site->setRecording(false);
  anchor::g_sink = anchor::g_sink + ctl.Value();
}

int anchorMemory(const std::string& mode, long n) {
  if (mode != "hidden") {
    std::fprintf(stderr, "keloscroll_bench: mem %s is not applicable (the engine does not paint)\n",
                 mode.c_str());
    return 2;
  }
  FormOnEngine f;
  std::vector<Placed> v;
  v.reserve(static_cast<size_t>(n));
  { Placed warm(f.engine, *f.form, "KeloScrollWarm"); }  // a warm-up instance of the same kind
  malloc_trim(0);
  long r0 = anchor::rss_bytes(), h0 = anchor::heap_bytes();
  auto t0 = anchor::Clock::now();
  for (long i = 0; i < n; i++) v.emplace_back(f.engine, *f.form, "KeloScroll" + std::to_string(i));
  auto t1 = anchor::Clock::now();
  long r1 = anchor::rss_bytes(), h1 = anchor::heap_bytes();
  anchor::mem_result(("d.mem." + mode).c_str(), n, r0, r1, h0, h1);
  double create =
      std::chrono::duration<double, std::nano>(t1 - t0).count() / static_cast<double>(n);
  std::printf("RESULT d.create_%s ns/op median=%.0f min=%.0f max=%.0f reps=1 iters=%ld\n",
              mode.c_str(), create, create, create, n);
  auto t2 = anchor::Clock::now();
  v.clear();
  auto t3 = anchor::Clock::now();
  malloc_trim(0);
  std::printf("INFO d.%s destroy %.0f ns/instance, rss after delete+trim %+.1f MiB vs baseline\n",
              mode.c_str(),
              std::chrono::duration<double, std::nano>(t3 - t2).count() / static_cast<double>(n),
              static_cast<double>(anchor::rss_bytes() - r0) / 1048576.0);
  return 0;
}

int anchorMain(int argc, char** argv) {
  std::string what = argc > 0 ? argv[0] : "timing";
  int rc = 0;
  if (what == "timing") {
    anchorTiming(argc > 1 ? std::atoi(argv[1]) : 7);
  } else if (what == "mem") {
    rc = anchorMemory(argc > 1 ? argv[1] : "hidden", argc > 2 ? std::atol(argv[2]) : 10000);
  } else {
    std::fprintf(stderr, "usage: keloscroll_bench anchor timing [reps] | mem hidden [n]\n");
    return 2;
  }
  std::printf("INFO sink=%lld\n", static_cast<long long>(anchor::g_sink));
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "anchor") return anchorMain(argc - 2, argv + 2);
  if (argc > 1 && std::string_view(argv[1]) == "scaling") {
    return bench::scalingMain(argc - 2, argv + 2);
  }
  if (argc > 1 && std::string_view(argv[1]) == "count") return bench::countMain(argc - 2, argv + 2);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
