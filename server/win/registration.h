// Registration of the library in the system registry, by the ActiveX control conventions: the
// type library, both classes under their ProgIDs as apartment-threaded in-process servers, and
// the control's marks (Control, ToolboxBitmap32, MiscStatus, TypeLib, Version).
#pragma once

#include <windows.h>

namespace keloscroll::win {

// Writes every entry; on a failure removes what it wrote and returns the failure.
HRESULT registerServer();
// Removes exactly what registerServer writes; S_OK also when nothing was there.
HRESULT unregisterServer();

}  // namespace keloscroll::win
