#include "app/run/runner.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app/run/interpreter.h"
#include "design/PropertyDialog.h"
#include "host/read_file.h"
#include "host/text.h"

namespace keloscroll::run {

std::string single(float v) {
  return host::formatSingle(v);
}
std::string twips(double v) {
  return host::formatDouble(v);
}

Interpreter::Interpreter(std::ostream& o, std::ostream& e, RunOptions opt)
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

Interpreter::~Interpreter() {
  teardown();
}

int Interpreter::run(std::string_view text, const std::string& fileName,
                     const std::string& folderName) {
  file = fileName;
  folder = folderName;
  std::vector<Statement> statements;
  int lineNo = 0;
  std::istringstream in{std::string(text)};
  std::string line;
  try {
    while (std::getline(in, line)) {
      ++lineNo;
      checkText(line);
      auto tokens = tokenize(line);
      if (tokens.empty()) continue;
      statements.push_back(parse(std::move(tokens), lineNo, line));
    }
  } catch (const ScenarioError& e) {
    return stop(lineNo, e.what());
  } catch (const host::Error& e) {
    // A value the host cannot hold, met while reading: the line is wrong, not the run.
    return stop(lineNo, "error " + std::to_string(e.number()) + ": " + e.description());
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

// A line of a binary file, or of text in another encoding, would reach the host's strings and
// the output as it is: such a line is refused, saying where.
void Interpreter::checkText(const std::string& line) {
  if (line.size() > kMaxLineBytes) {
    throw ScenarioError("the line is longer than " + host::byteCount(kMaxLineBytes));
  }
  const std::string valid = host::text::validUtf8(line);
  if (valid == line) return;
  size_t at = 0;
  while (valid[at] == line[at]) ++at;
  char byte[8];
  std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(line[at]));
  throw ScenarioError(std::string("the line is not UTF-8 text: byte ") + byte + " at column " +
                      std::to_string(at + 1));
}

int Interpreter::stop(int line, const std::string& message) {
  out.flush();
  err << file << ':' << line << ": " << message << std::endl;
  return kStopped;
}

int Interpreter::stopWithError(const PendingError& p) {
  std::string m = "error " + std::to_string(p.number) + ": " + p.description;
  if (!p.note.empty()) m += " (" + p.note + ")";
  std::string_view text = p.statement;
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  return stop(p.line, m + ", in: " + std::string(text));
}

void Interpreter::fail(int line, const std::string& message) {
  ++failures;
  out.flush();
  err << file << ':' << line << ": " << message << std::endl;
}

void Interpreter::checkExpectedError(const Statement& s,
                                     const std::optional<PendingError>& pending) {
  int32_t want = *s.expectedError;
  if (!pending) {
    fail(s.line, "expected error " + std::to_string(want) + ", but the statement before succeeded");
  } else if (pending->number != want) {
    fail(s.line, "expected error " + std::to_string(want) + ", got error " +
                     std::to_string(pending->number) + ": " + pending->description);
  } else {
    out << "error " << pending->number << ": " << pending->description << '\n';
  }
}

void Interpreter::teardown() {
  handlers.clear();
  modalHandlers.clear();
  trace = false;
  dialog.reset();  // its form is the engine's, and it holds the controls it edits
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
  library.reset();
}

std::string Interpreter::stamp() const {
  return "@" + std::to_string(clock.nowMs()) + "ms " + std::string(2 * depth, ' ');
}

Interpreter::Statement Interpreter::parse(std::vector<Token> tokens, int line,
                                          const std::string& text) {
  Statement s;
  s.line = line;
  s.text = text;
  Cursor c(std::move(tokens));
  const Token& first = c.token("a verb");
  if (first.kind != Token::Kind::Word) throw ScenarioError("a line starts with a verb");
  std::string verb = lower(first.text);
  if (verb == "expect" && c.accept("error")) {
    s.expectedError = static_cast<int32_t>(c.whole("error number", 1, 65535));
    c.end();
    return s;
  }
  s.run = parseVerb(verb, first.text, c, line);
  c.end();
  return s;
}

Interpreter::Action Interpreter::parseVerb(const std::string& verb, const std::string& written,
                                           Cursor& c, int line) {
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
  if (verb == "dpi") return parseDpi(c);
  if (verb == "advance") return parseAdvance(c);
  if (verb == "time") return parseTime(c);
  if (verb == "on") return parseOn(c, line);
  if (verb == "off") return parseOff(c);
  if (verb == "policy") return parsePolicy(c);
  if (verb == "clear") return parseClear(c);
  if (verb == "trace") return parseTrace(c);
  if (verb == "expect") return parseExpect(c);
  if (verb == "screenshot") return parseScreenshot(c);
  if (verb == "page") return parsePage(c);
  if (verb == "library") return parseLibrary(c);
  if (verb == "type") return parseType(c);
  if (verb == "unload") return parseUnload(c);
  if (verb == "msgbox") return parseMsgBox(c);
  if (verb == "accessible") return parseAccessible(c);
  throw ScenarioError("unknown verb '" + written + "'");
}

std::shared_ptr<Interpreter::Statement> Interpreter::parseBody(Cursor& c, int line) {
  auto tokens = c.rest();
  if (tokens.empty()) throw ScenarioError("the handler has no statement");
  std::string text;
  for (const auto& t : tokens) text += (text.empty() ? "" : " ") + t.text;
  auto body = std::make_shared<Statement>(parse(std::move(tokens), line, text));
  if (body->expectedError) throw ScenarioError("expect error has no place in a handler");
  return body;
}

Runner::Runner(std::ostream& out, std::ostream& err, RunOptions options)
    : impl_(std::make_unique<Interpreter>(out, err, options)) {}

Runner::~Runner() = default;

int Runner::run(std::string_view text, const std::string& file, const std::string& folder) {
  return impl_->run(text, file, folder);
}

int Runner::runFile(const std::string& path) {
  std::string text;
  if (path == "-") {
    // Read one byte past the limit, so that a longer input is known to be one.
    text.resize(kMaxScenarioBytes + 1);
    std::cin.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(std::cin.gcount()));
    if (text.size() > kMaxScenarioBytes) {
      impl_->err << "<stdin> is larger than " << host::byteCount(kMaxScenarioBytes) << std::endl;
      return kStopped;
    }
    return run(text, "<stdin>", ".");
  }
  if (host::ReadError e = host::readWholeFile(path, kMaxScenarioBytes, text)) {
    impl_->err << e.message << std::endl;
    return kStopped;
  }
  std::string folder = std::filesystem::path(path).parent_path().string();
  return run(text, path, folder.empty() ? "." : folder);
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

}  // namespace keloscroll::run
