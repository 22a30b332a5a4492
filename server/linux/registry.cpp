#include "server/linux/registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <system_error>

#include "host/posix/file_replace.h"
#include "host/read_file.h"

namespace keloscroll::server {

namespace {

using nlohmann::json;

// The file's registry, or nothing when it is not one (a missing or empty file is an empty
// registry; a folder, a device, a file beyond the limits, or text that is no registry, is none).
std::optional<json> readRegistry(const std::filesystem::path& path) {
  std::string s;
  if (host::ReadError e = host::readWholeFile(path, kMaxRegistryBytes, s)) {
    if (e.code == std::errc::no_such_file_or_directory || e.code == std::errc::not_a_directory) {
      return json::object();
    }
    return std::nullopt;
  }
  if (s.find_first_not_of(" \t\r\n") == std::string::npos) return json::object();
  if (host::jsonNestsDeeperThan(s, kMaxRegistryNesting)) return std::nullopt;
  json doc = json::parse(s, nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object()) return std::nullopt;
  for (const auto& [key, values] : doc.items()) {
    if (!values.is_object()) return std::nullopt;
    for (const auto& [name, value] : values.items()) {
      if (!value.is_string()) return std::nullopt;
    }
  }
  return doc;
}

// Key and value names compare as the registry's do: without regard to (ASCII) case.
bool sameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The member of `object` named `name` in any case, or end().
json::iterator findName(json& object, std::string_view name) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (sameName(it.key(), name)) return it;
  }
  return object.end();
}

// JSON holds only UTF-8 text: a path that is none cannot be written into the file.
bool isUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t more = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the byte after the first
    if (c < 0x80) {
      more = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      if (c == 0xE0) low = 0xA0;   // no overlong forms
      if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
      return false;
    }
    if (s.size() - i - 1 < more) return false;
    for (size_t k = 1; k <= more; ++k) {
      auto b = static_cast<unsigned char>(s[i + k]);
      if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return false;
    }
    i += more + 1;
  }
  return true;
}

// Replaces the file as a whole, so that a failed write leaves the old one.
bool writeRegistry(const std::filesystem::path& path, const json& doc) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) return false;
  return !host::replaceFile(path, doc.dump(2) + '\n');
}

std::string directoryOf(const std::string& file) {
  return std::filesystem::path(file).parent_path().string();
}

}  // namespace

std::filesystem::path registryPath() {
  if (const char* explicitPath = std::getenv("KELO_REGISTRY"); explicitPath && *explicitPath) {
    return explicitPath;
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::filesystem::path(home) / ".keloscroll" / "registry.json";
  }
  return {};
}

std::map<std::string, RegistryValues> registrationEntries(const std::string& libraryPath) {
  // The file carries no binary type library (its type library is the IDL), so no platform key.
  const LibraryFile file{libraryPath, directoryOf(libraryPath), ""};
  std::map<std::string, RegistryValues> e;
  for (const RegistryValue& v : registrationValues(file)) {
    e[v.key][v.name.empty() ? "@" : v.name] = v.data;
  }
  return e;
}

HRESULT registerServer(const std::filesystem::path& registry, const std::string& libraryPath) {
  if (registry.empty() || !isUtf8(libraryPath)) return E_FAIL;
  std::optional<json> doc = readRegistry(registry);
  if (!doc) return E_FAIL;
  for (const auto& [key, values] : registrationEntries(libraryPath)) {
    auto found = findName(*doc, key);
    json& k = found != doc->end() ? *found : (*doc)[key];
    if (!k.is_object()) k = json::object();
    for (const auto& [name, value] : values) {
      auto v = findName(k, name);
      if (v != k.end()) {
        *v = value;
      } else {
        k[name] = value;
      }
    }
  }
  return writeRegistry(registry, *doc) ? S_OK : E_FAIL;
}

HRESULT unregisterServer(const std::filesystem::path& registry) {
  if (registry.empty()) return E_FAIL;
  std::optional<json> doc = readRegistry(registry);
  if (!doc) return E_FAIL;
  if (doc->empty()) return S_OK;  // nothing to remove, and no file to make
  for (const auto& [key, values] : registrationEntries("")) {
    auto k = findName(*doc, key);
    if (k == doc->end()) continue;
    for (const auto& [name, value] : values) {
      auto v = findName(*k, name);
      if (v != k->end()) k->erase(v);
    }
    if (k->empty()) doc->erase(k);
  }
  return writeRegistry(registry, *doc) ? S_OK : E_FAIL;
}

}  // namespace keloscroll::server
