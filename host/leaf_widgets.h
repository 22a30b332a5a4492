// The widgets that hold no others and do not tick: image, command button, text box, check box,
// label.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/picture.h"
#include "host/rare_text.h"
#include "host/system_colors.h"
#include "host/widget.h"

namespace keloscroll::host {

class Image final : public Widget {
 public:
  explicit Image(WidgetName name) : Widget(WidgetKind::Image, name) {}
  Image(WidgetName name, const DesignRect& at) : Image(name) { madeAt(at); }
  const PictureRef& Picture() const { return picture_; }
  void setPicture(PictureRef p) { picture_ = std::move(p); }
  bool Stretch() const { return stretch_; }
  void setStretch(bool s) { stretch_ = s; }

 protected:
  const Table& table() const override;

 private:
  bool stretch_ = false;  // first: it takes the room after the widget's own small members
  PictureRef picture_;
};

class CommandButton final : public Widget {
 public:
  explicit CommandButton(WidgetName name) : Widget(WidgetKind::CommandButton, name) {}
  CommandButton(WidgetName name, const DesignRect& at) : CommandButton(name) { madeAt(at); }
  const PictureRef& Picture() const { return picture_; }
  void setPicture(PictureRef p);  // also drops the face picture given for the old one
  // What a graphical button's face shows: its Picture, or a picture its owner gives to draw in
  // its place while the Picture itself, which is read and saved, stays as it is (a scroll bar
  // lying down draws its arrows turned).
  const PictureRef& facePicture() const { return face_ ? face_ : picture_; }
  void setFacePicture(PictureRef p) { face_ = std::move(p); }
  int16_t Style() const { return style_; }  // 0 standard, 1 graphical
  void setStyle(int16_t s);                 // error 380 for anything but 0 and 1
  const std::string& Caption() const { return caption_.get(); }
  void setCaption(std::string c) { caption_.set(std::move(c)); }
  bool pressed() const { return pressed_; }  // drawn pushed in while the mouse holds it
  bool canFocus() const override { return true; }
  bool isWindowed() const override { return true; }

 protected:
  const Table& table() const override;

 private:
  friend class FormEngine;
  int16_t style_ = 0;  // the small members first: they take the room after the widget's own
  bool pressed_ = false;
  PictureRef picture_;
  PictureRef face_;
  RareText caption_;
};

class TextBox final : public Widget {
 public:
  explicit TextBox(WidgetName name) : Widget(WidgetKind::TextBox, name) {}
  const std::string& Text() const { return text_; }
  void setText(std::string t);  // raises Change when the text differs
  bool FontBold() const { return fontBold_; }
  void setFontBold(bool b) { fontBold_ = b; }
  double FontSize() const { return fontSize_; }
  void setFontSize(double pt);                        // error 380 outside (0, 2048]
  int16_t Appearance() const { return appearance_; }  // 0 flat, 1 3-D
  void setAppearance(int16_t a);                      // error 380 for anything but 0 and 1
  int32_t BackColor() const { return backColor_; }
  void setBackColor(int32_t c);
  int32_t ForeColor() const { return foreColor_; }
  void setForeColor(int32_t c);
  void Refresh() { ++refreshCount_; }
  int refreshCount() const { return refreshCount_; }
  EventHandler Change;
  bool canFocus() const override { return true; }
  bool isWindowed() const override { return true; }

 protected:
  const Table& table() const override;

 private:
  std::string text_;
  bool fontBold_ = false;
  double fontSize_ = 8.0;
  int16_t appearance_ = 1;
  int32_t backColor_ = syscolor::Window;
  int32_t foreColor_ = syscolor::WindowText;
  int refreshCount_ = 0;
};

class CheckBox final : public Widget {
 public:
  explicit CheckBox(WidgetName name) : Widget(WidgetKind::CheckBox, name) {}
  int16_t Value() const { return value_; }  // 0 unchecked, 1 checked, 2 grayed
  void setValue(int16_t v);                 // raises Click when the value changes
  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  bool canFocus() const override { return true; }
  bool isWindowed() const override { return true; }

 protected:
  const Table& table() const override;

 private:
  int16_t value_ = 0;
  std::string caption_;
};

class Label final : public Widget {
 public:
  explicit Label(WidgetName name) : Widget(WidgetKind::Label, name) {}
  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  int16_t Alignment() const { return alignment_; }  // 0 left, 1 right, 2 centre
  void setAlignment(int16_t a);                     // 0, 1 or 2; error 380 otherwise

 protected:
  const Table& table() const override;

 private:
  std::string caption_;
  int16_t alignment_ = 0;
};

}  // namespace keloscroll::host
