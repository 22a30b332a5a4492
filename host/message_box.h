// A message box drawn by the form engine, so that it looks like the rest of the program and works
// wherever its forms show: the prompt above a row of buttons, shown modally by the backend.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/engine.h"

namespace keloscroll::host {

// The answers, numbered as the host numbers them.
namespace answer {
inline constexpr int16_t Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7;
}

// Shows `prompt` with the buttons the low three bits of `buttons` ask for (0 OK, 1 OK Cancel,
// 2 Abort Retry Ignore, 3 Yes No Cancel, 4 Yes No, 5 Retry Cancel) on a form titled `title`,
// through `showModal` (which returns when the form is hidden or closed). Returns the button
// clicked; Return clicks the focused button (the first to begin with); a box closed without a
// click gives Cancel where it has one, else its last button.
int16_t showMessageBox(FormEngine& engine, const std::string& title, const std::string& prompt,
                       int32_t buttons, const std::function<void(Form&)>& showModal);

}  // namespace keloscroll::host
