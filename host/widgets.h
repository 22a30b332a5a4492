// The form engine's widgets, each with the members the control and its pages use and the effects
// they rely on. Positions and sizes are stored physically, in twips relative to the container's
// inner top-left corner, and are read and written in the container's scale units: changing a
// container's scale changes the numbers its children report, never where they are.
//
// Every widget family in one include, for code that uses several of them.
#pragma once

#include "host/container_widget.h"
#include "host/form.h"
#include "host/leaf_widgets.h"
#include "host/timer_widget.h"
#include "host/widget.h"
