// What a widget tells assistive technology: an element and its children, each with a role, a
// name, a value, a description, states, a place and a default action. A control gives its
// surface such a model; the engine's platform backends expose it (IAccessible on Windows) and the
// scenario runner prints it. The model is platform-free: roles and states are the few the
// controls need, and places are form-client twips.
#pragma once

#include <cstdint>
#include <string>

#include "host/widgets.h"

namespace keloscroll::host {

enum class AccessibleRole { ScrollBar, PushButton, Indicator };

inline const char* roleName(AccessibleRole r) {
  switch (r) {
    case AccessibleRole::ScrollBar:
      return "scroll bar";
    case AccessibleRole::PushButton:
      return "push button";
    case AccessibleRole::Indicator:
      return "indicator";
  }
  return "?";
}

namespace access {
inline constexpr uint32_t Unavailable = 1, Invisible = 2, Focused = 4, Focusable = 8, Pressed = 16,
                          Horizontal = 32, Vertical = 64;
}

struct AccessibleNode {
  AccessibleRole role = AccessibleRole::PushButton;
  std::string name, value, description, defaultAction;  // empty: none
  uint32_t states = 0;                                  // access:: bits
  TwipsRect place;                                      // form-client twips
};

class Accessible {
 public:
  virtual ~Accessible() = default;
  // False once what the model shows is gone: every other call then raises error 91.
  virtual bool connected() const = 0;
  virtual int childCount() const = 0;
  // 0 is the element itself, 1 to childCount() its children in order.
  virtual AccessibleNode node(int index) const = 0;
  // The child whose place holds a form-client point, 0 for the element itself, -1 outside.
  virtual int childAt(double x, double y) const = 0;
  // Does what the default action says, through the same input a user gives. False when there
  // is none, or while the mouse is held elsewhere.
  virtual bool doDefaultAction(int index) = 0;
  // Gives the keyboard focus to the element.
  virtual void focus() = 0;
  // The form that holds the element, for places on the screen.
  virtual Form* form() const = 0;
};

}  // namespace keloscroll::host
