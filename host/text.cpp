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
#include "host/widgets.h"

namespace host::text {

namespace {

// Scaled fonts are created once per size and weight and kept for the life of the process:
// measuring is then a glyph lookup in Cairo's own cache.
class FontCache {
 public:
  cairo_scaled_font_t* get(double pointSize, bool bold) {
    if (!(pointSize > 0.0 && pointSize <= 2048.0)) raise(err::InvalidPropertyValue);
    // Sizes are keyed to a hundredth of a point; nobody asks for finer steps.
    auto key = std::make_pair(static_cast<long>(std::lround(pointSize * 100.0)), bold);
    std::lock_guard lock(mutex_);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    cairo_scaled_font_t* font = create(pointSize, bold);
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
  static cairo_scaled_font_t* create(double pointSize, bool bold) {
    cairo_font_face_t* face =
        cairo_toy_font_face_create(kDefaultFace, CAIRO_FONT_SLANT_NORMAL,
                                   bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    double pixels = pointSize * 96.0 / 72.0;
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

double lineAdvancePixels(std::string_view line, double pointSize, bool bold) {
  if (line.empty()) return 0.0;
  std::string utf8 = validUtf8(line);
  cairo_scaled_font_t* font = cache().get(pointSize, bold);
  cairo_text_extents_t extents;
  {
    std::lock_guard lock(cache().mutex());
    cairo_scaled_font_text_extents(font, utf8.c_str(), &extents);
  }
  return std::ceil(extents.x_advance - 1e-9);
}

template <class F>
void forEachLine(std::string_view text, F&& f) {
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

}  // namespace

std::string validUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80           ? 1
                 : (c >> 5) == 0x6  ? 2
                 : (c >> 4) == 0xE  ? 3
                 : (c >> 3) == 0x1E ? 4
                                    : 0;
    bool ok = len != 0 && i + len <= s.size();
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (size_t k = 1; ok && k < len; ++k) {
      auto cc = static_cast<unsigned char>(s[i + k]);
      ok = (cc & 0xC0) == 0x80;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    // No overlong forms, surrogates or values past U+10FFFF.
    if (ok) {
      ok = !(len == 2 && cp < 0x80) && !(len == 3 && cp < 0x800) && !(len == 4 && cp < 0x10000) &&
           !(cp >= 0xD800 && cp <= 0xDFFF) && cp <= 0x10FFFF && cp != 0;
    }
    if (ok) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return out;
}

cairo_scaled_font_t* scaledFont(double pointSize, bool bold) {
  return cache().get(pointSize, bold);
}

double lineHeightTwips(double pointSize, bool bold) {
  cairo_scaled_font_t* font = cache().get(pointSize, bold);
  cairo_font_extents_t extents;
  {
    std::lock_guard lock(cache().mutex());
    cairo_scaled_font_extents(font, &extents);
  }
  return std::ceil(extents.ascent + extents.descent - 1e-9) * kTwipsPerPixel;
}

double widthTwips(std::string_view text, double pointSize, bool bold) {
  double widest = 0.0;
  forEachLine(text, [&](std::string_view line) {
    widest = std::max(widest, lineAdvancePixels(line, pointSize, bold));
  });
  return widest * kTwipsPerPixel;
}

double heightTwips(std::string_view text, double pointSize, bool bold) {
  int lines = 0;
  forEachLine(text, [&](std::string_view) { ++lines; });
  return lines * lineHeightTwips(pointSize, bold);
}

}  // namespace host::text
