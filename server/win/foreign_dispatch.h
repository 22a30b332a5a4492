// A host Dispatch over a COM IDispatch: the container's extender, its parent form, the form's
// Controls collection and the text box it makes are reached by name exactly as the host's own
// objects are, so that a real container's objects serve as well as ours. Objects reached from
// the control's extender remember it: the extender's Parent names the form, whatever type
// information the container's objects carry.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <memory>
#include <string>

#include "host/dispatch.h"
#include "host/win/com_ptr.h"

namespace keloscroll::win {

class ForeignDispatch final : public host::Dispatch {
 public:
  static std::shared_ptr<ForeignDispatch> wrap(host::win::ComPtr<IDispatch> object);
  // The same for the control's extender, the origin of the objects reached from it.
  static std::shared_ptr<ForeignDispatch> wrapExtender(host::win::ComPtr<IDispatch> extender);
  ~ForeignDispatch() override;
  ForeignDispatch(const ForeignDispatch&) = delete;
  ForeignDispatch& operator=(const ForeignDispatch&) = delete;

  int32_t idOfName(std::string_view name) const override;
  host::Variant invoke(int32_t id, host::Invoke kind, std::span<host::Variant> args) override;
  std::string_view typeName() const override { return typeName_; }
  // A form, as the object model's test of it: the type information names it one ("Form",
  // "...Form"), or it is the Parent of the extender it was reached from (the same COM object),
  // whatever its type is named (Form1, UserForm1) or when it has no type information.
  bool isForm() const override;

  const host::win::ComPtr<IDispatch>& object() const { return object_; }

 private:
  explicit ForeignDispatch(host::win::ComPtr<IDispatch> object);

  // The extender the object was reached from, while the extender's own wrapper lives (borrowed
  // from it: objects the control keeps, such as its tooltip box, do not keep the extender).
  struct Origin {
    IDispatch* extender = nullptr;
  };

  host::win::ComPtr<IDispatch> object_;
  std::string typeName_;
  bool typed_ = false;  // the object gives type information
  std::shared_ptr<Origin> origin_;
  bool isOrigin_ = false;
};

}  // namespace keloscroll::win
