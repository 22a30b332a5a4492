// The text layer of keloscroll-run's scenario files: splitting a line into tokens, reading value
// literals, and printing values and event calls the same way everywhere, so that what an `expect`
// line compares is what the output shows.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/variant.h"

namespace keloscroll::run {

// A mistake in a scenario, or a name it uses that does not exist. It stops the run. It is not a
// host::Error, so that a control's error traps never swallow it on its way out of an event handler.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Token {
  enum class Kind { Word, String, Equals };
  Kind kind = Kind::Word;
  std::string text;  // a word as written; a string's contents with doubled quotes undone
  bool isWord(std::string_view w) const;  // a Word equal to w, ignoring case
};

// Splits one line. Tokens are separated by blanks; "..." is a string (a doubled quote stands for
// one); a word runs on through quoted parts and through blanks inside parentheses, so that
// `Change(5, "a b")` is one word; `=` outside quotes and parentheses is a token of its own; a `#`
// that starts a token starts a comment. Throws ScenarioError for an open quote or parenthesis.
std::vector<Token> tokenize(std::string_view line);

// A value written in a scenario, evaluated when its statement runs.
struct ValueExpr {
  enum class Kind {
    Constant,      // 5, -3, 1.5, 5&, 2.5!, &HFF, True, False, Nothing, Empty
    Text,          // "a string", possibly with {name} parts filled in when it runs
    Reference,     // {name}: the value that name has when the statement runs
    LoadPicture,   // LoadPicture("file"), relative to the scenario's folder
    SolidPicture,  // Picture(width, height[, &HRRGGBB]): a picture of one colour, in pixels
  };
  Kind kind = Kind::Constant;
  host::Variant constant;
  // Text: alternating literal text and names (even indexes literal, odd indexes names).
  std::vector<std::string> parts;
  std::string name;  // Reference: the name; LoadPicture: the file
  int width = 0, height = 0;
  uint32_t color = 0;  // SolidPicture: 0xRRGGBB
};

// Reads one value token. Whole numbers are Integer when they fit 16 bits, else Long, else Double;
// numbers with a decimal point or exponent are Double; the suffixes % & ! # force Integer, Long,
// Single, Double; &H and &O numbers wrap like the host's (&HFFFF is -1, &HFFFF& is 65535).
ValueExpr parseValue(const Token& token);
// A plain number literal (no names, no pictures); ScenarioError when the word is none.
host::Variant parseNumberLiteral(std::string_view word);
// Splits "{a} and {b}" into literal and name parts ({{ and }} stand for braces).
std::vector<std::string> splitTemplate(std::string_view text);

// How values are printed: Empty, Nothing, True/False, numbers as the host prints them, strings in
// quotes with quotes doubled, objects as <TypeName>.
std::string formatValue(const host::Variant& v);
// The type name of a value as the host names it (Long, String, Object, ...).
std::string typeLabel(const host::Variant& v);
std::string quote(std::string_view s);

// The same value for an `expect` line: strings only equal strings, Booleans Booleans, numbers any
// number of equal value (a Single as printed, to 7 significant digits, so that a printed value
// copied into an expectation matches), Nothing an empty object reference, other objects by
// identity.
bool sameValue(const host::Variant& actual, const host::Variant& expected);

// One event call as printed: Name, or Name(arg, arg) with each argument formatted, and `a => b`
// for a by-reference argument that the handler changed from a to b.
struct EventText {
  std::string name;
  std::vector<std::string> args;
  std::string str() const;
};
// Reads an expected event written as a word like `Change(5)` or `GetDescription("" => "x")`,
// formatting its arguments as the runner prints them, so `MouseDown(1,0,30,30)` reads as
// `MouseDown(1, 0, 30, 30)`.
EventText parseEventText(std::string_view word);
// Event names compare ignoring case, arguments exactly as printed.
bool sameEvent(const EventText& a, const EventText& b);

}  // namespace keloscroll::run
