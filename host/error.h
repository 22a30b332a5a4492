// Errors of the host's object model: a number and a description, thrown as host::Error.
// A procedure that "traps errors" catches host::Error, and only that.
#pragma once

#include "host/cxx20.h"  // first: says "needs C++20" before anything fails

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace keloscroll::host {

namespace err {
inline constexpr int32_t InvalidCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t PathFileAccess = 75;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t InvalidPropertyValue = 380;
inline constexpr int32_t NoClientSite = 398;
inline constexpr int32_t FormAlreadyShown = 400;
inline constexpr int32_t InvalidPicture = 481;
inline constexpr int32_t NoSuchMember = 438;
inline constexpr int32_t NameInUse = 727;
inline constexpr int32_t ControlNotFound = 730;
}  // namespace err

// The platform's usual text for an error number ("Application-defined or object-defined error"
// for numbers it does not know).
std::string errorDescription(int32_t number);
// Error 727's description with the name that is taken, as the platform words it.
std::string nameInUse(std::string_view name);

class Error : public std::runtime_error {
 public:
  explicit Error(int32_t number);
  Error(int32_t number, std::string description);

  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string description_;
};

[[noreturn]] void raise(int32_t number);
[[noreturn]] void raise(int32_t number, std::string description);

}  // namespace keloscroll::host
