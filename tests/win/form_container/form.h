// A form of a form designer's kind, played by a top-level window: it places ActiveX controls on
// itself through sites of its own, in design mode (UserMode false) or at run time, and offers
// the object model a control reaches by name: Width, Height, ScaleWidth, ScaleHeight, Refresh,
// Controls (which can add text boxes to the form), Name and hWnd. Positions are twips from the
// client area's top left corner. A control's PropertyChanged marks the form dirty.
#pragma once

#include <vector>

#include "tests/win/form_container/dispatch_object.h"

namespace form_container {

class Controls;
class Frame;
class Site;
class TextBox;

// How a control is placed on the form.
struct Placement {
  std::wstring name;
  double left = 0, top = 0, width = 255, height = 3000;  // twips
  bool userMode = true;
  // Where a saved control is read from; a new control when null.
  IPropertyBag* bag = nullptr;
  // Placed through IQuickActivate when the control offers it: the site, the property-notify sink
  // and `events` (a sink of the control's default event interface) in one call.
  bool quick = false;
  IUnknown* events = nullptr;
};

class Form final : public DispatchObject {
 public:
  // A visible form with a client area of that many pixels; one reference, the caller's.
  static Form* create(int clientWidth, int clientHeight);

  HWND hwnd() const { return hwnd_; }
  // Creates a control of class `clsid` and places it: its site first when it asks so, then new or
  // loaded, its extent, in place at its rectangle. The site is the form's (valid until close).
  HRESULT place(REFCLSID clsid, const Placement& how, Site** site);
  const std::vector<Site*>& sites() const { return sites_; }
  Controls& controls() const { return *controls_; }
  Frame& frame() const { return *frame_; }

  bool dirty() const { return dirty_; }
  void setDirty() { dirty_ = true; }
  void clearDirty() { dirty_ = false; }

  // Closes every control (deactivated, its site taken back, released), removes the text boxes
  // and destroys the window.
  void close();

 private:
  Form();
  ~Form() override;
  void member(size_t index, WORD kind, const Arguments& args, VARIANT* result) override;
  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l);

  HWND hwnd_ = nullptr;
  Controls* controls_ = nullptr;
  Frame* frame_ = nullptr;
  std::vector<Site*> sites_;  // one reference each
  bool dirty_ = false;
};

}  // namespace form_container
