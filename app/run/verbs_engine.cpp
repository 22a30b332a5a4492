// Verbs of the form engine's own state, which no property shows: when the next timer tick is due,
// where the pointer is, how deep modal showings are nested; and the engine's own message box.
#include "app/run/interpreter.h"
#include "host/message_box.h"

namespace keloscroll::run {

// expect due = MS | none, expect cursor = X Y, expect modal depth = N
Interpreter::Action Interpreter::parseExpectEngine(Cursor& c) {
  std::string what = lower(c.word("due, cursor or modal"));
  if (what == "modal") c.expect("depth");
  c.expectEquals();
  // Whole numbers beyond 2^53 would not survive the reading as a Double.
  constexpr int64_t kExact = int64_t{1} << 53;
  std::vector<int64_t> want;
  if (what == "due" && c.accept("none")) {
    want.push_back(-1);
  } else if (what == "due") {
    want.push_back(c.whole("time in milliseconds", 0, kExact));
  } else if (what == "cursor") {
    want.push_back(c.whole("x in screen pixels", INT32_MIN, INT32_MAX));
    want.push_back(c.whole("y in screen pixels", INT32_MIN, INT32_MAX));
  } else {
    want.push_back(c.whole("modal depth", 0, 1000));
  }
  return [=, this](const Frame& f) {
    std::vector<int64_t> got;
    if (what == "due") got.push_back(engine.nextDue());
    if (what == "cursor") {
      const auto at = engine.GetCursorPos();
      got = {at.x, at.y};
    }
    if (what == "modal") got.push_back(engine.modalDepth());
    if (got == want) return;
    auto text = [](const std::vector<int64_t>& v) {
      if (v.size() == 1 && v[0] == -1) return std::string("none");
      std::string r;
      for (int64_t n : v) r += (r.empty() ? "" : " ") + std::to_string(n);
      return r;
    };
    fail(f.statement->line, "expected " + what + " " + text(want) + ", got " + text(got));
  };
}

// msgbox TITLE PROMPT [buttons N]: the engine's own message box, shown modally (so `on modal
// MsgBox` and `policy modal` answer it); prints the button it returns.
Interpreter::Action Interpreter::parseMsgBox(Cursor& c) {
  ValueExpr title = c.value("a title"), prompt = c.value("a prompt");
  int32_t buttons = 0;
  if (c.accept("buttons")) buttons = static_cast<int32_t>(c.whole("button set", 0, 65535));
  return [=, this](const Frame& f) {
    int16_t answer =
        host::showMessageBox(engine, eval(title, f).asString(), eval(prompt, f).asString(), buttons,
                             [this](host::Form& form) { engine.showModal(form); });
    out << "msgbox returns " << answer << '\n';
  };
}

}  // namespace keloscroll::run
