// Names and values: the objects a path names, and the values a statement writes.
#include <filesystem>

#include "app/run/interpreter.h"
#include "host/picture.h"

namespace keloscroll::run {

namespace {

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '.') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  for (const auto& p : parts) {
    if (p.empty()) throw ScenarioError("'" + path + "' is no name or Object.Member path");
  }
  return parts;
}

std::string joinPath(const std::vector<std::string>& parts, size_t count) {
  std::string r;
  for (size_t i = 0; i < count; ++i) r += (i ? "." : "") + parts[i];
  return r;
}

}  // namespace

void Interpreter::addObject(Object o) {
  std::string key = lower(o.name);
  if (objects.count(key)) throw ScenarioError("the name '" + o.name + "' is already in use");
  order.push_back(key);
  objects.emplace(key, std::move(o));
}

Interpreter::Target Interpreter::resolve(const std::vector<std::string>& parts, size_t count) {
  Target t;
  const std::string& first = parts[0];
  if (auto it = objects.find(lower(first)); it != objects.end()) {
    Object& o = it->second;
    t.widget = o.widget.get();
    t.object = o.widget.get();
    if (o.site) {
      t.site = o.site.get();
      t.widget = &o.site->surface();
      t.object = o.kind == Object::Kind::Control
                     ? static_cast<host::Dispatch*>(o.site->extender().get())
                     : t.widget;
      if (o.kind == Object::Kind::Control) t.keep = o.site->extender();
    }
  } else if (host::Form* m = modalForm(first)) {
    t.widget = m;
    t.object = m;
  } else if (auto f = engine.findForm(first)) {
    t.widget = f.get();
    t.object = f.get();
    t.keep = f;
  } else {
    host::Widget* found = nullptr;
    for (const auto& form : engine.forms()) {
      if (host::Widget* w = host::findWidget(*form, first)) {
        if (found) throw ScenarioError("'" + first + "' is ambiguous: name its form or control");
        found = w;
      }
    }
    if (!found) throw ScenarioError("unknown object '" + first + "'");
    t.widget = found;
    t.object = found;
  }
  for (size_t i = 1; i < count; ++i) {
    const std::string& seg = parts[i];
    if (auto* c = dynamic_cast<host::ContainerWidget*>(t.widget)) {
      if (host::Widget* w = host::findWidget(*c, seg)) {
        t = Target{w, w, nullptr, nullptr, {}};
        continue;
      }
    }
    Variant v = t.object->get(seg);
    if (!v.isObject() || !v.asObject()) {
      throw ScenarioError(joinPath(parts, i + 1) + " is no object or widget");
    }
    t.keep = v.asObject();
    t.object = t.keep.get();
    t.widget = dynamic_cast<host::Widget*>(t.object);
    t.site = nullptr;
  }
  t.path = joinPath(parts, count);
  return t;
}

Interpreter::Target Interpreter::resolveObject(const std::string& path) {
  auto parts = splitPath(path);
  return resolve(parts, parts.size());
}

host::Widget& Interpreter::resolveWidget(const std::string& path) {
  Target t = resolveObject(path);
  if (!t.widget) throw ScenarioError("'" + path + "' is no widget");
  return *t.widget;
}

host::ContainerWidget& Interpreter::resolveContainer(const std::string& path) {
  Target t = resolveObject(path);
  auto* c = dynamic_cast<host::ContainerWidget*>(t.widget);
  if (!c) throw ScenarioError("'" + path + "' cannot hold widgets");
  if (t.site && t.site->control()) {
    throw ScenarioError("'" + path + "' is a control: its parts are its own");
  }
  return *c;
}

host::ControlSite& Interpreter::resolveSite(const std::string& name) {
  auto it = objects.find(lower(name));
  if (it == objects.end() || !it->second.site) {
    throw ScenarioError("'" + name + "' is no placed control");
  }
  return *it->second.site;
}

Interpreter::Object& Interpreter::resolveControl(const std::string& name) {
  auto it = objects.find(lower(name));
  if (it == objects.end() || it->second.kind != Object::Kind::Control) {
    throw ScenarioError("'" + name + "' is no placed control");
  }
  return it->second;
}

host::Form* Interpreter::modalForm(std::string_view name) const {
  for (auto it = modalForms.rbegin(); it != modalForms.rend(); ++it) {
    if (lower((*it)->name()) == lower(name)) return *it;
  }
  return nullptr;
}

std::pair<Interpreter::Target, std::string> Interpreter::member(const std::string& path) {
  auto parts = splitPath(path);
  if (parts.size() < 2) throw ScenarioError("'" + path + "' needs a member: Object.Member");
  return {resolve(parts, parts.size() - 1), parts.back()};
}

Variant Interpreter::getPath(const std::string& path) {
  auto [t, m] = member(path);
  return t.object->get(m).value();
}

std::string Interpreter::expand(const std::string& path, const Frame& f) {
  if (path.find_first_of("{}") == std::string::npos) return path;
  std::vector<std::string> parts = splitTemplate(path);
  std::string r;
  for (size_t i = 0; i < parts.size(); ++i) {
    r += (i % 2 == 0) ? parts[i] : lookupName(parts[i], f).asString();
  }
  return r;
}

Variant Interpreter::lookupName(const std::string& name, const Frame& f) {
  std::string l = lower(name);
  if (l.size() > 3 && l.size() <= 6 && l.rfind("arg", 0) == 0 &&
      l.find_first_not_of("0123456789", 3) == std::string::npos) {
    return argument(std::stoul(l.substr(3)), f).value();
  }
  if (l == "folder") return Variant(folder);  // the scenario's own folder, for file names
  if (name.find('.') != std::string::npos) return getPath(name);
  if (!f.sender.empty()) return getPath(f.sender + "." + name);
  throw ScenarioError("'{" + name + "}' names no argument and no member (write Object.Member)");
}

Variant& Interpreter::argument(size_t index, const Frame& f) {
  if (index >= f.args.size()) {
    throw ScenarioError(f.sender.empty() ? "arguments exist only in event handlers"
                                         : "the event has no argument " + std::to_string(index));
  }
  return f.args[index];
}

Variant Interpreter::eval(const ValueExpr& v, const Frame& f) {
  switch (v.kind) {
    case ValueExpr::Kind::Constant:
      return v.constant;
    case ValueExpr::Kind::Text: {
      std::string s;
      for (size_t i = 0; i < v.parts.size(); ++i) {
        s += (i % 2 == 0) ? v.parts[i] : lookupName(v.parts[i], f).asString();
      }
      return Variant(std::move(s));
    }
    case ValueExpr::Kind::Reference:
      return lookupName(v.name, f);
    case ValueExpr::Kind::LoadPicture: {
      std::filesystem::path p(v.name);
      if (p.is_relative()) p = std::filesystem::path(folder) / p;
      return Variant(host::Picture::load(p.string()));
    }
    case ValueExpr::Kind::SolidPicture: {
      uint32_t argb = 0xFF000000u | v.color;  // opaque
      std::vector<uint32_t> pixels(static_cast<size_t>(v.width) * static_cast<size_t>(v.height),
                                   argb);
      return Variant(std::make_shared<host::Picture>(v.width, v.height, std::move(pixels)));
    }
  }
  return Variant();
}

}  // namespace keloscroll::run
