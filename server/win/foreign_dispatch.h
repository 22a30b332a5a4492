// A host Dispatch over a COM IDispatch: the container's extender, its parent form, the form's
// Controls collection and the text box it makes are reached by name exactly as the host's own
// objects are, so that a real container's objects serve as well as ours.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <memory>
#include <string>

#include "host/dispatch.h"

namespace keloscroll::win {

class ForeignDispatch final : public host::Dispatch {
 public:
  // Takes over one reference of `object`.
  static std::shared_ptr<ForeignDispatch> wrap(IDispatch* object);
  ~ForeignDispatch() override;
  ForeignDispatch(const ForeignDispatch&) = delete;
  ForeignDispatch& operator=(const ForeignDispatch&) = delete;

  int32_t idOfName(std::string_view name) const override;
  host::Variant invoke(int32_t id, host::Invoke kind, std::span<host::Variant> args) override;
  std::string_view typeName() const override { return typeName_; }
  // A form, as the object model's test of it: the type information names it one.
  bool isForm() const override;

  IDispatch* object() const { return object_; }

 private:
  explicit ForeignDispatch(IDispatch* object);

  IDispatch* object_;
  std::string typeName_;
};

}  // namespace keloscroll::win
