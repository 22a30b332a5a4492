// Verbs of the property page: the host's property dialog for placed controls, opened as a
// designer opens it and driven as a developer drives it, with clicks and typing on its widgets.
#include "app/run/interpreter.h"
#include "design/PropertyDialog.h"

namespace keloscroll::run {

host::Widget& Interpreter::pageWidget(const std::string& name) {
  closePageIfDone();
  if (!dialog) throw ScenarioError("no property page is open: write 'page open CONTROL' first");
  host::Widget* w = host::findWidget(dialog->form(), name);
  if (!w) throw ScenarioError("the property dialog has no widget '" + name + "'");
  return *w;
}

void Interpreter::clickOnPage(host::Widget& w) {
  double x = 0, y = 0;
  w.originOnForm(x, y);
  x += w.rectTwips().width / 2;
  y += w.rectTwips().height / 2;
  engine.mouseDown(dialog->form(), x, y, host::mouse::Left);
  engine.mouseUp(dialog->form(), x, y, host::mouse::Left);
}

// OK and Cancel end the dialog by hiding it; the host then lets it go.
void Interpreter::closePageIfDone() {
  if (!dialog || dialog->isOpen()) return;
  dialog.reset();
  if (trace) out << stamp() << "page closed\n";
}

Interpreter::Action Interpreter::parsePage(Cursor& c) {
  std::string action = lower(c.word("open, type, click, apply, ok or cancel"));
  if (action == "open") {
    std::vector<std::string> names{c.word("a control name")};
    while (!c.atEnd()) names.push_back(c.word("a control name"));
    return [=, this](const Frame&) {
      closePageIfDone();
      if (dialog) throw ScenarioError("a property page is open already: OK or Cancel it first");
      std::vector<host::ObjectRef> selected;
      for (const auto& n : names) selected.push_back(resolveControl(n).control);
      auto opened = std::make_unique<design::PropertyDialog>(engine, std::move(selected));
      opened->Open();
      dialog = std::move(opened);
      if (trace) out << stamp() << "page " << dialog->form().name() << " of " << names[0] << '\n';
    };
  }
  if (action == "type") {
    std::string field = c.word("a text box of the page");
    ValueExpr text = c.value("the text to type");
    return [=, this](const Frame& f) {
      host::Widget& w = pageWidget(field);
      auto* box = dynamic_cast<host::TextBox*>(&w);
      if (!box) throw ScenarioError("'" + field + "' is no text box");
      clickOnPage(w);
      if (engine.focus() != box) throw ScenarioError("'" + field + "' does not take the focus");
      // The old text goes key by key, as the user deletes it.
      for (size_t left = box->Text().size(); left > 0 && !box->Text().empty(); --left) {
        engine.keyDown(host::vk::Back);
        engine.keyUp(host::vk::Back);
      }
      engine.typeText(eval(text, f).asString());
    };
  }
  std::string name;
  if (action == "click") {
    name = c.word("a widget of the page");
  } else if (action == "apply" || action == "ok" || action == "cancel") {
    name = action == "apply" ? "cmdApply" : action == "ok" ? "cmdOK" : "cmdCancel";
  } else {
    throw ScenarioError("page takes open, type, click, apply, ok or cancel");
  }
  return [=, this](const Frame&) {
    clickOnPage(pageWidget(name));
    closePageIfDone();
  };
}

}  // namespace keloscroll::run
