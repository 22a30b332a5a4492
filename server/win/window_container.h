// Where a container gives the control no form to stand on (no extender, or a parent without a
// Controls collection, as in most non-form hosts), the control's window is its container: an
// extender of ours answers Left, Top, Container and Parent from that window, and its parent's
// Controls.Add("VB.TextBox") makes a borderless tooltip window of ours at the place the
// control's tooltip rules compute. Everything else goes to the extender underneath.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "host/container.h"
#include "host/dispatch.h"

namespace keloscroll::win {

// `base` is the extender the control would have used; `containerGave` says whether it is the
// container's own (then its parent is used whenever it has a Controls collection). `window`
// gives the control's window while it is in place, else nullptr. The tooltip windows take `hold`
// for each message they handle (a tick of the control's timer may run there).
host::ObjectRef windowExtender(host::ControlSite& site, host::ObjectRef base, bool containerGave,
                               std::function<HWND()> window,
                               std::function<std::shared_ptr<void>()> hold);

// Closes every tooltip window made for the control (its window is going).
void closeWindowTips(const host::ObjectRef& extender);

}  // namespace keloscroll::win
