// The GDI text backend's fonts, for drawing text with the metrics TextWidth and TextHeight use.
#pragma once

#include <windows.h>

#include "host/units.h"

namespace keloscroll::host::text {

// The cached font of the engine's face at this size and weight; the cache owns it for the life
// of the process. Error 380 for a size outside (0, 2048] points.
HFONT gdiFont(double pointSize, bool bold, Dpi dpi);

}  // namespace keloscroll::host::text
