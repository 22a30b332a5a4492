#include "server/registration.h"

#include <cstdio>

namespace keloscroll::server {

namespace {

// The type library's version as registries spell it: hexadecimal major.minor.
constexpr unsigned kTypeLibMajor = 21, kTypeLibMinor = 0;
static_assert(kVersion == "21.0");

// The miscellaneous status as a manifest spells it: the names of its OLEMISC bits.
struct MiscBit {
  uint32_t bit;
  std::string_view name;
};
constexpr MiscBit kMiscBits[] = {{0x1, "recomposeonresize"},
                                 {0x10, "cantlinkinside"},
                                 {0x80, "insideout"},
                                 {0x100, "activatewhenvisible"},
                                 {0x20000, "setclientsitefirst"}};
constexpr uint32_t allBits() {
  uint32_t all = 0;
  for (const MiscBit& b : kMiscBits) all |= b.bit;
  return all;
}
static_assert(allBits() == kMiscStatus, "every bit of the status has its manifest name");

// The categories a control implements. Only the class's own "Implemented Categories" keys are
// written (they go with the class's key): the categories' descriptions under "Component
// Categories" are the platform's, shared with every other control.
constexpr GUID kControlCategories[] = {kCatidSafeForScripting, kCatidSafeForInitializing};

std::string classKey(const RegisteredClass& c) {
  return "CLSID\\" + formatGuid(c.clsid);
}

}  // namespace

std::string typeLibKey() {
  char version[16];
  std::snprintf(version, sizeof version, "%x.%x", kTypeLibMajor, kTypeLibMinor);
  return "TypeLib\\" + formatGuid(kLibId) + "\\" + version;
}

std::vector<std::string> ownedKeys() {
  std::vector<std::string> keys;
  for (const RegisteredClass& c : kRegisteredClasses) {
    keys.emplace_back(c.progId);
    keys.push_back(classKey(c));
  }
  keys.push_back(typeLibKey());
  return keys;
}

std::vector<RegistryValue> registrationValues(const LibraryFile& file) {
  std::vector<RegistryValue> v;
  // The type library, its flags and folder as the platform's own type-library registration
  // writes them, and (where the file carries it) the file for the neutral locale.
  const std::string lib = typeLibKey();
  v.push_back({lib, "", "KeloScroll"});
  v.push_back({lib + "\\FLAGS", "", std::to_string(kLibFlagControl)});
  v.push_back({lib + "\\HELPDIR", "", file.folder});
  if (!file.typeLibPlatform.empty()) {
    v.push_back({lib + "\\0\\" + file.typeLibPlatform, "", file.path});
  }
  for (const RegisteredClass& c : kRegisteredClasses) {
    const std::string progId(c.progId), key = classKey(c);
    v.push_back({progId, "", progId});
    v.push_back({progId + "\\CLSID", "", formatGuid(c.clsid)});
    v.push_back({key, "", progId});
    v.push_back({key + "\\InprocServer32", "", file.path});
    v.push_back({key + "\\InprocServer32", "ThreadingModel", std::string(kThreadingModel)});
    v.push_back({key + "\\ProgID", "", progId});
    if (!c.control) continue;
    v.push_back({key + "\\Control", "", ""});
    v.push_back({key + "\\ToolboxBitmap32", "", file.path + ", " + std::to_string(kToolboxBitmap)});
    v.push_back({key + "\\MiscStatus", "", "0"});
    v.push_back({key + "\\MiscStatus\\1", "", std::to_string(kMiscStatus)});
    v.push_back({key + "\\TypeLib", "", formatGuid(kLibId)});
    v.push_back({key + "\\Version", "", std::string(kVersion)});
    for (const GUID& category : kControlCategories) {
      v.push_back({key + "\\Implemented Categories\\" + formatGuid(category), "", ""});
    }
  }
  return v;
}

std::string assemblyManifest(std::string_view architecture) {
  std::string misc;
  for (const MiscBit& b : kMiscBits) {
    if (!misc.empty()) misc += ',';
    misc += b.name;
  }
  const std::string lib = formatGuid(kLibId);
  std::string m =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
      "  <assemblyIdentity type=\"win32\" name=\"KeloScroll\" version=\"" +
      std::string(kVersion) + ".0.0\" processorArchitecture=\"" + std::string(architecture) +
      "\"/>\n"
      "  <file name=\"KeloScroll.ocx\">\n";
  for (const RegisteredClass& c : kRegisteredClasses) {
    m += "    <comClass clsid=\"" + formatGuid(c.clsid) + "\" threadingModel=\"" +
         std::string(kThreadingModel) + "\" progid=\"" + std::string(c.progId) + "\"";
    // The status is the content aspect's (1), as under MiscStatus\1; the default stays 0.
    if (c.control) m += " tlbid=\"" + lib + "\" miscStatusContent=\"" + misc + "\"";
    m += "/>\n";
  }
  m += "    <typelib tlbid=\"" + lib + "\" version=\"" + std::string(kVersion) +
       "\" helpdir=\"\" flags=\"control\"/>\n"
       "  </file>\n"
       "</assembly>\n";
  return m;
}

}  // namespace keloscroll::server
