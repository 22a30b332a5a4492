// Failures as the status codes (HRESULT) a COM caller receives, one mapping for both platforms'
// servers: a host error is 0x800A0000 + its number (the control facility, the form automation
// gives errors of a control's code: 13 type mismatch is 0x800A000D), running out of memory is
// E_OUTOFMEMORY, and any other failure has one fallback, E_UNEXPECTED. Nothing thrown crosses
// the boundary: every entry point runs its work through `guard`.
#pragma once

#include <cstdint>
#include <new>

#include "host/error.h"

namespace keloscroll::server::status {

inline constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000Eu);
// What a failure the library has no name for gives (E_UNEXPECTED).
inline constexpr int32_t kUnexpected = static_cast<int32_t>(0x8000FFFFu);

// The status code of host error `number`.
constexpr int32_t ofError(int32_t number) {
  return static_cast<int32_t>(0x800A0000u | (static_cast<uint32_t>(number) & 0xFFFFu));
}

// The status of the exception being handled, other than a host error: kOutOfMemory when memory ran
// out, else kUnexpected.
inline int32_t ofCurrentException() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (...) {
    return kUnexpected;
  }
}

// Runs `work` (which returns a status) so that nothing it throws escapes: a host error becomes
// what `onError` makes of it, anything else ofCurrentException (also when `onError` throws).
template <class Work, class OnError>
auto guard(Work&& work, OnError&& onError) noexcept -> decltype(work()) {
  try {
    return work();
  } catch (const host::Error& e) {
    try {
      return onError(e);
    } catch (...) {
      return ofCurrentException();
    }
  } catch (...) {
    return ofCurrentException();
  }
}

// The same, with a host error as its status code.
template <class Work>
auto guard(Work&& work) noexcept -> decltype(work()) {
  return guard(work, [](const host::Error& e) { return ofError(e.number()); });
}

}  // namespace keloscroll::server::status
