// The GDI painter: forms painted into a DIB section look as the Cairo painter paints them (the
// reference images in tests/win/reference, made by the Linux build), text rectangles aside, where
// the two font rasterisers may differ; and the painter leaves the device context as it found it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/error.h"
#include "host/picture.h"
#include "host/win/gdi_painter.h"
#include "tests/win/container_test_util.h"
#include "tests/win/reference_scenes.h"

namespace keloscroll::reference {
namespace {

using host::PixelRect;
using host::win::Image;

// Passes everything but text on: the image the text was painted over.
class Textless final : public host::Painter {
 public:
  explicit Textless(host::Painter& p) : p_(p) {}
  void fill(const PixelRect& r, host::Rgb c) override { p_.fill(r, c); }
  void frame(const PixelRect& r, host::Rgb c) override { p_.frame(r, c); }
  void bevel(const PixelRect& r, host::Edge e) override { p_.bevel(r, e); }
  void stretchPicture(const host::Picture& pic, const PixelRect& r) override {
    p_.stretchPicture(pic, r);
  }
  void picture(const host::Picture& pic, int x, int y, const PixelRect& clip) override {
    p_.picture(pic, x, y, clip);
  }
  void text(std::string_view, const PixelRect&, const host::TextStyle&) override {}

 protected:
  void clipPushed(const PixelRect& r) override { p_.pushClip(r); }
  void clipPopped() override { p_.popClip(); }

 private:
  host::Painter& p_;
};

int inkIn(const PixelRect& r, const Image& bare, const std::function<uint32_t(int, int)>& px) {
  int n = 0;
  for (int y = r.top; y < r.bottom(); ++y)
    for (int x = r.left; x < r.right(); ++x) n += px(x, y) != bare.pixel(x, y);
  return n;
}

TEST(GdiPainter, FormsLookAsTheCairoPainterPaintsThem) {
  for (const SceneCase& c : scenes()) {
    SCOPED_TRACE(c.name);
    Scene s;
    c.build(s);
    Image gdi = host::win::renderFormGdi(*s.form);
    host::PictureRef ref =
        host::Picture::load(std::string(KELO_REFERENCE_DIR) + "/" + c.name + ".png");
    ASSERT_EQ(std::pair(gdi.width, gdi.height), std::pair(ref->width(), ref->height()));
    std::vector<PixelRect> text = textAreas(*s.form);
    auto gdiPixel = [&](int x, int y) { return gdi.pixel(x, y); };
    auto refPixel = [&](int x, int y) { return ref->pixel(x, y); };
    Difference d = compare(gdi.width, gdi.height, gdiPixel, refPixel, text);
    EXPECT_LE(d.outsideText, c.samplingSlack * d.pixels) << d.firstOutside;
    EXPECT_LE(d.differingShare(), 0.05);

    // The text is there, in the right place: inside each text rectangle GDI's glyphs and Cairo's
    // change about as many pixels of what lies beneath them.
    Image bare = host::win::paintImage(gdi.width, gdi.height, [&](host::Painter& p) {
      Textless t(p);
      host::paintForm(*s.form, t);
    });
    for (const PixelRect& r : text) {
      int g = inkIn(r, bare, gdiPixel), k = inkIn(r, bare, refPixel);
      EXPECT_GE(2 * g, k) << r.left << ", " << r.top;
    }
  }
}

// (How clips nest shows in the forms above, whose parts paint within clips.)
TEST(GdiPainter, TheDeviceContextComesBackAsItWas) {
  container_test::paintInto(12, 12, [&](HDC dc) {
    {
      host::GdiPainter p(dc);
      p.pushClip(PixelRect{2, 2, 6, 6});
      p.pushClip(PixelRect{4, 4, 8, 8});
      p.popClip();
      p.popClip();
      p.popClip();  // one too many: nothing happens
      host::TextStyle bad;
      bad.pointSize = 0;
      EXPECT_THROW(p.text("x", PixelRect{0, 0, 12, 12}, bad), host::Error);
      p.pushClip(PixelRect{0, 0, 1, 1});  // left pushed: the destructor takes it away
    }
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, clip), 0);  // no clip region, as before
    DeleteObject(clip);
  });
}

}  // namespace
}  // namespace keloscroll::reference
