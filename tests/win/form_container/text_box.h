// A text box of the form: a real EDIT child window of the form's window, reached by name as a
// form's text box is. It starts hidden and empty, 3-D, in the form's font.
#pragma once

#include "tests/win/form_container/dispatch_object.h"

namespace form_container {

class TextBox final : public DispatchObject {
 public:
  // Made hidden on `form` (the form's window), named `name`.
  TextBox(HWND form, std::wstring name);

  HWND hwnd() const { return hwnd_; }
  const std::wstring& name() const { return name_; }
  bool fontBold() const { return bold_; }
  long appearance() const { return appearance_; }
  OLE_COLOR backColor() const { return back_; }
  OLE_COLOR foreColor() const { return fore_; }
  // The form paints the box in its colours (WM_CTLCOLOREDIT): the brush of its background.
  HBRUSH colour(HDC dc);
  // Removed from the form: the window goes; later calls fail with "object not set" (91).
  void destroy();

 private:
  ~TextBox() override;
  void member(size_t index, WORD kind, const Arguments& args, VARIANT* result) override;
  HWND window() const;
  void place();

  HWND hwnd_ = nullptr;
  std::wstring name_;
  double left_ = 0, top_ = 0, width_ = 1200, height_ = 375;
  bool bold_ = false;
  long appearance_ = 1;
  OLE_COLOR back_ = 0x80000005;  // window background
  OLE_COLOR fore_ = 0x80000008;  // window text
  HFONT font_ = nullptr;
  HBRUSH brush_ = nullptr;
};

}  // namespace form_container
