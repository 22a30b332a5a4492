#include "tests/win/form_container/controls.h"

#include <algorithm>
#include <cwctype>

#include "tests/win/form_container/form.h"
#include "tests/win/form_container/site.h"
#include "tests/win/form_container/text_box.h"

namespace form_container {

namespace {

enum Member { Add, Remove, Count, Item };

bool sameName(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

}  // namespace

Controls::Controls(Form& form)
    : DispatchObject({L"Add", L"Remove", L"Count", L"Item"}), form_(&form) {}

Controls::~Controls() {
  close();
}

void Controls::close() {
  for (TextBox* b : boxes_) {
    b->destroy();
    b->Release();
  }
  boxes_.clear();
  form_ = nullptr;
}

TextBox* Controls::textBox(const std::wstring& name) const {
  for (TextBox* b : boxes_)
    if (sameName(b->name(), name)) return b;
  return nullptr;
}

HBRUSH Controls::colour(HWND box, HDC dc) const {
  for (TextBox* b : boxes_)
    if (b->hwnd() == box) return b->colour(dc);
  return nullptr;
}

// Item(index or name): the text boxes first, then the controls placed on the form.
IDispatch* Controls::item(const Arguments& args) const {
  std::vector<std::pair<std::wstring, IDispatch*>> all;
  for (TextBox* b : boxes_) all.emplace_back(b->name(), b);
  if (form_)
    for (Site* s : form_->sites()) all.emplace_back(s->name(), s->extender());
  if (args.isText(0)) {
    std::wstring name = args.text(0);
    for (auto& [n, d] : all)
      if (sameName(n, name)) return d;
    fail(730, L"Control '" + name + L"' not found");
  }
  long i = args.integer(0);
  if (i < 0 || static_cast<size_t>(i) >= all.size()) fail(9, L"Subscript out of range");
  return all[static_cast<size_t>(i)].second;
}

void Controls::member(size_t index, WORD kind, const Arguments& args, VARIANT* result) {
  if (!form_) fail(91, L"Object variable or With block variable not set");
  if (isPut(kind)) fail(438, L"Object doesn't support this property or method");
  switch (static_cast<Member>(index)) {
    case Add: {
      // Add(ProgID, name[, container]): this form makes text boxes.
      if (args.size() < 2) fail(449, L"Argument not optional");
      std::wstring progId = args.text(0), name = args.text(1);
      if (!sameName(progId, L"VB.TextBox")) fail(711, L"Invalid class string: " + progId);
      if (name.empty()) fail(380, L"Invalid property value");
      bool taken = textBox(name) != nullptr;
      for (Site* s : form_->sites()) taken = taken || sameName(s->name(), name);
      if (taken) fail(727, L"There is already a control with the name '" + name + L"'");
      auto* box = new TextBox(form_->hwnd(), name);
      if (!box->hwnd()) {
        box->Release();
        fail(7, L"Out of memory");
      }
      boxes_.push_back(box);
      added_.push_back(name);
      return setObject(result, box);
    }
    case Remove: {
      if (args.size() < 1) fail(449, L"Argument not optional");
      std::wstring name = args.text(0);
      auto it = std::find_if(boxes_.begin(), boxes_.end(),
                             [&](TextBox* b) { return sameName(b->name(), name); });
      if (it == boxes_.end()) fail(730, L"Control '" + name + L"' not found");
      TextBox* b = *it;
      boxes_.erase(it);
      b->destroy();
      b->Release();
      return;
    }
    case Count:
      return setInteger(result, static_cast<long>(boxes_.size() + form_->sites().size()));
    case Item:
      if (args.size() < 1) fail(449, L"Argument not optional");
      return setObject(result, item(args));
  }
  fail(438, L"Object doesn't support this property or method");
}

}  // namespace form_container
