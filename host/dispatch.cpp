#include "host/dispatch.h"

#include <cctype>

namespace keloscroll::host {

std::string toLowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

Variant Dispatch::get(std::string_view name) {
  return invoke(idOfName(name), Invoke::Get, {});
}

Variant Dispatch::get(std::string_view name, std::span<Variant> index) {
  return invoke(idOfName(name), Invoke::Get, index);
}

void Dispatch::let(std::string_view name, Variant value) {
  Invoke kind = value.isObject() ? Invoke::Set : Invoke::Let;
  invoke(idOfName(name), kind, std::span<Variant>(&value, 1));
}

Variant Dispatch::call(std::string_view name, std::vector<Variant> args) {
  return invoke(idOfName(name), Invoke::Method, args);
}

Variant Dispatch::call(std::string_view name, std::span<Variant> args) {
  return invoke(idOfName(name), Invoke::Method, args);
}

Dispatch& deref(const ObjectRef& o) {
  if (!o) raise(err::ObjectNotSet);
  return *o;
}

}  // namespace keloscroll::host
