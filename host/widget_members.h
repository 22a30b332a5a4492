// What the widget files share: the conversions between a member's C++ value and what a script
// sees, the checks of property values, and the helpers that fill the widgets' member tables.
// Internal to the host library's widget files.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "host/dispatch.h"
#include "host/error.h"
#include "host/numeric.h"
#include "host/system_colors.h"
#include "host/widget.h"

namespace keloscroll::host::widget_members {

inline constexpr int32_t kWrongArgCount = 450;

[[noreturn]] inline void wrongArgCount() {
  raise(kWrongArgCount, "Wrong number of arguments or invalid property assignment");
}

inline bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && toLowerAscii(a) == toLowerAscii(b);
}

// Optional arguments of a method call: a missing one is absent or Empty.
inline bool given(std::span<Variant> args, size_t i) {
  return i < args.size() && !args[i].isEmpty();
}

inline Variant objectOf(const Widget* w) {
  if (!w) return Variant::nothing();
  return Variant(std::shared_ptr<Dispatch>(const_cast<Widget*>(w)->strongRef()));
}

inline Variant pictureVariant(const PictureRef& p) {
  return p ? Variant(ObjectRef(p)) : Variant::nothing();
}

// A picture property takes Nothing or a picture; any other object is a type mismatch.
inline PictureRef pictureOf(const Variant& v) {
  ObjectRef o = v.asObject();
  if (!o) return nullptr;
  auto p = std::dynamic_pointer_cast<host::Picture>(o);
  if (!p) raise(err::TypeMismatch);
  return p;
}

// System colours (&H80000000 and up) also arrive as positive Doubles when a script writes them as
// plain numbers: take those as the 32-bit pattern.
inline int32_t colorOf(const Variant& v) {
  int32_t c;
  double d = v.asDouble();
  if (d >= 2147483648.0 && d <= 4294967295.0 && d == std::floor(d)) {
    c = static_cast<int32_t>(static_cast<uint32_t>(d));
  } else {
    c = v.asLong();
  }
  return c;
}

// Colours are RGB values 0 to &HFFFFFF, or system colours &H80000000 to &H80000018.
inline int32_t checkedColor(int32_t c) {
  auto u = static_cast<uint32_t>(c);
  bool rgb = u <= 0xFFFFFFu;
  bool system =
      u >= static_cast<uint32_t>(syscolor::of(0)) && u <= static_cast<uint32_t>(syscolor::Last);
  if (!rgb && !system) raise(err::InvalidPropertyValue);
  return c;
}

inline int16_t checkedChoice(int16_t v, int16_t highest) {
  if (v < 0 || v > highest) raise(err::InvalidPropertyValue);
  return v;
}

inline double checkedFontSize(double pt) {
  if (!(pt > 0.0 && pt <= 2048.0)) raise(err::InvalidPropertyValue);
  return pt;
}

inline void addHwnd(DispatchTable<Widget>& t) {
  t.property("hWnd", [](Widget& w) { return Variant(w.hwnd()); });
}

template <class W>
inline W& as(Widget& w) {
  return static_cast<W&>(w);
}

// A member's C++ value as a script sees it, and back.
inline Variant toVariant(bool b) {
  return Variant::boolean(b);
}
inline Variant toVariant(int16_t v) {
  return Variant(v);
}
inline Variant toVariant(int32_t v) {
  return Variant(v);
}
inline Variant toVariant(float v) {
  return Variant(v);
}
inline Variant toVariant(double v) {
  return Variant(static_cast<float>(v));
}
inline Variant toVariant(const std::string& s) {
  return Variant(s);
}
inline Variant toVariant(const PictureRef& p) {
  return pictureVariant(p);
}

template <class T>
inline T fromVariant(const Variant& v) {
  if constexpr (std::is_same_v<T, bool>) {
    return isTrue(v.asBoolean());
  } else if constexpr (std::is_same_v<T, int16_t>) {
    return v.asInteger();
  } else if constexpr (std::is_same_v<T, int32_t>) {
    return v.asLong();
  } else if constexpr (std::is_floating_point_v<T>) {
    return v.asSingle();
  } else if constexpr (std::is_same_v<T, std::string>) {
    return v.asString();
  } else {
    static_assert(std::is_same_v<T, PictureRef>);
    return pictureOf(v);
  }
}

// A property of widget kind W served by its getter and setter; the setter checks the value.
template <class W, class R, class A>
inline void bind(DispatchTable<Widget>& t, const char* name, R (W::*get)() const,
                 void (W::*set)(A)) {
  t.property(
      name, [get](Widget& w) { return toVariant((as<W>(w).*get)()); },
      [set](Widget& w, const Variant& v) {
        (as<W>(w).*set)(fromVariant<std::remove_cvref_t<A>>(v));
      });
}

// The same for a colour, which scripts may also write as a plain positive number.
template <class W>
inline void bindColor(DispatchTable<Widget>& t, const char* name, int32_t (W::*get)() const,
                      void (W::*set)(int32_t)) {
  t.property(
      name, [get](Widget& w) { return Variant((as<W>(w).*get)()); },
      [set](Widget& w, const Variant& v) { (as<W>(w).*set)(colorOf(v)); });
}

}  // namespace keloscroll::host::widget_members
