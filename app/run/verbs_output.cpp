// Verbs that print: echo, print, screenshot; and clear, which marks what was printed as checked.
#include <filesystem>

#include "app/run/interpreter.h"
#include "host/cairo/cairo_painter.h"
#include "host/classes.h"
#include "host/render.h"

namespace keloscroll::run {

namespace {

// Whether a file lies in the folder or below it, once `..` and symbolic links are resolved as
// far as they exist.
bool inside(const std::filesystem::path& file, const std::filesystem::path& folder) {
  std::error_code ec;
  auto f = std::filesystem::weakly_canonical(std::filesystem::absolute(file, ec), ec);
  if (ec) return false;
  auto d = std::filesystem::weakly_canonical(std::filesystem::absolute(folder, ec), ec);
  if (ec) return false;
  auto rel = f.lexically_relative(d);
  return !rel.empty() && *rel.begin() != ".." && rel != ".";
}

}  // namespace

bool Interpreter::insideScreenshotFolder(const std::filesystem::path& file) const {
  return inside(file, screenshotFolder.empty() ? std::filesystem::path(".")
                                               : std::filesystem::path(screenshotFolder));
}

Interpreter::Action Interpreter::parseEcho(Cursor& c) {
  std::vector<ValueExpr> parts;
  while (!c.atEnd()) parts.push_back(c.value("a value"));
  return [=, this](const Frame& f) {
    std::string line;
    for (size_t i = 0; i < parts.size(); ++i) {
      Variant v = eval(parts[i], f);
      line += (i ? " " : "") + (v.isString() ? v.asString() : formatValue(v));
    }
    out << line << '\n';
  };
}

std::string Interpreter::geometryText(host::Widget& w) {
  const host::TwipsRect& r = w.rectTwips();
  std::string s = single(w.Left()) + ' ' + single(w.Top()) + ' ' + single(w.Width()) + ' ' +
                  single(w.Height()) + " | twips " + twips(r.left) + ' ' + twips(r.top) + ' ' +
                  twips(r.width) + ' ' + twips(r.height);
  if (w.hwnd()) {
    host::Rect wr = engine.GetWindowRect(w.hwnd());
    s += " | window " + std::to_string(wr.left) + ' ' + std::to_string(wr.top) + ' ' +
         std::to_string(wr.right) + ' ' + std::to_string(wr.bottom);
  }
  return s;
}

void Interpreter::printTree(host::Widget& w, int level) {
  out << std::string(2 * level, ' ') << w.name() << " (" << w.typeName() << ") " << geometryText(w);
  if (auto* c = dynamic_cast<host::ContainerWidget*>(&w)) {
    if (c->ScaleMode() == host::scale::User) {
      out << " | scale " << single(c->ScaleLeft()) << ' ' << single(c->ScaleTop()) << ' '
          << single(c->ScaleWidth()) << ' ' << single(c->ScaleHeight());
    }
  }
  if (auto* tb = dynamic_cast<host::TextBox*>(&w)) out << " text " << quote(tb->Text());
  if (auto* lb = dynamic_cast<host::Label*>(&w)) out << " caption " << quote(lb->Caption());
  if (!w.Visible()) out << " hidden";
  if (!w.Enabled()) out << " disabled";
  if (engine.focus() == &w) out << " focused";
  out << '\n';
  if (auto* c = dynamic_cast<host::ContainerWidget*>(&w)) {
    for (const auto& child : c->children()) printTree(*child, level + 1);
  }
}

void Interpreter::requireLogged(const std::string& object) {
  if (!objects.count(lower(object))) {
    throw ScenarioError("'" + object + "' is no form, widget or control this scenario made");
  }
}

std::vector<Interpreter::LogEntry*> Interpreter::pendingEvents(const std::string& object) {
  std::vector<LogEntry*> r;
  for (auto& e : log) {
    if (!e.checked && (object.empty() || lower(e.object) == lower(object))) r.push_back(&e);
  }
  return r;
}

std::string Interpreter::shownText(const host::FormEngine::Shown& s) {
  if (s.kind == "msgbox") {
    std::string r = "msgbox " + quote(s.caption);
    if (s.buttons) r += " buttons " + std::to_string(s.buttons);
    return r;
  }
  return s.kind + ' ' + s.name + ' ' + quote(s.caption);
}

std::vector<std::pair<std::string, Variant>> Interpreter::stateOf(const std::string& name) {
  Object& o = resolveControl(name);
  auto* d = dynamic_cast<host::Diagnosable*>(o.control.get());
  if (!d) throw ScenarioError("the control '" + name + "' shows no diagnostic state");
  return d->diagnosticState();
}

Variant Interpreter::stateValue(const std::string& name, const std::string& var) {
  for (auto& [k, v] : stateOf(name)) {
    if (lower(k) == lower(var)) return v;
  }
  throw ScenarioError("the control '" + name + "' has no state named '" + var + "'");
}

Interpreter::Action Interpreter::parsePrint(Cursor& c) {
  if (c.accept("geometry")) {
    std::string path = c.path("a widget");
    return [=, this](const Frame& f) {
      std::string named = expand(path, f);
      out << named << " geometry " << geometryText(resolveWidget(named)) << '\n';
    };
  }
  if (c.accept("state")) {
    std::string name = c.word("a control name");
    std::string var = c.atEnd() ? "" : c.word("a state name");
    return [=, this](const Frame&) {
      if (!var.empty()) {
        Variant v = stateValue(name, var);
        out << "state " << name << ' ' << var << " = " << formatValue(v) << " (" << typeLabel(v)
            << ")\n";
        return;
      }
      for (auto& [k, v] : stateOf(name)) {
        out << "state " << name << ' ' << k << " = " << formatValue(v) << " (" << typeLabel(v)
            << ")\n";
      }
    };
  }
  if (c.accept("events")) {
    std::string name = c.atEnd() ? "" : c.word("an object name");
    return [=, this](const Frame&) {
      if (!name.empty()) requireLogged(name);
      for (LogEntry* e : pendingEvents(name)) {
        out << '@' << e->ms << "ms " << e->object << '_' << e->text().str() << '\n';
      }
    };
  }
  if (c.accept("changes")) {
    std::string name = c.word("a control name");
    return [=, this](const Frame&) {
      const auto& changes = resolveSite(name).propertyChanges();
      out << name << " changes:";
      for (const auto& p : changes) out << ' ' << p;
      out << (changes.empty() ? " none\n" : "\n");
    };
  }
  if (c.accept("registry")) return parsePrintRegistry(c);
  if (c.accept("accessible")) {
    std::string name = c.word("a control name");
    return [=, this](const Frame&) { printAccessible(name); };
  }
  if (c.accept("dirty")) {
    std::string name = c.word("a control name");
    return [=, this](const Frame&) {
      out << name << " dirty = " << (resolveSite(name).dirty() ? "True" : "False") << '\n';
    };
  }
  if (c.accept("shown")) {
    return [this](const Frame&) {
      const auto& shown = engine.shown();
      for (size_t i = shownChecked; i < shown.size(); ++i) out << shownText(shown[i]) << '\n';
    };
  }
  if (c.accept("widgets")) {
    std::string name = c.atEnd() ? "" : c.path("a form or container");
    return [=, this](const Frame& f) {
      if (!name.empty()) {
        printTree(resolveWidget(expand(name, f)), 0);
        return;
      }
      for (const auto& form : engine.forms()) printTree(*form, 0);
    };
  }
  if (c.accept("bag")) {
    std::string bag = c.word("a bag name");
    return [=, this](const Frame&) {
      for (const auto& [k, v] : findBag(bag).entries()) {
        out << bag << '.' << k << " = " << formatValue(v) << " (" << typeLabel(v) << ")\n";
      }
    };
  }
  if (c.accept("time")) {
    return [this](const Frame&) {
      out << "time " << clock.nowMs() << "ms Timer " << single(clock.Timer()) << '\n';
    };
  }
  if (c.accept("focus")) {
    return [this](const Frame&) {
      host::Widget* w = engine.focus();
      out << "focus " << (w ? w->name() : std::string("none")) << '\n';
    };
  }
  std::string path = c.path("what to print");
  return [=, this](const Frame& f) {
    std::string named = expand(path, f);
    Variant v = getPath(named);
    out << named << " = " << formatValue(v) << " (" << typeLabel(v) << ")\n";
  };
}

Interpreter::Action Interpreter::parseScreenshot(Cursor& c) {
  std::string name = c.path("a form");
  const Token& fileToken = c.token("a file name");
  if (fileToken.kind == Token::Kind::Equals) {
    throw ScenarioError("expected a file name, found '='");
  }
  std::string file = fileToken.text;
  return [=, this](const Frame& f) {
    auto* form = dynamic_cast<host::Form*>(&resolveWidget(expand(name, f)));
    if (!form) throw ScenarioError("'" + name + "' is no form");
    std::filesystem::path path(file);
    if (path.is_relative() && !screenshotFolder.empty()) {
      path = std::filesystem::path(screenshotFolder) / path;
    }
    if (!options.screenshotsAnywhere && !insideScreenshotFolder(path)) {
      throw ScenarioError(
          "'" + file + "' lies outside the screenshot folder " +
          (screenshotFolder.empty() ? "(the current directory)" : screenshotFolder) +
          " (keloscroll-run --screenshots-anywhere allows it)");
    }
    if (path.has_parent_path()) {
      // A folder that cannot be made shows as the write's own error 75.
      std::error_code ignored;
      std::filesystem::create_directories(path.parent_path(), ignored);
    }
    host::PixelSize size = host::writePng(*form, path.string());
    out << "screenshot " << form->name() << " -> " << path.string() << " (" << size.width << " x "
        << size.height << ")\n";
  };
}

Interpreter::Action Interpreter::parseClear(Cursor& c) {
  if (c.accept("events")) {
    std::string name = c.atEnd() ? "" : c.word("an object name");
    return [=, this](const Frame&) {
      if (!name.empty()) requireLogged(name);
      for (LogEntry* e : pendingEvents(name)) e->checked = true;
    };
  }
  if (c.accept("changes")) {
    std::string name = c.word("a control name");
    return [=, this](const Frame&) { resolveSite(name).clearPropertyChanges(); };
  }
  c.expect("shown");
  return [this](const Frame&) { shownChecked = engine.shown().size(); };
}

}  // namespace keloscroll::run
