// The host's value semantics: Booleans, numeric conversions and checked arithmetic, Variant
// coercions and by-reference variants, late-bound dispatch, the virtual clock and error numbers.
// Error numbers are written as literals on purpose: they are the platform's, not ours to choose.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <fstream>
#include <iomanip>
#include <limits>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/clock.h"
#include "host/dispatch.h"
#include "host/error.h"
#include "host/numeric.h"
#include "host/types.h"
#include "host/variant.h"
#include "tests/host/host_test_util.h"

namespace {

using keloscroll::host::Invoke;
using keloscroll::host::Variant;
using keloscroll::host::testing::errorOf;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The outcome of a conversion: a value, or the error it raises (E6, E11).
struct Outcome {
  constexpr Outcome(double v) : value(v) {}  // NOLINT: a plain number is a value
  constexpr Outcome(double v, int32_t n) : value(v), error(n) {}
  double value;
  int32_t error = 0;
};
constexpr Outcome E6{0, 6}, E11{0, 11};

template <class F>
void ExpectOutcome(const Outcome& expected, F&& convert) {
  if (expected.error != 0) {
    EXPECT_EQ(errorOf(convert), expected.error);
    return;
  }
  try {
    EXPECT_EQ(static_cast<double>(convert()), expected.value);
  } catch (const keloscroll::host::Error& e) {
    ADD_FAILURE() << "raised error " << e.number() << "; expected " << expected.value;
  }
}

TEST(Boolean, TrueIsMinusOneAndCheckBoxesUseOne) {
  EXPECT_EQ(keloscroll::host::toBoolean(true), -1);
  EXPECT_EQ(keloscroll::host::toBoolean(false), 0);
  EXPECT_TRUE(keloscroll::host::isTrue(1));  // any non-zero pattern is true in a conditional
  EXPECT_FALSE(keloscroll::host::isTrue(0));
  // Check box: 1 is checked, 0 unchecked, 2 grayed (not checked); back with `b And 1`.
  EXPECT_EQ(keloscroll::host::checkToBoolean(1), keloscroll::host::True);
  EXPECT_EQ(keloscroll::host::checkToBoolean(2), keloscroll::host::False);
  EXPECT_EQ(keloscroll::host::booleanToCheck(keloscroll::host::True), 1);
  EXPECT_EQ(keloscroll::host::booleanToCheck(keloscroll::host::False), 0);
}

// (Add and subtract raising 6 beyond 32 bits are met by late-bound calls and the control's steps.)
TEST(Numeric, DivisionRaisesElevenForZeroAndSixForResultsThatAreNoFiniteNumber) {
  struct Case {
    double a, b;
    Outcome result;
  };
  const Case divisions[] = {{7, 2, 3.5}, {1, 0, E11}, {kNaN, 0, E6}};
  for (const Case& c : divisions) {
    SCOPED_TRACE(testing::Message() << c.a << " / " << c.b);
    ExpectOutcome(c.result, [&] { return keloscroll::host::divide(c.a, c.b); });
  }
  EXPECT_EQ(errorOf([] { (void)keloscroll::host::checkFinite(kInf); }), 6);
}

// The rows of tests/host/values.txt: a line's words, a string in quotes kept with its opening
// quote (so that "-" and - differ); comments and blank lines skipped.
std::vector<std::vector<std::string>> valueRows() {
  std::ifstream in(std::string(KELO_HOST_DATA) + "/values.txt");
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<std::string> row;
    while ((words >> std::ws) && words.peek() != '#' && words.peek() != EOF) {
      const bool quoted = words.peek() == '"';
      std::string w;
      words >> std::quoted(w, '"', '\x01');  // a backslash is no escape here
      row.push_back(quoted ? '"' + w : w);
    }
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}

template <class T>
T numberOf(const std::string& text) {
  T v{};
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

Variant valueOf(const std::string& w) {
  if (w[0] == '"') return Variant(w.substr(1));
  if (w == "Nothing") return Variant::nothing();
  const std::string n = w.substr(2);
  if (w[0] == 'L') return Variant(numberOf<int32_t>(n));
  if (w[0] == 'S') return Variant(numberOf<float>(n));
  if (w[0] == 'D') return Variant(numberOf<double>(n));
  return Variant::fromBoolean(numberOf<int16_t>(n));  // B
}

// Checks a conversion against a cell: - says nothing, E6 or E13 is the error it raises,
// anything else the number it gives (read as a float in a Single column).
template <class F>
void ExpectCell(const std::string& cell, bool single, F&& convert) {
  if (cell == "-") return;
  if (cell[0] == 'E') return ExpectOutcome(Outcome{0, numberOf<int32_t>(cell.substr(1))}, convert);
  ExpectOutcome(single ? numberOf<float>(cell) : numberOf<double>(cell), convert);
}

// Each value with its type number, converted with rounding and range checks, and printed.
TEST(Variant, ValuesConvertAndPrintAsValuesTxtSays) {
  const auto rows = valueRows();
  ASSERT_GT(rows.size(), 30u);  // the file was found and read
  for (const auto& r : rows) {
    SCOPED_TRACE(r[0]);
    ASSERT_EQ(r.size(), 8u);
    const Variant v = valueOf(r[0]);
    EXPECT_EQ(v.vt(), numberOf<uint16_t>(r[1]));
    ExpectCell(r[2], false, [&] { return v.asLong(); });
    ExpectCell(r[3], false, [&] { return v.asInteger(); });
    ExpectCell(r[4], true, [&] { return v.asSingle(); });
    ExpectCell(r[5], false, [&] { return v.asDouble(); });
    ExpectCell(r[6], false, [&] { return v.asBoolean(); });
    if (r[7][0] == '"') {
      EXPECT_EQ(v.asString(), r[7].substr(1));
    } else if (r[7] == "E13") {
      EXPECT_EQ(errorOf([&] { (void)v.asString(); }), 13);
    }
  }
  // Whatever prints reads back as a number of the same type, close to where it started.
  for (double d : {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                   std::numeric_limits<double>::min(), 1e308, 123456789012345678.0}) {
    double back = Variant(Variant(d).asString()).asDouble();
    EXPECT_NEAR(back / d, 1.0, 1e-14) << d;
  }
  // Equality compares type and value: Long and Integer differ, text is case-sensitive.
  const std::tuple<Variant, Variant, bool> pairs[] = {
      {Variant(5), Variant(5), true},      {Variant(5), Variant(int16_t{5}), false},
      {Variant(5), Variant("5"), false},   {Variant(int16_t{-1}), Variant::boolean(true), false},
      {Variant(), Variant(), true},        {Variant("a"), Variant(std::string("a")), true},
      {Variant("a"), Variant("A"), false}, {Variant(std::string_view("a")), Variant("a"), true}};
  for (const auto& [a, b, equal] : pairs) EXPECT_EQ(a == b, equal) << a.asString() << b.asString();
}

class Probe : public keloscroll::host::Dispatch {
 public:
  int32_t count = 0;
  keloscroll::host::ObjectRef font;

  int32_t idOfName(std::string_view name) const override { return table().idOfName(name); }
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override {
    return table().invoke(*this, id, kind, args);
  }
  std::string_view typeName() const override { return "Probe"; }

  static const keloscroll::host::DispatchTable<Probe>& table() {
    static const keloscroll::host::DispatchTable<Probe> t = [] {
      keloscroll::host::DispatchTable<Probe> built;
      built.property(
          "Count", [](Probe& p) { return Variant(p.count); },
          [](Probe& p, const Variant& v) { p.count = v.asLong(); });
      built.property("Version", [](Probe&) { return Variant(int16_t{3}); });  // read-only
      built.property(
          "Font", [](Probe& p) { return Variant(p.font); },
          [](Probe& p, const Variant& v) { p.font = v.asObject(); });
      built.method("Add", [](Probe&, std::span<Variant> a) {
        return Variant(keloscroll::host::addChecked(a[0].asLong(), a[1].asLong()));
      });
      return built;
    }();
    return t;
  }
};

TEST(Dispatch, MembersAreReachedByCaseInsensitiveNameWithSetForObjects) {
  auto p = std::make_shared<Probe>();
  p->let("count", Variant("2"));  // the setter converts
  EXPECT_EQ(p->get("COUNT"), Variant(2));
  EXPECT_EQ(errorOf([&] { (void)p->call("Add", {Variant(INT32_MAX), Variant(1)}); }), 6);
  EXPECT_EQ(p->call("Version"), Variant(int16_t{3}));  // a property can be read with call()

  // Objects go by Set, Nothing and object references included.
  auto font = std::make_shared<Probe>();
  keloscroll::host::ObjectRef held = font;
  for (const Variant& v : {Variant(font), Variant::nothing(), Variant::refObject(&held)}) {
    p->let("Font", v);
  }
  EXPECT_EQ(p->font, font);
}

TEST(Dispatch, UnknownNamesAndReadOnlyPropertiesRaise438) {
  auto p = std::make_shared<Probe>();
  EXPECT_EQ(errorOf([&] { (void)p->get("Coun"); }), 438);
  EXPECT_EQ(errorOf([&] { p->let("Version", Variant(2)); }), 438);
  EXPECT_EQ(errorOf([&] { p->let("Add", Variant(2)); }), 438);  // a method takes no value
  EXPECT_EQ(errorOf([&] { (void)p->invoke(9999, Invoke::Get, {}); }), 438);
}

TEST(Dispatch, TableIdsStayUniqueWhenMembersAreOverriddenOrNumbered) {
  auto constant = [](int32_t v) { return [v](Probe&) { return Variant(v); }; };
  keloscroll::host::DispatchTable<Probe> t;
  t.property("A", constant(1));
  t.property("B", constant(2));
  t.property("a", constant(10));  // overrides A and keeps its id
  t.property("C", constant(3));
  t.property("D", constant(4), {}, 7);  // explicit id
  t.property("E", constant(5));
  t.property("B", constant(20), {}, 9);  // overrides B with an id of its own

  std::set<int32_t> ids;
  for (const auto& m : t.members()) ids.insert(m.id);
  EXPECT_EQ(ids.size(), 5u) << "two members share an id";
  Probe p;
  const std::pair<const char*, int32_t> values[] = {{"A", 10}, {"B", 20}, {"C", 3}, {"D", 4}};
  for (auto [name, value] : values) {
    EXPECT_EQ(t.invoke(p, t.idOfName(name), Invoke::Get, {}).asLong(), value) << name;
  }
}

TEST(VariantByRef, AssignWritesThroughWithConversionToTheReferencedType) {
  int16_t i = 0;
  int32_t l = 0;
  float f = 0;
  double d = 0;
  keloscroll::host::Boolean b = 0;
  std::string s = "old";
  keloscroll::host::ObjectRef o = std::make_shared<Probe>();
  struct Case {
    Variant ref, assigned, read;
  };
  const Case cases[] = {{Variant::refLong(&l), Variant("42"), Variant(42)},
                        {Variant::refLong(&l), Variant(12.5), Variant(12)},  // half to even
                        {Variant::refInteger(&i), Variant("&HFFFF"), Variant(int16_t{-1})},
                        {Variant::refSingle(&f), Variant("2.5"), Variant(2.5f)},
                        {Variant::refDouble(&d), Variant(int16_t{-3}), Variant(-3.0)},
                        {Variant::refString(&s), Variant::boolean(true), Variant("True")},
                        {Variant::refObject(&o), Variant::nothing(), Variant::nothing()},
                        {Variant::refBoolean(&b), Variant(1), Variant::boolean(true)}};
  for (Case c : cases) {
    c.ref.assign(c.assigned);
    EXPECT_EQ(c.ref.value(), c.read);
  }

  // A failed conversion leaves the variable as it was.
  EXPECT_EQ(errorOf([&] { Variant::refLong(&l).assign(Variant::nothing()); }), 13);
  EXPECT_EQ(l, 12);
  EXPECT_EQ(errorOf([&] { Variant::refObject(&o).assign(Variant(1)); }), 13);
}

TEST(VariantByRef, ReadsFollowTheVariableAndAPlainVariantTakesTheValue) {
  int32_t l = 1;
  Variant ref = Variant::refLong(&l);
  l = 250;
  EXPECT_EQ(ref.asString(), "250");
  EXPECT_EQ(ref.asInteger(), 250);
  Variant plain;
  plain.assign(ref);
  l = 4;
  EXPECT_EQ(plain.asLong(), 250);
}

// `=` on a by-reference variant is the handler's ordinary way to answer an event: it must write
// the caller's variable (converted, as assign() does) and never quietly rebind the variant.
TEST(VariantByRef, AssignmentWritesTheVariableAndSwapExchangesTheVariants) {
  int32_t l = 1, other = 77;
  std::string s = "old";
  Variant args[] = {Variant::refLong(&l), Variant::refString(&s)};
  args[0] = Variant::refLong(&other);  // the other variable's value, not the other variable
  other = 5;
  EXPECT_EQ(args[0].asLong(), 77);
  Variant moved(int32_t{9});
  args[0] = std::move(moved);

  // A plain variant takes the other as it is: a copied reference is the same reference.
  Variant plain(int16_t{3});
  plain = args[1];
  plain = Variant(2.5);

  using std::swap;
  swap(args[0], args[1]);
  EXPECT_EQ(l, 9);
  EXPECT_EQ(s, "2.5");
}

// Times outside one day are taken modulo a day. (Timer as time goes and as a scenario sets it is
// in host_clock.scn.)
TEST(Clock, TimesOfDayAreTakenModuloADay) {
  const std::pair<double, double> cases[] = {{-60, 86340}, {90000, 3600}, {86400, 0}};
  for (auto [set, read] : cases) {
    SCOPED_TRACE(set);
    EXPECT_DOUBLE_EQ(keloscroll::host::VirtualClock(set).secondsSinceMidnight(), read);
  }
}

TEST(Error, NumbersCarryThePlatformsDescriptions) {
  const std::string unknown = "Application-defined or object-defined error";
  EXPECT_EQ(keloscroll::host::errorDescription(12345), unknown);
  EXPECT_EQ(keloscroll::host::errorDescription(6), "Overflow");
  EXPECT_EQ(keloscroll::host::errorDescription(11), "Division by zero");
  EXPECT_EQ(keloscroll::host::errorDescription(13), "Type mismatch");
  EXPECT_EQ(keloscroll::host::errorDescription(438),
            "Object doesn't support this property or method");
  const int32_t numbers[] = {5, 6, 11, 13, 91, 380, 398, 438, 727, 730};
  std::set<std::string> seen;
  for (int32_t n : numbers) {
    SCOPED_TRACE(n);
    try {
      keloscroll::host::raise(n);
      ADD_FAILURE() << "raise returned";
    } catch (const std::exception& e) {  // keloscroll::host::Error is a std::exception too
      const auto* he = dynamic_cast<const keloscroll::host::Error*>(&e);
      ASSERT_NE(he, nullptr);
      EXPECT_EQ(he->number(), n);
      EXPECT_EQ(he->description(), keloscroll::host::errorDescription(n));
      EXPECT_NE(he->description(), unknown);
      EXPECT_NE(std::string(e.what()).find(std::to_string(n)), std::string::npos);
      seen.insert(he->description());
    }
  }
  EXPECT_EQ(seen.size(), std::size(numbers)) << "two numbers share a description";
  try {
    keloscroll::host::raise(91, "not set");
  } catch (const keloscroll::host::Error& e) {
    EXPECT_EQ(e.number(), 91);
    EXPECT_EQ(e.description(), "not set");
  }
}

}  // namespace
