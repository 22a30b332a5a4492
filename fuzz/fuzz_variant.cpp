// Variant conversions between text and numbers. Text of any kind converts or raises a host error
// (13 type mismatch, 6 overflow); a number printed as text reads back as the number it was, to the
// digits printed.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "host/error.h"
#include "host/variant.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// Printed to 15 (Double) or 7 (Single) significant digits and read back: as close as the digits
// say, and a denormal's last step.
template <class T>
bool readsBack(T back, T start, T digits) {
  return back == start || std::fabs(back - start) <=
                              std::fabs(start) * digits + std::numeric_limits<T>::denorm_min();
}

template <class F>
void tolerate(F&& f) {
  try {
    f();
  } catch (const keloscroll::host::Error& e) {
    check(e.number() == keloscroll::host::err::TypeMismatch ||
          e.number() == keloscroll::host::err::Overflow);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256) return -1;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const keloscroll::host::Variant v(text);
  tolerate([&] { (void)v.asInteger(); });
  tolerate([&] { (void)v.asLong(); });
  tolerate([&] { (void)v.asSingle(); });
  tolerate([&] { (void)v.asBoolean(); });
  tolerate([&] {
    // Whatever reads as a Double prints as text that reads back the same to 15 digits.
    double d = v.asDouble();
    check(std::isfinite(d));
    double back = keloscroll::host::Variant(keloscroll::host::Variant(d).asString()).asDouble();
    check(readsBack(back, d, 1e-14));
  });

  // The bytes as numbers of each type: printed, then read back.
  if (size >= 8) {
    double d;
    std::memcpy(&d, data, 8);
    if (std::isfinite(d)) {
      double back = keloscroll::host::Variant(keloscroll::host::Variant(d).asString()).asDouble();
      check(readsBack(back, d, 1e-14));
    }
    float f;
    std::memcpy(&f, data, 4);
    if (std::isfinite(f)) {
      float back = keloscroll::host::Variant(keloscroll::host::Variant(f).asString()).asSingle();
      check(readsBack(back, f, 1e-6f));
    }
    int32_t l;
    std::memcpy(&l, data + 4, 4);
    check(keloscroll::host::Variant(keloscroll::host::Variant(l).asString()).asLong() == l);
  }
  return 0;
}
