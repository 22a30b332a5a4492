// The reference images the Windows painter is compared with: each scene rendered with Cairo.
// KELO_UPDATE_REFERENCE=1 rewrites them; otherwise every committed image must still be what Cairo
// paints (text rectangles aside), so that a change of look shows here before it shows on Windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "host/cairo/cairo_painter.h"
#include "host/picture.h"
#include "win/reference_scenes.h"

namespace keloscroll::reference {
namespace {

TEST(PainterReference, CommittedImagesAreWhatCairoPaints) {
  const char* update = std::getenv("KELO_UPDATE_REFERENCE");
  for (const SceneCase& c : scenes()) {
    SCOPED_TRACE(c.name);
    Scene s;
    c.build(s);
    host::Canvas canvas = host::renderForm(*s.form);
    std::string path = std::string(KELO_REFERENCE_DIR) + "/" + c.name + ".png";
    if (update && std::string(update) == "1") canvas.writePng(path);
    host::PictureRef ref = host::Picture::load(path);
    ASSERT_EQ(ref->width(), canvas.width()) << "rerun with KELO_UPDATE_REFERENCE=1";
    ASSERT_EQ(ref->height(), canvas.height()) << "rerun with KELO_UPDATE_REFERENCE=1";
    std::vector<host::PixelRect> text = textAreas(*s.form);
    Difference d = compare(
        canvas.width(), canvas.height(), [&](int x, int y) { return canvas.pixel(x, y); },
        [&](int x, int y) { return ref->pixel(x, y); }, text);
    EXPECT_EQ(d.outsideText, 0) << d.firstOutside << "rerun with KELO_UPDATE_REFERENCE=1";
    // Another FreeType may place a glyph's grey edge elsewhere; nothing more.
    EXPECT_LE(d.insideText, d.textPixels / 4);
  }
}

}  // namespace
}  // namespace keloscroll::reference
