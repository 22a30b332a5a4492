#include "host/message_box.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/form.h"
#include "host/leaf_widgets.h"

namespace keloscroll::host {

namespace {

struct Choice {
  int16_t answer;
  const char* caption;
};

std::vector<Choice> choicesFor(int32_t buttons) {
  using namespace answer;
  switch (buttons & 7) {
    case 1:
      return {{Ok, "OK"}, {Cancel, "Cancel"}};
    case 2:
      return {{Abort, "Abort"}, {Retry, "Retry"}, {Ignore, "Ignore"}};
    case 3:
      return {{Yes, "Yes"}, {No, "No"}, {Cancel, "Cancel"}};
    case 4:
      return {{Yes, "Yes"}, {No, "No"}};
    case 5:
      return {{Retry, "Retry"}, {Cancel, "Cancel"}};
    default:
      return {{Ok, "OK"}};
  }
}

constexpr float kMargin = 180;
constexpr float kButtonWidth = 1095;
constexpr float kButtonHeight = 375;
constexpr float kGap = 120;
constexpr float kMaxTextWidth = 6000;

}  // namespace

int16_t showMessageBox(FormEngine& engine, const std::string& title, const std::string& prompt,
                       int32_t buttons, const std::function<void(Form&)>& showModal) {
  std::vector<Choice> choices = choicesFor(buttons);
  // A box closed without a button answers its last one: Cancel wherever the box offers it.
  int16_t answer = choices.back().answer;

  std::shared_ptr<Form> form = engine.createForm("MsgBox");
  form->setCaption(title);
  // The prompt wraps at spaces within a width that keeps lines readable; the box grows downwards.
  float rowWidth = static_cast<float>(choices.size()) * (kButtonWidth + kGap) - kGap;
  float textWidth = std::clamp(form->TextWidth(prompt) + 60, rowWidth, kMaxTextWidth);
  float lines = 0;
  size_t start = 0;
  while (start <= prompt.size()) {
    size_t end = prompt.find('\n', start);
    std::string line = prompt.substr(start, end == std::string::npos ? end : end - start);
    // A word never breaks, so each wrapped line may leave up to a word's room unused.
    lines += std::max(1.0f, std::ceil(form->TextWidth(line) / (textWidth * 0.8f)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  float textHeight = lines * form->TextHeight("Ag");
  float width = textWidth + 2 * kMargin;
  float buttonsTop = kMargin + textHeight + kMargin;
  form->Move(form->Left(), form->Top(), width, buttonsTop + kButtonHeight + kMargin);

  auto label = form->add<Label>("lblPrompt");
  label->Move(kMargin, kMargin, textWidth, textHeight);
  label->setCaption(prompt);
  float left = (width - rowWidth) / 2;
  std::vector<std::shared_ptr<CommandButton>> row;
  for (size_t i = 0; i < choices.size(); ++i) {
    auto b = form->add<CommandButton>(std::string("cmd") + choices[i].caption);
    b->Move(left + static_cast<float>(i) * (kButtonWidth + kGap), buttonsTop, kButtonWidth,
            kButtonHeight);
    b->setCaption(choices[i].caption);
    b->setTabIndex(static_cast<int16_t>(i));
    int16_t value = choices[i].answer;
    std::weak_ptr<Form> weak = form;
    b->on().Click = [&answer, value, weak] {
      answer = value;
      if (auto f = weak.lock()) f->setVisible(false);
    };
    b->on().KeyDown = [b = b.get()](int16_t& key, int16_t) {
      if (key == vk::Return && b->on().Click) b->on().Click();
    };
    row.push_back(b);
  }
  form->setVisible(true);
  try {
    engine.setFocus(*row.front());
    showModal(*form);
  } catch (...) {
    for (auto& b : row) b->on().Click = nullptr, b->on().KeyDown = nullptr;
    engine.unloadForm(*form);
    throw;
  }
  for (auto& b : row) b->on().Click = nullptr, b->on().KeyDown = nullptr;
  engine.unloadForm(*form);
  return answer;
}

}  // namespace keloscroll::host
