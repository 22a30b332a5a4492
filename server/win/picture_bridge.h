// Pictures across the boundary: a host picture as the platform's picture object (IPictureDisp
// over a bitmap of its pixels), and any platform picture as a host picture (its pixels).
#pragma once

#include <oaidl.h>
#include <windows.h>

#include "host/picture.h"
#include "host/win/com_ptr.h"

namespace keloscroll::win {

// A new picture object holding a copy of the pixels. Error 7 when the platform
// cannot make it.
host::win::ComPtr<IDispatch> pictureToCom(const host::Picture& p);
// The pixels of a platform picture, or null when `object` is no picture. Error 481 ("Invalid
// picture") for a picture that cannot be drawn or is too large.
host::PictureRef pictureFromCom(IUnknown* object);

}  // namespace keloscroll::win
