#include "app/demo/form_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/posix/file_replace.h"
#include "host/read_file.h"
#include "host/variant.h"

namespace keloscroll::demo {

using nlohmann::json;

const host::PropertyBag* SavedForm::bag(std::string_view name) const {
  for (const auto& [n, b] : controls)
    if (n == name) return &b;
  return nullptr;
}

namespace {

[[noreturn]] void fail(const std::string& where, const std::string& what) {
  throw FormFileError(where + ": " + what);
}

// A bag value as {"type": ..., "value": ...}; false for values that are not stored (objects).
bool encode(const host::Variant& v, json& out) {
  host::Variant plain = v.value();
  switch (plain.type()) {
    case host::VarType::Boolean:
      out = {{"type", "Boolean"}, {"value", plain.asBoolean() != 0}};
      return true;
    case host::VarType::Integer:
      out = {{"type", "Integer"}, {"value", plain.asInteger()}};
      return true;
    case host::VarType::Long:
      out = {{"type", "Long"}, {"value", plain.asLong()}};
      return true;
    case host::VarType::Single:
      out = {{"type", "Single"}, {"value", plain.asSingle()}};
      return true;
    case host::VarType::Double:
      out = {{"type", "Double"}, {"value", plain.asDouble()}};
      return true;
    case host::VarType::String:
      out = {{"type", "String"}, {"value", plain.asString()}};
      return true;
    case host::VarType::Empty:
    case host::VarType::Object:
      return false;
  }
  return false;
}

template <class T>
T wholeNumber(const json& v, const std::string& where) {
  constexpr auto lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
  if (!v.is_number_integer()) {
    fail(where, "the value must be a whole number from " + std::to_string(lo) + " to " +
                    std::to_string(hi));
  }
  if (v.is_number_unsigned() ? v.get<uint64_t>() > static_cast<uint64_t>(hi)
                             : (v.get<int64_t>() < lo || v.get<int64_t>() > hi)) {
    fail(where, "the value " + v.dump() + " is out of range (" + std::to_string(lo) + " to " +
                    std::to_string(hi) + ")");
  }
  return static_cast<T>(v.get<int64_t>());
}

host::Variant decode(const json& entry, const std::string& where) {
  if (!entry.is_object() || !entry.contains("type") || !entry.contains("value")) {
    fail(where, "expected {\"type\": ..., \"value\": ...}");
  }
  const json& t = entry["type"];
  const json& v = entry["value"];
  if (!t.is_string()) fail(where, "\"type\" must be a string");
  const std::string type = t.get<std::string>();
  if (type == "Boolean") {
    if (!v.is_boolean()) fail(where, "a Boolean value must be true or false");
    return host::Variant::boolean(v.get<bool>());
  }
  if (type == "Integer") return host::Variant(wholeNumber<int16_t>(v, where));
  if (type == "Long") return host::Variant(wholeNumber<int32_t>(v, where));
  if (type == "Single" || type == "Double") {
    if (!v.is_number() || !std::isfinite(v.get<double>())) fail(where, "expected a number");
    if (type == "Double") return host::Variant(v.get<double>());
    if (std::fabs(v.get<double>()) > std::numeric_limits<float>::max()) {
      fail(where, "the value is out of a Single's range");
    }
    return host::Variant(static_cast<float>(v.get<double>()));
  }
  if (type == "String") {
    if (!v.is_string()) fail(where, "a String value must be a JSON string");
    return host::Variant(v.get<std::string>());
  }
  fail(where, "unknown type \"" + type + "\" (Boolean, Integer, Long, Single, Double, String)");
}

json bagToJson(const host::PropertyBag& bag) {
  json props = json::object();
  for (const auto& [key, value] : bag.entries()) {
    json e;
    if (encode(value, e)) props[key] = std::move(e);
  }
  return props;
}

host::PropertyBag bagFromJson(const json& props, const std::string& where) {
  if (!props.is_object()) fail(where, "expected an object of properties");
  host::PropertyBag bag;
  for (const auto& [key, entry] : props.items()) bag.set(key, decode(entry, where + "." + key));
  return bag;
}

void checkFormat(const json& j, const char* format) {
  if (!j.is_object()) fail("the form", "expected a JSON object");
  if (j.value("format", json()) != json(format)) {
    fail("\"format\"", std::string("expected \"") + format + "\"");
  }
  if (j.value("version", json()) != json(kFormVersion)) {
    fail("\"version\"", "this demo reads version " + std::to_string(kFormVersion));
  }
}

void writeJsonFile(const std::string& path, const json& j) {
  // A save that fails half-way leaves the form saved before.
  if (std::error_code ec = host::replaceFile(path, j.dump(2) + '\n')) {
    throw FormFileError("cannot write " + path + ": " + ec.message());
  }
}

template <class Form>
Form readJsonFile(const std::string& path, Form (*fromJson)(const json&)) {
  std::string text;
  if (host::ReadError e = host::readWholeFile(path, kMaxFormFileBytes, text)) {
    throw FormFileError(e.message);
  }
  if (host::jsonNestsDeeperThan(text, kMaxFormNesting)) {
    throw FormFileError(path + " nests more than " + std::to_string(kMaxFormNesting) +
                        " levels of arrays and objects");
  }
  json j;
  try {
    j = json::parse(text);
  } catch (const json::parse_error& e) {
    throw FormFileError(path + " is not valid JSON: " + e.what());
  }
  try {
    return fromJson(j);
  } catch (const FormFileError& e) {
    throw FormFileError(path + ": " + e.what());
  }
}

}  // namespace

json toJson(const SavedForm& form) {
  json controls = json::object();
  for (const auto& [name, bag] : form.controls) controls[name] = bagToJson(bag);
  return json{{"format", kFormFormat},
              {"version", kFormVersion},
              {"file", form.file},
              {"window", {{"width", form.width}, {"height", form.height}}},
              {"controls", std::move(controls)}};
}

SavedForm fromJson(const json& j) {
  checkFormat(j, kFormFormat);
  SavedForm form;
  if (!j.contains("file") || !j["file"].is_string() || j["file"].get<std::string>().empty()) {
    fail("\"file\"", "expected the name of the text file shown");
  }
  form.file = j["file"].get<std::string>();

  if (!j.contains("window") || !j["window"].is_object()) {
    fail("\"window\"", "expected {\"width\": ..., \"height\": ...}");
  }
  for (const char* side : {"width", "height"}) {
    std::string where = std::string("window.") + side;
    if (!j["window"].contains(side)) fail(where, "missing");
    int32_t n = wholeNumber<int32_t>(j["window"][side], where);
    if (n < kMinSide || n > kMaxSide) {
      fail(where, std::to_string(n) + " pixels is outside " + std::to_string(kMinSide) + " to " +
                      std::to_string(kMaxSide));
    }
    (side[0] == 'w' ? form.width : form.height) = n;
  }

  if (!j.contains("controls") || !j["controls"].is_object()) {
    fail("\"controls\"", "expected an object of property bags by control name");
  }
  for (const auto& [name, props] : j["controls"].items())
    form.controls.emplace_back(name, bagFromJson(props, "controls." + name));
  return form;
}

void writeFormFile(const std::string& path, const SavedForm& form) {
  writeJsonFile(path, toJson(form));
}

SavedForm readFormFile(const std::string& path) {
  return readJsonFile(path, &fromJson);
}

// ---- the designer's form --------------------------------------------------------------------

bool operator==(const DesignedControl& a, const DesignedControl& b) {
  const host::TwipsRect &p = a.place, &q = b.place;
  return a.name == b.name && p.left == q.left && p.top == q.top && p.width == q.width &&
         p.height == q.height && a.bag.entries() == b.bag.entries();
}

namespace {

bool isName(const std::string& s) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (s.empty() || s.size() > 40 || !letter(s[0])) return false;
  return std::all_of(s.begin(), s.end(), [&](char c) { return letter(c) || digit(c) || c == '_'; });
}

std::string lower(std::string s) {
  for (char& c : s) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return s;
}

DesignedControl controlFromJson(const json& c, const std::string& where) {
  if (!c.is_object()) fail(where, "expected {\"name\", \"left\", \"top\", ..., \"properties\"}");
  DesignedControl d;
  if (!c.contains("name") || !c["name"].is_string() || !isName(c["name"].get<std::string>())) {
    fail(where + ".name", "expected a name: a letter, then letters, digits or _ (40 at most)");
  }
  d.name = c["name"].get<std::string>();
  const std::string at = "controls." + d.name;
  double* sides[] = {&d.place.left, &d.place.top, &d.place.width, &d.place.height};
  const char* keys[] = {"left", "top", "width", "height"};
  for (int i = 0; i < 4; ++i) {
    const std::string key = at + "." + keys[i];
    if (!c.contains(keys[i])) fail(key, "missing");
    const int32_t n = wholeNumber<int32_t>(c[keys[i]], key);
    const int32_t least = i < 2 ? 0 : 1;
    if (n < least || n > kMaxDesignTwips) {
      fail(key, std::to_string(n) + " twips is outside " + std::to_string(least) + " to " +
                    std::to_string(kMaxDesignTwips));
    }
    *sides[i] = n;
  }
  if (!c.contains("properties")) fail(at + ".properties", "missing");
  d.bag = bagFromJson(c["properties"], at + ".properties");
  return d;
}

}  // namespace

