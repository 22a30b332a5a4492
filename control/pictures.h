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

}  // namespace keloscroll::pictures
