// Forms painted by both backends: the Linux build renders them with Cairo into reference PNGs
// (tests/win/reference/), the Windows build renders them with GDI and compares. Text is the one
// thing allowed to differ (FreeType and GDI rasterise glyphs their own ways), so a comparison
// separates the pixels inside the rectangles text was drawn into from all the others.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/UsrKeloScroll.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/painter.h"
#include "host/render.h"
#include "host/widgets.h"

namespace keloscroll::reference {

// A form on the headless engine, with at most one KeloScroll bar on it.
struct Scene {
  Scene() : engine(clock), form(engine.createForm("Form1")) {}

  // A bar at (120, 120) twips sized width x height twips, placed the way a container places one.
  UsrKeloScroll& placeBar(float width, float height, bool vertical) {
    site = std::make_shared<host::ControlSite>(engine, *form, "KeloScroll1");
    ctl = UsrKeloScroll::create(*site);
    site->initNew();
    if (!vertical) {
      host::Boolean f = host::False;
      ctl->setVerticalBar(f);
    }
    site->surface().Move(120, 120);
    site->resize(width, height);
    site->show();
    return *ctl;
  }

  host::VirtualClock clock;
  host::FormEngine engine;
  std::shared_ptr<host::Form> form;
  std::shared_ptr<host::ControlSite> site;
  std::shared_ptr<UsrKeloScroll> ctl;
};

struct SceneCase {
  std::string name;  // also the reference file's name, without ".png"
  std::function<void(Scene&)> build;
  // The share of pixels outside text where GDI may differ: a picture stretched by a ratio that
  // puts destination pixel centres on source pixel edges (the thumb at 120 and 144 dpi) is
  // sampled by GDI's exact rule and by Cairo's fixed point, which then pick neighbouring pixels.
  double samplingSlack = 0;
};

// What the ratios of 120 and 144 dpi to 96 leave to the sampling (see SceneCase).
inline double samplingSlack(int32_t dpi) {
  return dpi % 96 == 0 ? 0.0 : 0.01;
}

inline std::vector<SceneCase> scenes() {
  auto bar = [](Scene& s) -> UsrKeloScroll& {
    s.form->setWidth(600);
    s.form->setHeight(2800);
    return s.placeBar(255, 2400, true);
  };
  std::vector<SceneCase> out = {
      {"bar-vertical", [bar](Scene& s) { bar(s); }},
      {"bar-value",
       [bar](Scene& s) {
         UsrKeloScroll& c = bar(s);
         c.setMax(100);
         c.setValue(60);
       }},
      {"bar-disabled", [bar](Scene& s) { bar(s).setEnabled(host::False); }},
      // The lower end button held down at the last position: it steps nowhere.
      {"bar-held",
       [bar](Scene& s) {
         UsrKeloScroll& c = bar(s);
         c.setMax(10);
         c.setValue(10);
         s.engine.mouseDown(*s.form, 120 + 127, 120 + 2400 - 120, host::mouse::Left);
       }},
      {"bar-horizontal",
       [](Scene& s) {
         s.form->setWidth(2800);
         s.form->setHeight(600);
         UsrKeloScroll& c = s.placeBar(2400, 255, false);
         c.setMax(10);
         c.setValue(3);
       }},
      {"widgets",
       [](Scene& s) {
         host::Form& f = *s.form;
         f.setWidth(3360);
         f.setHeight(3300);
         auto button = f.add<host::CommandButton>("Command1");
         button->Move(120, 120, 1200, 375);
         button->setCaption("OK");
         auto label = f.add<host::Label>("Label1");
         label->Move(1440, 120, 1350, 600);
         label->setAlignment(2);
         label->setCaption("A label wraps its words");
         auto box = f.add<host::TextBox>("Text1");
         box->Move(120, 720, 1560, 330);
         box->setText("Text1");
         auto flat = f.add<host::TextBox>("Text2");
         flat->Move(1800, 720, 1200, 330);
         flat->setAppearance(0);
         flat->setFontBold(true);
         flat->setText("Flat");
         auto check = f.add<host::CheckBox>("Check1");
         check->Move(120, 1200, 1500, 300);
         check->setCaption("Check1");
         check->setValue(1);
         auto off = f.add<host::CheckBox>("Check2");
         off->Move(1680, 1200, 1100, 300);
         off->setCaption("Off");
         off->setEnabled(false);
         auto frame = f.add<host::Frame>("Frame1");
         frame->Move(120, 1620, 1800, 1200);
         frame->setCaption("Frame1");
         // A picture of three by two pixels, two of them translucent, stretched to a size no
         // whole multiple of it: nearest-pixel scaling and alpha blending both show. No pixel
         // centre falls on a boundary between source pixels (an odd width, an even height),
         // where Cairo's choice would depend on its fixed-point rounding.
         auto image = frame->add<host::Image>("Image1");
         image->Move(120, 300, 345, 210);
         image->setStretch(true);
         image->setPicture(std::make_shared<host::Picture>(
             3, 2,
             std::vector<uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0x800000FFu, 0xFF000000u, 0x40FFFFFFu,
                                   0xFFFFFF00u}));
         // A picture larger than the box it sits in, at its natural size: the box clips it.
         auto pictureBox = f.add<host::PictureBox>("Picture1");
         pictureBox->Move(2040, 1620, 900, 600);
         pictureBox->setBorderStyle(1);
         std::vector<uint32_t> pattern;
         for (uint32_t y = 0; y < 50; ++y)
           for (uint32_t x = 0; x < 80; ++x)
             pattern.push_back(host::Picture::rgb(static_cast<uint8_t>(x * 3),
                                                  static_cast<uint8_t>(y * 5),
                                                  static_cast<uint8_t>((x ^ y) * 8)));
         pictureBox->setPicture(std::make_shared<host::Picture>(80, 50, std::move(pattern)));
       }},
  };
  // The screen densities the library is tried at, and the bar drawn at each: 240 x 2400 twips, a
  // whole number of pixels at every one of them (16 x 160 at 96, 32 x 320 at 192), 120 twips into
  // a form 120 twips larger all round, its thumb at 60 of 100.
  for (int32_t dpi : {96, 120, 144, 192}) {
    auto atDpi = [dpi](Scene& s) {
      s.engine.setDpi(host::Dpi(dpi));
      s.form->setWidth(480);
      s.form->setHeight(2640);
      UsrKeloScroll& c = s.placeBar(240, 2400, true);
      c.setMax(100);
      c.setValue(60);
    };
    out.push_back({"bar-" + std::to_string(dpi) + "dpi", atDpi, samplingSlack(dpi)});
  }
  return out;
}

