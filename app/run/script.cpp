#include "app/run/script.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "host/dispatch.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll::run {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && host::toLowerAscii(a) == host::toLowerAscii(b);
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads a quoted part starting at s[i] == '"'; returns the index after the closing quote and
// appends the contents (doubled quotes undone) to out, or the raw text when `raw` is set.
size_t readQuoted(std::string_view s, size_t i, std::string& out, bool raw) {
  if (raw) out += '"';
  ++i;
  for (;;) {
    if (i >= s.size()) throw ScenarioError("missing closing quote");
    if (s[i] == '"') {
      if (i + 1 < s.size() && s[i + 1] == '"') {
        out += raw ? "\"\"" : "\"";
        i += 2;
        continue;
      }
      if (raw) out += '"';
      return i + 1;
    }
    out += s[i++];
  }
}

// Splits s at the given separator where it stands outside quotes and parentheses.
std::vector<std::string_view> splitTopLevel(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  int depth = 0;
  bool inQuote = false;
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      inQuote = !inQuote;  // a doubled quote toggles twice
    } else if (!inQuote && c == '(') {
      ++depth;
    } else if (!inQuote && c == ')') {
      --depth;
    } else if (!inQuote && depth == 0 && c == sep) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(s.substr(start));
  return parts;
}

// The inside of `Name(...)`, or nullopt when the word is not a call of that name.
std::optional<std::string_view> callArguments(std::string_view word, std::string_view name) {
  if (word.size() < name.size() + 2 || word.back() != ')') return std::nullopt;
  if (!equalsIgnoreCase(word.substr(0, name.size()), name) || word[name.size()] != '(') {
    return std::nullopt;
  }
  return word.substr(name.size() + 1, word.size() - name.size() - 2);
}

// A value inside an event text or a picture call: a literal that needs no names.
host::Variant plainLiteral(std::string_view text) {
  auto tokens = tokenize(text);
  if (tokens.size() != 1) throw ScenarioError("'" + std::string(text) + "' is not one value");
  ValueExpr expr = parseValue(tokens[0]);
  if (expr.kind == ValueExpr::Kind::Text && expr.parts.size() == 1) return expr.parts[0];
  if (expr.kind != ValueExpr::Kind::Constant) {
    throw ScenarioError("'" + std::string(text) + "' must be a plain value here");
  }
  return expr.constant;
}

// A colour written as &HRRGGBB. A hexadecimal or octal literal is read by its digits: the host
// would read &H00FF00 as the Integer -256, which is no colour.
uint32_t parseColour(std::string_view text) {
  const std::string original(text);
  auto bad = [&]() -> ScenarioError {
    return ScenarioError("'" + original + "' is no colour (&HRRGGBB, from &H0 to &HFFFFFF)");
  };
  std::string_view s = text;
  if (!s.empty() && s.back() == '&') s.remove_suffix(1);
  uint64_t rgb = 0;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
    auto digits = s.substr(2);
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), rgb, base);
    if (ec != std::errc() || p != digits.data() + digits.size()) throw bad();
  } else {
    double d = 0;
    try {
      d = parseNumberLiteral(text).asDouble();
    } catch (const ScenarioError&) {
      throw bad();
    }
    if (d < 0 || d != std::floor(d) || d > 0xFFFFFF) throw bad();
    rgb = static_cast<uint64_t>(d);
  }
  if (rgb > 0xFFFFFF) throw bad();
  return static_cast<uint32_t>(rgb);
}

}  // namespace

bool Token::isWord(std::string_view w) const {
  return kind == Kind::Word && equalsIgnoreCase(text, w);
}

std::vector<Token> tokenize(std::string_view line) {
  std::vector<Token> out;
  size_t i = 0;
  const size_t n = line.size();
  for (;;) {
    while (i < n && isBlank(line[i])) ++i;
    if (i >= n || line[i] == '#') break;
    if (line[i] == '=') {
      out.push_back({Token::Kind::Equals, "="});
      ++i;
      continue;
    }
    if (line[i] == '"') {
      Token t{Token::Kind::String, {}};
      i = readQuoted(line, i, t.text, false);
      out.push_back(std::move(t));
      continue;
    }
    Token t{Token::Kind::Word, {}};
    int depth = 0;
    while (i < n) {
      char c = line[i];
      if (c == '"') {
        i = readQuoted(line, i, t.text, true);
        continue;
      }
      if (depth == 0 && (isBlank(c) || c == '=')) break;
      if (c == '(') ++depth;
      if (c == ')' && --depth < 0) throw ScenarioError("')' without '('");
      t.text += c;
      ++i;
    }
    if (depth > 0) throw ScenarioError("missing ')'");
    out.push_back(std::move(t));
  }
  return out;
}

