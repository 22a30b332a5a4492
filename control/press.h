// The state of the user's press on the bar: what an interaction in progress holds. Each flag is
// raised and dropped at its own moments (a key release drops three at once, disabling the control
// holds Busy whatever else is on, a Value write during a drag leaves the step armed), so the state
// is a set of named flags rather than one of a few exclusive stages.
#pragma once

#include <cstdint>

namespace keloscroll {

enum class Press : uint8_t {
  Busy = 1 << 0,         // a user interaction holds the input, or the control is disabled
  ThumbLocked = 1 << 1,  // a thumb move is under way; a nested one is skipped
  StepArmed = 1 << 2,    // an end button is held: its repeated steps move the thumb
  ThumbMoving = 1 << 3,  // the thumb follows the moves it is given (a drag, a step, a page)
  PosGiven = 1 << 4,     // moves are given positions rather than pointer coordinates
};

class PressState {
 public:
  bool has(Press f) const { return (bits_ & bit(f)) != 0; }
  void set(Press f) { bits_ = static_cast<uint8_t>(bits_ | bit(f)); }
  void clear(Press f) { bits_ = static_cast<uint8_t>(bits_ & ~bit(f)); }

 private:
  static constexpr unsigned bit(Press f) { return static_cast<unsigned>(f); }
  uint8_t bits_ = 0;
};

}  // namespace keloscroll
