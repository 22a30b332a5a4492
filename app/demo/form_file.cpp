#include "app/demo/form_file.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/file_replace.h"
#include "host/variant.h"

namespace kelo::demo {

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

}  // namespace

json toJson(const SavedForm& form) {
  json controls = json::object();
  for (const auto& [name, bag] : form.controls) {
    json props = json::object();
    for (const auto& [key, value] : bag.entries()) {
      json e;
      if (encode(value, e)) props[key] = std::move(e);
    }
    controls[name] = std::move(props);
  }
  return json{{"format", kFormFormat},
              {"version", kFormVersion},
              {"file", form.file},
              {"window", {{"width", form.width}, {"height", form.height}}},
              {"controls", std::move(controls)}};
}

SavedForm fromJson(const json& j) {
  if (!j.is_object()) fail("the form", "expected a JSON object");
  if (j.value("format", json()) != json(kFormFormat)) {
    fail("\"format\"", std::string("expected \"") + kFormFormat + "\"");
  }
  if (j.value("version", json()) != json(kFormVersion)) {
    fail("\"version\"", "this demo reads version " + std::to_string(kFormVersion));
  }
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
  for (const auto& [name, props] : j["controls"].items()) {
    std::string where = "controls." + name;
    if (!props.is_object()) fail(where, "expected an object of properties");
    host::PropertyBag bag;
    for (const auto& [key, entry] : props.items()) bag.set(key, decode(entry, where + "." + key));
    form.controls.emplace_back(name, std::move(bag));
  }
  return form;
}

void writeFormFile(const std::string& path, const SavedForm& form) {
  // A save that fails half-way leaves the form saved before.
  if (std::error_code ec = host::replaceFile(path, toJson(form).dump(2) + '\n')) {
    throw FormFileError("cannot write " + path + ": " + ec.message());
  }
}

SavedForm readFormFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FormFileError("cannot read " + path);
  json j;
  try {
    j = json::parse(in);
  } catch (const json::parse_error& e) {
    throw FormFileError(path + " is not valid JSON: " + e.what());
  }
  try {
    return fromJson(j);
  } catch (const FormFileError& e) {
    throw FormFileError(path + ": " + e.what());
  }
}

}  // namespace kelo::demo
