// The Cairo backend of text measurement: FreeType metrics through Cairo and fontconfig.
#include "host/cairo/cairo_text.h"
#include "host/text.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>

#include "host/error.h"

namespace keloscroll::host::text {

namespace {

// Scaled fonts are created once per size and weight and kept for the life of the process:
// measuring is then a glyph lookup in Cairo's own cache.
class FontCache {
 public:
  cairo_scaled_font_t* get(double pointSize, bool bold, Dpi dpi) {
    if (!(pointSize > 0.0 && pointSize <= 2048.0)) raise(err::InvalidPropertyValue);
    double pixels = emPixels(pointSize, dpi);
    // Sizes are keyed to a hundredth of a pixel; nobody asks for finer steps.
    auto key = std::make_pair(static_cast<long>(std::lround(pixels * 100.0)), bold);
    std::lock_guard lock(mutex_);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    cairo_scaled_font_t* font = create(pixels, bold);
    fonts_.emplace(key, font);
    return font;
  }

  std::mutex& mutex() { return mutex_; }

  // At exit the fonts go, and with them the font libraries' own caches, so that a leak checker
  // sees only what the program itself forgot.
  ~FontCache() {
    for (auto& [key, font] : fonts_) cairo_scaled_font_destroy(font);
    fonts_.clear();
    cairo_debug_reset_static_data();
    FcFini();
  }

 private:
  static cairo_scaled_font_t* create(double pixels, bool bold) {
    cairo_font_face_t* face =
        cairo_toy_font_face_create(kDefaultFace, CAIRO_FONT_SLANT_NORMAL,
                                   bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_matrix_t fontMatrix;
    cairo_matrix_init_scale(&fontMatrix, pixels, pixels);
    cairo_matrix_t ctm;
    cairo_matrix_init_identity(&ctm);
    // Whole-pixel advances, as a window system's text measurement gives them.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_scaled_font_t* font = cairo_scaled_font_create(face, &fontMatrix, &ctm, options);
    cairo_font_options_destroy(options);
    cairo_font_face_destroy(face);
    if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
      cairo_scaled_font_destroy(font);
      throw std::runtime_error("cannot load the font " + std::string(kDefaultFace));
    }
    return font;
  }

  std::mutex mutex_;
  std::map<std::pair<long, bool>, cairo_scaled_font_t*> fonts_;
};

FontCache& cache() {
  static FontCache c;
  return c;
}

}  // namespace

cairo_scaled_font_t* scaledFont(double pointSize, bool bold, Dpi dpi) {
  return cache().get(pointSize, bold, dpi);
}

double lineHeightPixels(double pointSize, bool bold, Dpi dpi) {
  cairo_scaled_font_t* font = cache().get(pointSize, bold, dpi);
  cairo_font_extents_t extents;
  {
    std::lock_guard lock(cache().mutex());
    cairo_scaled_font_extents(font, &extents);
  }
  return std::ceil(extents.ascent + extents.descent - 1e-9);
}

double lineWidthPixels(std::string_view line, double pointSize, bool bold, Dpi dpi) {
  std::string utf8 = validUtf8(line);
  cairo_scaled_font_t* font = cache().get(pointSize, bold, dpi);
  cairo_text_extents_t extents;
  {
    std::lock_guard lock(cache().mutex());
    cairo_scaled_font_text_extents(font, utf8.c_str(), &extents);
  }
  return std::ceil(extents.x_advance - 1e-9);
}

}  // namespace keloscroll::host::text
