#include "server/idl.h"

#include <cstdio>
#include <string_view>

#include "control/interface_table.h"
#include "server/identities.h"

namespace keloscroll::server {

namespace {

// The registry form without braces, as IDL's uuid() takes it.
std::string uuidOf(const GUID& g) {
  std::string s = formatGuid(g);
  return s.substr(1, s.size() - 2);
}

std::string hexId(int32_t id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", static_cast<unsigned>(static_cast<uint32_t>(id)));
  return buf;
}

std::string shortHex(int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(v));
  return buf;
}

std::string quoted(std::string_view text) {
  std::string s = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') s += '\\';
    s += c;
  }
  return s + "\"";
}

std::string idlType(std::string_view type) {
  if (type == "Boolean") return "VARIANT_BOOL";
  if (type == "Integer") return "short";
  if (type == "Long") return "long";
  if (type == "String") return "BSTR";
  if (type == "Picture") return "IPictureDisp*";  // stdole's Picture
  return std::string(type);
}

std::string attributes(int32_t id, std::string_view kind, std::string_view help, bool hidden) {
  std::string a = "[id(" + hexId(id) + ")";
  if (!kind.empty()) a += ", " + std::string(kind);
  if (hidden) a += ", hidden";
  if (!help.empty()) a += ", helpstring(" + quoted(help) + ")";
  return a + "]";
}

std::string interfaceEntry(const InterfaceEntry& e) {
  const std::string type = idlType(e.type);
  std::string_view kind;
  std::string params;
  switch (e.access) {
    case Access::Get:
      kind = "propget";
      params = "[out, retval] " + type + "* result";
      break;
    case Access::Let:
      kind = "propput";
      params = "[in] " + type + " newValue";
      break;
    case Access::LetByRef:
      kind = "propput";
      params = "[in, out] " + type + "* newValue";
      break;
    case Access::Set:
      kind = "propputref";
      params = "[in] " + type + " newValue";
      break;
    case Access::Method:
      break;
  }
  return "        " + attributes(e.dispid, kind, e.help, e.hidden) + "\n        HRESULT " +
         std::string(e.member) + "(" + params + ");\n";
}

std::string eventEntry(const EventEntry& e) {
  std::string params;
  for (const EventArg& a : e.args) {
    if (!params.empty()) params += ", ";
    const std::string type = idlType(a.type);
    params += a.byRef ? "[in, out] " + type + "* " : "[in] " + type + " ";
    params += std::string(a.name);
  }
  return "            " + attributes(e.dispid, "", e.help, false) + "\n            void " +
         std::string(e.name) + "(" + params + ");\n";
}

std::string dualInterfaceHeader(const GUID& iid) {
  return "    [\n      odl,\n      uuid(" + uuidOf(iid) +
         "),\n      hidden,\n      dual,\n      nonextensible,\n      oleautomation\n    ]\n";
}

}  // namespace

std::string typeLibraryIdl() {
  const LibraryInfo& l = kLibrary;
  const std::string control(l.controlClass), controlItf(l.controlInterface),
      events(l.eventInterface), page(l.pageClass), pageItf(l.pageInterface);
  std::string s;
  s +=
      "// " + std::string(l.name) +
      ".idl: the type library of the component library, made from the control's interface\n"
      "// table by server/idl.cpp. Do not edit; build the target keloscroll_idl to rewrite it.\n"
      "// widl reads the standard interfaces from the imported IDL files, and cannot mark a\n"
      "// dispinterface nonextensible: the build sets that flag in the compiled library, and puts\n"
      "// the event interface last, where the class that names it would otherwise pull it up.\n\n"
      "import \"oaidl.idl\";\nimport \"ocidl.idl\";\n\n";
  s += "[\n  uuid(" + uuidOf(kLibId) + "),\n  version(" + std::to_string(l.versionMajor) + "." +
       std::to_string(l.versionMinor) + "),\n  helpstring(" + quoted(l.help) + "),\n  lcid(" +
       shortHex(l.lcid) + "),\n  control\n]\n";
  s += "library " + std::string(l.name) + "\n{\n";
  s += "    // The OLE standard type library: IDispatch, Picture.\n";
  s += "    importlib(\"stdole2.tlb\");\n\n";

  s += dualInterfaceHeader(kIidUsrKeloScroll);
  s += "    interface " + controlItf + " : IDispatch {\n";
  for (const InterfaceEntry& e : kInterface) s += interfaceEntry(e);
  s += "    };\n\n";

  s += "    [\n      uuid(" + uuidOf(kClsidUsrKeloScroll) + "),\n      control\n    ]\n";
  s += "    coclass " + control + " {\n";
  s += "        [default] interface " + controlItf + ";\n";
  s += "        [default, source] dispinterface " + events + ";\n";
  s += "    };\n\n";

  s += dualInterfaceHeader(kIidPropertyPage1);
  s += "    interface " + pageItf + " : IDispatch {\n    };\n\n";

  s += "    [\n      uuid(" + uuidOf(kClsidPropertyPage1) + ")\n    ]\n";
  s += "    coclass " + page + " {\n";
  s += "        [default] interface " + pageItf + ";\n";
  s += "    };\n\n";

  s += "    [\n      uuid(" + uuidOf(kDiidUsrKeloScrollEvents) + "),\n      hidden\n    ]\n";
  s += "    dispinterface " + events + " {\n        properties:\n        methods:\n";
  for (const EventEntry& e : kEvents) s += eventEntry(e);
  s += "    };\n};\n";
  return s;
}

}  // namespace keloscroll::server
