// Variant: the host's tagged value (Empty, Boolean, Integer, Long, Single, Double, String, Object,
// and by-reference forms of these), with the host's ordinary conversions between them.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/types.h"

namespace keloscroll::host {

class Dispatch;
using ObjectRef = std::shared_ptr<Dispatch>;

// Type tags, numbered as the component model numbers them.
enum class VarType : uint16_t {
  Empty = 0,
  Integer = 2,
  Long = 3,
  Single = 4,
  Double = 5,
  String = 8,
  Object = 9,
  Boolean = 11,
};
inline constexpr uint16_t kByRefFlag = 0x4000;

const char* typeName(VarType t);

class Variant {
 public:
  Variant() = default;
  Variant(int16_t v);  // NOLINT: implicit by design, like the host's coercions
  Variant(int32_t v);
  Variant(float v);
  Variant(double v);
  Variant(std::string v);
  Variant(std::string_view v);
  Variant(const char* v);
  Variant(ObjectRef v);
  template <std::derived_from<Dispatch> T>
  Variant(std::shared_ptr<T> v) : Variant(ObjectRef(std::move(v))) {}
  // A C++ bool is a Boolean (-1 or 0); without this it would promote to the Long 1.
  template <std::same_as<bool> B>
  Variant(B b) : Variant(boolean(b)) {}

  static Variant boolean(bool b);
  static Variant fromBoolean(Boolean b);
  static Variant nothing();  // an Object variant holding the empty reference

  // By-reference variants: the value lives in the caller's variable. A copy of one is the same
  // reference; assigning to one (with = or assign()) writes the caller's variable, converted to
  // its type, as assigning a by-reference argument does in the host's language. An event handler
  // that writes `args[0] = "text"` therefore reaches the control.
  static Variant refInteger(int16_t* p);
  static Variant refLong(int32_t* p);
  static Variant refSingle(float* p);
  static Variant refDouble(double* p);
  static Variant refBoolean(Boolean* p);
  static Variant refString(std::string* p);
  static Variant refObject(ObjectRef* p);

  VarType type() const { return type_; }
  bool isByRef() const { return ref_ != nullptr; }
  uint16_t vt() const { return static_cast<uint16_t>(type_) | (isByRef() ? kByRefFlag : 0); }
  bool isEmpty() const { return type_ == VarType::Empty; }
  bool isObject() const { return type_ == VarType::Object; }
  bool isString() const { return type_ == VarType::String; }

  // Conversions (through a reference). Error 13 for text that is no number or an object where a
  // value is needed; error 6 for a number outside the target's range.
  Boolean asBoolean() const;
  int16_t asInteger() const;
  int32_t asLong() const;
  float asSingle() const;
  double asDouble() const;
  std::string asString() const;
  ObjectRef asObject() const;  // error 13 unless the variant is an Object (possibly Nothing)

  Variant(const Variant&) = default;
  Variant(Variant&&) noexcept = default;
  ~Variant() = default;
  // A plain variant becomes a copy of v (a reference stays one, as in a copy); a by-reference
  // one writes its variable, as assign() does.
  Variant& operator=(const Variant& v);
  Variant& operator=(Variant&& v);
  // Exchanges the two variants themselves (references stay references), as containers need.
  friend void swap(Variant& a, Variant& b) noexcept;

  // A by-value copy (a reference is read through).
  Variant value() const;
  // Plain variant: replaced by v (a reference is read through). By-reference variant: v is
  // converted to the referenced type and written into the caller's variable; a failed conversion
  // (13, 6) leaves the variable as it was.
  void assign(const Variant& v);

  // Same type and value (after reading through references); objects compare by identity.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  VarType type_ = VarType::Empty;
  void* ref_ = nullptr;
  union {
    int16_t i2;
    int32_t i4;
    float r4;
    double r8;
  } num_{};
  std::string str_;
  ObjectRef obj_;

  static Variant byRef(VarType t, void* p);
};

// The host's string-to-number conversion: surrounding spaces, a sign, decimals, an exponent, the
// &H and &O prefixes (a 32-bit pattern: &HFFFFFFFF is -1), and "True"/"False". Error 13 for text
// that is no number. asInteger() reads &H and &O as a 16-bit pattern instead (&HFFFF is -1).
double parseNumber(std::string_view text);
// The plain decimal text of a number: no leading blank, no grouping; Singles to 7 significant
// digits and Doubles to 15, as the host prints them.
std::string formatSingle(float v);
std::string formatDouble(double v);

}  // namespace keloscroll::host
