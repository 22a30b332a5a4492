// The library's registration, written once for both platforms: the keys and values below the
// classes root (HKEY_CLASSES_ROOT on Windows, the top of our own registry file on Linux), and the
// assembly manifest that lets a Windows program use the library with none of them. Both come from
// the one table of classes below, so the registry and the manifest cannot drift apart.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "server/identities.h"

namespace keloscroll::server {

// A creatable class of the library. A control also carries the ActiveX control marks: Control,
// ToolboxBitmap32, MiscStatus, TypeLib and Version, and the component categories it implements
// (safe for scripting and for initialization).
struct RegisteredClass {
  GUID clsid;
  std::string_view progId;
  bool control;
};
inline constexpr RegisteredClass kRegisteredClasses[] = {
    {kClsidUsrKeloScroll, kControlProgId, true},
    {kClsidPropertyPage1, kPageProgId, false},
};

// The library file being registered; only this differs between the platforms.
struct LibraryFile {
  std::string path;    // as the platform spells it
  std::string folder;  // the folder holding it (the type library's help folder)
  // The platform word under which the registry names the file that carries the type library
  // ("win32", "win64"); empty where the file carries none (the Linux component library, whose
  // type library is its IDL), and then no such key is written.
  std::string typeLibPlatform;
};

// One value of one key; an empty `name` is the key's default value.
struct RegistryValue {
  std::string key;
  std::string name;
  std::string data;
};

// The type library's key: its id and its version as registries spell it, hexadecimal major.minor
// (21.0 is "15.0").
std::string typeLibKey();
// The keys that belong to the library alone: the ProgIDs, the class ids and the type library's
// version. Unregistering removes them with everything below them.
std::vector<std::string> ownedKeys();
// Every value DllRegisterServer writes, in the order it writes them.
std::vector<RegistryValue> registrationValues(const LibraryFile& file);

// The side-by-side assembly manifest of KeloScroll.ocx for one processor architecture ("x86",
// "amd64"): its classes with their ProgIDs, threading model and miscellaneous status, and its
// type library, as registrationValues writes them.
std::string assemblyManifest(std::string_view architecture);

}  // namespace keloscroll::server
