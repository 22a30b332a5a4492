// Registers the control class with the host under its ProgID, so that a container (the scenario
// runner, the demo) can place it by name.
#pragma once

namespace keloscroll {

inline constexpr const char* kControlProgId = "KeloScroll.UsrKeloScroll";

// Idempotent.
void registerControlClasses();

}  // namespace keloscroll
