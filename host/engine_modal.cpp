// The engine's modal forms, message boxes and the objects it keeps one of (the about box).
#include <algorithm>

#include "host/engine.h"
#include "host/error.h"

namespace keloscroll::host {

// ---- modal forms and message boxes ----------------------------------------------------------

void FormEngine::showModal(Form& form) {
  auto keep = keepAlive(form);
  if (std::find(modalForms_.begin(), modalForms_.end(), &form) != modalForms_.end()) {
    raise(err::FormAlreadyShown);
  }
  shown_.push_back(Shown{"modal", std::string(form.name()), form.Caption(), 0});
  form.setVisible(true);
  struct Depth {
    FormEngine& e;
    Depth(FormEngine& engine, const Form& f) : e(engine) {
      ++e.modalDepth_;
      e.modalForms_.push_back(&f);
    }
    ~Depth() {
      --e.modalDepth_;
      e.modalForms_.pop_back();
    }
  } depth(*this, form);
  if (ModalPolicy p = modalPolicy_) p(form);
}

std::shared_ptr<void> FormEngine::instance(std::string_view name) const {
  for (const auto& [key, object] : instances_) {
    if (key == name) return object;
  }
  return nullptr;
}

void FormEngine::setInstance(std::string_view name, std::shared_ptr<void> object) {
  auto it = std::find_if(instances_.begin(), instances_.end(),
                         [name](const auto& e) { return e.first == name; });
  if (it != instances_.end()) {
    // Taken out before it is released: its destructor may reach the engine again.
    std::shared_ptr<void> old = std::move(it->second);
    instances_.erase(it);
    old.reset();
  }
  if (object) instances_.emplace_back(std::string(name), std::move(object));
}

int16_t FormEngine::MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
  shown_.push_back(Shown{"msgbox", title, prompt, buttons});
  if (MsgBoxPolicy p = msgBoxPolicy_) return p(prompt, buttons);
  return 1;
}

}  // namespace keloscroll::host
