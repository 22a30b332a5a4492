#include "control/register.h"

#include "control/UsrKeloScroll.h"
#include "host/classes.h"

namespace keloscroll {

void registerControlClasses() {
  host::registerControlClass(kControlProgId, [](host::ControlSite& site) -> host::ObjectRef {
    return UsrKeloScroll::create(site);
  });
}

}  // namespace keloscroll
