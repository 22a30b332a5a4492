// Verbs that make forms, widgets and controls, drive a control's lifecycle, and set properties and
// call methods: form, add, place, usermode, resize, show, terminate, save, bag, let, set, call,
// raise.
#include <algorithm>

#include "app/run/interpreter.h"
#include "host/classes.h"

namespace keloscroll::run {

bool Interpreter::parsePlacementWord(Cursor& c, Placement& p) {
  if (c.accept("at")) {
    double l = c.number("a left position");
    p.at = {{l, c.number("a top position")}};
    return true;
  }
  if (c.accept("size")) {
    double w = c.number("a width");
    p.size = {{w, c.number("a height")}};
    return true;
  }
  return false;
}

Interpreter::Action Interpreter::parseForm(Cursor& c) {
  std::string name = c.word("a form name");
  Placement p;
  std::optional<ValueExpr> caption;
  while (!c.atEnd()) {
    if (parsePlacementWord(c, p)) continue;
    if (c.accept("caption")) {
      caption = c.value("a caption");
      continue;
    }
    throw ScenarioError("unexpected '" + c.word("") + "' (form takes size, at, caption)");
  }
  return [=, this](const Frame& f) {
    auto form = engine.createForm(name);
    if (p.size) {
      form->setWidth(static_cast<float>(p.size->first));
      form->setHeight(static_cast<float>(p.size->second));
    }
    if (p.at) {
      form->screenLeftTwips = p.at->first;
      form->screenTopTwips = p.at->second;
    }
    if (caption) form->setCaption(eval(*caption, f).asString());
    hook(*form, name);
    addObject(Object{Object::Kind::Form, name, form, nullptr, nullptr, nullptr});
  };
}

void Interpreter::applyPlacement(host::Widget& w, const Placement& p) {
  if (p.at) {
    w.setLeft(static_cast<float>(p.at->first));
    w.setTop(static_cast<float>(p.at->second));
  }
  if (p.size) {
    w.setWidth(static_cast<float>(p.size->first));
    w.setHeight(static_cast<float>(p.size->second));
  }
}

Interpreter::Action Interpreter::parseAdd(Cursor& c) {
  std::string kind = lower(c.word("a widget kind"));
  static const char* kinds[] = {"picturebox", "image",    "button", "commandbutton", "timer",
                                "textbox",    "checkbox", "label",  "frame",         "usercontrol"};
  if (std::find(std::begin(kinds), std::end(kinds), kind) == std::end(kinds)) {
    throw ScenarioError("unknown widget kind '" + kind +
                        "' (picturebox, image, button, timer, textbox, checkbox, label, frame, "
                        "usercontrol)");
  }
  std::string name = c.word("a widget name");
  c.expect("in");
  std::string into = c.path("a container");
  Placement p;
  while (!c.atEnd()) {
    if (!parsePlacementWord(c, p)) throw ScenarioError("unexpected '" + c.word("") + "'");
  }
  return [=, this](const Frame& f) {
    if (objects.count(lower(name)))
      throw ScenarioError("the name '" + name + "' is already in use");
    host::ContainerWidget& box = resolveContainer(expand(into, f));
    if (kind == "usercontrol") {
      auto site = std::make_shared<host::ControlSite>(engine, box, name);
      host::UserControl& surface = site->surface();
      hook(surface, name);
      addObject(Object{Object::Kind::UserControl, name, nullptr, site, nullptr, nullptr});
      if (p.at) {
        surface.setLeft(static_cast<float>(p.at->first));
        surface.setTop(static_cast<float>(p.at->second));
      }
      if (p.size) {
        site->resize(static_cast<float>(p.size->first), static_cast<float>(p.size->second));
      }
      return;
    }
    std::shared_ptr<host::Widget> w;
    if (kind == "picturebox") w = box.add<host::PictureBox>(name);
    if (kind == "image") w = box.add<host::Image>(name);
    if (kind == "button" || kind == "commandbutton") w = box.add<host::CommandButton>(name);
    if (kind == "timer") w = box.add<host::Timer>(name);
    if (kind == "textbox") w = box.add<host::TextBox>(name);
    if (kind == "checkbox") w = box.add<host::CheckBox>(name);
    if (kind == "label") w = box.add<host::Label>(name);
    if (kind == "frame") w = box.add<host::Frame>(name);
    hook(*w, name);
    addObject(Object{Object::Kind::Widget, name, w, nullptr, nullptr, nullptr});
    applyPlacement(*w, p);
  };
}

Interpreter::Action Interpreter::parsePlace(Cursor& c) {
  std::string progId = c.word("a ProgID");
  std::string name = c.word("a control name");
  c.expect("on");
  std::string into = c.path("a container");
  Placement p;
  std::string mode = "run", bag;
  bool fromLibrary = false;
  while (!c.atEnd()) {
    if (parsePlacementWord(c, p)) continue;
    if (c.accept("from")) {
      c.expect("library");
      fromLibrary = true;
      continue;
    }
    if (c.peekWord("run") || c.peekWord("design") || c.peekWord("nosite")) {
      mode = lower(c.word(""));
      continue;
    }
    if (c.accept("new")) {
      bag.clear();
      continue;
    }
    if (c.accept("load")) {
      bag = c.word("a bag name");
      continue;
    }
    throw ScenarioError("unexpected '" + c.word("") +
                        "' (place takes at, size, run, design, nosite, new, load, from library)");
  }
  return [=, this](const Frame& f) {
    host::ControlFactory factory = fromLibrary ? nullptr : host::findControlClass(progId);
    if (!factory && !fromLibrary) throw ScenarioError("unknown control class '" + progId + "'");
    if (objects.count(lower(name)))
      throw ScenarioError("the name '" + name + "' is already in use");
    host::PropertyBag* saved = nullptr;
    if (!bag.empty()) saved = &findBag(bag);
    host::ContainerWidget& box = resolveContainer(expand(into, f));
    auto site = std::make_shared<host::ControlSite>(engine, box, name);
    if (mode == "design") site->setUserMode(false);
    if (mode == "nosite") site->setClientSiteAvailable(false);
    site->setEventSink([this, name](std::string_view event, std::span<Variant> args) {
      raise(name, event, args);
    });
    host::UserControl& surface = site->surface();
    if (p.at) {
      surface.setLeft(static_cast<float>(p.at->first));
      surface.setTop(static_cast<float>(p.at->second));
    }
    addObject(Object{Object::Kind::Control, name, nullptr, site, nullptr, nullptr});
    Object& placed = objects[lower(name)];
    host::ObjectRef control =
        fromLibrary ? createFromLibrary(progId, *site, placed.libraryObject) : factory(*site);
    placed.control = control;
    site->setControl(control);
    if (saved) {
      site->load(*saved);
    } else {
      site->initNew();
    }
    if (p.size) {
      site->resize(static_cast<float>(p.size->first), static_cast<float>(p.size->second));
    } else {
      site->resize(surface.Width(), surface.Height());
    }
    site->show();
  };
}

host::PropertyBag& Interpreter::findBag(const std::string& name) {
  auto it = bags.find(lower(name));
  if (it == bags.end()) throw ScenarioError("unknown bag '" + name + "'");
  return it->second;
}

Interpreter::Action Interpreter::parseUserMode(Cursor& c) {
  std::string name = c.word("a control name");
  std::string mode = lower(c.word("true, false or 398"));
  if (mode != "true" && mode != "false" && mode != "398") {
    throw ScenarioError("usermode takes true, false or 398");
  }
  return [=, this](const Frame&) {
    host::ControlSite& site = resolveSite(name);
    site.setClientSiteAvailable(mode != "398");
    if (mode != "398") site.setUserMode(mode == "true");
  };
}

Interpreter::Action Interpreter::parseLifecycle(const std::string& verb, Cursor& c) {
  std::string name = c.word("a control name");
  if (verb == "resize") {
    double w = c.number("a width");
    double h = c.number("a height");
    return [=, this](const Frame&) {
      resolveSite(name).resize(static_cast<float>(w), static_cast<float>(h));
    };
  }
  if (verb == "save") {
    std::string bag = name;
    if (c.accept("to")) bag = c.word("a bag name");
    return [=, this](const Frame&) {
      host::ControlSite& site = resolveSite(name);
      host::PropertyBag& b = bags[lower(bag)];
      b.clear();
      site.save(b);
    };
  }
  if (verb == "show") return [=, this](const Frame&) { resolveSite(name).show(); };
  return [=, this](const Frame&) { resolveSite(name).terminate(); };
}

Interpreter::Action Interpreter::parseUnload(Cursor& c) {
  std::string name = c.word("a control name");
  return [=, this](const Frame&) {
    auto it = objects.find(lower(name));
    if (it == objects.end() || !it->second.site) {
      throw ScenarioError("'" + name + "' is no placed control");
    }
    // The host takes the control off its form: Terminate, then its last references go, and
    // the site's surface leaves the container.
    it->second.site->terminate();
    objects.erase(it);
    std::erase(order, lower(name));
  };
}

Interpreter::Action Interpreter::parseBag(Cursor& c) {
  std::string bag = c.word("a bag name");
  std::string key = c.word("a key");
  c.expectEquals();
  ValueExpr v = c.value("a value");
  return [=, this](const Frame& f) { bags[lower(bag)].set(key, eval(v, f)); };
}

Interpreter::Action Interpreter::parseLet(const std::string& verb, Cursor& c) {
  if (verb == "set" && c.accept("arg")) {
    auto index = static_cast<size_t>(c.whole("argument number", 0, 1000));
    if (!c.accept("to")) c.expectEquals();
    ValueExpr v = c.value("a value");
    return [=, this](const Frame& f) {
      Variant value = eval(v, f);
      argument(index, f).assign(value);
    };
  }
  std::string path = c.path("Object.Member");
  c.expectEquals();
  ValueExpr v = c.value("a value");
  return [=, this](const Frame& f) {
    Variant value = eval(v, f);
    auto [t, m] = member(expand(path, f));
    t.object->let(m, value);
  };
}

Interpreter::Action Interpreter::parseCall(Cursor& c) {
  std::string path = c.path("Object.Method");
  std::vector<ValueExpr> args;
  while (!c.atEnd()) args.push_back(c.value("an argument"));
  return [=, this](const Frame& f) {
    std::vector<Variant> values;
    for (const auto& a : args) values.push_back(eval(a, f));
    std::string named = expand(path, f);
    auto [t, m] = member(named);
    Variant r = t.object->call(m, values);
    if (!r.isEmpty()) out << named << " returns " << formatValue(r) << '\n';
  };
}

Interpreter::Action Interpreter::parseRaise(Cursor& c) {
  auto number = static_cast<int32_t>(c.whole("error number", 1, 65535));
  std::optional<ValueExpr> description;
  if (!c.atEnd()) description = c.value("a description");
  return [=, this](const Frame& f) {
    if (description) host::raise(number, eval(*description, f).asString());
    host::raise(number);
  };
}

}  // namespace keloscroll::run
