// The bar as assistive technology sees it: a scroll bar with its value, the host's description
// of the current position, and five parts (the start button, the page area before the thumb, the
// thumb, the page area after it, the end button). It reads the control through its public face
// and the parts' geometry, and acts through the engine's mouse input, as a user's click would.
#pragma once

#include <memory>

#include "host/accessible.h"

namespace keloscroll {

class UsrKeloScroll;

class AccessibleBar final : public host::Accessible {
 public:
  // The children, in order.
  enum Part { Bar = 0, StartButton, PageBefore, Thumb, PageAfter, EndButton, kParts = EndButton };

  AccessibleBar(std::weak_ptr<UsrKeloScroll> control, std::weak_ptr<host::UserControl> surface);

  bool connected() const override;
  int childCount() const override { return kParts; }
  host::AccessibleNode node(int index) const override;
  int childAt(double x, double y) const override;
  bool doDefaultAction(int index) override;
  void focus() override;
  host::Form* form() const override;

 private:
  struct Held;
  Held hold() const;  // raises error 91 once the control or its surface is gone
  std::weak_ptr<UsrKeloScroll> control_;
  std::weak_ptr<host::UserControl> surface_;
};

}  // namespace keloscroll
