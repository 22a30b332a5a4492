// keloscroll-run's interpreter: plays a scenario file on the headless form engine with a virtual
// clock and prints what happened. docs/scenarios.md describes the file format and every verb.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace keloscroll::host {
class FormEngine;
class VirtualClock;
}  // namespace keloscroll::host

namespace keloscroll::run {

class Interpreter;

// Exit codes of a run.
inline constexpr int kPassed = 0;
inline constexpr int kExpectationFailed = 1;  // the run went to its end but an `expect` failed
inline constexpr int kStopped = 2;            // a bad line, an unknown name or an unexpected error

// What a scenario may be. The suite's longest line has about 200 characters: a longer file or
// line is no scenario a person wrote, and stops the run before anything plays.
inline constexpr size_t kMaxScenarioBytes = size_t{16} << 20;
inline constexpr size_t kMaxLineBytes = size_t{64} << 10;

struct RunOptions {
  bool echo = false;  // print each statement, with its line number, before running it
  // `screenshot` writes only inside the screenshot folder unless this is set.
  bool screenshotsAnywhere = false;
  // Events not yet checked by `expect events` or `clear events` that the log keeps; one more
  // stops the run, which would otherwise hold every event of an endless timer.
  size_t maxUncheckedEvents = 100000;
  // How far the virtual clock may go (ms from the start; negative: as far as the engine goes).
  int64_t maxTimeMs = -1;
};

class Runner {
 public:
  // Output goes to `out`; messages about failures (FILE:LINE: message) go to `err`.
  Runner(std::ostream& out, std::ostream& err, RunOptions options = {});
  ~Runner();
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // Plays a scenario. `file` names it in messages; LoadPicture looks for files in `folder`.
  // Returns one of the exit codes above. A Runner plays one scenario.
  int run(std::string_view text, const std::string& file, const std::string& folder = ".");
  // Reads and plays a file ("-" reads standard input); a file that cannot be read or is larger
  // than kMaxScenarioBytes stops with a message naming it.
  int runFile(const std::string& path);

  // The folder where `screenshot` writes files given by a relative name (made when missing);
  // empty, as at the start: the current directory.
  void setScreenshotFolder(std::string folder);

  // The engine and clock the scenario plays on (for tests that look behind the output).
  host::FormEngine& engine();
  host::VirtualClock& clock();

 private:
  std::unique_ptr<Interpreter> impl_;
};

}  // namespace keloscroll::run
