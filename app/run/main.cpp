// keloscroll-run: plays a scenario file on the headless form engine and prints what happened.
//   keloscroll-run [-v] [--screenshots-anywhere] FILE      (FILE "-" reads standard input)
// Exit status: 0 passed, 1 an expectation failed, 2 the run stopped (see docs/scenarios.md).
// `screenshot` writes relative file names into $KELO_SCREENSHOT_DIR (the current directory when
// it is unset or empty), and nothing outside that folder unless --screenshots-anywhere is given.
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "app/run/runner.h"
#ifdef KELO_RUN_HAS_CONTROL
#include "control/register.h"
#endif

int main(int argc, char** argv) {
  keloscroll::run::RunOptions options;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a == "-v" || a == "--verbose") {
      options.echo = true;
    } else if (a == "--screenshots-anywhere") {
      options.screenshotsAnywhere = true;
    } else if (a == "-h" || a == "--help") {
      std::cout << "usage: keloscroll-run [-v] [--screenshots-anywhere] FILE\n"
                   "Plays a scenario on the headless form engine; -v prints each statement.\n"
                   "Screenshots with a relative name go to $KELO_SCREENSHOT_DIR, else the\n"
                   "current directory; --screenshots-anywhere lets them go outside it.\n";
      return 0;
    } else if (file.empty() && (a == "-" || !a.starts_with("-"))) {
      file = a;
    } else {
      std::cerr << "usage: keloscroll-run [-v] [--screenshots-anywhere] FILE\n";
      return keloscroll::run::kStopped;
    }
  }
  if (file.empty()) {
    std::cerr << "usage: keloscroll-run [-v] [--screenshots-anywhere] FILE\n";
    return keloscroll::run::kStopped;
  }
#ifdef KELO_RUN_HAS_CONTROL
  keloscroll::registerControlClasses();
#endif
  keloscroll::run::Runner runner(std::cout, std::cerr, options);
  if (const char* dir = std::getenv("KELO_SCREENSHOT_DIR")) runner.setScreenshotFolder(dir);
  return runner.runFile(file);
}
