// The control's interface table: the one description of its public face. Dispatch by name and
// by id, the type library's IDL, the property browser and docs/control.md are all made from it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "host/dispatch.h"
#include "host/variant.h"

namespace keloscroll {

class UsrKeloScroll;

enum class Access { Get, Let, LetByRef, Set, Method };

struct InterfaceEntry {
  int number;               // place in the interface's table of functions, from 1
  std::string_view member;  // property or method name
  Access access;
  std::string_view type;  // "Boolean", "Integer", "Long", "String", "Picture"; empty for the method
  int32_t dispid;
  std::string_view help;  // empty when the member has no help text
  bool hidden;
  host::Variant (*get)(UsrKeloScroll&);             // Access::Get
  void (*put)(UsrKeloScroll&, host::Variant& arg);  // Let, LetByRef, Set; Method (no argument)
};

struct EventArg {
  std::string_view name;
  std::string_view type;
  bool byRef;
};

struct EventEntry {
  std::string_view name;
  int32_t dispid;
  std::span<const EventArg> args;
  std::string_view help;
};

// The dual interface _UsrKeloScroll, entries in the order of its table of functions.
extern const std::array<InterfaceEntry, 26> kInterface;
// The event interface __UsrKeloScroll.
extern const std::array<EventEntry, 3> kEvents;

struct LibraryInfo {
  std::string_view name = "KeloScroll";
  std::string_view help = "KeloScroll";
  int versionMajor = 21;
  int versionMinor = 0;
  int32_t lcid = 0x409;
  std::string_view controlClass = "UsrKeloScroll";
  std::string_view controlInterface = "_UsrKeloScroll";
  std::string_view eventInterface = "__UsrKeloScroll";
  std::string_view pageClass = "PropertyPage1";
  std::string_view pageInterface = "_PropertyPage1";
  // The property pages a designer shows for the control, in order.
  std::array<std::string_view, 2> propertyPages{"StandardPicture", "PropertyPage1"};
};
inline constexpr LibraryInfo kLibrary{};

inline constexpr int32_t kDispidAboutBox = -552;

// The entry for a dispatch id and invoke kind, or null.
const InterfaceEntry* findEntry(int32_t dispid, Access access);
// The entry an invocation reaches: a get also reaches the method and a method call a property's
// get, as a late-bound caller may name either; null when the id has no such member.
const InterfaceEntry* entryFor(int32_t dispid, host::Invoke kind);
// The dispatch id of a member name (case-insensitive); error 438 for an unknown name.
int32_t dispidOfName(std::string_view name);

}  // namespace keloscroll
