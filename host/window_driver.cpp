#include "host/window_driver.h"

#include <algorithm>

#include "host/render.h"

namespace keloscroll::host {

void WindowDriver::place(Form& form, int x, int y) const {
  form.screenLeftTwips = twips(x);
  form.screenTopTwips = twips(y);
}

int WindowDriver::windowWidth(const Form& form) const {
  return std::max(1, toPixels(form.innerWidthTwips(), engine_.dpi()));
}

int WindowDriver::windowHeight(const Form& form) const {
  return std::max(1, toPixels(form.innerHeightTwips(), engine_.dpi()));
}

void WindowDriver::mouseDown(Form& form, int x, int y, int16_t button, int16_t shift,
                             int16_t held) const {
  engine_.mouseDown(form, twips(x), twips(y), button, shift, held);
}

void WindowDriver::mouseMove(Form& form, int x, int y, int16_t shift, int16_t held) const {
  engine_.mouseMove(form, twips(x), twips(y), shift, held);
}

void WindowDriver::mouseUp(Form& form, int x, int y, int16_t button, int16_t shift,
                           int16_t held) const {
  engine_.mouseUp(form, twips(x), twips(y), button, shift, held);
}

int64_t WindowDriver::timerWait(int64_t least, int64_t most) const {
  const int64_t due = engine_.nextDue();
  if (due < 0) return -1;
  return std::clamp<int64_t>(due - engine_.clock().nowMs(), least, most);
}

bool WindowDriver::loaded(const Form& form) const {
  const auto& forms = engine_.forms();
  return std::any_of(forms.begin(), forms.end(), [&](const auto& f) { return f.get() == &form; });
}

}  // namespace keloscroll::host
