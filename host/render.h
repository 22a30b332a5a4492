// Painting a form: the form and every visible widget on it, back to front in z-order (the order
// the engine's hit test also follows), each clipped to its container's inner area, through the
// painter interface. A widget's pixel rectangle comes from its physical position in twips
// (15 twips = 1 pixel); scale modes never move pixels.
#pragma once

#include "host/form.h"
#include "host/painter.h"

namespace host {

// Twips to whole pixels, halves rounded up; both edges of a rectangle are rounded, so that
// widgets that touch in twips touch in pixels.
int toPixels(double twips);

// A widget's rectangle on its form (form-client pixels), and a container's inner area there.
PixelRect pixelRect(const Widget& w);
PixelRect innerPixelRect(const ContainerWidget& c);

// Paints the form's client area and its widget tree. Invisible widgets, and everything inside
// them, are left out.
void paintForm(const Form& form, Painter& painter);

}  // namespace host