json toJson(const DesignedForm& form) {
  json controls = json::array();
  for (const DesignedControl& c : form.controls) {
    controls.push_back({{"name", c.name},
                        {"left", std::lround(c.place.left)},
                        {"top", std::lround(c.place.top)},
                        {"width", std::lround(c.place.width)},
                        {"height", std::lround(c.place.height)},
                        {"properties", bagToJson(c.bag)}});
  }
  return json{{"format", kDesignFormat}, {"version", kFormVersion}, {"controls", controls}};
}

DesignedForm designFromJson(const json& j) {
  checkFormat(j, kDesignFormat);
  if (!j.contains("controls") || !j["controls"].is_array()) {
    fail("\"controls\"", "expected an array of controls");
  }
  DesignedForm form;
  std::vector<std::string> seen;
  for (size_t i = 0; i < j["controls"].size(); ++i) {
    DesignedControl c = controlFromJson(j["controls"][i], "controls[" + std::to_string(i) + "]");
    if (std::find(seen.begin(), seen.end(), lower(c.name)) != seen.end()) {
      fail("controls." + c.name, "a second control of that name");
    }
    seen.push_back(lower(c.name));
    form.controls.push_back(std::move(c));
  }
  return form;
}

void writeDesignFile(const std::string& path, const DesignedForm& form) {
  writeJsonFile(path, toJson(form));
}

DesignedForm readDesignFile(const std::string& path) {
  return readJsonFile(path, &designFromJson);
}

}  // namespace keloscroll::demo
