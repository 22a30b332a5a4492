#include "app/demo/event_log.h"

#include <algorithm>

#include "app/demo/document.h"
#include "app/demo/layout.h"
#include "control/register.h"
#include "host/variant.h"

namespace keloscroll::demo {

namespace {
constexpr int kInset = 8;  // the label and the bar inside the frame's edges
}  // namespace

EventLog::EventLog(host::FormEngine& engine, host::ContainerWidget& parent) : engine_(engine) {
  frame_ = parent.add<host::Frame>("fraLog");
  frame_->setCaption("Events");
  label_ = frame_->add<host::Label>("lblLog");
  Placement how;
  how.rect = host::TwipsRect{0, 0, px(kBarThickness), px(120)};
  how.sink = [this](std::string_view event, std::span<host::Variant> args) {
    onBarEvent(event, args);
  };
  how.init = [](host::Dispatch& bar) {
    bar.let("RefreshMsecGD", host::Variant(int16_t{40}));  // the lines are in memory
  };
  bar_ = placeControl(keloscroll::kControlProgId, engine_, *frame_, kBarName, how);
  // Every line moves the bar: no record of that may grow for as long as the demo runs.
  bar_.site->setRecording(false);
  refresh();
}

EventLog::~EventLog() {
  bar_.drop();
}

int EventLog::heightPixels() {
  const int lineH = lineHeightPixels();
  return lineH / 2 + kShownLines * lineH + 12;
}

void EventLog::place(int left, int top, int width, int height) {
  const int lineH = lineHeightPixels();
  keloscroll::demo::place(*frame_, left, top, width, height);
  const int innerTop = lineH / 2 + 6;
  const int barLeft = width - kInset - kBarThickness;
  keloscroll::demo::place(*label_, kInset, innerTop, barLeft - kInset - 4, height - innerTop - 2);
  const int barH = height - innerTop - 4;
  keloscroll::demo::place(bar_.site->surface(), barLeft, innerTop - 2, kBarThickness, barH);
  bar_.site->resize(static_cast<float>(px(kBarThickness)), static_cast<float>(px(barH)));
  refresh();
}

int32_t EventLog::lastFirst() const {
  return std::max<int32_t>(1, static_cast<int32_t>(lines_.size()) - kShownLines + 1);
}

void EventLog::add(std::string line) {
  const bool following = first_ >= lastFirst();
  lines_.push_back(std::move(line));
  // Past the limit the oldest goes, and the lines in view move up one place in the list.
  if (lines_.size() > kKeptLines) {
    lines_.pop_front();
    if (!following) first_ = std::max(1, first_ - 1);
  }
  bar_.control->let("Max", host::Variant(lastFirst()));
  show(following ? lastFirst() : first_);
}

void EventLog::clear() {
  lines_.clear();
  bar_.control->let("Max", host::Variant(lastFirst()));
  show(1);
}

void EventLog::scroll(int steps) {
  show(std::clamp(first_ - 3 * steps, 1, lastFirst()));
}

void EventLog::show(int32_t first) {
  first_ = first;
  // The thumb follows; its Change comes back here with the same line (or is ignored while the
  // user holds the bar, whose own move then decides).
  bar_.control->let("Value", host::Variant(first));
  refresh();
}

bool EventLog::underCursor() const {
  return host::PtInRect(engine_.screenRect(*frame_), engine_.GetCursorPos()) != 0;
}

void EventLog::onBarEvent(std::string_view event, std::span<host::Variant> args) {
  if (args.empty()) return;
  if (event == "Change") {
    first_ = std::clamp(args[0].asLong(), 1, lastFirst());
    refresh();
  } else if (event == "GetDescription") {
    const int32_t at = std::clamp(bar_.control->get("Value").asLong(), 1, lastFirst());
    std::string text = "line " + std::to_string(at) + " of " + std::to_string(lines_.size());
    if (static_cast<size_t>(at) <= lines_.size()) {
      std::string words = firstWords(lines_[static_cast<size_t>(at - 1)], 28);
      if (!words.empty()) text += ": " + words;
    }
    args[0].assign(host::Variant(text));
  }
}

void EventLog::refresh() {
  std::string text;
  const size_t from = static_cast<size_t>(first_ - 1);
  for (size_t i = from; i < lines_.size() && i < from + kShownLines; ++i)
    text += (text.empty() ? "" : "\n") + fit(lines_[i]);
  label_->setCaption(std::move(text));
}

// One entry on one line of the log: a long one would wrap and push the others out of the frame.
std::string EventLog::fit(const std::string& line) const {
  const double room = label_->Width();
  if (frame_->TextWidth(line) <= room) return line;
  std::string cut = line;
  while (!cut.empty() && frame_->TextWidth(cut + "...") > room) {
    // A whole character at a time: its continuation bytes, then its lead byte.
    while (!cut.empty()) {
      auto c = static_cast<unsigned char>(cut.back());
      cut.pop_back();
      if ((c & 0xC0) != 0x80) break;
    }
  }
  return cut + "...";
}

}  // namespace keloscroll::demo
