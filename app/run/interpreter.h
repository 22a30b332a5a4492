// keloscroll-run's interpreter, shared by its source files. runner.cpp reads a scenario and plays
// its statements; names.cpp finds the objects a path names and evaluates values; events.cpp logs
// events and runs the scenario's handlers; each verbs_*.cpp reads and runs the verbs of one area.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/run/runner.h"
#include "app/run/script.h"
#include "host/accessible.h"
#include "host/clock.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/error.h"
#include "host/widgets.h"

namespace keloscroll::design {
class PropertyDialog;
}

namespace keloscroll::run {

using host::Variant;

inline constexpr int kMaxHandlerDepth = 32;

inline std::string lower(std::string_view s) {
  return host::toLowerAscii(s);
}

// Numbers as the output shows them: a Single to 7 significant digits; twips as the host prints a
// Double.
std::string single(float v);
std::string twips(double v);

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
  // A path (Object.Member, a widget, a form), whose {names} are filled in when it runs.
  std::string path(const std::string& what) {
    std::string p = word(what);
    splitTemplate(p);  // a '{' without '}' is a mistake of the line
    return p;
  }
  ValueExpr value(const std::string& what) { return parseValue(token(what)); }
  double number(const std::string& what) {
    std::string w = word(what);
    Variant v = parseNumberLiteral(w);
    return v.asDouble();
  }
  // A whole number from lo to hi; anything else is a mistake in the scenario, never a conversion
  // that overflows.
  int64_t whole(const std::string& what, int64_t lo, int64_t hi) {
    std::string w = word(what);
    double d = parseNumberLiteral(w).asDouble();
    if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi)) || d != std::floor(d)) {
      throw ScenarioError("'" + w + "' is no " + what + " (a whole number from " +
                          std::to_string(lo) + " to " + std::to_string(hi) + ")");
    }
    return static_cast<int64_t>(d);
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

// The interpreter's state and its work, one group of members for each source file.
class Interpreter {
 public:
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
    std::shared_ptr<void> libraryObject;  // a control the component library made: its object
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

  // Runs handlers one level deeper; a level past the limit stops the run.
  struct Deeper {
    explicit Deeper(Interpreter& i) : impl(i) {
      if (++impl.depth > kMaxHandlerDepth) {
        --impl.depth;
        throw ScenarioError("event handlers nested more than " + std::to_string(kMaxHandlerDepth) +
                            " deep: an endless re-entry?");
      }
    }
    ~Deeper() { --impl.depth; }
    Deeper(const Deeper&) = delete;
    Deeper& operator=(const Deeper&) = delete;
    Interpreter& impl;
  };

  using Action = std::function<void(const Frame&)>;

  struct Placement {
    std::optional<std::pair<double, double>> at, size;
  };

  // ---- Reading and playing a scenario (runner.cpp) ----------------------------------------------

  Interpreter(std::ostream& o, std::ostream& e, RunOptions opt);
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;
  int run(std::string_view text, const std::string& fileName, const std::string& folderName);
  void checkText(const std::string& line);  // throws ScenarioError
  int stop(int line, const std::string& message);
  int stopWithError(const PendingError& p);
  void fail(int line, const std::string& message);
  void checkExpectedError(const Statement& s, const std::optional<PendingError>& pending);
  void teardown();
  std::string stamp() const;
  Statement parse(std::vector<Token> tokens, int line, const std::string& text);
  Action parseVerb(const std::string& verb, const std::string& written, Cursor& c, int line);
  std::shared_ptr<Statement> parseBody(Cursor& c, int line);

  // ---- Names and values (names.cpp) -------------------------------------------------------------

  void addObject(Object o);
  Target resolve(const std::vector<std::string>& parts, size_t count);
  Target resolveObject(const std::string& path);
  host::Widget& resolveWidget(const std::string& path);
  host::ContainerWidget& resolveContainer(const std::string& path);
  host::ControlSite& resolveSite(const std::string& name);
  Object& resolveControl(const std::string& name);
  host::Form* modalForm(std::string_view name) const;
  // The path with each {name} in it replaced by that name's value as text, so that an object
  // named after a value (the tooltip box, Txt and a window handle) can be named.
  std::string expand(const std::string& path, const Frame& f);
  // Object.Member: splits off the member.
  std::pair<Target, std::string> member(const std::string& path);
  Variant getPath(const std::string& path);
  Variant lookupName(const std::string& name, const Frame& f);
  Variant& argument(size_t index, const Frame& f);
  Variant eval(const ValueExpr& v, const Frame& f);

  // ---- Events, handlers and policies (events.cpp) -----------------------------------------------