std::vector<std::string> splitTemplate(std::string_view text) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '{' && i + 1 < text.size() && text[i + 1] == '{') {
      parts.back() += '{';
      ++i;
    } else if (c == '}' && i + 1 < text.size() && text[i + 1] == '}') {
      parts.back() += '}';
      ++i;
    } else if (c == '{') {
      size_t close = text.find('}', i);
      if (close == std::string_view::npos) throw ScenarioError("'{' without '}'");
      std::string_view name = trim(text.substr(i + 1, close - i - 1));
      if (name.empty()) throw ScenarioError("empty name in {}");
      parts.emplace_back(name);
      parts.emplace_back();
      i = close;
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

host::Variant parseNumberLiteral(std::string_view word) {
  const std::string original(word);
  auto bad = [&]() -> ScenarioError {
    return ScenarioError("'" + original + "' is not a value (strings go in quotes)");
  };
  std::string_view s = word;
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) throw bad();
  char suffix = 0;
  if (s.back() == '%' || s.back() == '&' || s.back() == '!' || s.back() == '#') {
    suffix = s.back();
    s.remove_suffix(1);
  }
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
    uint64_t u = 0;
    auto digits = s.substr(2);
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), u, base);
    if (ec != std::errc() || p != digits.data() + digits.size() || u > 0xFFFFFFFFu) throw bad();
    if (suffix == '!' || suffix == '#') throw bad();
    // The bits are read as a signed number of the type, then the sign applies: -&H8000 and
    // -&H80000000& have no value of their type.
    if (suffix == '&' || (suffix == 0 && u > 0xFFFF)) {
      int64_t l = static_cast<int32_t>(static_cast<uint32_t>(u));
      if (negative) l = -l;
      if (l > INT32_MAX) throw ScenarioError("'" + original + "' is beyond the range of a Long");
      return host::Variant(static_cast<int32_t>(l));
    }
    if (u > 0xFFFF) throw bad();
    int32_t i = static_cast<int16_t>(static_cast<uint16_t>(u));
    if (negative) i = -i;
    if (i > INT16_MAX) throw ScenarioError("'" + original + "' is beyond the range of an Integer");
    return host::Variant(static_cast<int16_t>(i));
  }
  if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '.')) throw bad();
  double d = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
  if (ec != std::errc() || p != s.data() + s.size()) throw bad();
  if (negative) d = -d;
  const bool whole = s.find_first_of(".eE") == std::string_view::npos;
  auto fits = [&](double lo, double hi) { return whole && d >= lo && d <= hi; };
  switch (suffix) {
    case '%':
      if (!fits(-32768, 32767)) throw bad();
      return host::Variant(static_cast<int16_t>(d));
    case '&':
      if (!fits(-2147483648.0, 2147483647.0)) throw bad();
      return host::Variant(static_cast<int32_t>(d));
    case '!':
      if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) throw bad();
      return host::Variant(static_cast<float>(d));
    case '#':
      return host::Variant(d);
    default:
      if (fits(-32768, 32767)) return host::Variant(static_cast<int16_t>(d));
      if (fits(-2147483648.0, 2147483647.0)) return host::Variant(static_cast<int32_t>(d));
      return host::Variant(d);
  }
}

ValueExpr parseValue(const Token& token) {
  ValueExpr expr;
  if (token.kind == Token::Kind::Equals) throw ScenarioError("a value is missing before '='");
  if (token.kind == Token::Kind::String) {
    expr.parts = splitTemplate(token.text);
    if (expr.parts.size() == 1) {
      expr.constant = host::Variant(expr.parts[0]);
      expr.parts.clear();
    } else {
      expr.kind = ValueExpr::Kind::Text;
    }
    return expr;
  }
  const std::string& w = token.text;
  if (w.size() > 2 && w.front() == '{' && w.back() == '}') {
    expr.kind = ValueExpr::Kind::Reference;
    expr.name = std::string(trim(std::string_view(w).substr(1, w.size() - 2)));
    return expr;
  }
  if (token.isWord("True") || token.isWord("False")) {
    expr.constant = host::Variant::boolean(token.isWord("True"));
    return expr;
  }
  if (token.isWord("Nothing")) {
    expr.constant = host::Variant::nothing();
    return expr;
  }
  if (token.isWord("Empty")) return expr;
  if (auto inner = callArguments(w, "LoadPicture")) {
    // A string and nothing else: no value inside is read as a value, so nesting goes nowhere.
    auto tokens = tokenize(*inner);
    std::vector<std::string> parts;
    if (tokens.size() == 1 && tokens[0].kind == Token::Kind::String) {
      parts = splitTemplate(tokens[0].text);
    }
    if (parts.size() != 1) throw ScenarioError("LoadPicture needs a file name in quotes");
    expr.kind = ValueExpr::Kind::LoadPicture;
    expr.name = parts[0];
    return expr;
  }
  if (auto inner = callArguments(w, "Picture")) {
    auto args = splitTopLevel(*inner, ',');
    if (args.size() < 2 || args.size() > 3) {
      throw ScenarioError("Picture(width, height[, color]) needs two or three numbers");
    }
    expr.kind = ValueExpr::Kind::SolidPicture;
    try {
      expr.width = parseNumberLiteral(trim(args[0])).asLong();
      expr.height = parseNumberLiteral(trim(args[1])).asLong();
    } catch (const host::Error&) {
      throw ScenarioError("Picture(width, height[, color]) needs whole numbers");
    }
    if (args.size() == 3) expr.color = parseColour(trim(args[2]));
    if (expr.width <= 0 || expr.height <= 0 || expr.width > 4096 || expr.height > 4096) {
      throw ScenarioError("Picture sizes go from 1 to 4096 pixels");
    }
    return expr;
  }
  expr.constant = parseNumberLiteral(w);
  return expr;
}

