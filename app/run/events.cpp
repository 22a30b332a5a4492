// Events: the log of what the scenario's objects raised, handlers that run inside events, and
// what modal forms and message boxes do.
#include "app/run/interpreter.h"

namespace keloscroll::run {

std::string Interpreter::handlerKey(std::string_view object, std::string_view event) {
  return lower(object) + '\n' + lower(event);
}

void Interpreter::raise(const std::string& object, std::string_view event,
                        std::span<Variant> args) {
  std::vector<std::string> before;
  for (const Variant& a : args) before.push_back(formatValue(a));
  if (log.size() >= options.maxUncheckedEvents) {
    std::erase_if(log, [](const LogEntry& e) { return e.checked; });
    if (log.size() >= options.maxUncheckedEvents) {
      throw ScenarioError("more than " + std::to_string(options.maxUncheckedEvents) +
                          " events not checked: add `clear events` or `expect events` on the way, "
                          "or `trace off` and `clear events` in a handler of a busy timer");
    }
  }
  size_t index = log.size();
  log.push_back(LogEntry{clock.nowMs(), object, std::string(event), before, false});
  if (trace) out << stamp() << object << '_' << EventText{std::string(event), before}.str() << '\n';

  auto it = handlers.find(handlerKey(object, event));
  if (it != handlers.end()) {
    auto list = it->second;  // a handler may add handlers
    Deeper deeper(*this);
    for (const auto& h : list) runHandler(*h, object, args);
  }

  bool changed = false;
  std::vector<std::string> after;
  for (size_t i = 0; i < args.size(); ++i) {
    after.push_back(formatValue(args[i]));
    if (after[i] != before[i]) {
      log[index].args[i] = before[i] + " => " + after[i];
      changed = true;
    }
  }
  if (changed && trace) {
    out << stamp() << object << '_' << event << " returns " << EventText{"", after}.str() << '\n';
  }
}

void Interpreter::runHandler(Handler& h, const std::string& sender, std::span<Variant> args) {
  if (h.once && h.used) return;
  Frame f{h.body.get(), sender, args};
  try {
    if (!h.whenName.empty() && !sameValue(lookupName(h.whenName, f), eval(h.whenValue, f))) {
      return;
    }
    h.used = true;
    h.body->run(f);
  } catch (const LocatedError&) {
    throw;
  } catch (const ScenarioError& e) {
    throw LocatedError(h.body->line, e.what());
  } catch (const host::Error&) {
    if (handlerNote.empty()) {
      handlerNote = "raised in the handler at line " + std::to_string(h.body->line);
    }
    throw;
  }
}

void Interpreter::onModal(host::Form& form) {
  if (trace) out << stamp() << "modal " << form.name() << ' ' << quote(form.Caption()) << '\n';
  modalForms.push_back(&form);
  struct Pop {
    std::vector<host::Form*>& v;
    ~Pop() { v.pop_back(); }
  } pop{modalForms};
  std::vector<std::shared_ptr<Handler>> list;
  for (const char* key : {"*", ""}) {
    auto it = modalHandlers.find(*key ? std::string(key) : lower(form.name()));
    if (it != modalHandlers.end()) list.insert(list.end(), it->second.begin(), it->second.end());
  }
  Deeper deeper(*this);
  if (!list.empty()) {
    for (const auto& h : list) runHandler(*h, std::string(form.name()), {});
    return;
  }
  for (const std::string& name : modalClicks) {
    host::Widget* w = host::findWidget(form, name);
    if (!w)
      throw ScenarioError("the modal form " + std::string(form.name()) + " has no widget '" + name +
                          "'");
    double x = 0, y = 0;
    w->originOnForm(x, y);
    x += w->rectTwips().width / 2;
    y += w->rectTwips().height / 2;
    engine.mouseDown(form, x, y, host::mouse::Left);
    engine.mouseUp(form, x, y, host::mouse::Left);
  }
}

void Interpreter::hook(host::Widget& w, const std::string& name) {
  auto mouse = [this, name](const char* event) {
    return [this, name, event](int16_t button, int16_t shift, float x, float y) {
      Variant args[] = {Variant(button), Variant(shift), Variant(x), Variant(y)};
      raise(name, event, args);
    };
  };
  auto key = [this, name](const char* event) {
    return [this, name, event](int16_t& code, int16_t shift) {
      Variant args[] = {Variant::refInteger(&code), Variant(shift)};
      raise(name, event, args);
    };
  };
  auto plain = [this, name](const char* event) {
    return [this, name, event]() { raise(name, event, {}); };
  };
  w.on().MouseDown = mouse("MouseDown");
  w.on().MouseMove = mouse("MouseMove");
  w.on().MouseUp = mouse("MouseUp");
  w.on().Click = plain("Click");
  w.on().KeyDown = key("KeyDown");
  w.on().KeyUp = key("KeyUp");
  if (auto* t = dynamic_cast<host::Timer*>(&w)) t->on().Tick = plain("Timer");
  if (auto* tb = dynamic_cast<host::TextBox*>(&w)) tb->Change = plain("Change");
  if (auto* uc = dynamic_cast<host::UserControl*>(&w)) uc->on().Resize = plain("Resize");
}

Interpreter::Action Interpreter::parseOn(Cursor& c, int line) {
  if (c.accept("modal")) {
    std::string form = c.word("a form name or *");
    auto h = std::make_shared<Handler>();
    h->body = parseBody(c, line);
    std::string key = form == "*" ? "*" : lower(form);
    return [=, this](const Frame&) { modalHandlers[key].push_back(h); };
  }
  std::string object = c.word("an object name");
  std::string event = c.word("an event name");
  auto h = std::make_shared<Handler>();
  for (;;) {
    if (c.accept("once")) {
      h->once = true;
    } else if (c.accept("when")) {
      h->whenName = c.word("what to compare");
      if (lower(h->whenName) == "arg") h->whenName += c.word("an argument number");
      c.expectEquals();
      h->whenValue = c.value("a value");
    } else {
      break;
    }
  }
  h->body = parseBody(c, line);
  std::string key = handlerKey(object, event);
  return [=, this](const Frame&) {
    requireLogged(object);
    handlers[key].push_back(h);
  };
}

Interpreter::Action Interpreter::parseOff(Cursor& c) {
  if (c.accept("modal")) {
    std::string form = c.word("a form name or *");
    std::string key = form == "*" ? "*" : lower(form);
    return [=, this](const Frame&) { modalHandlers.erase(key); };
  }
  std::string object = c.word("an object name");
  std::string event = c.word("an event name");
  return [=, this](const Frame&) { handlers.erase(handlerKey(object, event)); };
}

Interpreter::Action Interpreter::parsePolicy(Cursor& c) {
  if (c.accept("modal")) {
    if (c.accept("close")) {
      return [this](const Frame&) { modalClicks.clear(); };
    }
    c.expect("click");
    std::vector<std::string> names;
    names.push_back(c.word("a widget of the modal form"));
    while (!c.atEnd()) names.push_back(c.word("a widget of the modal form"));
    return [=, this](const Frame&) { modalClicks = names; };
  }
  c.expect("msgbox");
  c.accept("answer");
  auto answer = static_cast<int16_t>(c.whole("button the user picks (1 = OK)", 0, 32767));
  return [=, this](const Frame&) { msgBoxAnswer = answer; };
}

Interpreter::Action Interpreter::parseTrace(Cursor& c) {
  bool on = c.accept("on");
  if (!on) c.expect("off");
  return [=, this](const Frame&) { trace = on; };
}

}  // namespace keloscroll::run
