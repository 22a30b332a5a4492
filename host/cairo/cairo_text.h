// The Cairo text backend's fonts, for drawing text with the metrics TextWidth and TextHeight use.
#pragma once

#include "host/units.h"

typedef struct _cairo_scaled_font cairo_scaled_font_t;

namespace keloscroll::host::text {

// The cached font itself. The cache owns it; it lives until exit, when the cache also releases
// Cairo's and fontconfig's static data, so whoever draws text should take fonts from here rather
// than keep their own. Error 380 for a size outside (0, 2048] points.
cairo_scaled_font_t* scaledFont(double pointSize, bool bold, Dpi dpi);

}  // namespace keloscroll::host::text
