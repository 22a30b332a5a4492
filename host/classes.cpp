#include "host/classes.h"

#include <map>
#include <mutex>
#include <utility>

#include "host/dispatch.h"

namespace keloscroll::host {

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, ControlFactory> factories;  // keyed by the lower-case ProgID
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

void registerControlClass(std::string progId, ControlFactory factory) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.factories[toLowerAscii(progId)] = std::move(factory);
}

ControlFactory findControlClass(std::string_view progId) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.factories.find(toLowerAscii(progId));
  return it == r.factories.end() ? ControlFactory() : it->second;
}

}  // namespace keloscroll::host
