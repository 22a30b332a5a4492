#include "app/demo/commands.h"

#include <exception>
#include <iostream>

namespace keloscroll::demo {

bool reportOutcome(const std::function<void()>& action,
                   const std::function<void(std::string)>& note, const std::string& done,
                   const std::string& failed) {
  try {
    action();
  } catch (const std::exception& e) {
    std::cerr << "keloscroll-demo: " << e.what() << '\n';
    note(failed + ": " + e.what());
    return false;
  }
  note(done);
  return true;
}

bool askToSaveChanges(host::FormEngine& engine, const std::string& path,
                      const std::function<bool()>& save) {
  constexpr int32_t kYesNoCancel = 3, kQuestion = 32;
  constexpr int16_t kYes = 6, kNo = 7;
  int16_t answer =
      engine.MsgBox("The form has changes that are not saved. Save them to " + path + "?",
                    kYesNoCancel + kQuestion, "KeloScroll demo");
  if (answer == kNo) return true;
  // Quitting when the save failed would lose the changes the user meant to keep.
  if (answer == kYes) return save();
  return false;
}

}  // namespace keloscroll::demo
