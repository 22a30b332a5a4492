#pragma once

#include <memory>
#include <string>

namespace keloscroll::host {

// A text most of its holders leave empty (a graphical button's caption, the description of a bar
// that was never moved): 8 bytes until it is set, rather than a string's 32.
class RareText {
 public:
  const std::string& get() const {
    static const std::string kEmpty;
    return text_ ? *text_ : kEmpty;
  }
  void set(std::string s) {
    if (s.empty()) {
      text_.reset();
    } else {
      text_ = std::make_unique<std::string>(std::move(s));
    }
  }
  // The text to change in place (a by-reference argument), made when first needed.
  std::string& edit() {
    if (!text_) text_ = std::make_unique<std::string>();
    return *text_;
  }

 private:
  std::unique_ptr<std::string> text_;
};

}  // namespace keloscroll::host
