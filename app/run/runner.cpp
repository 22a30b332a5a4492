#include "app/run/runner.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <span>
#include <sstream>
#include <vector>

#include "app/run/script.h"
#include "host/cairo_painter.h"
#include "host/classes.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/picture.h"
#include "host/render.h"
#include "host/widgets.h"

namespace kelo::run {

namespace {

using host::Variant;

constexpr int kMaxHandlerDepth = 32;

std::string lower(std::string_view s) {
  return host::toLowerAscii(s);
}

// A ScenarioError that already knows its line (one raised inside an event handler).
class LocatedError : public ScenarioError {
 public:
  LocatedError(int at, const std::string& message) : ScenarioError(message), line(at) {}
  int line;
};

// The tokens of one statement, read from left to right.
class Cursor {
 public:
  explicit Cursor(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  bool atEnd() const { return i_ >= t_.size(); }
  bool peekWord(std::string_view w) const { return !atEnd() && t_[i_].isWord(w); }
  bool peekEquals() const { return !atEnd() && t_[i_].kind == Token::Kind::Equals; }
  bool accept(std::string_view w) {
    if (!peekWord(w)) return false;
    ++i_;
    return true;
  }
  void expect(std::string_view w) {
    if (!accept(w)) throw ScenarioError("expected '" + std::string(w) + "'" + near());
  }
  void expectEquals() {
    if (!peekEquals()) throw ScenarioError("expected '='" + near());
    ++i_;
  }
  const Token& token(const std::string& what) {
    if (atEnd()) throw ScenarioError("expected " + what + near());
    return t_[i_++];
  }
  std::string word(const std::string& what) {
    if (atEnd() || t_[i_].kind != Token::Kind::Word)
      throw ScenarioError("expected " + what + near());
    return t_[i_++].text;
  }
  ValueExpr value(const std::string& what) { return parseValue(token(what)); }
  double number(const std::string& what) {
    std::string w = word(what);
    Variant v = parseNumberLiteral(w);
    return v.asDouble();
  }
  std::vector<Token> rest() {
    std::vector<Token> r(t_.begin() + static_cast<std::ptrdiff_t>(i_), t_.end());
    i_ = t_.size();
    return r;
  }
  void end() const {
    if (!atEnd()) throw ScenarioError("unexpected '" + t_[i_].text + "'");
  }
  std::string near() const {
    return atEnd() ? " at the end of the line" : ", found '" + t_[i_].text + "'";
  }

 private:
  std::vector<Token> t_;
  size_t i_ = 0;
};

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '.') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  for (const auto& p : parts) {
    if (p.empty()) throw ScenarioError("'" + path + "' is no name or Object.Member path");
  }
  return parts;
}

std::string joinPath(const std::vector<std::string>& parts, size_t count) {
  std::string r;
  for (size_t i = 0; i < count; ++i) r += (i ? "." : "") + parts[i];
  return r;
}

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
    Variant v;
    try {
      v = parseNumberLiteral(part);
    } catch (const ScenarioError&) {
      throw ScenarioError("'" + part + "' is no " + what);
    }
    mask |= v.asInteger();
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
  try {
    return parseNumberLiteral(text).asInteger();
  } catch (const ScenarioError&) {
    throw ScenarioError("'" + text +
                        "' is no key (a name like Up or PageDown, a letter, D0-D9, "
                        "F1-F24, or a key code)");
  }
}

std::string single(float v) {
  return host::formatSingle(v);
}
std::string twips(double v) {
  return host::formatDouble(v);
}

// Twips values read the same when they differ by rounding noise only.
bool sameTwips(double actual, double expected) {
  return std::fabs(actual - expected) <= 1e-6 * std::max(1.0, std::fabs(expected));
}

}  // namespace

struct Runner::Impl {
  struct Statement;
  // Where a statement runs: at the top level, or in an event handler with its sender and
  // arguments.
  struct Frame {
    const Statement* statement = nullptr;
    std::string sender;
    std::span<Variant> args;
  };
  struct Statement {
    int line = 0;
    std::string text;
    std::function<void(const Frame&)> run;
    std::optional<int32_t> expectedError;  // `expect error N`
  };
  struct Handler {
    std::shared_ptr<Statement> body;
    bool once = false;
    bool used = false;
    std::string whenName;  // empty: no condition
    ValueExpr whenValue;
  };
  struct Object {
    enum class Kind { Form, Widget, Control, UserControl };
    Kind kind = Kind::Widget;
    std::string name;
    std::shared_ptr<host::Widget> widget;  // the form or widget (the surface of a site)
    std::shared_ptr<host::ControlSite> site;
    host::ObjectRef control;
  };
  struct Target {
    host::Dispatch* object = nullptr;
    host::Widget* widget = nullptr;     // when the object is a widget (a control: its surface)
    host::ControlSite* site = nullptr;  // a placed control or a bare user control
    host::ObjectRef keep;               // an object read from a property, kept alive
    std::string path;
  };
  struct LogEntry {
    int64_t ms = 0;
    std::string object, event;
    std::vector<std::string> args;  // `a` or `a => b` when the handler changed it
    bool checked = false;
    EventText text() const { return EventText{event, args}; }
  };
  struct PendingError {
    int32_t number = 0;
    std::string description;
    int line = 0;
    std::string note;
    std::string statement;
  };

  Impl(std::ostream& o, std::ostream& e, RunOptions opt)
      : out(o), err(e), options(opt), engine(clock) {
    engine.setModalPolicy([this](host::Form& f) { onModal(f); });
    engine.setMsgBoxPolicy([this](const std::string& prompt, int32_t buttons) {
      if (trace) {
        out << stamp() << "msgbox " << quote(prompt);
        if (buttons) out << " buttons " << buttons;
        out << '\n';
      }
      return msgBoxAnswer;
    });
  }

  ~Impl() { teardown(); }

  // ---- Running -------------------------------------------------------------------------------

  int run(std::string_view text, const std::string& fileName, const std::string& folderName) {
    file = fileName;
    folder = folderName;
    std::vector<Statement> statements;
    int lineNo = 0;
    std::istringstream in{std::string(text)};
    std::string line;
    try {
      while (std::getline(in, line)) {
        ++lineNo;
        auto tokens = tokenize(line);
        if (tokens.empty()) continue;
        statements.push_back(parse(std::move(tokens), lineNo, line));
      }
    } catch (const ScenarioError& e) {
      return stop(lineNo, e.what());
    }

    std::optional<PendingError> pending;
    const Statement* current = nullptr;
    try {
      for (const Statement& s : statements) {
        current = &s;
        if (options.echo) out << "> " << s.line << ": " << s.text << '\n';
        if (s.expectedError) {
          checkExpectedError(s, pending);
          pending.reset();
          continue;
        }
        if (pending) return stopWithError(*pending);
        handlerNote.clear();
        try {
          s.run(Frame{&s, {}, {}});
          out.flush();  // a crash later still leaves everything up to here on record
        } catch (const host::Error& e) {
          pending = PendingError{e.number(), e.description(), s.line, handlerNote, s.text};
        }
      }
      if (pending) return stopWithError(*pending);
    } catch (const LocatedError& e) {
      return stop(e.line, e.what());
    } catch (const ScenarioError& e) {
      return stop(current ? current->line : lineNo, e.what());
    } catch (const std::exception& e) {
      return stop(current ? current->line : lineNo, std::string("internal error: ") + e.what());
    }
    out.flush();
    return failures ? kExpectationFailed : kPassed;
  }

