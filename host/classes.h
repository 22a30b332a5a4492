// Control classes a host can place by ProgID, and the read-only diagnostic view that a control
// may offer to tests and the scenario runner (not part of its public face).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/variant.h"

namespace keloscroll::host {

class ControlSite;

// Creates a control object on a site (its surface exists; the object runs its Initialize).
using ControlFactory = std::function<ObjectRef(ControlSite& site)>;

// Registers a control class under a ProgID ("KeloScroll.UsrKeloScroll"); case-insensitive.
void registerControlClass(std::string progId, ControlFactory factory);
// The factory for a ProgID, or an empty function.
ControlFactory findControlClass(std::string_view progId);

// A control's private state by name, for tests and bug reports.
class Diagnosable {
 public:
  virtual ~Diagnosable() = default;
  virtual std::vector<std::pair<std::string, Variant>> diagnosticState() const = 0;
};

}  // namespace keloscroll::host
