// The system colours by name. A host colour value is an RGB value &H00BBGGRR (red in the low
// byte, as the host stores it) or system colour n as &H80000000 + n; what each system colour
// looks like is the painter's to say (host/painter.h: systemColor).
#pragma once

#include <cstdint>

namespace keloscroll::host::syscolor {

inline constexpr int32_t of(int n) {
  return static_cast<int32_t>(0x80000000u | static_cast<uint32_t>(n));
}
inline constexpr int32_t ScrollBar = of(0), Desktop = of(1), ActiveCaption = of(2),
                         InactiveCaption = of(3), Menu = of(4), Window = of(5), WindowFrame = of(6),
                         MenuText = of(7), WindowText = of(8), CaptionText = of(9),
                         ActiveBorder = of(10), InactiveBorder = of(11), AppWorkspace = of(12),
                         Highlight = of(13), HighlightText = of(14), ButtonFace = of(15),
                         ButtonShadow = of(16), GrayText = of(17), ButtonText = of(18),
                         InactiveCaptionText = of(19), ButtonHighlight = of(20),
                         DarkShadow3D = of(21), Light3D = of(22), InfoText = of(23),
                         InfoBackground = of(24);
// The highest system colour a colour property takes.
inline constexpr int32_t Last = InfoBackground;

}  // namespace keloscroll::host::syscolor