  static std::string handlerKey(std::string_view object, std::string_view event);
  void raise(const std::string& object, std::string_view event, std::span<Variant> args);
  void runHandler(Handler& h, const std::string& sender, std::span<Variant> args);
  void onModal(host::Form& form);
  // Logs the events of a widget the scenario made, and runs its handlers.
  void hook(host::Widget& w, const std::string& name);
  Action parseOn(Cursor& c, int line);
  Action parseOff(Cursor& c);
  Action parsePolicy(Cursor& c);
  Action parseTrace(Cursor& c);

  // ---- Forms, widgets, controls, properties and methods (verbs_controls.cpp) --------------------

  // [at L T] [size W H], in any order.
  bool parsePlacementWord(Cursor& c, Placement& p);
  Action parseForm(Cursor& c);
  static void applyPlacement(host::Widget& w, const Placement& p);
  Action parseAdd(Cursor& c);
  Action parsePlace(Cursor& c);
  host::PropertyBag& findBag(const std::string& name);
  Action parseUserMode(Cursor& c);
  Action parseLifecycle(const std::string& verb, Cursor& c);
  Action parseUnload(Cursor& c);
  Action parseBag(Cursor& c);
  Action parseLet(const std::string& verb, Cursor& c);
  Action parseCall(Cursor& c);
  Action parseRaise(Cursor& c);

  // ---- The property page (verbs_page.cpp) ------------------------------------------------------

  Action parsePage(Cursor& c);
  host::Widget& pageWidget(const std::string& name);
  void clickOnPage(host::Widget& w);
  void closePageIfDone();

  // ---- The component library (verbs_library.cpp) ------------------------------------------------

  struct Library;
  struct LibraryCloser {  // defined where Library is
    void operator()(Library* library) const;
  };
  using LibraryCall = std::function<int32_t()>;  // an export's call, giving its status code
  Library& loadedLibrary();
  Action parseLibrary(Cursor& c);
  LibraryCall parseLibraryCall(const std::string& exportName, Cursor& c);
  Action parseExpectLibrary(Cursor& c);
  Action parseExpectRegistry(Cursor& c);
  Action parsePrintRegistry(Cursor& c);
  host::ObjectRef createFromLibrary(const std::string& progId, host::ControlSite& site,
                                    std::shared_ptr<void>& keep);

  // ---- Input and time (verbs_input.cpp) ---------------------------------------------------------

  // A point in a widget's own scale (a container's), or in its container's units from its
  // top-left corner (other widgets), as form-client twips.
  static void toFormTwips(host::Widget& w, double x, double y, double& fx, double& fy);
  Action parseMouse(Cursor& c);
  Action parseKey(Cursor& c);
  Action parseFocus(Cursor& c);
  Action parseCursor(Cursor& c);
  Action parseDpi(Cursor& c);
  Action parseType(Cursor& c);
  static int64_t parseDuration(const std::string& text);
  Action parseAdvance(Cursor& c);
  Action parseTime(Cursor& c);

  // ---- Printing, screenshots and clearing (verbs_output.cpp) ------------------------------------

  Action parseEcho(Cursor& c);
  std::string geometryText(host::Widget& w);
  void printTree(host::Widget& w, int level);
  // Events are logged for the objects the scenario made; any other name is a mistake that would
  // make a handler or an expectation silently idle.
  void requireLogged(const std::string& object);
  std::vector<LogEntry*> pendingEvents(const std::string& object);
  std::string shownText(const host::FormEngine::Shown& s);
  std::vector<std::pair<std::string, Variant>> stateOf(const std::string& name);
  Variant stateValue(const std::string& name, const std::string& var);
  Action parsePrint(Cursor& c);
  // screenshot FORM FILE: the form as a PNG image, one pixel per 15 twips.
  Action parseScreenshot(Cursor& c);
  bool insideScreenshotFolder(const std::filesystem::path& file) const;
  Action parseClear(Cursor& c);

  // ---- Expectations (verbs_expect.cpp) ----------------------------------------------------------

  Action parseExpect(Cursor& c);
  void compare(const Frame& f, const std::string& what, const Variant& got, const Variant& want,
               const std::string& type);
  Action parseExpectEngine(Cursor& c);  // the next tick, the cursor, modal depth (verbs_engine.cpp)
  Action parseMsgBox(Cursor& c);        // the engine's own message box (verbs_engine.cpp)

  // ---- Assistive technology (verbs_accessible.cpp) ----------------------------------------------

  host::Accessible& accessibleOf(const std::string& name);
  void printAccessible(const std::string& name);
  Action parseAccessible(Cursor& c);

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
  std::unique_ptr<design::PropertyDialog> dialog;  // the property page while it is open
  std::unique_ptr<Library, LibraryCloser> library;
};

}  // namespace keloscroll::run