// Paints through nothing, noting where text goes: each text rectangle within the clip.
class TextAreas final : public host::Painter {
 public:
  std::vector<host::PixelRect> areas;

  void fill(const host::PixelRect&, host::Rgb) override {}
  void frame(const host::PixelRect&, host::Rgb) override {}
  void bevel(const host::PixelRect&, host::Edge) override {}
  void stretchPicture(const host::Picture&, const host::PixelRect&) override {}
  void picture(const host::Picture&, int, int, const host::PixelRect&) override {}
  void text(std::string_view s, const host::PixelRect& r, const host::TextStyle&) override {
    // A rectangle made to a measured width (a frame's caption and the gap it cuts in the border)
    // ends where each platform's measurement says: two more pixels on its right count as text.
    host::PixelRect wide{r.left, r.top, r.width + 2, r.height};
    host::PixelRect area = wide.intersect(clip());
    if (!s.empty() && !area.empty()) areas.push_back(area);
  }
};

inline std::vector<host::PixelRect> textAreas(const host::Form& form) {
  TextAreas t;
  host::paintForm(form, t);
  return t.areas;
}

// How two images of the same size differ. Pixels are 0xAARRGGBB.
struct Difference {
  int pixels = 0;            // in the image
  int textPixels = 0;        // inside a text rectangle
  int outsideText = 0;       // differing pixels outside every text rectangle
  int insideText = 0;        // differing pixels inside one
  std::string firstOutside;  // "(x, y) AARRGGBB vs AARRGGBB" of the first few outside text
  double differingShare() const {
    return pixels ? static_cast<double>(outsideText + insideText) / pixels : 0.0;
  }
};

inline Difference compare(int width, int height, const std::function<uint32_t(int, int)>& a,
                          const std::function<uint32_t(int, int)>& b,
                          const std::vector<host::PixelRect>& text) {
  Difference d;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bool inText = false;
      for (const host::PixelRect& r : text) inText = inText || r.contains(x, y);
      bool differs = a(x, y) != b(x, y);
      ++d.pixels;
      d.textPixels += inText;
      (inText ? d.insideText : d.outsideText) += differs;
      if (differs && !inText && d.outsideText <= 4) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "(%d, %d) %08X vs %08X; ", x, y, a(x, y), b(x, y));
        d.firstOutside += buf;
      }
    }
  }
  return d;
}

}  // namespace keloscroll::reference
