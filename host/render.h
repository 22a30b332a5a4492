// Painting a form: the form and every visible widget on it, back to front in z-order (the order
// the engine's hit test also follows), each clipped to its container's inner area, through the
// painter interface. A widget's pixel rectangle comes from its physical position in twips and
// the density of the device painted on (the engine's screen unless a caller names another);
// scale modes never move pixels.
#pragma once

#include "host/form.h"
#include "host/painter.h"

namespace keloscroll::host {

// Twips to whole pixels at a density, halves rounded up; both edges of a rectangle are rounded,
// so that widgets that touch in twips touch in pixels.
int toPixels(double twips, Dpi dpi);

// A widget's rectangle on its form (form-client pixels), and a container's inner area there, at
// the widget's own density or at the one given.
PixelRect pixelRect(const Widget& w);
PixelRect pixelRect(const Widget& w, Dpi dpi);
PixelRect innerPixelRect(const ContainerWidget& c);
PixelRect innerPixelRect(const ContainerWidget& c, Dpi dpi);

// The pixels at a density of a size the classic look gives in pixels of a 96 dpi screen (a check
// box's box, a caption's indent): it keeps its size in inches.
int scaledPixels(int classicPixels, Dpi dpi);

// Paints the form's client area and its widget tree at the form's density, or at the density of
// another device (a printer, a container's view). Invisible widgets, and everything inside them,
// are left out.
void paintForm(const Form& form, Painter& painter);
void paintForm(const Form& form, Painter& painter, Dpi dpi);

}  // namespace keloscroll::host
