#include "host/variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "host/dispatch.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll::host {

namespace {
double parseNumberOfWidth(std::string_view text, int bits);
}  // namespace

const char* typeName(VarType t) {
  switch (t) {
    case VarType::Empty:
      return "Empty";
    case VarType::Integer:
      return "Integer";
    case VarType::Long:
      return "Long";
    case VarType::Single:
      return "Single";
    case VarType::Double:
      return "Double";
    case VarType::String:
      return "String";
    case VarType::Object:
      return "Object";
    case VarType::Boolean:
      return "Boolean";
  }
  return "?";
}

Variant::Variant(int16_t v) : type_(VarType::Integer) {
  num_.i2 = v;
}
Variant::Variant(int32_t v) : type_(VarType::Long) {
  num_.i4 = v;
}
Variant::Variant(float v) : type_(VarType::Single) {
  num_.r4 = v;
}
Variant::Variant(double v) : type_(VarType::Double) {
  num_.r8 = v;
}
Variant::Variant(std::string v) : type_(VarType::String), str_(std::move(v)) {}
Variant::Variant(std::string_view v) : type_(VarType::String), str_(v) {}
Variant::Variant(const char* v) : type_(VarType::String), str_(v) {}
Variant::Variant(ObjectRef v) : type_(VarType::Object), obj_(std::move(v)) {}

Variant Variant::boolean(bool b) {
  return fromBoolean(toBoolean(b));
}

Variant Variant::fromBoolean(Boolean b) {
  Variant v;
  v.type_ = VarType::Boolean;
  v.num_.i2 = b;
  return v;
}

Variant Variant::nothing() {
  return Variant(ObjectRef());
}

Variant Variant::byRef(VarType t, void* p) {
  Variant v;
  v.type_ = t;
  v.ref_ = p;
  return v;
}

Variant Variant::refInteger(int16_t* p) {
  return byRef(VarType::Integer, p);
}
Variant Variant::refLong(int32_t* p) {
  return byRef(VarType::Long, p);
}
Variant Variant::refSingle(float* p) {
  return byRef(VarType::Single, p);
}
Variant Variant::refDouble(double* p) {
  return byRef(VarType::Double, p);
}
Variant Variant::refBoolean(Boolean* p) {
  return byRef(VarType::Boolean, p);
}
Variant Variant::refString(std::string* p) {
  return byRef(VarType::String, p);
}
Variant Variant::refObject(ObjectRef* p) {
  return byRef(VarType::Object, p);
}

Variant Variant::value() const {
  if (!ref_) return *this;
  switch (type_) {
    case VarType::Integer:
      return Variant(*static_cast<int16_t*>(ref_));
    case VarType::Long:
      return Variant(*static_cast<int32_t*>(ref_));
    case VarType::Single:
      return Variant(*static_cast<float*>(ref_));
    case VarType::Double:
      return Variant(*static_cast<double*>(ref_));
    case VarType::Boolean:
      return fromBoolean(*static_cast<Boolean*>(ref_));
    case VarType::String:
      return Variant(*static_cast<std::string*>(ref_));
    case VarType::Object:
      return Variant(*static_cast<ObjectRef*>(ref_));
    case VarType::Empty:
      break;
  }
  return Variant();
}