  int stop(int line, const std::string& message) {
    out.flush();
    err << file << ':' << line << ": " << message << std::endl;
    return kStopped;
  }

  int stopWithError(const PendingError& p) {
    std::string m = "error " + std::to_string(p.number) + ": " + p.description;
    if (!p.note.empty()) m += " (" + p.note + ")";
    std::string_view text = p.statement;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    return stop(p.line, m + ", in: " + std::string(text));
  }

  void fail(int line, const std::string& message) {
    ++failures;
    out.flush();
    err << file << ':' << line << ": " << message << std::endl;
  }

  void checkExpectedError(const Statement& s, const std::optional<PendingError>& pending) {
    int32_t want = *s.expectedError;
    if (!pending) {
      fail(s.line,
           "expected error " + std::to_string(want) + ", but the statement before succeeded");
    } else if (pending->number != want) {
      fail(s.line, "expected error " + std::to_string(want) + ", got error " +
                       std::to_string(pending->number) + ": " + pending->description);
    } else {
      out << "error " << pending->number << ": " << pending->description << '\n';
    }
  }

  void teardown() {
    handlers.clear();
    modalHandlers.clear();
    trace = false;
    // Terminate the controls, newest first, then let go of everything while the engine lives.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      auto found = objects.find(*it);
      if (found == objects.end() || !found->second.site) continue;
      try {
        found->second.site->terminate();
      } catch (const std::exception&) {
        // The run is over; a failing Terminate has nothing left to report to.
      }
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) objects.erase(*it);
    order.clear();
  }

  std::string stamp() const {
    return "@" + std::to_string(clock.nowMs()) + "ms " + std::string(2 * depth, ' ');
  }

  // ---- Names ---------------------------------------------------------------------------------

  void addObject(Object o) {
    std::string key = lower(o.name);
    if (objects.count(key)) throw ScenarioError("the name '" + o.name + "' is already in use");
    order.push_back(key);
    objects.emplace(key, std::move(o));
  }

  Target resolve(const std::vector<std::string>& parts, size_t count) {
    Target t;
    const std::string& first = parts[0];
    if (auto it = objects.find(lower(first)); it != objects.end()) {
      Object& o = it->second;
      t.widget = o.widget.get();
      t.object = o.widget.get();
      if (o.site) {
        t.site = o.site.get();
        t.widget = &o.site->surface();
        t.object = o.kind == Object::Kind::Control
                       ? static_cast<host::Dispatch*>(o.site->extender().get())
                       : t.widget;
        if (o.kind == Object::Kind::Control) t.keep = o.site->extender();
      }
    } else if (host::Form* m = modalForm(first)) {
      t.widget = m;
      t.object = m;
    } else if (auto f = engine.findForm(first)) {
      t.widget = f.get();
      t.object = f.get();
      t.keep = f;
    } else {
      host::Widget* found = nullptr;
      for (const auto& form : engine.forms()) {
        if (host::Widget* w = host::findWidget(*form, first)) {
          if (found) throw ScenarioError("'" + first + "' is ambiguous: name its form or control");
          found = w;
        }
      }
      if (!found) throw ScenarioError("unknown object '" + first + "'");
      t.widget = found;
      t.object = found;
    }
    for (size_t i = 1; i < count; ++i) {
      const std::string& seg = parts[i];
      if (auto* c = dynamic_cast<host::ContainerWidget*>(t.widget)) {
        if (host::Widget* w = host::findWidget(*c, seg)) {
          t = Target{w, w, nullptr, nullptr, {}};
          continue;
        }
      }
      Variant v = t.object->get(seg);
      if (!v.isObject() || !v.asObject()) {
        throw ScenarioError(joinPath(parts, i + 1) + " is no object or widget");
      }
      t.keep = v.asObject();
      t.object = t.keep.get();
      t.widget = dynamic_cast<host::Widget*>(t.object);
      t.site = nullptr;
    }
    t.path = joinPath(parts, count);
    return t;
  }

  Target resolveObject(const std::string& path) {
    auto parts = splitPath(path);
    return resolve(parts, parts.size());
  }

  host::Widget& resolveWidget(const std::string& path) {
    Target t = resolveObject(path);
    if (!t.widget) throw ScenarioError("'" + path + "' is no widget");
    return *t.widget;
  }

  host::ContainerWidget& resolveContainer(const std::string& path) {
    Target t = resolveObject(path);
    auto* c = dynamic_cast<host::ContainerWidget*>(t.widget);
    if (!c) throw ScenarioError("'" + path + "' cannot hold widgets");
    if (t.site && t.site->control()) {
      throw ScenarioError("'" + path + "' is a control: its parts are its own");
    }
    return *c;
  }

  host::ControlSite& resolveSite(const std::string& name) {
    auto it = objects.find(lower(name));
    if (it == objects.end() || !it->second.site) {
      throw ScenarioError("'" + name + "' is no placed control");
    }
    return *it->second.site;
  }

  Object& resolveControl(const std::string& name) {
    auto it = objects.find(lower(name));
    if (it == objects.end() || it->second.kind != Object::Kind::Control) {
      throw ScenarioError("'" + name + "' is no placed control");
    }
    return it->second;
  }

  host::Form* modalForm(std::string_view name) const {
    for (auto it = modalForms.rbegin(); it != modalForms.rend(); ++it) {
      if (lower((*it)->name()) == lower(name)) return *it;
    }
    return nullptr;
  }

  // Object.Member: splits off the member.
  std::pair<Target, std::string> member(const std::string& path) {
    auto parts = splitPath(path);
    if (parts.size() < 2) throw ScenarioError("'" + path + "' needs a member: Object.Member");
    return {resolve(parts, parts.size() - 1), parts.back()};
  }

  Variant getPath(const std::string& path) {
    auto [t, m] = member(path);
    return t.object->get(m).value();
  }

  Variant lookupName(const std::string& name, const Frame& f) {
    std::string l = lower(name);
    if (l.size() > 3 && l.rfind("arg", 0) == 0 &&
        l.find_first_not_of("0123456789", 3) == std::string::npos) {
      return argument(std::stoul(l.substr(3)), f).value();
    }
    if (name.find('.') != std::string::npos) return getPath(name);
    if (!f.sender.empty()) return getPath(f.sender + "." + name);
    throw ScenarioError("'{" + name + "}' names no argument and no member (write Object.Member)");
  }

  Variant& argument(size_t index, const Frame& f) {
    if (index >= f.args.size()) {
      throw ScenarioError(f.sender.empty() ? "arguments exist only in event handlers"
                                           : "the event has no argument " + std::to_string(index));
    }
    return f.args[index];
  }

  Variant eval(const ValueExpr& v, const Frame& f) {
    switch (v.kind) {
      case ValueExpr::Kind::Constant:
        return v.constant;
      case ValueExpr::Kind::Text: {
        std::string s;
        for (size_t i = 0; i < v.parts.size(); ++i) {
          s += (i % 2 == 0) ? v.parts[i] : lookupName(v.parts[i], f).asString();
        }
        return Variant(std::move(s));
      }
      case ValueExpr::Kind::Reference:
        return lookupName(v.name, f);
      case ValueExpr::Kind::LoadPicture: {
        std::filesystem::path p(v.name);
        if (p.is_relative()) p = std::filesystem::path(folder) / p;
        return Variant(host::Picture::load(p.string()));
      }
      case ValueExpr::Kind::SolidPicture: {
        uint32_t argb = (v.color & 0xFF000000u) ? v.color : (v.color | 0xFF000000u);
        std::vector<uint32_t> pixels(static_cast<size_t>(v.width) * static_cast<size_t>(v.height),
                                     argb);
        return Variant(std::make_shared<host::Picture>(v.width, v.height, std::move(pixels)));
      }
    }
    return Variant();
  }

  // ---- Events --------------------------------------------------------------------------------

  static std::string handlerKey(std::string_view object, std::string_view event) {
    return lower(object) + '\n' + lower(event);
  }

  // Runs handlers one level deeper; a level past the limit stops the run.
  struct Deeper {
    explicit Deeper(Impl& i) : impl(i) {
      if (++impl.depth > kMaxHandlerDepth) {
        --impl.depth;
        throw ScenarioError("event handlers nested more than " + std::to_string(kMaxHandlerDepth) +
                            " deep: an endless re-entry?");
      }
    }
    ~Deeper() { --impl.depth; }
    Deeper(const Deeper&) = delete;
    Deeper& operator=(const Deeper&) = delete;
    Impl& impl;
  };

  void raise(const std::string& object, std::string_view event, std::span<Variant> args) {
    std::vector<std::string> before;
    for (const Variant& a : args) before.push_back(formatValue(a));
    size_t index = log.size();
    log.push_back(LogEntry{clock.nowMs(), object, std::string(event), before, false});
    if (trace)
      out << stamp() << object << '_' << EventText{std::string(event), before}.str() << '\n';

    auto it = handlers.find(handlerKey(object, event));
    if (it != handlers.end()) {
      auto list = it->second;  // a handler may add handlers
      Deeper deeper(*this);
      for (const auto& h : list) runHandler(*h, object, args);
    }

    bool changed = false;
    std::vector<std::string> after;
    for (size_t i = 0; i < args.size(); ++i) {
      after.push_back(formatValue(args[i]));
      if (after[i] != before[i]) {
        log[index].args[i] = before[i] + " => " + after[i];
        changed = true;
      }
    }
    if (changed && trace) {
      out << stamp() << object << '_' << event << " returns " << EventText{"", after}.str() << '\n';
    }
  }

  void runHandler(Handler& h, const std::string& sender, std::span<Variant> args) {
    if (h.once && h.used) return;
    Frame f{h.body.get(), sender, args};
    try {
      if (!h.whenName.empty() && !sameValue(lookupName(h.whenName, f), eval(h.whenValue, f))) {
        return;
      }
      h.used = true;
      h.body->run(f);
    } catch (const LocatedError&) {
      throw;
    } catch (const ScenarioError& e) {
      throw LocatedError(h.body->line, e.what());
    } catch (const host::Error&) {
      if (handlerNote.empty()) {
        handlerNote = "raised in the handler at line " + std::to_string(h.body->line);
      }
      throw;
    }
  }

  void onModal(host::Form& form) {
    if (trace) out << stamp() << "modal " << form.name() << ' ' << quote(form.Caption()) << '\n';
    modalForms.push_back(&form);
    struct Pop {
      std::vector<host::Form*>& v;
      ~Pop() { v.pop_back(); }
    } pop{modalForms};
    std::vector<std::shared_ptr<Handler>> list;
    for (const char* key : {"*", ""}) {
      auto it = modalHandlers.find(*key ? std::string(key) : lower(form.name()));
      if (it != modalHandlers.end()) list.insert(list.end(), it->second.begin(), it->second.end());
    }
    Deeper deeper(*this);
    if (!list.empty()) {
      for (const auto& h : list) runHandler(*h, form.name(), {});
      return;
    }
    for (const std::string& name : modalClicks) {
      host::Widget* w = host::findWidget(form, name);
      if (!w)
        throw ScenarioError("the modal form " + form.name() + " has no widget '" + name + "'");
      double x = 0, y = 0;
      w->originOnForm(x, y);
      x += w->rectTwips().width / 2;
      y += w->rectTwips().height / 2;
      engine.mouseDown(form, x, y, host::mouse::Left);
      engine.mouseUp(form, x, y, host::mouse::Left);
    }
  }

  // Logs the events of a widget the scenario made, and runs its handlers.
  void hook(host::Widget& w, const std::string& name) {
    auto mouse = [this, name](const char* event) {
      return [this, name, event](int16_t button, int16_t shift, float x, float y) {
        Variant args[] = {Variant(button), Variant(shift), Variant(x), Variant(y)};
        raise(name, event, args);
      };
    };
    auto key = [this, name](const char* event) {
      return [this, name, event](int16_t& code, int16_t shift) {
        Variant args[] = {Variant::refInteger(&code), Variant(shift)};
        raise(name, event, args);
      };
    };
    auto plain = [this, name](const char* event) {
      return [this, name, event]() { raise(name, event, {}); };
    };
    w.MouseDown = mouse("MouseDown");
    w.MouseMove = mouse("MouseMove");
    w.MouseUp = mouse("MouseUp");
    w.Click = plain("Click");
    w.KeyDown = key("KeyDown");
    w.KeyUp = key("KeyUp");
    if (auto* t = dynamic_cast<host::Timer*>(&w)) t->Tick = plain("Timer");
    if (auto* tb = dynamic_cast<host::TextBox*>(&w)) tb->Change = plain("Change");
    if (auto* uc = dynamic_cast<host::UserControl*>(&w)) uc->Resize = plain("Resize");
  }

  // ---- Parsing -------------------------------------------------------------------------------

  using Action = std::function<void(const Frame&)>;

  Statement parse(std::vector<Token> tokens, int line, const std::string& text) {
    Statement s;
    s.line = line;
    s.text = text;
    Cursor c(std::move(tokens));
    const Token& first = c.token("a verb");
    if (first.kind != Token::Kind::Word) throw ScenarioError("a line starts with a verb");
    std::string verb = lower(first.text);
    if (verb == "expect" && c.accept("error")) {
      s.expectedError = static_cast<int32_t>(c.number("an error number"));
      c.end();
      return s;
    }
    s.run = parseVerb(verb, first.text, c, line);
    c.end();
    return s;
  }

  Action parseVerb(const std::string& verb, const std::string& written, Cursor& c, int line) {
    if (verb == "form") return parseForm(c);
    if (verb == "add") return parseAdd(c);
    if (verb == "place") return parsePlace(c);
    if (verb == "usermode") return parseUserMode(c);
    if (verb == "resize" || verb == "show" || verb == "terminate" || verb == "save") {
      return parseLifecycle(verb, c);
    }
    if (verb == "bag") return parseBag(c);
    if (verb == "let" || verb == "set") return parseLet(verb, c);
    if (verb == "call") return parseCall(c);
    if (verb == "raise") return parseRaise(c);
    if (verb == "print") return parsePrint(c);
    if (verb == "echo") return parseEcho(c);
    if (verb == "mouse") return parseMouse(c);
    if (verb == "key") return parseKey(c);
    if (verb == "focus") return parseFocus(c);
    if (verb == "cursor") return parseCursor(c);
    if (verb == "advance") return parseAdvance(c);
    if (verb == "time") return parseTime(c);
    if (verb == "on") return parseOn(c, line);
    if (verb == "off") return parseOff(c);
    if (verb == "policy") return parsePolicy(c);
    if (verb == "clear") return parseClear(c);
    if (verb == "trace") return parseTrace(c);
    if (verb == "expect") return parseExpect(c);
    if (verb == "screenshot") return parseScreenshot(c);
    throw ScenarioError("unknown verb '" + written + "'");
  }

  struct Placement {
    std::optional<std::pair<double, double>> at, size;
  };
  // [at L T] [size W H], in any order.
  bool parsePlacementWord(Cursor& c, Placement& p) {
    if (c.accept("at")) {
      double l = c.number("a left position");
      p.at = {{l, c.number("a top position")}};
      return true;
    }
    if (c.accept("size")) {
      double w = c.number("a width");
      p.size = {{w, c.number("a height")}};
      return true;
    }
    return false;
  }

  Action parseForm(Cursor& c) {
    std::string name = c.word("a form name");
    Placement p;
    std::optional<ValueExpr> caption;
    while (!c.atEnd()) {
      if (parsePlacementWord(c, p)) continue;
      if (c.accept("caption")) {
        caption = c.value("a caption");
        continue;
      }
      throw ScenarioError("unexpected '" + c.word("") + "' (form takes size, at, caption)");
    }
    return [=, this](const Frame& f) {
      auto form = engine.createForm(name);
      if (p.size) {
        form->setWidth(static_cast<float>(p.size->first));
        form->setHeight(static_cast<float>(p.size->second));
      }
      if (p.at) {
        form->screenLeftTwips = p.at->first;
        form->screenTopTwips = p.at->second;
      }
      if (caption) form->setCaption(eval(*caption, f).asString());
      hook(*form, name);
      addObject(Object{Object::Kind::Form, name, form, nullptr, nullptr});
    };
  }

  static void applyPlacement(host::Widget& w, const Placement& p) {
    if (p.at) {
      w.setLeft(static_cast<float>(p.at->first));
      w.setTop(static_cast<float>(p.at->second));
    }
    if (p.size) {
      w.setWidth(static_cast<float>(p.size->first));
      w.setHeight(static_cast<float>(p.size->second));
    }
  }

  Action parseAdd(Cursor& c) {
    std::string kind = lower(c.word("a widget kind"));
    static const char* kinds[] = {"picturebox", "image",      "button",   "commandbutton",
                                  "timer",      "textbox",    "checkbox", "label",
                                  "frame",      "usercontrol"};
    if (std::find(std::begin(kinds), std::end(kinds), kind) == std::end(kinds)) {
      throw ScenarioError("unknown widget kind '" + kind +
                          "' (picturebox, image, button, timer, textbox, checkbox, label, frame, "
                          "usercontrol)");
    }
    std::string name = c.word("a widget name");
    c.expect("in");
    std::string into = c.word("a container");
    Placement p;
    while (!c.atEnd()) {
      if (!parsePlacementWord(c, p)) throw ScenarioError("unexpected '" + c.word("") + "'");
    }
    return [=, this](const Frame&) {
      if (objects.count(lower(name)))
        throw ScenarioError("the name '" + name + "' is already in use");
      host::ContainerWidget& box = resolveContainer(into);
      if (kind == "usercontrol") {
        auto site = std::make_shared<host::ControlSite>(engine, box, name);
        host::UserControl& surface = site->surface();
        hook(surface, name);
        addObject(Object{Object::Kind::UserControl, name, nullptr, site, nullptr});
        if (p.at) {
          surface.setLeft(static_cast<float>(p.at->first));
          surface.setTop(static_cast<float>(p.at->second));
        }
        if (p.size) {
          site->resize(static_cast<float>(p.size->first), static_cast<float>(p.size->second));
        }
        return;
      }
      std::shared_ptr<host::Widget> w;
      if (kind == "picturebox") w = box.add<host::PictureBox>(name);
      if (kind == "image") w = box.add<host::Image>(name);
      if (kind == "button" || kind == "commandbutton") w = box.add<host::CommandButton>(name);
      if (kind == "timer") w = box.add<host::Timer>(name);
      if (kind == "textbox") w = box.add<host::TextBox>(name);
      if (kind == "checkbox") w = box.add<host::CheckBox>(name);
      if (kind == "label") w = box.add<host::Label>(name);
      if (kind == "frame") w = box.add<host::Frame>(name);
      hook(*w, name);
      addObject(Object{Object::Kind::Widget, name, w, nullptr, nullptr});
      applyPlacement(*w, p);
    };
  }

  Action parsePlace(Cursor& c) {
    std::string progId = c.word("a ProgID");
    std::string name = c.word("a control name");
    c.expect("on");
    std::string into = c.word("a container");
    Placement p;
    std::string mode = "run", bag;
    while (!c.atEnd()) {
      if (parsePlacementWord(c, p)) continue;
      if (c.peekWord("run") || c.peekWord("design") || c.peekWord("nosite")) {
        mode = lower(c.word(""));
        continue;
      }
      if (c.accept("new")) {
        bag.clear();
        continue;
      }
      if (c.accept("load")) {
        bag = c.word("a bag name");
        continue;
      }
      throw ScenarioError("unexpected '" + c.word("") +
                          "' (place takes at, size, run, design, nosite, new, load)");
    }
    return [=, this](const Frame&) {
      host::ControlFactory factory = host::findControlClass(progId);
      if (!factory) throw ScenarioError("unknown control class '" + progId + "'");
      if (objects.count(lower(name)))
        throw ScenarioError("the name '" + name + "' is already in use");
      host::PropertyBag* saved = nullptr;
      if (!bag.empty()) saved = &findBag(bag);
      host::ContainerWidget& box = resolveContainer(into);
      auto site = std::make_shared<host::ControlSite>(engine, box, name);
      if (mode == "design") site->setUserMode(false);
      if (mode == "nosite") site->setClientSiteAvailable(false);
      site->setEventSink([this, name](std::string_view event, std::span<Variant> args) {
        raise(name, event, args);
      });
      host::UserControl& surface = site->surface();
      if (p.at) {
        surface.setLeft(static_cast<float>(p.at->first));
        surface.setTop(static_cast<float>(p.at->second));
      }
      addObject(Object{Object::Kind::Control, name, nullptr, site, nullptr});
      host::ObjectRef control = factory(*site);
      objects[lower(name)].control = control;
      site->setControl(control);
      if (saved) {
        site->load(*saved);
      } else {
        site->initNew();
      }
      if (p.size) {
        site->resize(static_cast<float>(p.size->first), static_cast<float>(p.size->second));
      } else {
        site->resize(surface.Width(), surface.Height());
      }
      site->show();
    };
  }

  host::PropertyBag& findBag(const std::string& name) {
    auto it = bags.find(lower(name));
    if (it == bags.end()) throw ScenarioError("unknown bag '" + name + "'");
    return it->second;
  }

  Action parseUserMode(Cursor& c) {
    std::string name = c.word("a control name");
    std::string mode = lower(c.word("true, false or 398"));
    if (mode != "true" && mode != "false" && mode != "398") {
      throw ScenarioError("usermode takes true, false or 398");
    }
    return [=, this](const Frame&) {
      host::ControlSite& site = resolveSite(name);
      site.setClientSiteAvailable(mode != "398");
      if (mode != "398") site.setUserMode(mode == "true");
    };
  }

  Action parseLifecycle(const std::string& verb, Cursor& c) {
    std::string name = c.word("a control name");
    if (verb == "resize") {
      double w = c.number("a width");
      double h = c.number("a height");
      return [=, this](const Frame&) {
        resolveSite(name).resize(static_cast<float>(w), static_cast<float>(h));
      };
    }
    if (verb == "save") {
      std::string bag = name;
      if (c.accept("to")) bag = c.word("a bag name");
      return [=, this](const Frame&) {
        host::ControlSite& site = resolveSite(name);
        host::PropertyBag& b = bags[lower(bag)];
        b.clear();
        site.save(b);
      };
    }
    if (verb == "show") return [=, this](const Frame&) { resolveSite(name).show(); };
    return [=, this](const Frame&) { resolveSite(name).terminate(); };
  }

  Action parseBag(Cursor& c) {
    std::string bag = c.word("a bag name");
    std::string key = c.word("a key");
    c.expectEquals();
    ValueExpr v = c.value("a value");
    return [=, this](const Frame& f) { bags[lower(bag)].set(key, eval(v, f)); };
  }

  Action parseLet(const std::string& verb, Cursor& c) {
    if (verb == "set" && c.accept("arg")) {
      size_t index = static_cast<size_t>(c.number("an argument number"));
      if (!c.accept("to")) c.expectEquals();
      ValueExpr v = c.value("a value");
      return [=, this](const Frame& f) {
        Variant value = eval(v, f);
        argument(index, f).assign(value);
      };
    }
    std::string path = c.word("Object.Member");
    c.expectEquals();
    ValueExpr v = c.value("a value");
    return [=, this](const Frame& f) {
      Variant value = eval(v, f);
      auto [t, m] = member(path);
      t.object->let(m, value);
    };
  }

  Action parseCall(Cursor& c) {
    std::string path = c.word("Object.Method");
    std::vector<ValueExpr> args;
    while (!c.atEnd()) args.push_back(c.value("an argument"));
    return [=, this](const Frame& f) {
      std::vector<Variant> values;
      for (const auto& a : args) values.push_back(eval(a, f));
      auto [t, m] = member(path);
      Variant r = t.object->call(m, values);
      if (!r.isEmpty()) out << path << " returns " << formatValue(r) << '\n';
    };
  }

  Action parseRaise(Cursor& c) {
    auto number = static_cast<int32_t>(c.number("an error number"));
    std::optional<ValueExpr> description;
    if (!c.atEnd()) description = c.value("a description");
    return [=, this](const Frame& f) {
      if (description) host::raise(number, eval(*description, f).asString());
      host::raise(number);
    };
  }

  Action parseEcho(Cursor& c) {
    std::vector<ValueExpr> parts;
    while (!c.atEnd()) parts.push_back(c.value("a value"));
    return [=, this](const Frame& f) {
      std::string line;
      for (size_t i = 0; i < parts.size(); ++i) {
        Variant v = eval(parts[i], f);
        line += (i ? " " : "") + (v.isString() ? v.asString() : formatValue(v));
      }
      out << line << '\n';
    };
  }

  // ---- Printing ------------------------------------------------------------------------------

  std::string geometryText(host::Widget& w) {
    const host::TwipsRect& r = w.rectTwips();
    std::string s = single(w.Left()) + ' ' + single(w.Top()) + ' ' + single(w.Width()) + ' ' +
                    single(w.Height()) + " | twips " + twips(r.left) + ' ' + twips(r.top) + ' ' +
                    twips(r.width) + ' ' + twips(r.height);
    if (w.hwnd()) {
      host::Rect wr = engine.GetWindowRect(w.hwnd());
      s += " | window " + std::to_string(wr.left) + ' ' + std::to_string(wr.top) + ' ' +
           std::to_string(wr.right) + ' ' + std::to_string(wr.bottom);
    }
    return s;
  }

  void printTree(host::Widget& w, int level) {
    out << std::string(2 * level, ' ') << w.name() << " (" << w.typeName() << ") "
        << geometryText(w);
    if (auto* c = dynamic_cast<host::ContainerWidget*>(&w)) {
      if (c->ScaleMode() == host::scale::User) {
        out << " | scale " << single(c->ScaleLeft()) << ' ' << single(c->ScaleTop()) << ' '
            << single(c->ScaleWidth()) << ' ' << single(c->ScaleHeight());
      }
    }
    if (auto* tb = dynamic_cast<host::TextBox*>(&w)) out << " text " << quote(tb->Text());
    if (auto* lb = dynamic_cast<host::Label*>(&w)) out << " caption " << quote(lb->Caption());
    if (!w.Visible()) out << " hidden";
    if (!w.Enabled()) out << " disabled";
    if (engine.focus() == &w) out << " focused";
    out << '\n';
    if (auto* c = dynamic_cast<host::ContainerWidget*>(&w)) {
      for (const auto& child : c->children()) printTree(*child, level + 1);
    }
  }

  // Events are logged for the objects the scenario made; any other name is a mistake that would
  // make a handler or an expectation silently idle.
  void requireLogged(const std::string& object) {
    if (!objects.count(lower(object))) {
      throw ScenarioError("'" + object + "' is no form, widget or control this scenario made");
    }
  }

  std::vector<LogEntry*> pendingEvents(const std::string& object) {
    std::vector<LogEntry*> r;
    for (auto& e : log) {
      if (!e.checked && (object.empty() || lower(e.object) == lower(object))) r.push_back(&e);
    }
    return r;
  }

  std::string shownText(const host::FormEngine::Shown& s) {
    if (s.kind == "msgbox") {
      std::string r = "msgbox " + quote(s.caption);
      if (s.buttons) r += " buttons " + std::to_string(s.buttons);
      return r;
    }
    return s.kind + ' ' + s.name + ' ' + quote(s.caption);
  }

  std::vector<std::pair<std::string, Variant>> stateOf(const std::string& name) {
    Object& o = resolveControl(name);
    auto* d = dynamic_cast<host::Diagnosable*>(o.control.get());
    if (!d) throw ScenarioError("the control '" + name + "' shows no diagnostic state");
    return d->diagnosticState();
  }

  Variant stateValue(const std::string& name, const std::string& var) {
    for (auto& [k, v] : stateOf(name)) {
      if (lower(k) == lower(var)) return v;
    }
    throw ScenarioError("the control '" + name + "' has no state named '" + var + "'");
  }

  Action parsePrint(Cursor& c) {
    if (c.accept("geometry")) {
      std::string path = c.word("a widget");
      return [=, this](const Frame&) {
        out << path << " geometry " << geometryText(resolveWidget(path)) << '\n';
      };
    }
    if (c.accept("state")) {
      std::string name = c.word("a control name");
      std::string var = c.atEnd() ? "" : c.word("a state name");
      return [=, this](const Frame&) {
        if (!var.empty()) {
          Variant v = stateValue(name, var);
          out << "state " << name << ' ' << var << " = " << formatValue(v) << " (" << typeLabel(v)
              << ")\n";
          return;
        }
        for (auto& [k, v] : stateOf(name)) {
          out << "state " << name << ' ' << k << " = " << formatValue(v) << " (" << typeLabel(v)
              << ")\n";
        }
      };
    }
    if (c.accept("events")) {
      std::string name = c.atEnd() ? "" : c.word("an object name");
      return [=, this](const Frame&) {
        if (!name.empty()) requireLogged(name);
        for (LogEntry* e : pendingEvents(name)) {
          out << '@' << e->ms << "ms " << e->object << '_' << e->text().str() << '\n';
        }
      };
    }
    if (c.accept("changes")) {
      std::string name = c.word("a control name");
      return [=, this](const Frame&) {
        const auto& changes = resolveSite(name).propertyChanges();
        out << name << " changes:";
        for (const auto& p : changes) out << ' ' << p;
        out << (changes.empty() ? " none\n" : "\n");
      };
    }
    if (c.accept("shown")) {
      return [this](const Frame&) {
        const auto& shown = engine.shown();
        for (size_t i = shownChecked; i < shown.size(); ++i) out << shownText(shown[i]) << '\n';
      };
    }
    if (c.accept("widgets")) {
      std::string name = c.atEnd() ? "" : c.word("a form or container");
      return [=, this](const Frame&) {
        if (!name.empty()) {
          printTree(resolveWidget(name), 0);
          return;
        }
        for (const auto& form : engine.forms()) printTree(*form, 0);
      };
    }
    if (c.accept("bag")) {
      std::string bag = c.word("a bag name");
      return [=, this](const Frame&) {
        for (const auto& [k, v] : findBag(bag).entries()) {
          out << bag << '.' << k << " = " << formatValue(v) << " (" << typeLabel(v) << ")\n";
        }
      };
    }
    if (c.accept("time")) {
      return [this](const Frame&) {
        out << "time " << clock.nowMs() << "ms Timer " << single(clock.Timer()) << '\n';
      };
    }
    if (c.accept("focus")) {
      return [this](const Frame&) {
        host::Widget* w = engine.focus();
        out << "focus " << (w ? w->name() : std::string("none")) << '\n';
      };
    }
    std::string path = c.word("what to print");
    return [=, this](const Frame&) {
      Variant v = getPath(path);
      out << path << " = " << formatValue(v) << " (" << typeLabel(v) << ")\n";
    };
  }

  // ---- Input and time ------------------------------------------------------------------------

  // A point in a widget's own scale (a container's), or in its container's units from its
  // top-left corner (other widgets), as form-client twips.
  static void toFormTwips(host::Widget& w, double x, double y, double& fx, double& fy) {
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

  Action parseMouse(Cursor& c) {
    std::string action = lower(c.word("down, move, up or click"));
    if (action != "down" && action != "move" && action != "up" && action != "click") {
      throw ScenarioError("mouse takes down, move, up or click");
    }
    std::string path = c.word("a widget or form");
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
    return [=, this](const Frame&) {
      host::Widget& w = resolveWidget(path);
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

  Action parseKey(Cursor& c) {
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

  Action parseFocus(Cursor& c) {
    std::string path = c.word("a widget");
    return [=, this](const Frame&) { engine.setFocus(resolveWidget(path)); };
  }

  Action parseCursor(Cursor& c) {
    auto x = static_cast<int32_t>(c.number("an x in screen pixels"));
    auto y = static_cast<int32_t>(c.number("a y in screen pixels"));
    return [=, this](const Frame&) { engine.setCursorPos(host::Point{x, y}); };
  }

  static int64_t parseDuration(const std::string& text) {
    std::string t = lower(text);
    double scale = 1;
    if (t.size() > 2 && t.ends_with("ms")) {
      t.resize(t.size() - 2);
    } else if (t.size() > 1 && t.back() == 's') {
      t.pop_back();
      scale = 1000;
    }
    double v = parseNumberLiteral(t).asDouble() * scale;
    if (v < 0 || v != std::floor(v)) {
      throw ScenarioError("'" + text + "' is no whole, positive number of milliseconds");
    }
    return static_cast<int64_t>(v);
  }

  // screenshot FORM FILE: the form as a PNG image, one pixel per 15 twips.
  Action parseScreenshot(Cursor& c) {
    std::string name = c.word("a form");
    const Token& fileToken = c.token("a file name");
    if (fileToken.kind == Token::Kind::Equals) {
      throw ScenarioError("expected a file name, found '='");
    }
    std::string file = fileToken.text;
    return [=, this](const Frame&) {
      auto* form = dynamic_cast<host::Form*>(&resolveWidget(name));
      if (!form) throw ScenarioError("'" + name + "' is no form");
      std::filesystem::path path(file);
      if (path.is_relative() && !screenshotFolder.empty()) {
        path = std::filesystem::path(screenshotFolder) / path;
      }
      if (path.has_parent_path()) {
        // A folder that cannot be made shows as the write's own error 75.
        std::error_code ignored;
        std::filesystem::create_directories(path.parent_path(), ignored);
      }
      host::PixelSize size = host::writePng(*form, path.string());
      out << "screenshot " << form->name() << " -> " << path.string() << " (" << size.width << " x "
          << size.height << ")\n";
    };
  }

  Action parseAdvance(Cursor& c) {
    int64_t ms = parseDuration(c.word("a duration (500, 500ms, 2s)"));
    return [=, this](const Frame&) { engine.advance(ms); };
  }

  Action parseTime(Cursor& c) {
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

  // ---- Handlers and policies -----------------------------------------------------------------

  Action parseOn(Cursor& c, int line) {
    if (c.accept("modal")) {
      std::string form = c.word("a form name or *");
      auto h = std::make_shared<Handler>();
      h->body = parseBody(c, line);
      std::string key = form == "*" ? "*" : lower(form);
      return [=, this](const Frame&) { modalHandlers[key].push_back(h); };
    }
    std::string object = c.word("an object name");
    std::string event = c.word("an event name");
    auto h = std::make_shared<Handler>();
    for (;;) {
      if (c.accept("once")) {
        h->once = true;
      } else if (c.accept("when")) {
        h->whenName = c.word("what to compare");
        if (lower(h->whenName) == "arg") h->whenName += c.word("an argument number");
        c.expectEquals();
        h->whenValue = c.value("a value");
      } else {
        break;
      }
    }
    h->body = parseBody(c, line);
    std::string key = handlerKey(object, event);
    return [=, this](const Frame&) {
      requireLogged(object);
      handlers[key].push_back(h);
    };
  }

  std::shared_ptr<Statement> parseBody(Cursor& c, int line) {
    auto tokens = c.rest();
    if (tokens.empty()) throw ScenarioError("the handler has no statement");
    std::string text;
    for (const auto& t : tokens) text += (text.empty() ? "" : " ") + t.text;
    auto body = std::make_shared<Statement>(parse(std::move(tokens), line, text));
    if (body->expectedError) throw ScenarioError("expect error has no place in a handler");
    return body;
  }

  Action parseOff(Cursor& c) {
    if (c.accept("modal")) {
      std::string form = c.word("a form name or *");
      std::string key = form == "*" ? "*" : lower(form);
      return [=, this](const Frame&) { modalHandlers.erase(key); };
    }
    std::string object = c.word("an object name");
    std::string event = c.word("an event name");
    return [=, this](const Frame&) { handlers.erase(handlerKey(object, event)); };
  }

  Action parsePolicy(Cursor& c) {
    if (c.accept("modal")) {
      if (c.accept("close")) {
        return [this](const Frame&) { modalClicks.clear(); };
      }
      c.expect("click");
      std::vector<std::string> names;
      names.push_back(c.word("a widget of the modal form"));
      while (!c.atEnd()) names.push_back(c.word("a widget of the modal form"));
      return [=, this](const Frame&) { modalClicks = names; };
    }
    c.expect("msgbox");
    c.accept("answer");
    auto answer = static_cast<int16_t>(c.number("the button the user picks (1 = OK)"));
    return [=, this](const Frame&) { msgBoxAnswer = answer; };
  }

  Action parseClear(Cursor& c) {
    if (c.accept("events")) {
      std::string name = c.atEnd() ? "" : c.word("an object name");
      return [=, this](const Frame&) {
        if (!name.empty()) requireLogged(name);
        for (LogEntry* e : pendingEvents(name)) e->checked = true;
      };
    }
    if (c.accept("changes")) {
      std::string name = c.word("a control name");
      return [=, this](const Frame&) { resolveSite(name).clearPropertyChanges(); };
    }
    c.expect("shown");
    return [this](const Frame&) { shownChecked = engine.shown().size(); };
  }

  Action parseTrace(Cursor& c) {
    bool on = c.accept("on");
    if (!on) c.expect("off");
    return [=, this](const Frame&) { trace = on; };
  }

  // ---- Expectations --------------------------------------------------------------------------

  Action parseExpect(Cursor& c) {
    if (c.accept("events")) {
      std::string name = c.peekEquals() ? "" : c.word("an object name");
      c.expectEquals();
      std::vector<EventText> want;
      if (!c.accept("none")) {
        while (!c.atEnd()) want.push_back(parseEventText(c.word("an event")));
      }
      if (want.empty() && !c.atEnd()) throw ScenarioError("'none' stands alone");
      return [=, this](const Frame& f) {
        if (!name.empty()) requireLogged(name);
        auto got = pendingEvents(name);
        bool same = got.size() == want.size();
        std::string gotText;
        for (size_t i = 0; i < got.size(); ++i) {
          EventText e = got[i]->text();
          if (name.empty()) e.name = got[i]->object + '_' + e.name;
          gotText += (i ? " " : "") + e.str();
          if (same && !sameEvent(e, want[i])) same = false;
          got[i]->checked = true;
        }
        if (same) return;
        std::string wantText;
        for (size_t i = 0; i < want.size(); ++i) wantText += (i ? " " : "") + want[i].str();
        fail(f.statement->line, "expected events" + (name.empty() ? "" : " of " + name) + ": " +
                                    (wantText.empty() ? "none" : wantText) +
                                    "\n  got: " + (gotText.empty() ? "none" : gotText));
      };
    }
    if (c.accept("changes")) {
      std::string name = c.word("a control name");
      c.expectEquals();
      std::vector<std::string> want;
      if (!c.accept("none")) {
        while (!c.atEnd()) want.push_back(c.word("a property name"));
      }
      return [=, this](const Frame& f) {
        host::ControlSite& site = resolveSite(name);
        std::vector<std::string> got = site.propertyChanges();
        site.clearPropertyChanges();
        if (got == want) return;
        auto join = [](const std::vector<std::string>& v) {
          std::string r;
          for (const auto& s : v) r += (r.empty() ? "" : " ") + s;
          return r.empty() ? std::string("none") : r;
        };
        fail(f.statement->line,
             "expected PropertyChanged of " + name + ": " + join(want) + "\n  got: " + join(got));
      };
    }
    if (c.accept("shown")) {
      std::string kind = lower(c.word("modal, msgbox or none"));
      if (kind == "none") {
        return [this](const Frame& f) {
          const auto& shown = engine.shown();
          if (shownChecked < shown.size()) {
            fail(f.statement->line,
                 "expected nothing shown, got " + shownText(shown[shownChecked]));
            shownChecked = shown.size();
          }
        };
      }
      if (kind != "modal" && kind != "msgbox")
        throw ScenarioError("expected modal, msgbox or none");
      std::string form;
      std::optional<ValueExpr> prompt;
      if (kind == "modal") {
        form = c.word("a form name");
      } else {
        prompt = c.value("the prompt");
      }
      return [=, this](const Frame& f) {
        const auto& shown = engine.shown();
        std::string want = kind == "modal"
                               ? "modal " + form
                               : shownText({"msgbox", "", eval(*prompt, f).asString(), 0});
        if (shownChecked >= shown.size()) {
          fail(f.statement->line, "expected " + want + " shown, got nothing");
          return;
        }
        const auto& s = shown[shownChecked++];
        bool same = s.kind == kind && (kind == "modal" ? lower(s.name) == lower(form)
                                                       : s.caption == eval(*prompt, f).asString());
        if (!same) fail(f.statement->line, "expected " + want + " shown, got " + shownText(s));
      };
    }
    if (c.accept("state")) {
      std::string name = c.word("a control name");
      std::string var = c.word("a state name");
      c.expectEquals();
      ValueExpr v = c.value("a value");
      return [=, this](const Frame& f) {
        compare(f, "state " + name + ' ' + var, stateValue(name, var), eval(v, f), "");
      };
    }
    if (c.peekWord("geometry") || c.peekWord("twips") || c.peekWord("window")) {
      std::string kind = lower(c.word(""));
      std::string path = c.word("a widget");
      c.expectEquals();
      double want[4];
      for (double& w : want) w = c.number("four numbers");
      return [=, this](const Frame& f) {
        host::Widget& w = resolveWidget(path);
        double got[4];
        bool same = true;
        if (kind == "geometry") {
          float g[4] = {w.Left(), w.Top(), w.Width(), w.Height()};
          for (int i = 0; i < 4; ++i) {
            got[i] = g[i];
            same = same && single(g[i]) == single(static_cast<float>(want[i]));
          }
        } else if (kind == "twips") {
          const host::TwipsRect& r = w.rectTwips();
          double g[4] = {r.left, r.top, r.width, r.height};
          for (int i = 0; i < 4; ++i) {
            got[i] = g[i];
            same = same && sameTwips(g[i], want[i]);
          }
        } else {
          if (!w.hwnd()) throw ScenarioError("'" + path + "' has no window");
          host::Rect r = engine.GetWindowRect(w.hwnd());
          double g[4] = {double(r.left), double(r.top), double(r.right), double(r.bottom)};
          for (int i = 0; i < 4; ++i) {
            got[i] = g[i];
            same = same && g[i] == want[i];
          }
        }
        if (same) return;
        auto text = [](const double* v) {
          std::string r;
          for (int i = 0; i < 4; ++i) r += (i ? " " : "") + host::formatDouble(v[i]);
          return r;
        };
        fail(f.statement->line,
             "expected " + kind + ' ' + path + " = " + text(want) + ", got " + text(got));
      };
    }
    if (c.accept("bag")) {
      std::string bag = c.word("a bag name");
      std::string key = c.word("a key");
      if (c.accept("absent")) {
        return [=, this](const Frame& f) {
          host::PropertyBag& b = findBag(bag);
          if (b.has(key)) {
            fail(f.statement->line, "expected " + bag + '.' + key + " absent, got " +
                                        formatValue(b.ReadProperty(key, Variant())));
          }
        };
      }
      c.expectEquals();
      ValueExpr v = c.value("a value");
      return [=, this](const Frame& f) {
        host::PropertyBag& b = findBag(bag);
        if (!b.has(key)) {
          fail(f.statement->line, "expected " + bag + '.' + key + " stored, it is absent");
          return;
        }
        compare(f, bag + '.' + key, b.ReadProperty(key, Variant()), eval(v, f), "");
      };
    }
    if (c.accept("timer")) {
      c.expectEquals();
      ValueExpr v = c.value("seconds since midnight");
      return [=, this](const Frame& f) {
        compare(f, "Timer", Variant(clock.Timer()), eval(v, f), "");
      };
    }
    if (c.accept("focus")) {
      std::string path = c.word("a widget or none");
      return [=, this](const Frame& f) {
        host::Widget* want = lower(path) == "none" ? nullptr : &resolveWidget(path);
        host::Widget* got = engine.focus();
        if (got != want) {
          fail(f.statement->line, "expected the focus on " + path + ", it is on " +
                                      (got ? got->name() : std::string("nothing")));
        }
      };
    }
    std::string path = c.word("what to expect");
    c.expectEquals();
    ValueExpr v = c.value("a value");
    std::string type;
    if (c.accept("as")) type = c.word("a type name");
    return [=, this](const Frame& f) { compare(f, path, getPath(path), eval(v, f), type); };
  }

  void compare(const Frame& f, const std::string& what, const Variant& got, const Variant& want,
               const std::string& type) {
    bool typeOk = type.empty() || lower(typeLabel(got)) == lower(type);
    if (sameValue(got, want) && typeOk) return;
    fail(f.statement->line, "expected " + what + " = " + formatValue(want) +
                                (type.empty() ? "" : " (" + type + ")") + ", got " +
                                formatValue(got) + " (" + typeLabel(got) + ")");
  }

  // ---- State ---------------------------------------------------------------------------------

  std::ostream& out;
  std::ostream& err;
  RunOptions options;
  std::string file, folder;
  std::string screenshotFolder;  // empty: the current directory

  std::map<std::string, std::vector<std::shared_ptr<Handler>>> handlers;
  std::map<std::string, std::vector<std::shared_ptr<Handler>>> modalHandlers;
  std::vector<std::string> modalClicks;
  int16_t msgBoxAnswer = 1;
  std::vector<LogEntry> log;
  size_t shownChecked = 0;
  std::map<std::string, host::PropertyBag> bags;
  std::vector<host::Form*> modalForms;
  std::string handlerNote;
  bool trace = true;
  int depth = 0;
  int failures = 0;

  // Declared last so that they go first: the objects before the engine, the engine before the
  // clock.
  host::VirtualClock clock;
  host::FormEngine engine;
  std::map<std::string, Object> objects;
  std::vector<std::string> order;
};

Runner::Runner(std::ostream& out, std::ostream& err, RunOptions options)
    : impl_(std::make_unique<Impl>(out, err, options)) {}

Runner::~Runner() = default;

int Runner::run(std::string_view text, const std::string& file, const std::string& folder) {
  return impl_->run(text, file, folder);
}

int Runner::runFile(const std::string& path) {
  std::stringstream text;
  if (path == "-") {
    text << std::cin.rdbuf();
    return run(text.str(), "<stdin>", ".");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    impl_->err << path << ": cannot read the file" << std::endl;
    return kStopped;
  }
  text << in.rdbuf();
  std::string folder = std::filesystem::path(path).parent_path().string();
  return run(text.str(), path, folder.empty() ? "." : folder);
}

void Runner::setScreenshotFolder(std::string folder) {
  impl_->screenshotFolder = std::move(folder);
}

host::FormEngine& Runner::engine() {
  return impl_->engine;
}
host::VirtualClock& Runner::clock() {
  return impl_->clock;
}

}  // namespace kelo::run
