// Text measurement for the widgets' TextWidth and TextHeight: real font metrics from the
// platform's text backend (Cairo with FreeType and fontconfig on Linux, GDI on Windows), in the
// engine's default face (DejaVu Sans), measured in the whole pixels of the device the text is
// drawn on (its dots per inch), so that what is measured is what is drawn at that density.
// Results are in twips; a text's lines are separated by line feeds.
#pragma once

#include <string>
#include <string_view>

#include "host/units.h"

namespace keloscroll::host::text {

inline constexpr const char* kDefaultFace = "DejaVu Sans";
inline constexpr double kDefaultPointSize = 8.0;
inline constexpr double kPointsPerInch = 72.0;

// The font's em height in pixels on a device of this density.
constexpr double emPixels(double pointSize, Dpi dpi) {
  return pointSize * dpi.value() / kPointsPerInch;
}

// The widest line's advance, in whole pixels expressed as twips. 0 for an empty text.
double widthTwips(std::string_view text, double pointSize, bool bold, Dpi dpi);
// The number of lines times the line height (an empty text is one line), in twips.
double heightTwips(std::string_view text, double pointSize, bool bold, Dpi dpi);
// The height of one line (ascent plus descent, whole pixels) in twips.
double lineHeightTwips(double pointSize, bool bold, Dpi dpi);

// The text with every byte that forms no character replaced by U+FFFD. Cairo puts a scaled font
// into a lasting error state when handed malformed UTF-8, and the fonts are shared by measuring
// and drawing, so both pass their text through this first.
std::string validUtf8(std::string_view s);

// The backend's part, which every platform's text backend supplies: the advance of one line
// (no line feeds, not empty) and the height of a line (ascent plus descent), in whole pixels.
// Error 380 for a size outside (0, 2048] points.
double lineWidthPixels(std::string_view line, double pointSize, bool bold, Dpi dpi);
double lineHeightPixels(double pointSize, bool bold, Dpi dpi);

}  // namespace keloscroll::host::text
