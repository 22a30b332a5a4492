// The control's built-in pictures: arrow faces of the two end buttons, the bevelled thumb and the
// light-grey track.
#pragma once

#include "host/picture.h"

namespace keloscroll::pictures {

enum class Arrow { Up, Down, Left, Right };

// Pictures are immutable, so each is made once and shared by every bar.
host::PictureRef arrowButton(Arrow direction);  // 16 x 16
host::PictureRef thumb();                       // 16 x 15, raised bevel
host::PictureRef track();                       // 17 x 34, plain light grey

// Whether `p` is the built-in arrow of that direction or a copy of it: a form saved and loaded
// again, or a client that gives back the picture it read, hands over the same pixels in another
// object.
bool isArrowButton(const host::PictureRef& p, Arrow direction);

}  // namespace keloscroll::pictures
