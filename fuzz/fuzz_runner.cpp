// keloscroll-run on arbitrary text: every input ends in a result (passed, failed, stopped), never
// in a crash, a hang or undefined behaviour. Virtual time and the event log are bounded, as for
// any scenario from an untrusted hand; handlers nest at most as deep as the runner allows.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "app/run/runner.h"
#include "control/register.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    keloscroll::registerControlClasses();
    return true;
  }();
  (void)registered;
  if (size > 4096) return -1;  // long scenarios only repeat what short ones do
  keloscroll::run::RunOptions options;
  options.maxTimeMs = 60000;
  options.maxUncheckedEvents = 2000;
  std::ostringstream out, err;
  keloscroll::run::Runner runner(out, err, options);
  // A folder that cannot be made: `screenshot` ends in error 75 instead of writing files.
  runner.setScreenshotFolder("/proc/kelo-fuzz-no-folder");
  int status = runner.run(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.scn",
                          "/proc/kelo-fuzz-no-folder");
  if (status < 0 || status > 2) __builtin_trap();
  // An exception that is neither the scenario's mistake nor a host error is a fault of ours. The
  // runner reports it as "FILE:LINE: internal error: ..."; no other message starts that way.
  std::istringstream lines(err.str());
  for (std::string line; std::getline(lines, line);) {
    size_t colon = line.find(':', sizeof "fuzz.scn");
    if (line.starts_with("fuzz.scn:") && colon != std::string::npos &&
        line.compare(colon, 17, ": internal error:") == 0) {
      __builtin_trap();
    }
  }
  return 0;
}
