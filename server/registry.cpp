#include "server/registry.h"

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <system_error>

namespace keloscroll::server {

namespace {

using nlohmann::json;

// The file's registry, or nothing when it is not one (a missing file is an empty registry).
std::optional<json> readRegistry(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    if (ec) return std::nullopt;
    return json::object();
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  json doc = json::parse(in, nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object()) return std::nullopt;
  for (const auto& [key, values] : doc.items()) {
    if (!values.is_object()) return std::nullopt;
    for (const auto& [name, value] : values.items()) {
      if (!value.is_string()) return std::nullopt;
    }
  }
  return doc;
}

// Replaces the file as a whole, so that a failed write leaves the old one.
bool writeRegistry(const std::filesystem::path& path, const json& doc) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) return false;
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << doc.dump(2) << '\n';
    if (!out.flush()) return false;
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
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
  const std::string lib = formatGuid(kLibId);
  const std::string control = "CLSID\\" + formatGuid(kClsidUsrKeloScroll);
  const std::string page = "CLSID\\" + formatGuid(kClsidPropertyPage1);
  const std::string controlProgId(kControlProgId);
  const std::string pageProgId(kPageProgId);
  const std::string version(kVersion);
  const std::string threading(kThreadingModel);

  std::map<std::string, RegistryValues> e;
  // The type library: version 21.0, locale 0, the control-library flag.
  e["TypeLib\\" + lib + "\\" + version] = {{"@", "KeloScroll"}};
  e["TypeLib\\" + lib + "\\" + version + "\\FLAGS"] = {{"@", std::to_string(kLibFlagControl)}};
  e["TypeLib\\" + lib + "\\" + version + "\\HELPDIR"] = {{"@", directoryOf(libraryPath)}};
  // The control class.
  e[control] = {{"@", controlProgId}};
  e[control + "\\InprocServer32"] = {{"@", libraryPath}, {"ThreadingModel", threading}};
  e[control + "\\ProgID"] = {{"@", controlProgId}};
  e[control + "\\Control"] = {{"@", ""}};
  e[control + "\\ToolboxBitmap32"] = {{"@", libraryPath + "," + std::to_string(kToolboxBitmap)}};
  e[control + "\\MiscStatus"] = {{"@", "0"}};
  e[control + "\\MiscStatus\\1"] = {{"@", std::to_string(kMiscStatus)}};
  e[control + "\\TypeLib"] = {{"@", lib}};
  e[control + "\\Version"] = {{"@", version}};
  e[controlProgId] = {{"@", controlProgId}};
  e[controlProgId + "\\CLSID"] = {{"@", formatGuid(kClsidUsrKeloScroll)}};
  // The property page class.
  e[page] = {{"@", pageProgId}};
  e[page + "\\InprocServer32"] = {{"@", libraryPath}, {"ThreadingModel", threading}};
  e[page + "\\ProgID"] = {{"@", pageProgId}};
  e[pageProgId] = {{"@", pageProgId}};
  e[pageProgId + "\\CLSID"] = {{"@", formatGuid(kClsidPropertyPage1)}};
  return e;
}

HRESULT registerServer(const std::filesystem::path& registry, const std::string& libraryPath) {
  if (registry.empty()) return E_FAIL;
  std::optional<json> doc = readRegistry(registry);
  if (!doc) return E_FAIL;
  for (const auto& [key, values] : registrationEntries(libraryPath)) {
    json& k = (*doc)[key];
    if (!k.is_object()) k = json::object();
    for (const auto& [name, value] : values) k[name] = value;
  }
  return writeRegistry(registry, *doc) ? S_OK : E_FAIL;
}

HRESULT unregisterServer(const std::filesystem::path& registry) {
  if (registry.empty()) return E_FAIL;
  std::error_code ec;
  if (!std::filesystem::exists(registry, ec) && !ec) return S_OK;
  std::optional<json> doc = readRegistry(registry);
  if (!doc) return E_FAIL;
  for (const auto& [key, values] : registrationEntries("")) {
    auto k = doc->find(key);
    if (k == doc->end()) continue;
    for (const auto& [name, value] : values) k->erase(name);
    if (k->empty()) doc->erase(k);
  }
  return writeRegistry(registry, *doc) ? S_OK : E_FAIL;
}

}  // namespace keloscroll::server