std::string quote(std::string_view s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '"') r += '"';
    r += c;
  }
  return r + "\"";
}

std::string formatValue(const host::Variant& in) {
  host::Variant v = in.value();
  switch (v.type()) {
    case host::VarType::Empty:
      return "Empty";
    case host::VarType::String:
      return quote(v.asString());
    case host::VarType::Boolean:
      return host::isTrue(v.asBoolean()) ? "True" : "False";
    case host::VarType::Object: {
      host::ObjectRef o = v.asObject();
      return o ? "<" + std::string(o->typeName()) + ">" : "Nothing";
    }
    default:
      return v.asString();
  }
}

std::string typeLabel(const host::Variant& v) {
  return host::typeName(v.value().type());
}

bool sameValue(const host::Variant& actualIn, const host::Variant& expectedIn) {
  host::Variant a = actualIn.value();
  host::Variant e = expectedIn.value();
  using host::VarType;
  auto numeric = [](VarType t) {
    return t == VarType::Integer || t == VarType::Long || t == VarType::Single ||
           t == VarType::Double;
  };
  switch (e.type()) {
    case VarType::Empty:
      return a.isEmpty();
    case VarType::Object:
      return a.isObject() && a.asObject() == e.asObject();
    case VarType::String:
      return a.isString() && a.asString() == e.asString();
    case VarType::Boolean:
      return a.type() == VarType::Boolean && a.asBoolean() == e.asBoolean();
    default:
      if (!numeric(a.type())) return false;
      if (a.type() == VarType::Single) {
        return host::formatSingle(a.asSingle()) ==
               host::formatSingle(static_cast<float>(e.asDouble()));
      }
      return a.asDouble() == e.asDouble();
  }
}

std::string EventText::str() const {
  if (args.empty()) return name;
  std::string r = name + "(";
  for (size_t i = 0; i < args.size(); ++i) r += (i ? ", " : "") + args[i];
  return r + ")";
}

EventText parseEventText(std::string_view word) {
  EventText ev;
  size_t open = word.find('(');
  if (open == std::string_view::npos) {
    ev.name = std::string(word);
    return ev;
  }
  if (word.back() != ')') throw ScenarioError("'" + std::string(word) + "' is no event call");
  ev.name = std::string(word.substr(0, open));
  std::string_view inner = trim(word.substr(open + 1, word.size() - open - 2));
  if (inner.empty()) return ev;
  for (std::string_view arg : splitTopLevel(inner, ',')) {
    arg = trim(arg);
    // `a => b`: find the arrow outside quotes.
    size_t arrow = std::string_view::npos;
    bool inQuote = false;
    for (size_t i = 0; i + 1 < arg.size(); ++i) {
      if (arg[i] == '"') inQuote = !inQuote;
      if (!inQuote && arg[i] == '=' && arg[i + 1] == '>') {
        arrow = i;
        break;
      }
    }
    if (arrow == std::string_view::npos) {
      ev.args.push_back(formatValue(plainLiteral(arg)));
    } else {
      ev.args.push_back(formatValue(plainLiteral(trim(arg.substr(0, arrow)))) + " => " +
                        formatValue(plainLiteral(trim(arg.substr(arrow + 2)))));
    }
  }
  return ev;
}

bool sameEvent(const EventText& a, const EventText& b) {
  return equalsIgnoreCase(a.name, b.name) && a.args == b.args;
}

}  // namespace keloscroll::run
