// The extender the form wraps around a placed control, as a form designer does: Name, Left,
// Top, Width, Height (twips on the form), Visible, Container and Parent (both the form), Object
// (the control itself); any other name is the control's own member.
#pragma once

#include "tests/win/form_container/dispatch_object.h"

namespace form_container {

class Form;
class Site;

class Extender final : public DispatchObject {
 public:
  Extender(Site& site, Form& form);
  // The site closes: the extender no longer reaches the control or the form.
  void detach();

 private:
  ~Extender() override = default;
  void member(size_t index, WORD kind, const Arguments& args, VARIANT* result) override;
  DISPID otherId(LPOLESTR name) override;
  HRESULT invokeOther(DISPID id, WORD kind, DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                      UINT* argError) override;
  // The control's IDispatch, with a reference, or null.
  IDispatch* control() const;

  Site* site_;
  Form* form_;
};

}  // namespace form_container
