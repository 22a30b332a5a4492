// Helpers shared by the host's tests: a form on a headless engine with a virtual clock, and the
// error number a call raises.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "host/clock.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/widgets.h"

namespace keloscroll::host::testing {

// The host error number a call raises, or 0 when it returns normally.
template <class F>
int32_t errorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

class HostTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  FormEngine engine{clock};
  std::shared_ptr<Form> form = engine.createForm("Form1");
};

}  // namespace keloscroll::host::testing
