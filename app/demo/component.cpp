#include "app/demo/component.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

#include "host/read_file.h"
#include "server/identities.h"
#include "server/linux/exports.h"
#include "server/linux/registry.h"

namespace keloscroll::demo {

namespace ks = keloscroll::server;
using nlohmann::json;

namespace {

std::string hex(ks::HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The registry as JSON; a missing or blank file is an empty one. One that cannot be read, is too
// large or too deep, or is no registry is an error naming the file: the demo writes nothing into
// it then.
json readRegistry() {
  const std::filesystem::path path = registryFile();
  std::string text;
  if (host::ReadError e = host::readWholeFile(path, ks::kMaxRegistryBytes, text)) {
    if (e.code == std::errc::no_such_file_or_directory) return json::object();
    throw std::runtime_error("the registry: " + e.message);
  }
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return json::object();
  json r = host::jsonNestsDeeperThan(text, ks::kMaxRegistryNesting)
               ? json()
               : json::parse(text, nullptr, false);
  if (!r.is_object()) {
    throw std::runtime_error("the registry " + path.string() + " is not a registry");
  }
  return r;
}

// A key's default value ("@"); key names compare without regard to case, as the registry's do.
std::optional<std::string> defaultValue(const json& registry, std::string_view key) {
  for (const auto& [name, values] : registry.items()) {
    if (!sameText(name, key) || !values.is_object()) continue;
    auto it = values.find("@");
    if (it != values.end() && it->is_string()) return it->get<std::string>();
  }
  return std::nullopt;
}

// The class id and the server library the registry gives for a ProgID.
struct Registration {
  std::string clsid;
  std::string library;
};
std::optional<Registration> lookUp(const json& registry, std::string_view progId) {
  auto clsid = defaultValue(registry, std::string(progId) + "\\CLSID");
  if (!clsid) return std::nullopt;
  auto library = defaultValue(registry, "CLSID\\" + *clsid + "\\InprocServer32");
  if (!library) return std::nullopt;
  return Registration{*clsid, *library};
}

void* load(const std::string& library) {
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) throw std::runtime_error("cannot load " + library + ": " + dlerror());
  return handle;
}

template <class Fn>
Fn entryPoint(void* handle, const char* name, const std::string& library) {
  void* symbol = dlsym(handle, name);
  if (!symbol) throw std::runtime_error(library + " has no " + name);
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

std::string bundledComponentLibrary() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    std::filesystem::path installed = self.parent_path() / KELO_DEMO_COMPONENT_INSTALLED;
    if (std::filesystem::is_regular_file(installed, ec)) return installed.lexically_normal();
  }
  return KELO_DEMO_COMPONENT;
}

std::filesystem::path registryFile() {
  if (const char* r = std::getenv("KELO_REGISTRY"); r && *r) return r;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".keloscroll" / "registry.json";
}

void ensureRegistered(std::string_view progId, const std::string& library) {
  if (auto r = lookUp(readRegistry(), progId)) {
    std::error_code ec;
    if (std::filesystem::equivalent(r->library, library, ec)) return;
  }
  void* handle = load(library);
  auto registerServer = entryPoint<ks::DllRegisterServerFn>(handle, "DllRegisterServer", library);
  if (ks::HRESULT hr = registerServer(); hr != ks::S_OK) {
    throw std::runtime_error(library + " could not register itself in " + registryFile().string() +
                             " (" + hex(hr) + ")");
  }
}

PlacedControl createControl(std::string_view progId, host::ControlSite& site) {
  std::optional<Registration> r = lookUp(readRegistry(), progId);
  if (!r) {
    throw std::runtime_error(std::string(progId) + " is not registered in " +
                             registryFile().string());
  }
  std::optional<ks::GUID> clsid = ks::parseGuid(r->clsid);
  if (!clsid)
    throw std::runtime_error("the registry's class id of " + std::string(progId) + " is no GUID");

  auto getClassObject =
      entryPoint<ks::DllGetClassObjectFn>(load(r->library), "DllGetClassObject", r->library);
  void* out = nullptr;
  if (ks::HRESULT hr = getClassObject(&*clsid, &ks::kIidIClassFactory, &out); hr != ks::S_OK) {
    throw std::runtime_error(r->library + " has no class factory for " + std::string(progId) +
                             " (" + hex(hr) + ")");
  }
  auto* factory = static_cast<ks::IClassFactoryLike*>(out);
  ks::HRESULT hr = factory->CreateInstance(nullptr, ks::kIidIKeloControl, &out);
  factory->Release();
  if (hr != ks::S_OK) {
    throw std::runtime_error("the factory of " + std::string(progId) + " made no control (" +
                             hex(hr) + ")");
  }
  auto* object = static_cast<ks::IKeloControl*>(out);
  hr = object->SetClientSite(&site);
  if (hr != ks::S_OK) {
    object->Release();
    throw std::runtime_error(std::string(progId) + " could not be placed on its site (" + hex(hr) +
                             ")");
  }
  return PlacedControl(object, object->Dispatch());
}

void SitedControl::drop() {
  if (!site) return;
  site->terminate();
  site->setEventSink(nullptr);
  control.reset();
  object.reset();
  site.reset();  // takes the surface off the form
}

SitedControl placeControl(std::string_view progId, host::FormEngine& engine,
                          host::ContainerWidget& container, const std::string& name,
                          const Placement& how) {
  SitedControl c;
  c.site = std::make_shared<host::ControlSite>(engine, container, name);
  c.site->surface().setRectTwips(how.rect);
  c.site->setUserMode(how.userMode);
  c.site->setEventSink(how.sink);
  c.site->setContainerServices(how.services);
  try {
    c.object = createControl(progId, *c.site);
    c.control = c.object.face();
    c.site->setControl(c.control);
    if (how.bag) {
      host::PropertyBag copy = *how.bag;  // ReadProperties may not change the caller's
      c.site->load(copy);
    } else {
      c.site->initNew();
      if (how.init) how.init(*c.control);
    }
    const host::ContainerWidget& parent = container;
    c.site->resize(static_cast<float>(parent.fromTwipsW(how.rect.width)),
                   static_cast<float>(parent.fromTwipsH(how.rect.height)));
    c.site->show();
  } catch (...) {
    c.drop();
    throw;
  }
  return c;
}

}  // namespace keloscroll::demo
