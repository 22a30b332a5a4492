#include "host/error.h"

#include <utility>

namespace keloscroll::host {

std::string errorDescription(int32_t number) {
  switch (number) {
    case err::InvalidCall:
      return "Invalid procedure call or argument";
    case err::Overflow:
      return "Overflow";
    case err::OutOfMemory:
      return "Out of memory";
    case err::SubscriptOutOfRange:
      return "Subscript out of range";
    case err::DivisionByZero:
      return "Division by zero";
    case err::TypeMismatch:
      return "Type mismatch";
    case err::PathFileAccess:
      return "Path/File access error";
    case err::ObjectNotSet:
      return "Object variable or With block variable not set";
    case err::InvalidPropertyValue:
      return "Invalid property value";
    case err::NoClientSite:
      return "Client site not available";
    case err::FormAlreadyShown:
      return "Form already displayed; can't show modally";
    case err::InvalidPicture:
      return "Invalid picture";
    case err::NoSuchMember:
      return "Object doesn't support this property or method";
    case err::NameInUse:
      return "There is already a control with the name";
    case err::ControlNotFound:
      return "Control not found";
    default:
      return "Application-defined or object-defined error";
  }
}

std::string nameInUse(std::string_view name) {
  return errorDescription(err::NameInUse) + " '" + std::string(name) + "'";
}

Error::Error(int32_t number) : Error(number, errorDescription(number)) {}

Error::Error(int32_t number, std::string description)
    : std::runtime_error("error " + std::to_string(number) + ": " + description),
      number_(number),
      description_(std::move(description)) {}

void raise(int32_t number) {
  throw Error(number);
}
void raise(int32_t number, std::string description) {
  throw Error(number, std::move(description));
}

}  // namespace keloscroll::host
