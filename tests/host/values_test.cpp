// The host's value semantics: Booleans, numeric conversions and checked arithmetic, Variant
// coercions and by-reference variants, late-bound dispatch, the virtual clock and error numbers.
// Error numbers are written as literals on purpose: they are the platform's, not ours to choose.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/dispatch.h"
#include "host/error.h"
#include "host/numeric.h"
#include "host/types.h"
#include "host/variant.h"

namespace {

using host::Invoke;
using host::Variant;
using host::VarType;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Runs f and checks that it raises host::Error with the given number.
template <class F>
testing::AssertionResult Raises(int32_t number, F&& f) {
  try {
    f();
  } catch (const host::Error& e) {
    if (e.number() == number) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "raised error " << e.number() << " instead of " << number;
  }
  return testing::AssertionFailure() << "raised nothing; expected error " << number;
}

// ---------------------------------------------------------------------------------------------
// Booleans

TEST(Boolean, HostBooleansAreMinusOneAndZero) {
  EXPECT_EQ(host::True, -1);
  EXPECT_EQ(host::False, 0);
  EXPECT_EQ(host::toBoolean(true), -1);
  EXPECT_EQ(host::toBoolean(false), 0);
  // Any non-zero pattern counts as true in a conditional, 1 included.
  EXPECT_TRUE(host::isTrue(1));
  EXPECT_TRUE(host::isTrue(-1));
  EXPECT_FALSE(host::isTrue(0));
}

TEST(Boolean, CheckBoxValuesConvertBothWays) {
  // Check box: 1 is checked, 0 unchecked, 2 grayed (not checked).
  EXPECT_EQ(host::checkToBoolean(1), host::True);
  EXPECT_EQ(host::checkToBoolean(0), host::False);
  EXPECT_EQ(host::checkToBoolean(2), host::False);
  // `b And 1`
  EXPECT_EQ(host::booleanToCheck(host::True), 1);
  EXPECT_EQ(host::booleanToCheck(host::False), 0);
}

TEST(Boolean, BooleanVariantsConvertAsMinusOne) {
  Variant t = Variant::boolean(true);
  Variant f = Variant::boolean(false);
  EXPECT_EQ(t.type(), VarType::Boolean);
  EXPECT_EQ(t.asLong(), -1);
  EXPECT_EQ(t.asInteger(), -1);
  EXPECT_EQ(t.asDouble(), -1.0);
  EXPECT_EQ(t.asString(), "True");
  EXPECT_EQ(f.asLong(), 0);
  EXPECT_EQ(f.asString(), "False");
  // Any non-zero number is true as a Boolean, and a true Boolean is -1 again.
  EXPECT_EQ(Variant(1).asBoolean(), -1);
  EXPECT_EQ(Variant(0.25).asBoolean(), -1);
  EXPECT_EQ(Variant(0).asBoolean(), 0);
  EXPECT_EQ(Variant().asBoolean(), 0);
  EXPECT_EQ(Variant::fromBoolean(1).asBoolean(), 1);  // stored as given
}

TEST(Boolean, CppBoolBecomesHostBooleanNotLongOne) {
  // A getter that returns a C++ bool through a Variant must give the host's True (-1).
  Variant t = true;
  Variant f = false;
  EXPECT_EQ(t.type(), VarType::Boolean);
  EXPECT_EQ(t.asLong(), -1);
  EXPECT_EQ(t.asString(), "True");
  EXPECT_EQ(f.type(), VarType::Boolean);
  EXPECT_EQ(f.asLong(), 0);
  EXPECT_EQ(t, Variant::boolean(true));
}

// ---------------------------------------------------------------------------------------------
// Numeric conversions

TEST(Numeric, ToLongRoundsHalfToEvenWithinRange) {
  struct Case {
    double in;
    int32_t out;
  };
  const Case cases[] = {
      {2.5, 2},
      {3.5, 4},
      {-2.5, -2},
      {-3.5, -4},
      {0.5, 0},
      {-0.5, 0},
      {1.5, 2},
      {-1.5, -2},
      {2.4999999, 2},
      {2.5000001, 3},
      {-2.5000001, -3},
      {7.0, 7},
      {1e9 + 0.5, 1000000000},
      {2147483647.0, INT32_MAX},
      {2147483647.4, INT32_MAX},
      {2147483646.5, 2147483646},
      {-2147483648.0, INT32_MIN},
      {-2147483648.5, INT32_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(host::toLong(c.in), c.out);
  }
}

TEST(Numeric, ToLongOverflowsOutsideRangeAndForNonNumbers) {
  for (double v :
       {2147483647.5, 2147483648.0, -2147483648.6, -2147483649.0, 1e300, kNaN, kInf, -kInf}) {
    SCOPED_TRACE(v);
    EXPECT_TRUE(Raises(6, [v] { (void)host::toLong(v); }));
  }
}

TEST(Numeric, ToIntegerRoundsHalfToEvenWithin16Bits) {
  struct Case {
    double in;
    int16_t out;
  };
  const Case cases[] = {
      {2.5, 2},         {3.5, 4},         {-2.5, -2},         {-0.5, 0},
      {32767.4, 32767}, {32766.5, 32766}, {-32768.5, -32768}, {-32767.5, -32768},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(host::toInteger(c.in), c.out);
  }
  for (double v : {32767.5, 32768.0, -32768.6, -32769.0, kNaN, kInf}) {
    SCOPED_TRACE(v);
    EXPECT_TRUE(Raises(6, [v] { (void)host::toInteger(v); }));
  }
}

TEST(Numeric, ToIntegerFromLongChecksRange) {
  EXPECT_EQ(host::toInteger(int32_t{32767}), 32767);
  EXPECT_EQ(host::toInteger(int32_t{-32768}), -32768);
  for (int32_t v : {32768, -32769, INT32_MAX, INT32_MIN, 65535}) {
    SCOPED_TRACE(v);
    EXPECT_TRUE(Raises(6, [v] { (void)host::toInteger(v); }));
  }
}

TEST(Numeric, RoundHalfEvenKeepsLargeWholeNumbers) {
  // Beyond 2^52 every double is whole; the rule must not move it.
  EXPECT_EQ(host::roundHalfEven(4503599627370497.0), 4503599627370497.0);
  EXPECT_EQ(host::roundHalfEven(-4503599627370497.0), -4503599627370497.0);
  EXPECT_EQ(host::roundHalfEven(1e300), 1e300);
  EXPECT_EQ(host::roundHalfEven(4503599627370495.5), 4503599627370496.0);
}

TEST(Numeric, ToSingleOverflowsOutsideFloatRange) {
  EXPECT_EQ(host::toSingle(0.1), 0.1f);
  EXPECT_EQ(host::toSingle(-7.25), -7.25f);
  EXPECT_EQ(host::toSingle(FLT_MAX), FLT_MAX);
  EXPECT_EQ(host::toSingle(-static_cast<double>(FLT_MAX)), -FLT_MAX);
  for (double v : {1e39, -1e39, 3.5e38, kNaN, kInf, -kInf}) {
    SCOPED_TRACE(v);
    EXPECT_TRUE(Raises(6, [v] { (void)host::toSingle(v); }));
  }
}

TEST(Numeric, CheckedAddAndSubtractRaiseOverflowAtThe32BitEdges) {
  struct Case {
    int32_t a, b;
    int64_t sum;  // the exact result; outside 32 bits means error 6
  };
  const Case adds[] = {
      {INT32_MAX, 1, int64_t{INT32_MAX} + 1},
      {INT32_MIN, -1, int64_t{INT32_MIN} - 1},
      {INT32_MIN, -0, INT32_MIN},
      {INT32_MAX, 0, INT32_MAX},
      {INT32_MAX, INT32_MIN, -1},
      {INT32_MAX, INT32_MAX, int64_t{INT32_MAX} * 2},
      {-5, 3, -2},
  };
  for (const Case& c : adds) {
    SCOPED_TRACE(testing::Message() << c.a << " + " << c.b);
    if (c.sum < INT32_MIN || c.sum > INT32_MAX) {
      EXPECT_TRUE(Raises(6, [&] { (void)host::addChecked(c.a, c.b); }));
    } else {
      EXPECT_EQ(host::addChecked(c.a, c.b), c.sum);
    }
  }
  const Case subs[] = {
      {INT32_MIN, 1, int64_t{INT32_MIN} - 1},
      {INT32_MAX, -1, int64_t{INT32_MAX} + 1},
      {0, INT32_MIN, -int64_t{INT32_MIN}},
      {-1, INT32_MIN, INT32_MAX},
      {INT32_MIN, 0, INT32_MIN},
      {3, 5, -2},
  };
  for (const Case& c : subs) {
    SCOPED_TRACE(testing::Message() << c.a << " - " << c.b);
    if (c.sum < INT32_MIN || c.sum > INT32_MAX) {
      EXPECT_TRUE(Raises(6, [&] { (void)host::subChecked(c.a, c.b); }));
    } else {
      EXPECT_EQ(host::subChecked(c.a, c.b), c.sum);
    }
  }
}

TEST(Numeric, DivisionByZeroIsElevenAndInvalidResultsAreSix) {
  EXPECT_EQ(host::divide(7.0, 2.0), 3.5);
  EXPECT_EQ(host::divide(-1.0, 4.0), -0.25);
  EXPECT_EQ(host::divide(0.0, 5.0), 0.0);
  EXPECT_TRUE(Raises(11, [] { (void)host::divide(1.0, 0.0); }));
  EXPECT_TRUE(Raises(11, [] { (void)host::divide(-1.0, 0.0); }));
  EXPECT_TRUE(Raises(11, [] { (void)host::divide(1.0, -0.0); }));
  EXPECT_TRUE(Raises(6, [] { (void)host::divide(0.0, 0.0); }));
  EXPECT_TRUE(Raises(6, [] { (void)host::divide(-0.0, 0.0); }));
  EXPECT_TRUE(Raises(6, [] { (void)host::divide(kNaN, 0.0); }));
  EXPECT_TRUE(Raises(6, [] { (void)host::divide(1e308, 1e-10); }));  // overflows to infinity
  EXPECT_TRUE(Raises(6, [] { (void)host::divide(kNaN, 2.0); }));
  EXPECT_EQ(host::checkFinite(-3.0), -3.0);
  EXPECT_TRUE(Raises(6, [] { (void)host::checkFinite(kInf); }));
  EXPECT_TRUE(Raises(6, [] { (void)host::checkFinite(kNaN); }));
}

// ---------------------------------------------------------------------------------------------
// Variant: string to number

TEST(VariantText, ParseNumberAcceptsTheHostsNumberForms) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"12", 12},
      {" 12 ", 12},
      {"\t12\t", 12},
      {"-7", -7},
      {"+7", 7},
      {"007", 7},
      {"1e3", 1000},
      {"1E+3", 1000},
      {"25e-2", 0.25},
      {"1d2", 100},
      {"12.5", 12.5},
      {".5", 0.5},
      {"5.", 5},
      {"-0.75", -0.75},
      {"&H10", 16},
      {"&h1f", 31},
      {"&HFF", 255},
      {"&O17", 15},
      {"&o777", 511},
      {"&H7FFFFFFF", 2147483647},
      {"&HFFFFFFFF", -1},  // a 32-bit pattern
      {"&H80000000", -2147483648.0},
      {"&H0000000010", 16},  // leading zeros do not count against the width
      {"True", -1},
      {"true", -1},
      {"FALSE", 0},
      {" True ", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(host::parseNumber(c.text), c.value);
  }
}

