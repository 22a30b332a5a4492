// What the form container's COM objects share: exact reference counts, with a count of the
// objects alive (a test checks that a control hands back every reference it was given), the
// errors, arguments and results of late-bound calls, and the form's units (twips, pixels,
// HIMETRIC).
#pragma once

// clang-format off
#include <windows.h>  // first: the other Windows headers build on it
// clang-format on
#include <ocidl.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace form_container {

// The container's objects alive now.
long liveObjects();

// One reference at birth, its creator's; the object goes with its last reference.
class Counted {
 public:
  Counted() = default;
  virtual ~Counted() = default;
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 protected:
  ULONG addRef() { return ++refs_; }
  ULONG release();  // out of line: deletes through the virtual destructor

 private:
  // Counts the object among the live ones from its construction to its destruction.
  struct Live {
    Live();
    ~Live();
    Live(const Live&) = delete;
    Live& operator=(const Live&) = delete;
  };
  Live live_;
  ULONG refs_ = 1;
};

// An error of the form's object model, numbered as the platform numbers them (13 type mismatch,
// 438 no such member, 727 name in use, 730 control not found...). It reaches the caller as
// DISP_E_EXCEPTION with the scode 0x800A0000 + number.
struct Failure {
  long number;
  std::wstring description;
};
[[noreturn]] void fail(long number, std::wstring description);

// The arguments of a late-bound call in their natural order (a property's new value last), read
// in the type asked for with the platform's conversions.
class Arguments {
 public:
  explicit Arguments(const DISPPARAMS& params);
  size_t size() const { return args_.size(); }
  // Given, and not left out with DISP_E_PARAMNOTFOUND.
  bool has(size_t i) const;
  double number(size_t i) const;
  long integer(size_t i) const;
  bool boolean(size_t i) const;
  std::wstring text(size_t i) const;
  bool isText(size_t i) const;  // a String, by value or by reference
  // The value of a property put.
  size_t last() const;

 private:
  VARIANT as(size_t i, VARTYPE type) const;  // the caller clears it
  std::vector<const VARIANT*> args_;
};

void setNumber(VARIANT* out, double value);  // a Single, as the form's positions are
void setInteger(VARIANT* out, long value);
void setBoolean(VARIANT* out, bool value);
void setText(VARIANT* out, const std::wstring& value);
void setObject(VARIANT* out, IDispatch* object);  // adds a reference

// The form's units: twips (1/1440 inch) on the form, pixels of the screen, HIMETRIC (0.01 mm)
// for OLE extents. Pixels round to the nearest.
int toPixels(double twips);
double toTwips(int pixels);
LONG toHimetric(double twips);
double himetricToTwips(LONG himetric);

}  // namespace form_container
