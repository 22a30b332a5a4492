// What the benchmark's modes share: one bar placed on a form the way a container places it, a
// form holding one bar with the pieces the input loops aim at, and a press on an end button.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "anchor_harness.h"
#include "control/UsrKeloScroll.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/variant.h"
#include "host/widgets.h"

namespace bench {

using keloscroll::UsrKeloScroll;

constexpr double kPx = keloscroll::host::twipsPerPixel(keloscroll::host::kClassicDpi);
constexpr float kBarWidth = static_cast<float>(16 * kPx);
constexpr float kBarHeight = static_cast<float>(240 * kPx);
constexpr int32_t kMax = 200000;
constexpr int32_t kLargeChange = 6;
constexpr int32_t kMiddle = 100000;
constexpr long kRecordBatch = 1024;

// One bar placed on a form the way a container places a control: site, control, InitProperties,
// the first resize and Show. Destroyed the way a container unloads it: Terminate, then the
// control, then the site.
inline long long g_delivered = 0;  // events the host's sinks received

struct Placed {
  std::shared_ptr<keloscroll::host::ControlSite> site;
  std::shared_ptr<UsrKeloScroll> ctl;

  Placed(keloscroll::host::FormEngine& engine, keloscroll::host::Form& form, std::string name,
         bool recording = false)
      : site(std::make_shared<keloscroll::host::ControlSite>(engine, form, std::move(name))) {
    site->setRecording(recording);
    site->setEventSink(
        [](std::string_view, std::span<keloscroll::host::Variant>) { ++g_delivered; });
    ctl = UsrKeloScroll::create(*site);
    site->initNew();
    site->resize(kBarWidth, kBarHeight);
    site->show();
    ctl->setMax(kMax);
    ctl->setLargeChange(kLargeChange);
    site->clearEvents();
    site->clearPropertyChanges();
  }
  Placed(Placed&&) = default;
  Placed& operator=(Placed&&) = delete;
  Placed(const Placed&) = delete;
  Placed& operator=(const Placed&) = delete;
  ~Placed() {
    if (site) site->terminate();
    ctl.reset();
    site.reset();
  }
};

// A form on a headless engine whose clock stands still: timers never fire, and the description
// throttle lets only the first request through.
struct FormOnEngine {
  keloscroll::host::VirtualClock clock;
  keloscroll::host::FormEngine engine{clock};
  std::shared_ptr<keloscroll::host::Form> form = engine.createForm("Form1");

  FormOnEngine() {
    form->setWidth(9000);
    form->setHeight(6000);
  }
};

// A form holding one bar, with the pieces the input loops aim at.
struct OneBar : FormOnEngine {
  Placed bar{engine, *form, "KeloScroll1"};
  keloscroll::host::Widget& track = part("picBarra");
  keloscroll::host::Widget& thumb = part("imgCursor");

  keloscroll::host::Widget& part(std::string_view name) const {
    keloscroll::host::Widget* w = keloscroll::host::findWidget(bar.site->surface(), name);
    if (!w) {
      std::fprintf(stderr, "keloscroll_bench: the bar has no part %.*s\n",
                   static_cast<int>(name.size()), name.data());
      std::exit(2);
    }
    return *w;
  }
  // A widget's rectangle in form-client twips.
  static keloscroll::host::TwipsRect onForm(const keloscroll::host::Widget& w) {
    double x = 0, y = 0;
    w.originOnForm(x, y);
    return {x, y, w.rectTwips().width, w.rectTwips().height};
  }
  double trackCentreX() const {
    keloscroll::host::TwipsRect r = onForm(track);
    return r.left + r.width / 2;
  }
  double thumbCentreY() const {
    keloscroll::host::TwipsRect r = onForm(thumb);
    return r.top + r.height / 2;
  }
  void dropRecords() {
    bar.site->clearEvents();
    bar.site->clearPropertyChanges();
  }
  void maybeDropRecords(long i) {
    if (i % kRecordBatch == kRecordBatch - 1) dropRecords();
  }

  // Press on the thumb's centre; the moves go from there.
  double pressThumb() {
    double y = thumbCentreY();
    engine.mouseDown(*form, trackCentreX(), y, keloscroll::host::mouse::Left);
    return y;
  }
  // The i-th move of a triangle wave of +-40 pixels, one pixel per move, never repeating a y.
  void dragMove(long i, double y0) {
    long k = i % 160, d = k < 80 ? k - 40 : 120 - k;
    engine.mouseMove(*form, trackCentreX(), y0 + static_cast<double>(d + 1) * kPx);
  }
  // A press and release on the track 3 pixels from its top or its bottom end.
  void trackClick(bool above) {
    keloscroll::host::TwipsRect r = onForm(track);
    double y = above ? r.top + 3 * kPx : r.top + r.height - 3 * kPx;
    double x = r.left + r.width / 2;
    engine.mouseDown(*form, x, y, keloscroll::host::mouse::Left);
    engine.mouseUp(*form, x, y, keloscroll::host::mouse::Left);
  }
};

inline unsigned long g_toggle = 0;  // survives across loops, so every setValue changes the value

inline int32_t nextValue() {
  return (++g_toggle & 1) ? 150000 : 50000;
}

inline double nsSince(anchor::Clock::time_point t0) {
  return std::chrono::duration<double, std::nano>(anchor::Clock::now() - t0).count();
}

// Press, hold and release the lower end button of a bar; the hide timer then runs out (untimed),
// so that every press starts alike. Returns the ns the press took.
inline double press(FormOnEngine& f, Placed& p) {
  keloscroll::host::Widget* button = keloscroll::host::findWidget(p.site->surface(), "cmdDXDN");
  double x = 0, y = 0;
  button->originOnForm(x, y);
  x += button->rectTwips().width / 2;
  y += button->rectTwips().height / 2;
  auto s = anchor::Clock::now();
  f.engine.mouseDown(*f.form, x, y, keloscroll::host::mouse::Left);
  f.engine.advance(300);
  f.engine.mouseUp(*f.form, x, y, keloscroll::host::mouse::Left);
  double ns = nsSince(s);
  f.engine.advance(1000);
  return ns;
}

// n bars side by side on a form, 100 to a row, the form sized to hold them; each at kMiddle.
inline std::vector<Placed> placeBars(FormOnEngine& f, long n) {
  constexpr long kPerRow = 100;
  f.form->setWidth(static_cast<float>(static_cast<double>(std::min(n, kPerRow)) * kBarWidth));
  f.form->setHeight(
      static_cast<float>(static_cast<double>((n + kPerRow - 1) / kPerRow) * kBarHeight));
  std::vector<Placed> bars;
  bars.reserve(static_cast<size_t>(n));
  for (long i = 0; i < n; i++) {
    Placed& p = bars.emplace_back(f.engine, *f.form, "KeloScroll" + std::to_string(i));
    p.site->surface().setLeft(static_cast<float>(static_cast<double>(i % kPerRow) * kBarWidth));
    p.site->surface().setTop(static_cast<float>(static_cast<double>(i / kPerRow) * kBarHeight));
    p.ctl->setValue(kMiddle);
  }
  return bars;
}

}  // namespace bench
