// The form's Controls collection: Add("VB.TextBox", name) makes a text box on the form, Remove
// takes it off again; Count and Item see the text boxes and the controls placed on the form.
#pragma once

#include <vector>

#include "tests/win/form_container/dispatch_object.h"

namespace form_container {

class Form;
class TextBox;

class Controls final : public DispatchObject {
 public:
  explicit Controls(Form& form);

  // Every name given to Add, in order, also of boxes removed since.
  const std::vector<std::wstring>& added() const { return added_; }
  // The text box of that name (case-insensitive), or null. Borrowed.
  TextBox* textBox(const std::wstring& name) const;
  const std::vector<TextBox*>& textBoxes() const { return boxes_; }
  // The form paints its text boxes: the brush for the box whose window is `box`, or null.
  HBRUSH colour(HWND box, HDC dc) const;
  // The form closes: its boxes go, and the collection no longer reaches it.
  void close();

 private:
  ~Controls() override;
  void member(size_t index, WORD kind, const Arguments& args, VARIANT* result) override;
  IDispatch* item(const Arguments& args) const;

  Form* form_;
  std::vector<TextBox*> boxes_;  // one reference each
  std::vector<std::wstring> added_;
};

}  // namespace form_container
