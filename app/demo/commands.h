// What the demo's forms share around saving: reporting a save or a load, and asking before
// unsaved changes are lost.
#pragma once

#include <functional>
#include <string>

#include "host/engine.h"

namespace keloscroll::demo {

// Runs a save or a load. Its outcome goes to `note`: `done` when it worked, else `failed` and
// the reason (also to standard error). True when it worked.
bool reportOutcome(const std::function<void()>& action,
                   const std::function<void(std::string)>& note, const std::string& done,
                   const std::string& failed);

// Before quitting with unsaved changes: asks (Yes, No, Cancel) whether to save them to `path`.
// True to go on: No, or Yes and `save` worked; false to stay.
bool askToSaveChanges(host::FormEngine& engine, const std::string& path,
                      const std::function<bool()>& save);

}  // namespace keloscroll::demo
