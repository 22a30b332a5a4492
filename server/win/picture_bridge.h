// Pictures across the boundary: a host picture as the platform's picture object (the client's
// own object when the picture came from one, else IPictureDisp over a bitmap of its pixels), and
// any platform picture as a host picture (its pixels, transparency kept, and the object itself).
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "host/picture.h"
#include "host/win/com_ptr.h"

namespace keloscroll::win {

// The object a picture came from, or a new picture object holding a copy of its pixels. Error 7
// when the platform cannot make it.
host::win::ComPtr<IDispatch> pictureToCom(const host::Picture& p);
// A platform picture as a host picture that keeps a reference to `object`, or null when `object`
// is no picture. Error 481 ("Invalid picture") for a picture that cannot be drawn or is past the
// limits of picture files.
host::PictureRef pictureFromCom(IUnknown* object);

}  // namespace keloscroll::win