Variant& Variant::operator=(const Variant& v) {
  if (ref_) {
    assign(v);
  } else {
    Variant copy(v);
    swap(*this, copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& v) {
  if (ref_) {
    assign(v);
  } else {
    Variant taken(std::move(v));
    swap(*this, taken);
  }
  return *this;
}

void swap(Variant& a, Variant& b) noexcept {
  using std::swap;
  swap(a.type_, b.type_);
  swap(a.ref_, b.ref_);
  swap(a.num_, b.num_);
  swap(a.str_, b.str_);
  swap(a.obj_, b.obj_);
}

void Variant::assign(const Variant& v) {
  if (!ref_) {
    Variant plain = v.value();
    swap(*this, plain);
    return;
  }
  switch (type_) {
    case VarType::Integer:
      *static_cast<int16_t*>(ref_) = v.asInteger();
      break;
    case VarType::Long:
      *static_cast<int32_t*>(ref_) = v.asLong();
      break;
    case VarType::Single:
      *static_cast<float*>(ref_) = v.asSingle();
      break;
    case VarType::Double:
      *static_cast<double*>(ref_) = v.asDouble();
      break;
    case VarType::Boolean:
      *static_cast<Boolean*>(ref_) = v.asBoolean();
      break;
    case VarType::String:
      *static_cast<std::string*>(ref_) = v.asString();
      break;
    case VarType::Object:
      *static_cast<ObjectRef*>(ref_) = v.asObject();
      break;
    case VarType::Empty:
      break;
  }
}

double Variant::asDouble() const {
  if (ref_) return value().asDouble();
  switch (type_) {
    case VarType::Empty:
      return 0.0;
    case VarType::Integer:
    case VarType::Boolean:
      return num_.i2;
    case VarType::Long:
      return num_.i4;
    case VarType::Single:
      return num_.r4;
    case VarType::Double:
      return num_.r8;
    case VarType::String:
      return parseNumber(str_);
    case VarType::Object:
      break;
  }
  raise(err::TypeMismatch);
}

Boolean Variant::asBoolean() const {
  if (ref_) return value().asBoolean();
  if (type_ == VarType::Boolean) return num_.i2;
  return toBoolean(asDouble() != 0.0);
}

int16_t Variant::asInteger() const {
  if (ref_) return value().asInteger();
  if (type_ == VarType::Integer || type_ == VarType::Boolean) return num_.i2;
  if (type_ == VarType::Long) return toInteger(num_.i4);
  if (type_ == VarType::String) return toInteger(parseNumberOfWidth(str_, 16));
  return toInteger(asDouble());
}

int32_t Variant::asLong() const {
  if (ref_) return value().asLong();
  if (type_ == VarType::Long) return num_.i4;
  if (type_ == VarType::Integer || type_ == VarType::Boolean) return num_.i2;
  return toLong(asDouble());
}

float Variant::asSingle() const {
  if (ref_) return value().asSingle();
  if (type_ == VarType::Single) return num_.r4;
  return toSingle(asDouble());
}

std::string Variant::asString() const {
  if (ref_) return value().asString();
  switch (type_) {
    case VarType::Empty:
      return "";
    case VarType::Integer:
      return std::to_string(num_.i2);
    case VarType::Long:
      return std::to_string(num_.i4);
    case VarType::Single:
      return formatSingle(num_.r4);
    case VarType::Double:
      return formatDouble(num_.r8);
    case VarType::Boolean:
      return num_.i2 ? "True" : "False";
    case VarType::String:
      return str_;
    case VarType::Object:
      break;
  }
  raise(err::TypeMismatch);
}

ObjectRef Variant::asObject() const {
  if (ref_) return value().asObject();
  if (type_ != VarType::Object) raise(err::TypeMismatch);
  return obj_;
}

bool operator==(const Variant& a, const Variant& b) {
  Variant x = a.value();
  Variant y = b.value();
  if (x.type_ != y.type_) return false;
  switch (x.type_) {
    case VarType::Empty:
      return true;
    case VarType::Integer:
    case VarType::Boolean:
      return x.num_.i2 == y.num_.i2;
    case VarType::Long:
      return x.num_.i4 == y.num_.i4;
    case VarType::Single:
      return x.num_.r4 == y.num_.r4;
    case VarType::Double:
      return x.num_.r8 == y.num_.r8;
    case VarType::String:
      return x.str_ == y.str_;
    case VarType::Object:
      return x.obj_ == y.obj_;
  }
  return false;
}

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  auto space = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

// &H and &O literals: a bit pattern of the target's width (16 bits for an Integer, 32 for the
// other types), read as a signed number: &HFFFF is -1 as an Integer and 65535 as a Long, and
// &HFFFFFFFF is -1 as a Long. More bits than the width is an overflow.
double parseRadix(std::string_view digits, int radix, int bits) {
  if (digits.empty()) raise(err::TypeMismatch);
  uint64_t v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (radix == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
      d = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    } else {
      raise(err::TypeMismatch);
    }
    if (d >= radix) raise(err::TypeMismatch);
    v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (v >> bits != 0) raise(err::Overflow);
  }
  uint64_t sign = uint64_t{1} << (bits - 1);
  return v & sign ? static_cast<double>(v) - static_cast<double>(sign << 1)
                  : static_cast<double>(v);
}

// Digits, an optional point with decimals, an optional exponent (E or D, with a sign).
double parseDecimal(std::string_view s) {
  size_t i = 0;
  size_t mantissaDigits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++mantissaDigits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) raise(err::TypeMismatch);
  std::string text(s.substr(0, i));
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    ++i;
    std::string exponent = "e";
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) exponent += s[i++];
    size_t expDigits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
      exponent += s[i++];
      ++expDigits;
    }
    if (expDigits == 0) raise(err::TypeMismatch);
    text += exponent;
  }
  if (i != s.size()) raise(err::TypeMismatch);
  double v = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(v)) raise(err::Overflow);
  return v;
}

// parseNumber with &H and &O literals read at the given width in bits (16 or 32).
double parseNumberOfWidth(std::string_view text, int bits) {
  std::string_view s = trim(text);
  if (equalsNoCase(s, "True")) return -1.0;
  if (equalsNoCase(s, "False")) return 0.0;
  if (s.size() >= 2 && s[0] == '&') {
    char p = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
    if (p == 'H') return parseRadix(s.substr(2), 16, bits);
    if (p == 'O') return parseRadix(s.substr(2), 8, bits);
    return parseRadix(s.substr(1), 8, bits);
  }
  double sign = 1.0;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    if (s[0] == '-') sign = -1.0;
    s = trim(s.substr(1));
  }
  return sign * parseDecimal(s);
}

}  // namespace

double parseNumber(std::string_view text) {
  return parseNumberOfWidth(text, 32);
}

namespace {

// printf's %G with the given precision, trailing zeros dropped, and the exponent written as the
// host writes it (1E+20, 1.5E-07).
std::string formatG(double v, int precision) {
  if (v == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", precision, v);
  std::string s(buf);
  size_t e = s.find('E');
  std::string mantissa = s.substr(0, e);
  std::string exponent = e == std::string::npos ? "" : s.substr(e);
  if (mantissa.find('.') != std::string::npos) {
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  return mantissa + exponent;
}

}  // namespace

std::string formatSingle(float v) {
  return formatG(v, 7);
}
std::string formatDouble(double v) {
  std::string s = formatG(v, 15);
  // Fifteen digits round the largest Doubles up past the range (1.79769313486232E+308): those
  // print one unit lower in the last digit, as the host writes its largest Double, so that what
  // is printed reads back.
  if (std::isfinite(v) && !std::isfinite(std::strtod(s.c_str(), nullptr))) {
    size_t i = s.find('E');
    while (i-- > 0 && s[i] == '0') s[i] = '9';  // a borrow (never past the leading digit here)
    if (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) --s[i];
  }
  return s;
}

}  // namespace keloscroll::host
