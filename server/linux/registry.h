// Registration in a registry of our own: a JSON file standing in for the classes root of the
// Windows registry. Each member of its top-level object is a key path below that root
// ("CLSID\\{...}\\InprocServer32"), holding an object of named string values, "@" being the
// key's default value. Keys of other servers share the file and are left alone.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

#include "server/registration.h"

namespace keloscroll::server {

// What a registry file may be: its values are strings in keys (two levels), and this library's
// entries take about 2 KiB. A larger or deeper file is no registry, and is left alone.
inline constexpr size_t kMaxRegistryBytes = size_t{16} << 20;
inline constexpr int kMaxRegistryNesting = 2;

// $KELO_REGISTRY, else ~/.keloscroll/registry.json; empty when neither can be made.
std::filesystem::path registryPath();

// The keys and values DllRegisterServer writes for the library file at `libraryPath`, grouped
// by key as the file holds them.
using RegistryValues = std::map<std::string, std::string>;
std::map<std::string, RegistryValues> registrationEntries(const std::string& libraryPath);

// Writes the entries into the file (creating it and its directory). E_FAIL, leaving the file as
// it was, when the file cannot be read as a registry or cannot be written.
HRESULT registerServer(const std::filesystem::path& registry, const std::string& libraryPath);
// Removes every value registration writes, and each of those keys left with no value; a missing
// file is nothing to remove. E_FAIL as above.
HRESULT unregisterServer(const std::filesystem::path& registry);

}  // namespace keloscroll::server
