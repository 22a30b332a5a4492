// The demo's event log: a frame that shows a few lines, one line each (a long one cut with
// "..."), and a KeloScroll bar of its own to scroll back through every line kept. The view
// follows the newest line while it stands at the end; scrolled back, it stays on the lines the
// user went to while new ones arrive. The bar's tooltip names the line at its thumb.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "app/demo/component.h"
#include "host/engine.h"
#include "host/widgets.h"

namespace keloscroll::demo {

class EventLog {
 public:
  static constexpr int kShownLines = 6;
  static constexpr size_t kKeptLines = 1000;  // the oldest go beyond this
  static constexpr const char* kBarName = "LogBar";

  // Places the frame ("fraLog"), its label ("lblLog") and its bar on `parent`.
  EventLog(host::FormEngine& engine, host::ContainerWidget& parent);
  ~EventLog();
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // The height in pixels that shows kShownLines lines; place() lays the log out in a rectangle
  // of the parent, in pixels.
  static int heightPixels();
  void place(int left, int top, int width, int height);

  void add(std::string line);
  void clear();
  const std::deque<std::string>& lines() const { return lines_; }
  // The number (from 1) of the oldest line kept that is in view at the top.
  int32_t firstShown() const { return first_; }
  // The mouse wheel: three lines a notch, positive towards older lines.
  void scroll(int steps);
  // Whether the mouse pointer stands over the log (the engine's cursor position).
  bool underCursor() const;

  host::Dispatch& bar() const { return *bar_.control; }
  host::ControlSite& barSite() const { return *bar_.site; }
  const host::Label& label() const { return *label_; }

 private:
  int32_t lastFirst() const;  // the first line shown when the newest is at the bottom
  void show(int32_t first);   // moves the view and the bar's thumb there
  void refresh();
  std::string fit(const std::string& line) const;
  void onBarEvent(std::string_view event, std::span<host::Variant> args);

  host::FormEngine& engine_;
  std::shared_ptr<host::Frame> frame_;
  std::shared_ptr<host::Label> label_;
  SitedControl bar_;
  std::deque<std::string> lines_;
  int32_t first_ = 1;
};

}  // namespace keloscroll::demo
