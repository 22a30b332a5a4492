// Verbs of the component library (libKeloScroll.so), used as a host uses it: loaded with dlopen,
// its four exports called by name, objects made by its class factories, controls placed by
// ProgID through the registry its registration wrote. The registry is a file of the run's own,
// in a temporary folder that goes when the run ends, so a scenario never touches the user's.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/run/interpreter.h"
#include "server/linux/com.h"
#include "server/linux/exports.h"

namespace keloscroll::run {

namespace srv = keloscroll::server;

namespace {

struct StatusName {
  srv::HRESULT code;
  const char* name;
};
constexpr StatusName kStatusNames[] = {
    {srv::S_OK, "S_OK"},
    {srv::S_FALSE, "S_FALSE"},
    {srv::E_NOINTERFACE, "E_NOINTERFACE"},
    {srv::E_POINTER, "E_POINTER"},
    {srv::E_FAIL, "E_FAIL"},
    {srv::E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {srv::CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
    {srv::CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
};

// A status code as COM's name for it, else in the host's hexadecimal (&H80040154).
std::string statusText(srv::HRESULT hr) {
  for (const auto& s : kStatusNames) {
    if (s.code == hr) return s.name;
  }
  std::ostringstream text;
  text << "&H" << std::uppercase << std::hex << static_cast<uint32_t>(hr);
  return text.str();
}

srv::HRESULT parseStatus(const std::string& word) {
  for (const auto& s : kStatusNames) {
    if (lower(word) == lower(s.name)) return s.code;
  }
  try {
    Variant v = parseNumberLiteral(word);
    return static_cast<srv::HRESULT>(v.type() == host::VarType::Integer
                                         ? static_cast<uint16_t>(v.asInteger())
                                         : static_cast<uint32_t>(v.asLong()));
  } catch (const std::exception&) {
    throw ScenarioError("'" + word + "' is no status code (S_OK, E_FAIL, ... or a number)");
  }
}

// A class or interface: a name this library knows, or a GUID in quotes.
srv::GUID parseIdentity(const Token& t, bool isInterface) {
  if (t.kind == Token::Kind::String) {
    if (auto g = srv::parseGuid(t.text)) return *g;
    throw ScenarioError("'" + t.text + "' is no GUID ({XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX})");
  }
  struct Known {
    const char* name;
    srv::GUID id;
  };
  static const Known kClasses[] = {{"UsrKeloScroll", srv::kClsidUsrKeloScroll},
                                   {"KeloScroll.UsrKeloScroll", srv::kClsidUsrKeloScroll},
                                   {"PropertyPage1", srv::kClsidPropertyPage1},
                                   {"KeloScroll.PropertyPage1", srv::kClsidPropertyPage1}};
  static const Known kInterfaces[] = {{"IUnknown", srv::kIidIUnknown},
                                      {"IClassFactory", srv::kIidIClassFactory},
                                      {"_UsrKeloScroll", srv::kIidUsrKeloScroll},
                                      {"__UsrKeloScroll", srv::kDiidUsrKeloScrollEvents},
                                      {"_PropertyPage1", srv::kIidPropertyPage1}};
  for (const Known& k :
       isInterface ? std::span<const Known>(kInterfaces) : std::span<const Known>(kClasses)) {
    if (lower(t.text) == lower(k.name)) return k.id;
  }
  throw ScenarioError("'" + t.text + "' is no " +
                      (isInterface ? "interface (IUnknown, IClassFactory, _UsrKeloScroll, ...)"
                                   : "class (UsrKeloScroll, PropertyPage1, a ProgID)") +
                      " and no GUID in quotes");
}

}  // namespace

struct Interpreter::Library {
  void* handle = nullptr;
  std::string path;
  srv::DllRegisterServerFn registerServer = nullptr;
  srv::DllUnregisterServerFn unregisterServer = nullptr;
  srv::DllGetClassObjectFn getClassObject = nullptr;
  srv::DllCanUnloadNowFn canUnloadNow = nullptr;
  std::filesystem::path folder;  // the run's registry lives here
  std::optional<std::string> savedRegistry;
  // Objects the scenario made (`library create`) and the locks it holds, by class.
  std::map<std::string, srv::IUnknownLike*> objects;
  std::vector<srv::IClassFactoryLike*> locks;

  ~Library() {
    for (auto& [name, o] : objects) o->Release();
    for (auto* f : locks) f->LockServer(false);
    // The library stays loaded: whatever it made may still be on its way out, as a host keeps a
    // library until DllCanUnloadNow says otherwise.
    if (savedRegistry) {
      ::setenv("KELO_REGISTRY", savedRegistry->c_str(), 1);
    } else {
      ::unsetenv("KELO_REGISTRY");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  std::filesystem::path registry() const { return folder / "registry.json"; }

  srv::IClassFactoryLike* factory(const srv::GUID& clsid) const {
    void* out = nullptr;
    srv::HRESULT hr = getClassObject(&clsid, &srv::kIidIClassFactory, &out);
    if (hr != srv::S_OK || !out) {
      host::raise(5, "DllGetClassObject returned " + statusText(hr));
    }
    return static_cast<srv::IClassFactoryLike*>(out);
  }

  // The registry's keys compare without regard to case, as the system registry's do.
  std::optional<std::string> value(const std::string& key, const std::string& name) const {
    std::ifstream in(registry(), std::ios::binary);
    if (!in) return std::nullopt;
    nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
    if (!doc.is_object()) return std::nullopt;
    for (const auto& [k, values] : doc.items()) {
      if (lower(k) != lower(key) || !values.is_object()) continue;
      for (const auto& [n, v] : values.items()) {
        if (lower(n) == lower(name) && v.is_string()) return v.get<std::string>();
      }
    }
    return std::nullopt;
  }
};

void Interpreter::LibraryCloser::operator()(Library* library) const {
  delete library;
}

Interpreter::Library& Interpreter::loadedLibrary() {
  if (!library) throw ScenarioError("no library is loaded: write 'library load' first");
  return *library;
}

Interpreter::Action Interpreter::parseLibrary(Cursor& c) {
  const std::string what = c.word("load, an export, create, release, lock or unlock");
  const std::string verb = lower(what);
  if (verb == "load") {
    std::string file = c.atEnd() ? "" : c.token("a library file").text;
    return [=, this](const Frame&) {
      if (library) throw ScenarioError("a library is loaded already");
      std::string path = file;
      if (path.empty()) {
#ifdef KELO_RUN_LIBRARY
        path = KELO_RUN_LIBRARY;
#else
        throw ScenarioError("this build knows no component library: name its file");
#endif
      } else if (std::filesystem::path(path).is_relative()) {
        path = (std::filesystem::path(folder) / path).string();
      }
      std::unique_ptr<Library, LibraryCloser> lib(new Library);
      static std::atomic<int> runs{0};
      lib->folder = std::filesystem::temp_directory_path() /
                    ("keloscroll-run-" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
      std::filesystem::create_directories(lib->folder);
      if (const char* r = std::getenv("KELO_REGISTRY")) lib->savedRegistry = r;
      ::setenv("KELO_REGISTRY", lib->registry().c_str(), 1);
      lib->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!lib->handle) throw ScenarioError(std::string("cannot load the library: ") + dlerror());
      lib->path = path;
      auto find = [&](const char* name) {
        void* symbol = dlsym(lib->handle, name);
        if (!symbol) throw ScenarioError(std::string("the library has no export ") + name);
        return symbol;
      };
      lib->registerServer = reinterpret_cast<srv::DllRegisterServerFn>(find("DllRegisterServer"));
      lib->unregisterServer =
          reinterpret_cast<srv::DllUnregisterServerFn>(find("DllUnregisterServer"));
      lib->getClassObject = reinterpret_cast<srv::DllGetClassObjectFn>(find("DllGetClassObject"));
      lib->canUnloadNow = reinterpret_cast<srv::DllCanUnloadNowFn>(find("DllCanUnloadNow"));
      library = std::move(lib);
    };
  }
  if (verb == "create") {
    srv::GUID clsid = parseIdentity(c.token("a class"), false);
    std::string name = c.word("a name for the object");
    return [=, this](const Frame&) {
      Library& lib = loadedLibrary();
      if (lib.objects.count(lower(name))) {
        throw ScenarioError("the name '" + name + "' is already in use");
      }
      void* out = nullptr;
      srv::HRESULT hr = lib.factory(clsid)->CreateInstance(nullptr, srv::kIidIUnknown, &out);
      if (hr != srv::S_OK) host::raise(5, "CreateInstance returned " + statusText(hr));
      lib.objects[lower(name)] = static_cast<srv::IUnknownLike*>(out);
    };
  }
  if (verb == "release") {
    std::string name = c.word("an object the library made");
    return [=, this](const Frame&) {
      Library& lib = loadedLibrary();
      auto it = lib.objects.find(lower(name));
      if (it == lib.objects.end()) throw ScenarioError("the library made no object '" + name + "'");
      it->second->Release();
      lib.objects.erase(it);
    };
  }
  if (verb == "lock" || verb == "unlock") {
    srv::GUID clsid = parseIdentity(c.token("a class"), false);
    return [=, this](const Frame&) {
      Library& lib = loadedLibrary();
      srv::IClassFactoryLike* f = lib.factory(clsid);
      if (verb == "lock") {
        f->LockServer(true);
        lib.locks.push_back(f);
        return;
      }
      auto it = std::find(lib.locks.begin(), lib.locks.end(), f);
      if (it == lib.locks.end()) throw ScenarioError("the scenario holds no lock on that class");
      f->LockServer(false);
      lib.locks.erase(it);
    };
  }
  LibraryCall call = parseLibraryCall(what, c);
  return [=, this](const Frame&) { out << what << " returns " << statusText(call()) << '\n'; };
}

Interpreter::LibraryCall Interpreter::parseLibraryCall(const std::string& exportName, Cursor& c) {
  const std::string e = lower(exportName);
  if (e == "dllregisterserver") {
    return [this] { return loadedLibrary().registerServer(); };
  }
  if (e == "dllunregisterserver") {
    return [this] { return loadedLibrary().unregisterServer(); };
  }
  if (e == "dllcanunloadnow") {
    return [this] { return loadedLibrary().canUnloadNow(); };
  }
  if (e == "dllgetclassobject") {
    srv::GUID clsid = parseIdentity(c.token("a class"), false);
    srv::GUID iid = srv::kIidIClassFactory;
    if (!c.atEnd() && !c.peekEquals()) iid = parseIdentity(c.token("an interface"), true);
    return [=, this] {
      void* out = nullptr;
      srv::HRESULT hr = loadedLibrary().getClassObject(&clsid, &iid, &out);
      // The factory answers for the status only: COM's factories live as long as the library.
      if (out) static_cast<srv::IUnknownLike*>(out)->Release();
      return hr;
    };
  }
  throw ScenarioError("unknown export '" + exportName +
                      "' (DllRegisterServer, DllUnregisterServer, DllGetClassObject, "
                      "DllCanUnloadNow)");
}

Interpreter::Action Interpreter::parseExpectLibrary(Cursor& c) {
  std::string what = c.word("an export");
  LibraryCall call = parseLibraryCall(what, c);
  c.expectEquals();
  srv::HRESULT want = parseStatus(c.word("a status code"));
  return [=, this](const Frame& f) {
    srv::HRESULT got = call();
    if (got != want) {
      fail(f.statement->line,
           "expected " + what + " = " + statusText(want) + ", got " + statusText(got));
    }
  };
}

Interpreter::Action Interpreter::parseExpectRegistry(Cursor& c) {
  std::string key = c.token("a registry key").text;
  std::string name = "@";
  if (!c.peekEquals() && !c.peekWord("absent")) name = c.token("a value name").text;
  if (c.accept("absent")) {
    return [=, this](const Frame& f) {
      if (auto v = loadedLibrary().value(key, name)) {
        fail(f.statement->line, "expected " + key + " " + name + " absent, got " + quote(*v));
      }
    };
  }
  c.expectEquals();
  // As written: registry values hold class ids, whose braces are no names to fill in.
  std::string text = c.token("the value's text").text;
  return [=, this](const Frame& f) {
    auto got = loadedLibrary().value(key, name);
    if (!got) {
      fail(f.statement->line,
           "expected " + key + " " + name + " = " + quote(text) + ", it is absent");
    } else if (*got != text) {
      fail(f.statement->line,
           "expected " + key + " " + name + " = " + quote(text) + ", got " + quote(*got));
    }
  };
}

Interpreter::Action Interpreter::parsePrintRegistry(Cursor& c) {
  std::string prefix = c.atEnd() ? "" : c.token("a registry key").text;
  return [=, this](const Frame&) {
    std::ifstream in(loadedLibrary().registry(), std::ios::binary);
    nlohmann::json doc = in ? nlohmann::json::parse(in, nullptr, false) : nlohmann::json::object();
    if (!doc.is_object()) {
      out << "registry: not a registry\n";
      return;
    }
    for (const auto& [key, values] : doc.items()) {
      if (lower(key).rfind(lower(prefix), 0) != 0 || !values.is_object()) continue;
      for (const auto& [n, v] : values.items()) {
        out << key << ' ' << n << " = " << quote(v.is_string() ? v.get<std::string>() : v.dump())
            << '\n';
      }
    }
  };
}

// The control made by the library's class factory for the class that the registry names for the
// ProgID, as a container creates a control from its saved form: registry, factory, instance,
// client site.
host::ObjectRef Interpreter::createFromLibrary(const std::string& progId, host::ControlSite& site,
                                               std::shared_ptr<void>& keep) {
  Library& lib = loadedLibrary();
  std::optional<std::string> clsidText = lib.value(progId + "\\CLSID", "@");
  if (!clsidText) throw ScenarioError("the registry has no class for '" + progId + "'");
  std::optional<srv::GUID> clsid = srv::parseGuid(*clsidText);
  if (!clsid) throw ScenarioError("the registry's class for '" + progId + "' is no GUID");
  std::optional<std::string> server = lib.value("CLSID\\" + *clsidText + "\\InprocServer32", "@");
  if (!server || std::filesystem::path(*server).lexically_normal() !=
                     std::filesystem::absolute(lib.path).lexically_normal()) {
    throw ScenarioError("the registry names another server for '" + progId + "'");
  }
  void* out = nullptr;
  srv::HRESULT hr = lib.factory(*clsid)->CreateInstance(nullptr, srv::kIidIKeloControl, &out);
  if (hr != srv::S_OK) host::raise(5, "CreateInstance returned " + statusText(hr));
  auto* control = static_cast<srv::IKeloControl*>(static_cast<srv::IUnknownLike*>(out));
  keep = std::shared_ptr<void>(control, [](srv::IKeloControl* p) { p->Release(); });
  hr = control->SetClientSite(&site);
  if (hr != srv::S_OK) host::raise(5, "SetClientSite returned " + statusText(hr));
  return control->Dispatch();
}

}  // namespace keloscroll::run
