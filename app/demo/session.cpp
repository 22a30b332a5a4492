#include "app/demo/session.h"

#include <filesystem>
#include <stdexcept>

#include "app/demo/designer.h"
#include "app/demo/layout.h"
#include "host/cairo/cairo_painter.h"
#include "host/clock.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/render.h"

namespace keloscroll::demo {

namespace {

class Session {
 public:
  Session(const SessionOptions& o, std::ostream& out)
      : options_(o), out_(out), engine_(clock_), viewer_(engine_, o.document) {
    viewer_.onLog = [this](const std::string& line) {
      result_.log.push_back(line);
      out_ << "[" << clock_.nowMs() << " ms] " << line << '\n';
    };
    viewer_.formPath = o.formPath;
    // A modal form (the about box, the property page) is photographed, then closed.
    engine_.setModalPolicy([this](host::Form& f) {
      std::string name = f.name() == "dlgAbout"         ? "about-box"
                         : f.name() == "PropertyDialog" ? "property-page"
                                                        : std::string(f.name());
      shoot(f, std::to_string(result_.shots.size() + 1) + "-" + name + ".png");
      advance(300);
    });
    engine_.setMsgBoxPolicy([this](const std::string& prompt, int32_t) -> int16_t {
      viewer_.note("message box: " + prompt);
      return 1;
    });
  }

  SessionResult play() {
    std::filesystem::create_directories(options_.shotsDir);
    viewer_.note("the headless session starts: virtual time, synthetic input");
    shoot(viewer_.form(), "1-start.png");

    say("hold the lower end button: it steps, then repeats every 100 ms");
    pressPart(Viewer::kLinesBar, "cmdDXDN");
    advance(450);
    shoot(viewer_.form(), "2-end-button-held.png");
    releasePart(Viewer::kLinesBar, "cmdDXDN");
    advance(600);  // the tooltip hides half a second after the last move

    say("drag the thumb down; the tooltip shows the line at the thumb");
    host::Widget& track = viewer_.part(Viewer::kLinesBar, "picBarra");
    double x = 0, y = 0;
    viewer_.centreOf(viewer_.part(Viewer::kLinesBar, "imgCursor"), x, y);
    engine_.mouseDown(viewer_.form(), x, y, host::mouse::Left);
    const double stepTwips = track.rectTwips().height * 0.45 / 8;
    for (int i = 1; i <= 8; ++i) {
      advance(110);
      engine_.mouseMove(viewer_.form(), x, y + stepTwips * i);
    }
    shoot(viewer_.form(), "3-thumb-dragged.png");
    engine_.mouseUp(viewer_.form(), x, y + stepTwips * 8, host::mouse::Left);
    advance(600);

    say("click the track above the thumb: one page up");
    double tx = 0, ty = 0;
    viewer_.centreOf(track, tx, ty);
    double trackTop = 0, unused = 0;
    track.originOnForm(unused, trackTop);
    engine_.mouseDown(viewer_.form(), tx, trackTop + 60, host::mouse::Left);
    engine_.mouseUp(viewer_.form(), tx, trackTop + 60, host::mouse::Left);
    shoot(viewer_.form(), "4-track-click.png");
    advance(600);

    say("keys on the focused bar: Down, Down, PageDown");
    for (int16_t key : {host::vk::Down, host::vk::Down, host::vk::PageDown}) {
      engine_.keyDown(key);
      engine_.keyUp(key);
      advance(120);
    }
    shoot(viewer_.form(), "5-keys.png");
    advance(600);

    say("hold the horizontal bar's right button: the columns move");
    pressPart(Viewer::kColumnsBar, "cmdDXDN");
    advance(1250);
    shoot(viewer_.form(), "6-columns.png");
    releasePart(Viewer::kColumnsBar, "cmdDXDN");
    advance(600);

    say("F1: the about box");
    viewer_.handleKey(host::vk::F1, 0);
    if (Viewer::hasPropertyPage()) {
      say("F4: the property page of the focused bar");
      viewer_.handleKey(host::vk::F1 + 3, 0);
    }

    if (!options_.formPath.empty()) {
      say("Ctrl+S: save the form");
      viewer_.handleKey('S', host::shift::Ctrl);
    }
    playDesigner();

    result_.finalTopLine = viewer_.topLine();
    result_.finalColumn = viewer_.firstColumn();
    out_ << "\nscreenshots (PNG) in " << options_.shotsDir << ":\n";
    for (const Shot& s : result_.shots)
      out_ << "  " << s.path << "  (" << s.width << " x " << s.height << ")\n";
    return result_;
  }

 private:
  // The form designer on the same engine: two bars added, one moved and sized with the mouse,
  // then the form run from the bars' property bags.
  void playDesigner() {
    say("the form designer: add two bars, move one, size it on its handle, run the form");
    Designer designer(engine_);
    designer.onLog = viewer_.onLog;
    designer.addBar(true);
    const std::string lying = designer.addBar(false);
    double x = 0, y = 0;
    centreOf(designer.site(lying).surface(), x, y);
    drag(designer.form(), x, y, x + px(60), y + px(150));
    centreOf(designer.handle(Designer::Right), x, y);
    drag(designer.form(), x, y, x + px(80), y);
    shoot(designer.form(), std::to_string(result_.shots.size() + 1) + "-designer.png");
    designer.run();
    shoot(designer.form(), std::to_string(result_.shots.size() + 1) + "-designer-running.png");
    designer.design();
  }

  void drag(host::Form& form, double x, double y, double toX, double toY) {
    engine_.mouseDown(form, x, y, host::mouse::Left);
    engine_.mouseMove(form, (x + toX) / 2, (y + toY) / 2);
    engine_.mouseMove(form, toX, toY);
    engine_.mouseUp(form, toX, toY, host::mouse::Left);
  }

  void say(const std::string& what) { out_ << "--- " << what << '\n'; }
  void advance(int64_t ms) { engine_.advance(ms); }

  void pressPart(const char* bar, const char* name) {
    double x = 0, y = 0;
    viewer_.centreOf(viewer_.part(bar, name), x, y);
    engine_.mouseDown(viewer_.form(), x, y, host::mouse::Left);
  }
  void releasePart(const char* bar, const char* name) {
    double x = 0, y = 0;
    viewer_.centreOf(viewer_.part(bar, name), x, y);
    engine_.mouseUp(viewer_.form(), x, y, host::mouse::Left);
  }

  void shoot(const host::Form& form, const std::string& name) {
    std::string path = (std::filesystem::path(options_.shotsDir) / name).string();
    host::PixelSize size;
    try {
      size = host::writePng(form, path);
    } catch (const host::Error& e) {
      throw std::runtime_error("cannot write the screenshot " + path + ": " + e.description());
    }
    result_.shots.push_back(Shot{path, size.width, size.height});
    out_ << "    screenshot " << path << '\n';
  }

  const SessionOptions& options_;
  std::ostream& out_;
  host::VirtualClock clock_;
  host::FormEngine engine_;
  Viewer viewer_;
  SessionResult result_;
};

}  // namespace

SessionResult playSession(const SessionOptions& options, std::ostream& out) {
  Session session(options, out);
  return session.play();
}

}  // namespace keloscroll::demo
