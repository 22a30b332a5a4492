// The control under a random host and a random user. The bytes are read as a list of moves: the
// host writes properties (any type, any value), resizes, saves, shows, changes its ambient mode
// and answers events in its own ways (changing by-reference arguments, writing Value from inside
// Change, failing, unloading the bar inside the event); the user presses, moves and releases mouse
// buttons over the parts, presses keys, and time passes. Afterwards, with every button and key let
// go and time run on, the control must not be left locked while enabled, and its Value must lie in
// its range.
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "control/UsrKeloScroll.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/widgets.h"

namespace {

using keloscroll::host::Variant;

class Bytes {
 public:
  Bytes(const uint8_t* d, size_t n) : d_(d), n_(n) {}
  bool more() const { return i_ < n_; }
  uint8_t byte() { return i_ < n_ ? d_[i_++] : 0; }
  int32_t pick(int32_t count) { return static_cast<int32_t>(byte() % static_cast<uint8_t>(count)); }
  int32_t long32() {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = (v << 8) | byte();
    return static_cast<int32_t>(v);
  }

 private:
  const uint8_t* d_;
  size_t n_;
  size_t i_ = 0;
};

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// KELO_FUZZ_TRACE=1 prints the moves an input makes, to see what led to a finding.
const bool kTrace = std::getenv("KELO_FUZZ_TRACE") != nullptr;
__attribute__((format(printf, 1, 2))) void trace(const char* format, ...) {
  if (!kTrace) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

Variant someValue(Bytes& in) {
  switch (in.pick(12)) {
    case 0:
      return Variant(static_cast<int16_t>(in.long32()));
    case 1:
      return Variant(in.long32());
    case 2:
      return Variant(static_cast<int32_t>(in.pick(120) - 10));
    case 3:
      return Variant(static_cast<float>(in.long32()) / 16.0f);
    case 4: {
      const double odd[] = {std::nan(""),  1e300, -1e300, 2147483647.5,
                            -2147483648.5, 0.5,   1.5,    std::numeric_limits<double>::infinity()};
      return Variant(odd[in.pick(8)]);
    }
    case 5:
      return Variant::boolean(in.byte() & 1);
    case 6: {
      const char* texts[] = {"", "12", "abc", "&HFFFF", "1e10", " -5 ", "True", "99999999999"};
      return Variant(texts[in.pick(8)]);
    }
    case 7:
      return Variant::nothing();
    case 8:
      return Variant();
    case 9:
      return Variant(INT32_MIN);
    case 10:
      return Variant(INT32_MAX);
    default:
      return Variant(static_cast<int32_t>(in.pick(250) + 1));
  }
}

struct Host {
  keloscroll::host::VirtualClock clock;
  keloscroll::host::FormEngine engine{clock};
  std::shared_ptr<keloscroll::host::Form> form = engine.createForm("Form1");
  std::shared_ptr<keloscroll::host::ControlSite> site;
  std::shared_ptr<keloscroll::UsrKeloScroll> ctl;
  keloscroll::host::PropertyBag bag;
  int answer = 0;  // how the host's handlers answer events
  int depth = 0;
  bool modeChanged = false;
  // An error that a mouse handler of the track lets go to the host ends it while it holds
  // mBusy, which then stays: the bar ignores the mouse from there on, as it should.
  bool trackFailed = false;
  void place();
  // The host lets go of the bar, as a form that closes does: Terminate, then its references.
  void unload() {
    site->terminate();
    ctl.reset();
    site.reset();
  }
};

keloscroll::host::Widget* partOf(Host& h, Bytes& in) {
  const char* names[] = {"picBarra", "cmdSxUp", "cmdDXDN", "imgCursor", "imgSfondoPic"};
  return keloscroll::host::findWidget(h.site->surface(), names[in.pick(5)]);
}

// A point in form twips over a part, mostly inside it, sometimes far outside.
void pointOver(Host& h, keloscroll::host::Widget& w, Bytes& in, double& x, double& y) {
  double ox = 0, oy = 0;
  w.originOnForm(ox, oy);
  const keloscroll::host::TwipsRect& r = w.rectTwips();
  switch (in.pick(8)) {
    case 0:
      x = ox - 1000.0 * in.byte();
      y = oy + 1e9 * (in.byte() - 128);
      break;
    case 1:
      x = ox + r.width;  // the far edge, just outside
      y = oy + r.height;
      break;
    default:
      x = ox + r.width * in.byte() / 255.0;
      y = oy + r.height * in.byte() / 255.0;
  }
  (void)h;
}

void Host::place() {
  trackFailed = false;
  site = std::make_shared<keloscroll::host::ControlSite>(engine, *form, "KeloScroll1");
  site->setRecording(false);
  site->setEventSink([this](std::string_view event, std::span<Variant> args) {
    if (depth > 3) return;
    ++depth;
    struct Leave {
      int& d;
      ~Leave() { --d; }
    } leave{depth};
    switch (answer) {
      case 1:
        if (!args.empty()) args[0].assign(Variant(static_cast<int32_t>(depth * 7)));
        break;
      case 2:
        if (event == "GetDescription" && !args.empty()) args[0].assign(Variant("row"));
        break;
      case 3:
        if (event == "Change" && ctl) ctl->let("Value", Variant(int32_t{3}));
        break;
      case 4:
        keloscroll::host::raise(keloscroll::host::err::NoClientSite);
      case 5:
        if (event == "Scroll" && ctl) ctl->let("Max", Variant(int32_t{10}));
        break;
      case 6:
        if ((event == "Change" || event == "GetDescription") && site) unload();
        break;
      default:
        break;
    }
  });
  ctl = keloscroll::UsrKeloScroll::create(*site);
  site->initNew();
  site->resize(720, 3645);
  site->show();
}

const char* kProperties[] = {"Value",       "Max",          "Min",         "SmallChange",
                             "LargeChange", "Enabled",      "VerticalBar", "RefreshMsecGD",
                             "Description", "PictureCursor"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 2048) return -1;
  Bytes in(data, size);
  Host h;
  h.form->setWidth(9000);
  h.form->setHeight(6000);
  h.place();

  // Whether the call failed.
  auto guarded = [](auto&& f) {
    try {
      f();
      return false;
    } catch (const keloscroll::host::Error&) {
      // A failed call reaches the host as an error, which is its to handle.
      return true;
    }
  };
  int steps = 0;
  while (in.more() && ++steps < 400) {
    if (!h.ctl) h.place();  // a new bar where the host unloaded one
    // The host holds its own site while it calls it; the control must hold itself.
    std::shared_ptr<keloscroll::host::ControlSite> calling = h.site;
    switch (in.pick(14)) {
      case 0:
      case 1:
        guarded([&] {
          const char* name = kProperties[in.pick(10)];
          Variant v = someValue(in);
          trace("let %s = %s\n", name, v.isObject() ? "<object>" : v.asString().c_str());
          h.ctl->let(name, v);
        });
        break;
      case 2:
        guarded([&] {
          float w = static_cast<float>(in.pick(40)) * 120.0f;
          float t = static_cast<float>(in.pick(40)) * 300.0f;
          if (in.pick(16) == 0) w = -w - 1e30f;
          trace("resize %g %g\n", double{w}, double{t});
          h.site->resize(w, t);
        });
        break;
      case 3:
      case 4: {
        keloscroll::host::Widget* w = partOf(h, in);
        if (!w) break;
        double x, y;
        pointOver(h, *w, in, x, y);
        const int16_t buttons[] = {keloscroll::host::mouse::Left, keloscroll::host::mouse::Right,
                                   keloscroll::host::mouse::Middle};
        int16_t button = buttons[in.pick(3)];
        int16_t shift = static_cast<int16_t>(in.pick(8));
        bool failed = guarded([&] {
          int what = in.pick(3);
          trace("mouse %s %s %g %g button %d shift %d\n",
                what == 0   ? "down"
                : what == 1 ? "move"
                            : "up",
                std::string(w->name()).c_str(), x, y, button, shift);
          switch (what) {
            case 0:
              h.engine.mouseDown(*h.form, x, y, button, shift);
              break;
            case 1:
              h.engine.mouseMove(*h.form, x, y, shift);
              break;
            default:
              h.engine.mouseUp(*h.form, x, y, button, shift);
          }
        });
        h.trackFailed = h.trackFailed || failed;
        break;
      }
      case 5:
      case 6: {
        const int16_t keys[] = {keloscroll::host::vk::Up,     keloscroll::host::vk::Down,
                                keloscroll::host::vk::Left,   keloscroll::host::vk::Right,
                                keloscroll::host::vk::PageUp, keloscroll::host::vk::PageDown,
                                keloscroll::host::vk::Home,   keloscroll::host::vk::End,
                                keloscroll::host::vk::Tab,    static_cast<int16_t>(in.byte())};
        int16_t key = keys[in.pick(10)];
        int16_t shift = static_cast<int16_t>(in.pick(8));
        guarded([&] {
          if (keloscroll::host::Widget* w = partOf(h, in);
              w && w->canFocus() && w->effectivelyVisible() && w->effectivelyEnabled()) {
            h.engine.setFocus(*w);
          }
          bool down = in.pick(2) != 0;
          trace("key %s %d shift %d (focus %s)\n", down ? "down" : "up", key, shift,
                h.engine.focus() ? std::string(h.engine.focus()->name()).c_str() : "none");
          if (down) {
            h.engine.keyDown(key, shift);
          } else {
            h.engine.keyUp(key, shift);
          }
        });
        break;
      }
      case 7:
      case 8:
        guarded([&] {
          int ms = in.pick(16) * 37;
          ms += in.pick(4) == 0 ? 2000 : 0;
          trace("advance %d\n", ms);
          h.engine.advance(ms);
        });
        break;
      case 9:
        trace("save\n");
        guarded([&] { h.site->save(h.bag); });
        break;
      case 10:
        trace("show\n");
        guarded([&] { h.site->show(); });
        break;
      case 11:
        h.answer = in.pick(7);
        trace("host answers %d\n", h.answer);
        break;
      case 12: {
        int mode = in.pick(3);
        h.site->setClientSiteAvailable(mode != 2);
        h.site->setUserMode(mode != 1);
        trace("mode %d\n", mode);
        h.modeChanged = true;
        break;
      }
      default:
        guarded([&] { h.clock.setTimeOfDay(in.pick(200) * 432.0 + 0.25); });
        break;
    }
  }

  // The user lets go of everything; the host stops interfering; time runs on.
  h.answer = 0;
  if (!h.ctl) h.place();
  h.site->setClientSiteAvailable(true);
  h.site->setUserMode(true);
  for (int16_t b : {keloscroll::host::mouse::Left, keloscroll::host::mouse::Right,
                    keloscroll::host::mouse::Middle}) {
    if (keloscroll::host::Widget* held = h.engine.capture()) {
      double x = 0, y = 0;
      held->originOnForm(x, y);
      guarded([&] { h.engine.mouseUp(*h.form, x, y, b); });
    }
  }
  for (int16_t key : {keloscroll::host::vk::Up, keloscroll::host::vk::Down,
                      keloscroll::host::vk::PageUp, keloscroll::host::vk::End}) {
    guarded([&] { h.engine.keyUp(key); });
  }
  guarded([&] { h.engine.advance(5000); });

  auto state = [&](std::string_view name) {
    for (auto& [k, v] : h.ctl->diagnosticState()) {
      if (k == name) return v;
    }
    __builtin_trap();
  };
  const bool enabled = state("mEnabled").asBoolean() != 0;
  if (kTrace) {
    for (auto& [k, v] : h.ctl->diagnosticState()) {
      trace("  %s = %s\n", k.c_str(), v.isObject() ? "<object>" : v.asString().c_str());
    }
  }
  check(h.engine.capture() == nullptr);
  check(state("mThumbLocked").asBoolean() == 0);
  if (enabled && !h.trackFailed) check(state("mBusy").asBoolean() == 0);
  if (!h.modeChanged) {
    const int32_t scaleMax = state("mScaleMax").asLong();
    int32_t value = 0;
    guarded([&] { value = h.ctl->get("Value").asLong(); });
    check(scaleMax >= 1 && value >= 0 && value <= scaleMax);
  }
  h.ctl.reset();
  h.site.reset();
  return 0;
}
