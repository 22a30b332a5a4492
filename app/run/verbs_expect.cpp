// The verb expect: each form compares what is with what the line says.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "app/run/interpreter.h"
#include "host/cairo/cairo_painter.h"

namespace keloscroll::run {

namespace {

// Twips values read the same when they differ by rounding noise only.
bool sameTwips(double actual, double expected) {
  return std::fabs(actual - expected) <= 1e-6 * std::max(1.0, std::fabs(expected));
}

}  // namespace

Interpreter::Action Interpreter::parseExpect(Cursor& c) {
  for (const char* w : {"due", "cursor", "modal"})
    if (c.peekWord(w)) return parseExpectEngine(c);
  if (c.accept("events")) {
    std::string name = c.peekEquals() ? "" : c.word("an object name");
    c.expectEquals();
    std::vector<EventText> want;
    if (!c.accept("none")) {
      while (!c.atEnd()) want.push_back(parseEventText(c.word("an event")));
    }
    if (want.empty() && !c.atEnd()) throw ScenarioError("'none' stands alone");
    return [=, this](const Frame& f) {
      if (!name.empty()) requireLogged(name);
      auto got = pendingEvents(name);
      bool same = got.size() == want.size();
      std::string gotText;
      for (size_t i = 0; i < got.size(); ++i) {
        EventText e = got[i]->text();
        if (name.empty()) e.name = got[i]->object + '_' + e.name;
        gotText += (i ? " " : "") + e.str();
        if (same && !sameEvent(e, want[i])) same = false;
        got[i]->checked = true;
      }
      if (same) return;
      std::string wantText;
      for (size_t i = 0; i < want.size(); ++i) wantText += (i ? " " : "") + want[i].str();
      fail(f.statement->line, "expected events" + (name.empty() ? "" : " of " + name) + ": " +
                                  (wantText.empty() ? "none" : wantText) +
                                  "\n  got: " + (gotText.empty() ? "none" : gotText));
    };
  }
  if (c.accept("changes")) {
    std::string name = c.word("a control name");
    c.expectEquals();
    std::vector<std::string> want;
    if (!c.accept("none")) {
      while (!c.atEnd()) want.push_back(c.word("a property name"));
    }
    return [=, this](const Frame& f) {
      host::ControlSite& site = resolveSite(name);
      std::vector<std::string> got = site.propertyChanges();
      site.clearPropertyChanges();
      if (got == want) return;
      auto join = [](const std::vector<std::string>& v) {
        std::string r;
        for (const auto& s : v) r += (r.empty() ? "" : " ") + s;
        return r.empty() ? std::string("none") : r;
      };
      fail(f.statement->line,
           "expected PropertyChanged of " + name + ": " + join(want) + "\n  got: " + join(got));
    };
  }
  if (c.accept("shown")) {
    std::string kind = lower(c.word("modal, msgbox or none"));
    if (kind == "none") {
      return [this](const Frame& f) {
        const auto& shown = engine.shown();
        if (shownChecked < shown.size()) {
          fail(f.statement->line, "expected nothing shown, got " + shownText(shown[shownChecked]));
          shownChecked = shown.size();
        }
      };
    }
    if (kind != "modal" && kind != "msgbox") throw ScenarioError("expected modal, msgbox or none");
    std::string form;
    std::optional<ValueExpr> prompt;
    if (kind == "modal") {
      form = c.word("a form name");
    } else {
      prompt = c.value("the prompt");
    }
    return [=, this](const Frame& f) {
      const auto& shown = engine.shown();
      std::string want = kind == "modal"
                             ? "modal " + form
                             : shownText({"msgbox", "", eval(*prompt, f).asString(), 0});
      if (shownChecked >= shown.size()) {
        fail(f.statement->line, "expected " + want + " shown, got nothing");
        return;
      }
      const auto& s = shown[shownChecked++];
      bool same = s.kind == kind && (kind == "modal" ? lower(s.name) == lower(form)
                                                     : s.caption == eval(*prompt, f).asString());
      if (!same) fail(f.statement->line, "expected " + want + " shown, got " + shownText(s));
    };
  }
  if (c.accept("library")) return parseExpectLibrary(c);
  if (c.accept("registry")) return parseExpectRegistry(c);
  if (c.accept("dirty")) {
    std::string name = c.word("a control name");
    c.expectEquals();
    ValueExpr v = c.value("True or False");
    if (v.kind != ValueExpr::Kind::Constant || v.constant.type() != host::VarType::Boolean) {
      throw ScenarioError("expect dirty compares with True or False");
    }
    return [=, this](const Frame& f) {
      compare(f, "dirty " + name, Variant::boolean(resolveSite(name).dirty()), v.constant, "");
    };
  }
  if (c.accept("state")) {
    std::string name = c.word("a control name");
    std::string var = c.word("a state name");
    c.expectEquals();
    ValueExpr v = c.value("a value");
    return [=, this](const Frame& f) {
      compare(f, "state " + name + ' ' + var, stateValue(name, var), eval(v, f), "");
    };
  }
  if (c.peekWord("geometry") || c.peekWord("twips") || c.peekWord("window")) {
    std::string kind = lower(c.word(""));
    std::string path = c.path("a widget");
    c.expectEquals();
    double want[4];
    for (double& w : want) w = c.number("four numbers");
    return [=, this](const Frame& f) {
      host::Widget& w = resolveWidget(expand(path, f));
      double got[4];
      bool same = true;
      if (kind == "geometry") {
        float g[4] = {w.Left(), w.Top(), w.Width(), w.Height()};
        for (int i = 0; i < 4; ++i) {
          got[i] = g[i];
          same = same && single(g[i]) == single(static_cast<float>(want[i]));
        }
      } else if (kind == "twips") {
        const host::TwipsRect& r = w.rectTwips();
        double g[4] = {r.left, r.top, r.width, r.height};
        for (int i = 0; i < 4; ++i) {
          got[i] = g[i];
          same = same && sameTwips(g[i], want[i]);
        }
      } else {
        if (!w.hwnd()) throw ScenarioError("'" + path + "' has no window");
        host::Rect r = engine.GetWindowRect(w.hwnd());
        double g[4] = {double(r.left), double(r.top), double(r.right), double(r.bottom)};
        for (int i = 0; i < 4; ++i) {
          got[i] = g[i];
          same = same && g[i] == want[i];
        }
      }
      if (same) return;
      auto text = [](const double* v) {
        std::string r;
        for (int i = 0; i < 4; ++i) r += (i ? " " : "") + host::formatDouble(v[i]);
        return r;
      };
      fail(f.statement->line,
           "expected " + kind + ' ' + path + " = " + text(want) + ", got " + text(got));
    };
  }
  if (c.accept("bag")) {
    std::string bag = c.word("a bag name");
    std::string key = c.word("a key");
    if (c.accept("absent")) {
      return [=, this](const Frame& f) {
        host::PropertyBag& b = findBag(bag);
        if (b.has(key)) {
          fail(f.statement->line, "expected " + bag + '.' + key + " absent, got " +
                                      formatValue(b.ReadProperty(key, Variant())));
        }
      };
    }
    c.expectEquals();
    ValueExpr v = c.value("a value");
    return [=, this](const Frame& f) {
      host::PropertyBag& b = findBag(bag);
      if (!b.has(key)) {
        fail(f.statement->line, "expected " + bag + '.' + key + " stored, it is absent");
        return;
      }
      compare(f, bag + '.' + key, b.ReadProperty(key, Variant()), eval(v, f), "");
    };
  }
  if (c.accept("pixel")) {
    // One pixel of the form as `screenshot` paints it, its colour written &HRRGGBB.
    std::string name = c.path("a form");
    int64_t x = c.whole("a pixel's x", 0, 1 << 20), y = c.whole("a pixel's y", 0, 1 << 20);
    c.expectEquals();
    std::string colour = c.word("a colour &HRRGGBB");
    bool hex = colour.size() == 8 && lower(colour.substr(0, 2)) == "&h" &&
               std::all_of(colour.begin() + 2, colour.end(),
                           [](char ch) { return std::isxdigit(static_cast<unsigned char>(ch)); });
    if (!hex) throw ScenarioError("'" + colour + "' is no colour &HRRGGBB");
    unsigned long want = std::stoul(colour.substr(2), nullptr, 16);
    return [=, this](const Frame& f) {
      auto* form = dynamic_cast<host::Form*>(&resolveWidget(expand(name, f)));
      if (!form) throw ScenarioError("'" + name + "' is no form");
      host::Canvas image = host::renderForm(*form);
      if (x >= image.width() || y >= image.height()) {
        throw ScenarioError("the pixel " + std::to_string(x) + ' ' + std::to_string(y) +
                            " lies outside the form's image");
      }
      host::Rgb p = image.rgb(static_cast<int>(x), static_cast<int>(y));
      unsigned long got = static_cast<unsigned long>(p.r) << 16 | p.g << 8 | p.b;
      if (got == want) return;
      char text[64];
      std::snprintf(text, sizeof text, " = &H%06lX, got &H%06lX", want, got);
      fail(f.statement->line,
           "expected pixel " + std::to_string(x) + ' ' + std::to_string(y) + " of " + name + text);
    };
  }
  if (c.accept("timer")) {
    c.expectEquals();
    ValueExpr v = c.value("seconds since midnight");
    return
        [=, this](const Frame& f) { compare(f, "Timer", Variant(clock.Timer()), eval(v, f), ""); };
  }
  if (c.accept("focus")) {
    std::string path = c.path("a widget or none");
    return [=, this](const Frame& f) {
      host::Widget* want = lower(path) == "none" ? nullptr : &resolveWidget(expand(path, f));
      host::Widget* got = engine.focus();
      if (got != want) {
        fail(f.statement->line, "expected the focus on " + path + ", it is on " +
                                    (got ? std::string(got->name()) : std::string("nothing")));
      }
    };
  }
  std::string path = c.path("what to expect");
  c.expectEquals();
  ValueExpr v = c.value("a value");
  std::string type;
  if (c.accept("as")) type = c.word("a type name");
  return [=, this](const Frame& f) {
    std::string named = expand(path, f);
    compare(f, named, getPath(named), eval(v, f), type);
  };
}

void Interpreter::compare(const Frame& f, const std::string& what, const Variant& got,
                          const Variant& want, const std::string& type) {
  bool typeOk = type.empty() || lower(typeLabel(got)) == lower(type);
  if (sameValue(got, want) && typeOk) return;
  fail(f.statement->line, "expected " + what + " = " + formatValue(want) +
                              (type.empty() ? "" : " (" + type + ")") + ", got " +
                              formatValue(got) + " (" + typeLabel(got) + ")");
}

}  // namespace keloscroll::run
