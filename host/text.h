// Text measurement for the widgets' TextWidth and TextHeight: real font metrics from Cairo with
// FreeType and fontconfig, in the engine's default face (DejaVu Sans), at 96 dots per inch.
// Results are in twips (15 per pixel); a text's lines are separated by line feeds.
#pragma once

#include <string>
#include <string_view>

typedef struct _cairo_scaled_font cairo_scaled_font_t;

namespace host::text {

inline constexpr const char* kDefaultFace = "DejaVu Sans";
inline constexpr double kDefaultPointSize = 8.0;

// The widest line's advance, in whole pixels expressed as twips. 0 for an empty text.
double widthTwips(std::string_view text, double pointSize, bool bold);
// The number of lines times the line height (an empty text is one line), in twips.
double heightTwips(std::string_view text, double pointSize, bool bold);
// The height of one line (ascent plus descent, whole pixels) in twips.
double lineHeightTwips(double pointSize, bool bold);

// The text with every byte that forms no character replaced by U+FFFD. Cairo puts a scaled font
// into a lasting error state when handed malformed UTF-8, and the fonts are shared by measuring
// and drawing, so both pass their text through this first.
std::string validUtf8(std::string_view s);

// The cached font itself, for drawing text with the same metrics. The cache owns it; it lives
// until exit, when the cache also releases Cairo's and fontconfig's static data, so whoever
// draws text should take fonts from here rather than keep their own. Error 380 for a size
// outside (0, 2048] points.
cairo_scaled_font_t* scaledFont(double pointSize, bool bold);

}  // namespace host::text
