// Verbs of what a control tells assistive technology: its accessible tree printed, a part's
// default action done, the focus given, as a screen reader would.
#include "app/run/interpreter.h"
#include "host/accessible.h"

namespace keloscroll::run {

namespace {

std::string statesText(uint32_t s) {
  namespace access = host::access;
  std::string r;
  for (auto [bit, word] : {std::pair{access::Unavailable, "unavailable"},
                           {access::Invisible, "invisible"},
                           {access::Focused, "focused"},
                           {access::Focusable, "focusable"},
                           {access::Pressed, "pressed"},
                           {access::Horizontal, "horizontal"},
                           {access::Vertical, "vertical"}}) {
    if (s & bit) r += std::string(" ") + word;
  }
  return r;
}

}  // namespace

host::Accessible& Interpreter::accessibleOf(const std::string& name) {
  Object& o = resolveControl(name);
  host::UserControl* surface = o.site ? &o.site->surface() : nullptr;
  std::shared_ptr<host::Accessible> model = surface ? surface->accessible() : nullptr;
  if (!model) throw ScenarioError("the control '" + name + "' tells assistive technology nothing");
  return *model;
}

// print accessible NAME: the element, then each child, one a line.
void Interpreter::printAccessible(const std::string& name) {
  host::Accessible& a = accessibleOf(name);
  for (int i = 0; i <= a.childCount(); ++i) {
    host::AccessibleNode n = a.node(i);
    out << name << ' ' << i << ' ' << host::roleName(n.role) << ' ' << quote(n.name);
    if (i == 0 || !n.value.empty()) out << " value " << quote(n.value);
    if (i == 0 || !n.description.empty()) out << " description " << quote(n.description);
    if (!n.defaultAction.empty()) out << " action " << quote(n.defaultAction);
    host::Rect r = engine.screenRect(a.form(), n.place);
    out << statesText(n.states) << " | screen " << r.left << ' ' << r.top << ' ' << r.right << ' '
        << r.bottom << '\n';
  }
}

// accessible NAME do PART | focus | at X Y
Interpreter::Action Interpreter::parseAccessible(Cursor& c) {
  std::string name = c.word("a control name");
  if (c.accept("focus")) {
    return [=, this](const Frame&) { accessibleOf(name).focus(); };
  }
  if (c.accept("at")) {
    auto x = static_cast<int32_t>(c.whole("x in screen pixels", INT32_MIN, INT32_MAX));
    auto y = static_cast<int32_t>(c.whole("y in screen pixels", INT32_MIN, INT32_MAX));
    return [=, this](const Frame&) {
      host::Accessible& a = accessibleOf(name);
      host::Form* form = a.form();
      // The middle of the screen pixel, in form-client twips.
      double fx = host::twipsOf(x + 0.5, engine.dpi()) - (form ? form->screenLeftTwips : 0.0);
      double fy = host::twipsOf(y + 0.5, engine.dpi()) - (form ? form->screenTopTwips : 0.0);
      out << "accessible " << name << " at " << x << ' ' << y << " is " << a.childAt(fx, fy)
          << '\n';
    };
  }
  c.expect("do");
  int part = static_cast<int>(c.whole("a part number", 0, 1000));
  return [=, this](const Frame&) {
    host::Accessible& a = accessibleOf(name);
    if (part > a.childCount()) {
      throw ScenarioError("the control '" + name + "' has " + std::to_string(a.childCount()) +
                          " parts");
    }
    bool done = a.doDefaultAction(part);
    out << "accessible " << name << ' ' << part << (done ? " done" : " refused") << '\n';
  };
}

}  // namespace keloscroll::run