TEST(VariantText, ParseNumberRejectsTextThatIsNoNumber) {
  for (const char* text :
       {"",  "   ",  "abc", "1.5.2", "12abc", "1 2",  "1e",  "1e+",  "e3",    "-",  "--7",
        ".", "0x10", "inf", "nan",   "&H",    "&HG1", "&O8", "&H-1", "Truex", "$12"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(Raises(13, [text] { (void)host::parseNumber(text); }));
  }
  // Numbers too large for the host's types overflow instead.
  for (const char* text : {"1e400", "-1e400", "&H100000000", "&O40000000000"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(Raises(6, [text] { (void)host::parseNumber(text); }));
  }
}

// The outcome of a conversion: a value, or the error it raises.
struct Outcome {
  int64_t value;
  int32_t error;
};
constexpr Outcome Ok(int64_t v) {
  return {v, 0};
}
constexpr Outcome Err(int32_t n) {
  return {0, n};
}

template <class F>
void ExpectOutcome(const Outcome& expected, F&& convert) {
  if (expected.error != 0) {
    EXPECT_TRUE(Raises(expected.error, convert));
  } else {
    try {
      EXPECT_EQ(convert(), expected.value);
    } catch (const host::Error& e) {
      ADD_FAILURE() << "raised error " << e.number() << "; expected " << expected.value;
    }
  }
}

TEST(VariantText, StringToLongAndIntegerRoundAndCheckRange) {
  struct Case {
    const char* text;
    Outcome asLong;
    Outcome asInteger;
  };
  const Case cases[] = {
      {"12", Ok(12), Ok(12)},
      {" 12 ", Ok(12), Ok(12)},
      {"-7", Ok(-7), Ok(-7)},
      {"1e3", Ok(1000), Ok(1000)},
      {"&H10", Ok(16), Ok(16)},
      {"&O17", Ok(15), Ok(15)},
      {"12.5", Ok(12), Ok(12)},
      {"13.5", Ok(14), Ok(14)},
      {"-2.5", Ok(-2), Ok(-2)},
      {"True", Ok(-1), Ok(-1)},
      {"40000", Ok(40000), Err(6)},
      {"-32768", Ok(-32768), Ok(-32768)},
      {"-32769", Ok(-32769), Err(6)},
      {"2147483647", Ok(INT32_MAX), Err(6)},
      {"2147483648", Err(6), Err(6)},
      {"-2147483648.5", Ok(INT32_MIN), Err(6)},
      {"", Err(13), Err(13)},
      {"abc", Err(13), Err(13)},
      {"1.5.2", Err(13), Err(13)},
      // Hex and octal take the target's width: a 16-bit pattern for an Integer, 32 for a Long.
      {"&HFFFF", Ok(65535), Ok(-1)},
      {"&H8000", Ok(32768), Ok(-32768)},
      {"&H7FFF", Ok(32767), Ok(32767)},
      {"&O177777", Ok(65535), Ok(-1)},
      {"&H10000", Ok(65536), Err(6)},
      {"&HFFFFFFFF", Ok(-1), Err(6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Variant v(c.text);
    ExpectOutcome(c.asLong, [&] { return int64_t{v.asLong()}; });
    ExpectOutcome(c.asInteger, [&] { return int64_t{v.asInteger()}; });
  }
}

TEST(VariantText, StringToSingleDoubleAndBoolean) {
  EXPECT_EQ(Variant("7.653061").asSingle(), 7.653061f);
  EXPECT_EQ(Variant("0.1").asDouble(), 0.1);
  EXPECT_EQ(Variant("&HFFFF").asDouble(), 65535.0);
  EXPECT_TRUE(Raises(6, [] { (void)Variant("1e39").asSingle(); }));
  EXPECT_EQ(Variant("1e39").asDouble(), 1e39);
  EXPECT_TRUE(Raises(13, [] { (void)Variant("x").asDouble(); }));
  EXPECT_EQ(Variant("True").asBoolean(), -1);
  EXPECT_EQ(Variant("False").asBoolean(), 0);
  EXPECT_EQ(Variant("2").asBoolean(), -1);
  EXPECT_EQ(Variant("0").asBoolean(), 0);
  EXPECT_TRUE(Raises(13, [] { (void)Variant("yes").asBoolean(); }));
  EXPECT_TRUE(Raises(13, [] { (void)Variant("").asBoolean(); }));
}

// ---------------------------------------------------------------------------------------------
// Variant: number to string and other conversions

TEST(VariantText, NumbersPrintAsPlainDecimalText) {
  struct Case {
    Variant v;
    const char* text;
  };
  const Case cases[] = {
      {Variant(int16_t{-7}), "-7"},
      {Variant(int16_t{12}), "12"},
      {Variant(12), "12"},
      {Variant(-7), "-7"},
      {Variant(INT32_MIN), "-2147483648"},
      {Variant(7.653061f), "7.653061"},
      {Variant(0.1f), "0.1"},  // 7 significant digits, not the float's full expansion
      {Variant(1234567.0f), "1234567"},
      {Variant(-2.5f), "-2.5"},
      {Variant(100.0f), "100"},
      {Variant(0.0f), "0"},
      {Variant(-0.0f), "0"},
      {Variant(2.5), "2.5"},
      {Variant(100.0), "100"},
      {Variant(1.0 / 3.0), "0.333333333333333"},
      {Variant(0.1 + 0.2), "0.3"},  // 15 significant digits
      {Variant(-1234.5), "-1234.5"},
      {Variant(1e20), "1E+20"},
      {Variant(1.5e-7), "1.5E-07"},
      {Variant(-2.5e20f), "-2.5E+20"},
      {Variant::boolean(true), "True"},
      {Variant::boolean(false), "False"},
      {Variant(), ""},
      {Variant("as is "), "as is "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.v.asString(), c.text);
  }
}

TEST(VariantConvert, NumbersConvertBetweenWidthsWithRoundingAndRange) {
  EXPECT_EQ(Variant(2.5f).asLong(), 2);
  EXPECT_EQ(Variant(3.5).asInteger(), 4);
  EXPECT_EQ(Variant(40000).asLong(), 40000);
  EXPECT_TRUE(Raises(6, [] { (void)Variant(40000).asInteger(); }));
  EXPECT_TRUE(Raises(6, [] { (void)Variant(32767.5).asInteger(); }));
  EXPECT_TRUE(Raises(6, [] { (void)Variant(2147483648.0f).asLong(); }));
  EXPECT_TRUE(Raises(6, [] { (void)Variant(1e39).asSingle(); }));
  EXPECT_EQ(Variant(int16_t{-5}).asLong(), -5);
  EXPECT_EQ(Variant(int16_t{-5}).asDouble(), -5.0);
  EXPECT_EQ(Variant(0.1).asSingle(), 0.1f);
  EXPECT_EQ(Variant(0.1f).asDouble(), static_cast<double>(0.1f));
}

TEST(VariantConvert, EmptyIsZeroAndObjectsAreNoValues) {
  Variant empty;
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_EQ(empty.asLong(), 0);
  EXPECT_EQ(empty.asInteger(), 0);
  EXPECT_EQ(empty.asDouble(), 0.0);
  EXPECT_EQ(empty.asString(), "");
  EXPECT_TRUE(Raises(13, [&] { (void)empty.asObject(); }));

  Variant nothing = Variant::nothing();
  EXPECT_TRUE(nothing.isObject());
  EXPECT_EQ(nothing.asObject(), nullptr);
  EXPECT_TRUE(Raises(13, [&] { (void)nothing.asLong(); }));
  EXPECT_TRUE(Raises(13, [&] { (void)nothing.asString(); }));
  EXPECT_TRUE(Raises(13, [&] { (void)nothing.asBoolean(); }));
  EXPECT_TRUE(Raises(13, [] { (void)Variant(5).asObject(); }));
  EXPECT_TRUE(Raises(13, [] { (void)Variant("x").asObject(); }));
}

TEST(VariantConvert, TypeTagsAreTheComponentModelNumbers) {
  struct Case {
    Variant v;
    uint16_t vt;
  };
  const Case cases[] = {
      {Variant(), 0},
      {Variant(int16_t{1}), 2},
      {Variant(1), 3},
      {Variant(1.0f), 4},
      {Variant(1.0), 5},
      {Variant("1"), 8},
      {Variant(std::string("1")), 8},
      {Variant(std::string_view("1")), 8},
      {Variant::nothing(), 9},
      {Variant::boolean(true), 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vt);
    EXPECT_EQ(c.v.vt(), c.vt);
    EXPECT_FALSE(c.v.isByRef());
  }
}

TEST(VariantConvert, EqualityComparesTypeAndValue) {
  EXPECT_EQ(Variant(5), Variant(5));
  EXPECT_NE(Variant(5), Variant(int16_t{5}));  // Long and Integer differ
  EXPECT_NE(Variant(5), Variant("5"));
  EXPECT_NE(Variant(int16_t{-1}), Variant::boolean(true));
  EXPECT_EQ(Variant(), Variant());
  EXPECT_EQ(Variant("a"), Variant(std::string("a")));
  EXPECT_NE(Variant("a"), Variant("A"));
}

// ---------------------------------------------------------------------------------------------
// By-reference variants

TEST(VariantByRef, TypeTagCarriesTheByRefFlag) {
  int16_t i = 0;
  int32_t l = 0;
  float s = 0;
  double d = 0;
  host::Boolean b = 0;
  std::string str;
  host::ObjectRef o;
  struct Case {
    Variant v;
    uint16_t vt;
  };
  const Case cases[] = {
      {Variant::refInteger(&i), 0x4002},  {Variant::refLong(&l), 0x4003},
      {Variant::refSingle(&s), 0x4004},   {Variant::refDouble(&d), 0x4005},
      {Variant::refString(&str), 0x4008}, {Variant::refObject(&o), 0x4009},
      {Variant::refBoolean(&b), 0x400B},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vt);
    EXPECT_TRUE(c.v.isByRef());
    EXPECT_EQ(c.v.vt(), c.vt);
    EXPECT_EQ(c.v.vt() & host::kByRefFlag, 0x4000);
    // A by-value copy drops the flag but keeps the type.
    EXPECT_FALSE(c.v.value().isByRef());
    EXPECT_EQ(c.v.value().vt(), c.vt & 0xFF);
  }
}

TEST(VariantByRef, AssignWritesThroughWithConversionToTheReferencedType) {
  int32_t l = 0;
  Variant refL = Variant::refLong(&l);
  refL.assign(Variant("42"));
  EXPECT_EQ(l, 42);
  refL.assign(Variant(12.5));
  EXPECT_EQ(l, 12);                       // half to even
  EXPECT_EQ(refL.type(), VarType::Long);  // the variant stays a Long reference

  std::string s = "old";
  Variant refS = Variant::refString(&s);
  refS.assign(Variant(5));
  EXPECT_EQ(s, "5");
  refS.assign(Variant::boolean(true));
  EXPECT_EQ(s, "True");

  host::Boolean b = 0;
  Variant::refBoolean(&b).assign(Variant(1));
  EXPECT_EQ(b, -1);

  float f = 0;
  Variant::refSingle(&f).assign(Variant("2.5"));
  EXPECT_EQ(f, 2.5f);

  double d = 0;
  Variant::refDouble(&d).assign(Variant(int16_t{-3}));
  EXPECT_EQ(d, -3.0);

  int16_t i = 0;
  Variant::refInteger(&i).assign(Variant("&HFFFF"));
  EXPECT_EQ(i, -1);
}

TEST(VariantByRef, FailedConversionLeavesTheVariableUnchanged) {
  int16_t i = 7;
  Variant refI = Variant::refInteger(&i);
  EXPECT_TRUE(Raises(6, [&] { refI.assign(Variant(40000)); }));
  EXPECT_EQ(i, 7);
  EXPECT_TRUE(Raises(13, [&] { refI.assign(Variant("abc")); }));
  EXPECT_EQ(i, 7);

  int32_t l = 9;
  EXPECT_TRUE(Raises(13, [&] { Variant::refLong(&l).assign(Variant::nothing()); }));
  EXPECT_EQ(l, 9);

  host::ObjectRef o;
  EXPECT_TRUE(Raises(13, [&] { Variant::refObject(&o).assign(Variant(1)); }));
}

TEST(VariantByRef, ReadsFollowTheVariableAndCopiesShareIt) {
  int32_t l = 1;
  Variant ref = Variant::refLong(&l);
  Variant snapshot = ref.value();
  Variant alias = ref;  // a copy of a reference is the same reference
  l = 250;
  EXPECT_EQ(ref.asLong(), 250);
  EXPECT_EQ(ref.asString(), "250");
  EXPECT_EQ(ref.asInteger(), 250);
  EXPECT_EQ(snapshot.asLong(), 1);
  alias.assign(Variant(3));
  EXPECT_EQ(l, 3);
  EXPECT_EQ(ref, Variant(3));  // equality reads through

  // A plain variant assigned from a reference takes the value, not the reference.
  Variant plain;
  plain.assign(ref);
  EXPECT_FALSE(plain.isByRef());
  l = 4;
  EXPECT_EQ(plain.asLong(), 3);
  // ...and assigning to a plain variant replaces its type.
  plain.assign(Variant("text"));
  EXPECT_EQ(plain.type(), VarType::String);
}

// ---------------------------------------------------------------------------------------------
// Dispatch

class Probe : public host::Dispatch {
 public:
  int32_t count = 0;
  std::string caption;
  host::ObjectRef font;
  Invoke lastKind = Invoke::Method;

  int32_t idOfName(std::string_view name) const override { return table().idOfName(name); }
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override {
    lastKind = kind;
    return table().invoke(*this, id, kind, args);
  }
  std::string_view typeName() const override { return "Probe"; }

  static const host::DispatchTable<Probe>& table() {
    static const host::DispatchTable<Probe> t = [] {
      host::DispatchTable<Probe> built;
      built.property(
          "Count", [](Probe& p) { return Variant(p.count); },
          [](Probe& p, const Variant& v) { p.count = v.asLong(); });
      built.property(
          "Caption", [](Probe& p) { return Variant(p.caption); },
          [](Probe& p, const Variant& v) { p.caption = v.asString(); });
      built.property("Version", [](Probe&) { return Variant(int16_t{3}); });  // read-only
      built.property(
          "Font", [](Probe& p) { return Variant(p.font); },
          [](Probe& p, const Variant& v) { p.font = v.asObject(); });
      built.method("Add", [](Probe&, std::span<Variant> a) {
        if (a.size() != 2) host::raise(450);
        return Variant(host::addChecked(a[0].asLong(), a[1].asLong()));
      });
      // Increments a by-reference argument, as an event handler changes a by-ref parameter.
      built.method("Bump", [](Probe&, std::span<Variant> a) {
        a[0].assign(Variant(a[0].asLong() + 1));
        return Variant();
      });
      return built;
    }();
    return t;
  }
};

TEST(Dispatch, GetLetAndCallByCaseInsensitiveName) {
  auto p = std::make_shared<Probe>();
  p->let("count", Variant(5));
  EXPECT_EQ(p->count, 5);
  EXPECT_EQ(p->get("COUNT"), Variant(5));
  EXPECT_EQ(p->get("Count").asLong(), 5);
  EXPECT_EQ(p->idOfName("cOuNt"), p->idOfName("Count"));

  p->let("CAPTION", Variant(12));  // the setter converts
  EXPECT_EQ(p->caption, "12");
  EXPECT_EQ(p->get("caption"), Variant("12"));

  EXPECT_EQ(p->call("add", {Variant(2), Variant("3")}), Variant(5));
  EXPECT_TRUE(Raises(6, [&] { (void)p->call("Add", {Variant(INT32_MAX), Variant(1)}); }));
  // A property can be read with call(), a method with get().
  EXPECT_EQ(p->call("Version"), Variant(int16_t{3}));

  int32_t n = 41;
  p->call("bump", {Variant::refLong(&n)});
  EXPECT_EQ(n, 42);
}

TEST(Dispatch, UnknownNamesAndReadOnlyPropertiesRaise438) {
  auto p = std::make_shared<Probe>();
  EXPECT_TRUE(Raises(438, [&] { (void)p->idOfName("Nope"); }));
  EXPECT_TRUE(Raises(438, [&] { (void)p->get("Nope"); }));
  EXPECT_TRUE(Raises(438, [&] { p->let("Nope", Variant(1)); }));
  EXPECT_TRUE(Raises(438, [&] { (void)p->call("Nope"); }));
  EXPECT_TRUE(Raises(438, [&] { (void)p->get("Coun"); }));
  EXPECT_TRUE(Raises(438, [&] { (void)p->get("Count "); }));
  EXPECT_TRUE(Raises(438, [&] { p->let("Version", Variant(2)); }));
  EXPECT_EQ(p->get("Version"), Variant(int16_t{3}));
  EXPECT_TRUE(Raises(438, [&] { p->let("Add", Variant(2)); }));  // a method takes no value
  EXPECT_TRUE(Raises(438, [&] { (void)p->invoke(9999, Invoke::Get, {}); }));
}

TEST(Dispatch, LetUsesSetForObjectsAndLetForValues) {
  auto p = std::make_shared<Probe>();
  auto font = std::make_shared<Probe>();
  p->let("Font", font);
  EXPECT_EQ(p->lastKind, Invoke::Set);
  EXPECT_EQ(p->font, font);
  EXPECT_EQ(p->get("Font").asObject(), font);

  p->let("Font", Variant::nothing());
  EXPECT_EQ(p->lastKind, Invoke::Set);
  EXPECT_EQ(p->font, nullptr);

  host::ObjectRef held = font;
  p->let("Font", Variant::refObject(&held));
  EXPECT_EQ(p->lastKind, Invoke::Set);
  EXPECT_EQ(p->font, font);

  p->let("Count", Variant(1));
  EXPECT_EQ(p->lastKind, Invoke::Let);
  p->let("Count", Variant("2"));
  EXPECT_EQ(p->lastKind, Invoke::Let);
  EXPECT_EQ(p->count, 2);
}

TEST(Dispatch, TableIdsStayUniqueWhenMembersAreOverriddenOrNumbered) {
  using Table = host::DispatchTable<Probe>;
  auto constant = [](int32_t v) { return [v](Probe&) { return Variant(v); }; };
  Table t;
  t.property("A", constant(1));
  t.property("B", constant(2));
  t.property("a", constant(10));  // overrides A
  t.property("C", constant(3));
  t.property("D", constant(4), {}, 7);  // explicit id
  t.property("E", constant(5));
  t.property("B", constant(20), {}, 9);  // overrides B with an id of its own

  EXPECT_EQ(t.members().size(), 5u);
  std::set<int32_t> ids;
  for (const auto& m : t.members()) ids.insert(m.id);
  EXPECT_EQ(ids.size(), t.members().size()) << "two members share an id";

  Probe p;
  auto read = [&](const char* name) {
    return t.invoke(p, t.idOfName(name), Invoke::Get, {}).asLong();
  };
  EXPECT_EQ(read("A"), 10);
  EXPECT_EQ(read("B"), 20);
  EXPECT_EQ(read("C"), 3);
  EXPECT_EQ(read("D"), 4);
  EXPECT_EQ(read("E"), 5);
  EXPECT_EQ(t.idOfName("D"), 7);
  EXPECT_EQ(t.idOfName("B"), 9);
  // An override without an id keeps the inherited member's id.
  Table u;
  u.property("X", constant(1));
  int32_t inherited = u.idOfName("X");
  u.property("x", constant(2));
  EXPECT_EQ(u.idOfName("X"), inherited);
}

// ---------------------------------------------------------------------------------------------
// Clock

TEST(Clock, VirtualTimerIsSecondsSinceMidnightAsSingle) {
  host::VirtualClock clock;  // noon
  EXPECT_EQ(clock.nowMs(), 0);
  EXPECT_EQ(clock.Timer(), 43200.0f);
  clock.advance(1500);
  EXPECT_EQ(clock.nowMs(), 1500);
  EXPECT_EQ(clock.Timer(), 43201.5f);
  // Three days later, the same time of day plus the 5 s.
  clock.advance(3 * 86400000LL + 3500);
  EXPECT_EQ(clock.Timer(), 43205.0f);
}

TEST(Clock, TimerWrapsToZeroAtMidnight) {
  host::VirtualClock clock(86399.5);
  EXPECT_EQ(clock.Timer(), 86399.5f);
  clock.advance(700);  // 0.2 s past midnight
  EXPECT_NEAR(clock.Timer(), 0.2f, 1e-3f);
  EXPECT_EQ(clock.nowMs(), 700);  // the monotonic count does not wrap

  // A time of day that rounds to a whole day in single precision reads as midnight.
  host::VirtualClock late(86399.999);
  EXPECT_LT(late.secondsSinceMidnight(), 86400.0);
  EXPECT_EQ(late.Timer(), 0.0f);
}

TEST(Clock, SetTimeOfDayMovesTheTimeButNotTheCount) {
  host::VirtualClock clock;
  clock.advance(123456);
  clock.setTimeOfDay(3600);
  EXPECT_EQ(clock.nowMs(), 123456);
  EXPECT_EQ(clock.Timer(), 3600.0f);
  clock.advance(1000);
  EXPECT_EQ(clock.Timer(), 3601.0f);

  // Times outside one day are taken modulo a day, by the constructor and the setter alike.
  struct Case {
    double set;
    double read;
  };
  for (Case c : {Case{-60, 86340}, Case{90000, 3600}, Case{86400, 0}, Case{0, 0}}) {
    SCOPED_TRACE(c.set);
    host::VirtualClock fresh(c.set);
    EXPECT_DOUBLE_EQ(fresh.secondsSinceMidnight(), c.read);
    clock.setTimeOfDay(c.set);
    EXPECT_DOUBLE_EQ(clock.secondsSinceMidnight(), c.read);
  }
}

// ---------------------------------------------------------------------------------------------
// Errors

TEST(Error, NumbersRoundTripWithThePlatformsDescriptions) {
  const int32_t numbers[] = {5, 6, 11, 13, 91, 380, 398, 438, 727, 730};
  const std::string unknown = host::errorDescription(12345);
  EXPECT_EQ(unknown, "Application-defined or object-defined error");
  std::set<std::string> seen;
  for (int32_t n : numbers) {
    SCOPED_TRACE(n);
    host::Error e(n);
    EXPECT_EQ(e.number(), n);
    EXPECT_FALSE(e.description().empty());
    EXPECT_NE(e.description(), unknown);
    EXPECT_EQ(e.description(), host::errorDescription(n));
    EXPECT_NE(std::string(e.what()).find(std::to_string(n)), std::string::npos);
    seen.insert(e.description());
    EXPECT_TRUE(Raises(n, [n] { host::raise(n); }));
  }
  EXPECT_EQ(seen.size(), std::size(numbers)) << "two numbers share a description";
  EXPECT_EQ(host::errorDescription(6), "Overflow");
  EXPECT_EQ(host::errorDescription(11), "Division by zero");
  EXPECT_EQ(host::errorDescription(13), "Type mismatch");
  EXPECT_EQ(host::errorDescription(438), "Object doesn't support this property or method");

  host::Error custom(380, "Bad value");
  EXPECT_EQ(custom.number(), 380);
  EXPECT_EQ(custom.description(), "Bad value");
  try {
    host::raise(91, "not set");
    ADD_FAILURE() << "raise returned";
  } catch (const std::exception& e) {  // host::Error is a std::exception too
    const auto* he = dynamic_cast<const host::Error*>(&e);
    ASSERT_NE(he, nullptr);
    EXPECT_EQ(he->number(), 91);
    EXPECT_EQ(he->description(), "not set");
  }
}

}  // namespace
