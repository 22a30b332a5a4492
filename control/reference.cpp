#include "control/reference.h"

#include <cstdio>
#include <sstream>

#include "control/interface_table.h"

namespace keloscroll {

namespace {

const char* accessText(Access a) {
  switch (a) {
    case Access::Get:
      return "get";
    case Access::Let:
      return "let";
    case Access::LetByRef:
      return "let (by reference)";
    case Access::Set:
      return "set";
    case Access::Method:
      return "method";
  }
  return "";
}

std::string dispidText(int32_t id) {
  if (id < 0) return std::to_string(id);
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(id));
  return buf;
}

std::string quoted(std::string_view help) {
  if (help.empty()) return "—";
  std::string text;
  text.reserve(help.size() + 2);
  text += '"';
  text.append(help);
  text += '"';
  return text;
}

}  // namespace

std::string referenceMarkdown() {
  std::ostringstream md;
  md << kReferenceBegin << "\n\n";
  md << "Type library `" << kLibrary.name << "` " << kLibrary.versionMajor << "."
     << kLibrary.versionMinor << ", help string \"" << kLibrary.help << "\". Class `"
     << kLibrary.controlClass << "` implements `" << kLibrary.controlInterface
     << "` and raises the events of `" << kLibrary.eventInterface << "`.\n\n";
  md << "### `" << kLibrary.controlInterface << "`, in the order of its table of functions\n\n";
  md << "| # | Member | Access | Type | Dispatch id | Help text |\n";
  md << "|---|---|---|---|---|---|\n";
  for (const InterfaceEntry& e : kInterface) {
    md << "| " << e.number << " | `" << e.member << "`" << (e.hidden ? " (hidden)" : "") << " | "
       << accessText(e.access) << " | " << (e.type.empty() ? "—" : std::string(e.type)) << " | "
       << dispidText(e.dispid) << " | " << quoted(e.help) << " |\n";
  }
  md << "\n### Events of `" << kLibrary.eventInterface << "`\n\n";
  md << "| Event | Dispatch id | Arguments | Help text |\n|---|---|---|---|\n";
  for (const EventEntry& ev : kEvents) {
    md << "| `" << ev.name << "` | " << ev.dispid << " | ";
    if (ev.args.empty()) md << "none";
    for (const EventArg& a : ev.args)
      md << "`" << a.name << "` As " << a.type << (a.byRef ? ", by reference" : "");
    md << " | " << quoted(ev.help) << " |\n";
  }
  md << "\nProperty pages, in order: ";
  for (size_t i = 0; i < kLibrary.propertyPages.size(); ++i)
    md << (i ? ", " : "") << "\"" << kLibrary.propertyPages[i] << "\"";
  md << ".\n\n" << kReferenceEnd << "\n";
  return md.str();
}

}  // namespace keloscroll
