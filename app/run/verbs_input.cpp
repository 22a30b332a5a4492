// Verbs of input and time: mouse, key, focus, cursor, advance, time.
#include <cmath>
#include <map>
#include <sstream>

#include "app/run/interpreter.h"

namespace keloscroll::run {

namespace {

int16_t parseMask(const std::string& text, const std::map<std::string, int16_t>& names,
                  const char* what) {
  int mask = 0;
  std::string part;
  std::stringstream ss(text);
  while (std::getline(ss, part, '+')) {
    auto it = names.find(lower(part));
    if (it != names.end()) {
      mask |= it->second;
      continue;
    }
    // A number stands for the bits themselves; the host knows three of them.
    double bits = -1;
    try {
      bits = parseNumberLiteral(part).asDouble();
    } catch (const ScenarioError&) {
    }
    if (!(bits >= 0 && bits <= 7) || bits != std::floor(bits)) {
      throw ScenarioError("'" + part + "' is no " + what + " (a name or a number from 0 to 7)");
    }
    mask |= static_cast<int>(bits);
  }
  return static_cast<int16_t>(mask);
}

int16_t parseButtons(const std::string& text) {
  static const std::map<std::string, int16_t> names{
      {"left", host::mouse::Left}, {"right", host::mouse::Right}, {"middle", host::mouse::Middle}};
  return parseMask(text, names, "mouse button");
}

int16_t parseShift(const std::string& text) {
  static const std::map<std::string, int16_t> names{{"shift", host::shift::Shift},
                                                    {"ctrl", host::shift::Ctrl},
                                                    {"alt", host::shift::Alt},
                                                    {"none", 0}};
  return parseMask(text, names, "shift mask");
}

int16_t keyCode(const std::string& text) {
  static const std::map<std::string, int16_t> names{{"backspace", 8},
                                                    {"tab", host::vk::Tab},
                                                    {"return", host::vk::Return},
                                                    {"enter", host::vk::Return},
                                                    {"shift", host::vk::ShiftKey},
                                                    {"ctrl", 17},
                                                    {"alt", 18},
                                                    {"escape", host::vk::Escape},
                                                    {"esc", host::vk::Escape},
                                                    {"space", 32},
                                                    {"pageup", host::vk::PageUp},
                                                    {"pagedown", host::vk::PageDown},
                                                    {"end", host::vk::End},
                                                    {"home", host::vk::Home},
                                                    {"left", host::vk::Left},
                                                    {"up", host::vk::Up},
                                                    {"right", host::vk::Right},
                                                    {"down", host::vk::Down},
                                                    {"insert", 45},
                                                    {"delete", 46}};
  std::string l = lower(text);
  if (auto it = names.find(l); it != names.end()) return it->second;
  if (l.size() == 1 && l[0] >= 'a' && l[0] <= 'z') return static_cast<int16_t>('A' + (l[0] - 'a'));
  if (l.size() == 2 && l[0] == 'd' && l[1] >= '0' && l[1] <= '9') {
    return static_cast<int16_t>('0' + (l[1] - '0'));
  }
  if (l.size() >= 2 && l.size() <= 3 && l[0] == 'f') {
    int n = 0;
    for (size_t i = 1; i < l.size(); ++i) {
      if (l[i] < '0' || l[i] > '9') n = -1000;
      n = n * 10 + (l[i] - '0');
    }
    if (n >= 1 && n <= 24) return static_cast<int16_t>(host::vk::F1 + n - 1);
  }
  // Key codes are a byte.
  double code = -1;
  try {
    code = parseNumberLiteral(text).asDouble();
  } catch (const ScenarioError&) {
  }
  if (!(code >= 0 && code <= 255) || code != std::floor(code)) {
    throw ScenarioError("'" + text +
                        "' is no key (a name like Up or PageDown, a letter, D0-D9, "
                        "F1-F24, or a key code from 0 to 255)");
  }
  return static_cast<int16_t>(code);
}

}  // namespace

void Interpreter::toFormTwips(host::Widget& w, double x, double y, double& fx, double& fy) {
  double ox = 0, oy = 0;
  w.originOnForm(ox, oy);
  if (auto* c = dynamic_cast<host::ContainerWidget*>(&w)) {
    double inner = c->innerOffsetTwips();
    fx = ox + inner + c->toTwipsX(x);
    fy = oy + inner + c->toTwipsY(y);
  } else if (host::ContainerWidget* p = w.container()) {
    fx = ox + p->toTwipsW(x);
    fy = oy + p->toTwipsH(y);
  } else {
    fx = ox + x;
    fy = oy + y;
  }
}

Interpreter::Action Interpreter::parseMouse(Cursor& c) {
  std::string action = lower(c.word("down, move, up or click"));
  if (action != "down" && action != "move" && action != "up" && action != "click") {
    throw ScenarioError("mouse takes down, move, up or click");
  }
  std::string path = c.path("a widget or form");
  double x = c.number("an x coordinate");
  double y = c.number("a y coordinate");
  int16_t button = host::mouse::Left, shift = 0;
  bool formTwips = false;
  while (!c.atEnd()) {
    if (c.accept("button")) {
      button = parseButtons(c.word("a mouse button"));
    } else if (c.accept("shift")) {
      shift = parseShift(c.word("a shift mask"));
    } else if (c.accept("twips")) {
      formTwips = true;
    } else {
      throw ScenarioError("unexpected '" + c.word("") + "' (mouse takes button, shift, twips)");
    }
  }
  return [=, this](const Frame& f) {
    host::Widget& w = resolveWidget(expand(path, f));
    host::Form* form = w.isForm() ? static_cast<host::Form*>(&w) : w.form();
    if (!form) throw ScenarioError("'" + path + "' is on no form");
    double fx = x, fy = y;
    if (!formTwips) toFormTwips(w, x, y, fx, fy);
    if (options.echo) {
      host::Widget* hit = engine.capture() ? engine.capture() : engine.hitTest(*form, fx, fy);
      out << "  at " << twips(fx) << ' ' << twips(fy) << " twips on " << form->name() << ": "
          << (hit ? hit->name() : std::string("nothing")) << '\n';
    }
    if (action == "down" || action == "click") engine.mouseDown(*form, fx, fy, button, shift);
    if (action == "move") engine.mouseMove(*form, fx, fy, shift);
    if (action == "up" || action == "click") engine.mouseUp(*form, fx, fy, button, shift);
  };
}

Interpreter::Action Interpreter::parseKey(Cursor& c) {
  std::string action = lower(c.word("down, up or press"));
  if (action != "down" && action != "up" && action != "press") {
    throw ScenarioError("key takes down, up or press");
  }
  int16_t code = keyCode(c.word("a key"));
  int16_t shift = 0;
  if (c.accept("shift")) shift = parseShift(c.word("a shift mask"));
  return [=, this](const Frame&) {
    if (action != "up") engine.keyDown(code, shift);
    if (action != "down") engine.keyUp(code, shift);
  };
}

Interpreter::Action Interpreter::parseType(Cursor& c) {
  ValueExpr text = c.value("the text to type");
  return [=, this](const Frame& f) { engine.typeText(eval(text, f).asString()); };
}

Interpreter::Action Interpreter::parseFocus(Cursor& c) {
  std::string path = c.path("a widget");
  return [=, this](const Frame& f) { engine.setFocus(resolveWidget(expand(path, f))); };
}

Interpreter::Action Interpreter::parseCursor(Cursor& c) {
  auto x = static_cast<int32_t>(c.whole("x in screen pixels", INT32_MIN, INT32_MAX));
  auto y = static_cast<int32_t>(c.whole("y in screen pixels", INT32_MIN, INT32_MAX));
  return [=, this](const Frame&) { engine.setCursorPos(host::Point{x, y}); };
}

// dpi N: the density of the engine's screen, which turns twips into the pixels painted, window
// rectangles and the pointer's place.
Interpreter::Action Interpreter::parseDpi(Cursor& c) {
  auto dpi = static_cast<int32_t>(c.whole("dots per inch", 1, 4 * 1440));
  return [=, this](const Frame&) { engine.setDpi(host::Dpi(dpi)); };
}

int64_t Interpreter::parseDuration(const std::string& text) {
  std::string t = lower(text);
  double scale = 1;
  if (t.size() > 2 && t.ends_with("ms")) {
    t.resize(t.size() - 2);
  } else if (t.size() > 1 && t.back() == 's') {
    t.pop_back();
    scale = 1000;
  }
  double v = parseNumberLiteral(t).asDouble() * scale;
  // Up to a thousand years: past that no conversion to a count of milliseconds is safe.
  if (!(v >= 0 && v <= 3.2e13) || v != std::floor(v)) {
    throw ScenarioError("'" + text + "' is no whole number of milliseconds from 0 to 3.2E+13");
  }
  return static_cast<int64_t>(v);
}

Interpreter::Action Interpreter::parseAdvance(Cursor& c) {
  int64_t ms = parseDuration(c.word("a duration (500, 500ms, 2s)"));
  return [=, this](const Frame&) {
    if (options.maxTimeMs >= 0 && ms > options.maxTimeMs - clock.nowMs()) {
      throw ScenarioError("the run may go on to " + std::to_string(options.maxTimeMs) +
                          "ms of virtual time, not further");
    }
    engine.advance(ms);
  };
}

Interpreter::Action Interpreter::parseTime(Cursor& c) {
  std::string text = c.word("a time of day (hh:mm:ss or seconds)");
  double seconds = 0;
  if (text.find(':') != std::string::npos) {
    double unit = 3600;
    std::stringstream ss(text);
    std::string part;
    int count = 0;
    while (std::getline(ss, part, ':')) {
      if (++count > 3 || part.empty()) throw ScenarioError("'" + text + "' is no time of day");
      seconds += parseNumberLiteral(part).asDouble() * unit;
      unit /= 60;
    }
  } else {
    seconds = parseNumberLiteral(text).asDouble();
  }
  if (seconds < 0 || seconds >= 86400) throw ScenarioError("a time of day is below 24:00:00");
  return [=, this](const Frame&) { clock.setTimeOfDay(seconds); };
}

}  // namespace keloscroll::run
