// The leaf widgets and the simple containers: picture box, frame, image, command button, timer,
// text box, check box and label.
#include "host/container_widget.h"
#include "host/leaf_widgets.h"
#include "host/timer_widget.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "host/engine.h"
#include "host/error.h"
#include "host/widget_members.h"

namespace keloscroll::host {

using namespace widget_members;

// ---- PictureBox -----------------------------------------------------------------------------

void PictureBox::setBackColor(int32_t c) {
  backColor_ = checkedColor(c);
}
void PictureBox::setBorderStyle(int16_t b) {
  borderStyle_ = checkedChoice(b, 1);
}

const Widget::Table& PictureBox::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addContainerMembers(t);
    addHwnd(t);
    bind(t, "Picture", &PictureBox::Picture, &PictureBox::setPicture);
    bindColor(t, "BackColor", &PictureBox::BackColor, &PictureBox::setBackColor);
    bind(t, "BorderStyle", &PictureBox::BorderStyle, &PictureBox::setBorderStyle);
    return t;
  }();
  return kTable;
}

// ---- Frame ----------------------------------------------------------------------------------

const Widget::Table& Frame::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addContainerMembers(t);
    addHwnd(t);
    bind(t, "Caption", &Frame::Caption, &Frame::setCaption);
    return t;
  }();
  return kTable;
}

// ---- Image ----------------------------------------------------------------------------------

const Widget::Table& Image::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    bind(t, "Picture", &Image::Picture, &Image::setPicture);
    bind(t, "Stretch", &Image::Stretch, &Image::setStretch);
    return t;
  }();
  return kTable;
}

// ---- CommandButton --------------------------------------------------------------------------

void CommandButton::setPicture(PictureRef p) {
  picture_ = std::move(p);
  face_ = nullptr;
}

void CommandButton::setStyle(int16_t s) {
  style_ = checkedChoice(s, 1);
}

const Widget::Table& CommandButton::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addHwnd(t);
    bind(t, "Picture", &CommandButton::Picture, &CommandButton::setPicture);
    bind(t, "Style", &CommandButton::Style, &CommandButton::setStyle);
    bind(t, "Caption", &CommandButton::Caption, &CommandButton::setCaption);
    return t;
  }();
  return kTable;
}

// ---- Timer ----------------------------------------------------------------------------------

Timer::~Timer() {
  // Leave the engine while this is still a timer: it keeps timers by their own type.
  if (FormEngine* e = engine()) e->forget(*this);
}

// Writing Interval restarts the count even when the value stays the same; 0 stops the timer.
void Timer::setInterval(int32_t ms) {
  if (ms < 0 || ms > 65535) raise(err::InvalidPropertyValue);
  interval_ = ms;
  rearm();
}

// Enabled = true restarts a running timer's count too; false stops it.
void Timer::enabledChanged() {
  rearm();
}

void Timer::rearm() {
  if (FormEngine* e = engine()) {
    e->timerChanged(*this);
  } else {
    due_ = -1;  // no clock until the timer is on an engine's form
  }
}

const Widget::Table& Timer::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    bind(t, "Interval", &Timer::Interval, &Timer::setInterval);
    return t;
  }();
  return kTable;
}

// ---- TextBox --------------------------------------------------------------------------------

void TextBox::setText(std::string t) {
  if (t == text_) return;
  text_ = std::move(t);
  if (EventHandler h = Change) h();
}

void TextBox::setFontSize(double pt) {
  fontSize_ = checkedFontSize(pt);
}
void TextBox::setAppearance(int16_t a) {
  appearance_ = checkedChoice(a, 1);
}
void TextBox::setBackColor(int32_t c) {
  backColor_ = checkedColor(c);
}
void TextBox::setForeColor(int32_t c) {
  foreColor_ = checkedColor(c);
}

const Widget::Table& TextBox::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addHwnd(t);
    bind(t, "Text", &TextBox::Text, &TextBox::setText);
    bind(t, "FontBold", &TextBox::FontBold, &TextBox::setFontBold);
    bind(t, "FontSize", &TextBox::FontSize, &TextBox::setFontSize);
    bind(t, "Appearance", &TextBox::Appearance, &TextBox::setAppearance);
    bindColor(t, "BackColor", &TextBox::BackColor, &TextBox::setBackColor);
    bindColor(t, "ForeColor", &TextBox::ForeColor, &TextBox::setForeColor);
    t.method("Refresh", [](Widget& w, std::span<Variant>) {
      as<TextBox>(w).Refresh();
      return Variant();
    });
    return t;
  }();
  return kTable;
}

// ---- CheckBox -------------------------------------------------------------------------------

void CheckBox::setValue(int16_t v) {
  if (v < 0 || v > 2) raise(err::InvalidPropertyValue);
  if (v == value_) return;
  value_ = v;
  if (WidgetEvents* e = events()) e->onClick(*this);
}

const Widget::Table& CheckBox::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    addHwnd(t);
    bind(t, "Value", &CheckBox::Value, &CheckBox::setValue);
    bind(t, "Caption", &CheckBox::Caption, &CheckBox::setCaption);
    return t;
  }();
  return kTable;
}

// ---- Label ----------------------------------------------------------------------------------

void Label::setAlignment(int16_t a) {
  alignment_ = checkedChoice(a, 2);
}

const Widget::Table& Label::table() const {
  static const Table kTable = [] {
    Table t;
    addWidgetMembers(t);
    bind(t, "Caption", &Label::Caption, &Label::setCaption);
    bind(t, "Alignment", &Label::Alignment, &Label::setAlignment);
    return t;
  }();
  return kTable;
}

}  // namespace keloscroll::host
