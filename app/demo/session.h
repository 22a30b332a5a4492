// The demo without a display: the viewer on the headless engine with a virtual clock, played by a
// fixed script (hold the lower end button, drag the thumb, click the track, keys, the horizontal
// bar, the about box through F1, the property page through F4, saving the form, then the form
// designer), with PNG screenshots of the forms on the way.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/demo/viewer.h"

namespace keloscroll::demo {

struct SessionOptions {
  TextDocument document;
  std::string shotsDir = "/tmp/keloscroll-demo";  // made when missing
  std::string formPath;                           // where the session saves the form ("" : none)
};

struct Shot {
  std::string path;
  int width = 0, height = 0;
};

struct SessionResult {
  std::vector<Shot> shots;
  std::vector<std::string> log;  // every event-log line, in order
  int32_t finalTopLine = 0, finalColumn = 0;
};

// Plays the session and prints its event log (with the virtual time) and the screenshots' paths.
// Throws std::runtime_error when a screenshot cannot be written.
SessionResult playSession(const SessionOptions& options, std::ostream& out);

}  // namespace keloscroll::demo
