// The form engine: owns forms, routes input to widgets, runs timers on a clock, answers the
// window-system queries (cursor position, window rectangles) and records modal showings and
// message boxes. This is the headless core; window backends feed it real input and time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/clock.h"
#include "host/form.h"
#include "host/timer_queue.h"
#include "host/timer_widget.h"
#include "host/units.h"
#include "host/window_handles.h"

namespace keloscroll::host {

struct Point {
  int32_t x = 0, y = 0;
};
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Non-zero when left <= x < right and top <= y < bottom.
int32_t PtInRect(const Rect& r, Point p);

// Mouse buttons and modifier masks.
namespace mouse {
inline constexpr int16_t Left = 1, Right = 2, Middle = 4;
}
namespace shift {
inline constexpr int16_t Shift = 1, Ctrl = 2, Alt = 4;
}

// Key codes used by the control and the tests.
namespace vk {
inline constexpr int16_t Tab = 9, Return = 13, ShiftKey = 16, Escape = 27, PageUp = 33,
                         PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39,
                         Down = 40, F1 = 112;
inline constexpr int16_t Back = 8;  // Backspace
}  // namespace vk

class FormEngine {
 public:
  explicit FormEngine(Clock& clock);
  ~FormEngine();
  FormEngine(const FormEngine&) = delete;
  FormEngine& operator=(const FormEngine&) = delete;

  Clock& clock() const { return clock_; }

  // The density of the screen the engine's forms are shown on (96 unless a backend says): it
  // turns the forms' twips into the pixels they are painted with, and the screen's pixels into
  // twips. Changing it moves nothing in twips; every form is painted again at the new density.
  Dpi dpi() const { return dpi_; }
  void setDpi(Dpi d) {
    pointerPixel();  // the pointer's pixel at the density it was noted at
    dpi_ = d;
  }

  // Forms. A new form is empty, 4800 x 3600 twips, at screen position (0, 0).
  std::shared_ptr<Form> createForm(std::string name);
  void unloadForm(Form& form);
  const std::vector<std::shared_ptr<Form>>& forms() const { return forms_; }
  std::shared_ptr<Form> findForm(std::string_view name) const;

  // Gives a windowed widget (and, through the containers' add, every later one) its window handle.
  int32_t assignHwnd(Widget& w);
  Widget* widgetOfHwnd(int32_t hwnd) const;
  // A backend that shows a windowed widget in a real window of the platform gives the widget that
  // window's handle (its hwnd is then the platform's); 0 gives it a number of the engine's again.
  void useWindowHandle(Widget& w, int32_t handle);

  // Registration, kept by the widgets themselves: a widget placed on one of the engine's forms is
  // adopted (window handle, timer); one that leaves or dies is forgotten, so that no capture,
  // focus, timer or handle points at it afterwards.
  void adoptTree(Widget& w);
  void forgetTree(Widget& w);
  void forget(Widget& w);

  // Mouse input at a point in form-client twips. A press captures the mouse for the widget that
  // receives it until the release; Click follows MouseUp when the left button is released over
  // the same widget. Disabled images, and disabled widgets, let the mouse fall through to their
  // container.
  // `button` is the one button pressed or released; the handlers get the mask of every button
  // held (MouseUp: held up to the release, the released one included), so left held and then
  // right pressed is a MouseDown with 3. The engine keeps that mask from the presses and
  // releases it sees; a backend that knows better (`held`, the buttons held before this event,
  // as the window system reports them) passes it.
  void mouseDown(Form& form, double x, double y, int16_t button, int16_t shiftMask = 0,
                 int16_t held = -1);
  void mouseMove(Form& form, double x, double y, int16_t shiftMask = 0, int16_t held = -1);
  void mouseUp(Form& form, double x, double y, int16_t button, int16_t shiftMask = 0,
               int16_t held = -1);
  // The widget that would receive a press at this point (null over nothing).
  Widget* hitTest(Form& form, double x, double y) const;
  Widget* capture() const { return capture_; }
  int16_t buttonsDown() const { return buttons_; }

  // Keyboard input to the focused widget. A user control that holds the focused widget sees the
  // key first (key preview); if it sets the code to 0 the key goes no further.
  void keyDown(int16_t keyCode, int16_t shiftMask = 0);
  void keyUp(int16_t keyCode, int16_t shiftMask = 0);
  void setFocus(Widget& w);
  Widget* focus() const { return focus_; }
  // Moves the focus to the next focusable widget of the form in tab order (Tab key).
  void focusNext(Form& form, bool backwards = false);
  // Text typed on the keyboard (UTF-8), as a window backend receives it apart from the keys: it
  // goes at the end of the focused text box's Text (raising its Change); other widgets ignore
  // it. A Backspace key (vk::Back) that reaches a focused text box removes its last character.
  void typeText(std::string_view utf8);

  // Timers. advance() moves a virtual clock forward, firing every tick that falls due on the
  // way at its own time; runDueTimers() fires what is due now (real clock). The virtual clock
  // goes no further than kLatestMs: a longer advance is an overflow (error 6) and moves nothing.
  static constexpr int64_t kLatestMs = INT64_MAX - (int64_t{1} << 32);
  void advance(int64_t ms);
  void runDueTimers();
  void timerChanged(Timer& t);  // a timer's Interval or Enabled changed
  // The next moment at which a timer is due, or -1.
  int64_t nextDue() const;

  // Window-system queries in screen pixels.
  Point GetCursorPos() const;
  void setCursorPos(Point p) {
    cursor_ = p;
    pointerNoted_ = false;
    cursorBeside_ = nullptr;
  }
  // The window rectangle of a handle, border included. Error 5 for an unknown handle.
  Rect GetWindowRect(int32_t hwnd) const;
  Rect screenRect(const Widget& w) const;
  // A rectangle in form-client twips on the screen, its edges rounded as a window's are.
  Rect screenRect(const Form* form, const TwipsRect& r) const;
  Point toScreen(const Form& form, double x, double y) const;

  // Modal forms and message boxes. Headless, a modal showing calls the modal policy (which may
  // click and type on the form) and returns when it returns; the showing is recorded.
  using ModalPolicy = std::function<void(Form&)>;
  void setModalPolicy(ModalPolicy p) { modalPolicy_ = std::move(p); }
  // Error 400 for a form that is already being shown modally.
  void showModal(Form& form);
  // Returns the button the user chose (1 = OK); the message is recorded.
  using MsgBoxPolicy = std::function<int16_t(const std::string& prompt, int32_t buttons)>;
  void setMsgBoxPolicy(MsgBoxPolicy p) { msgBoxPolicy_ = std::move(p); }
  int16_t MsgBox(const std::string& prompt, int32_t buttons = 0, const std::string& title = "");

  struct Shown {
    std::string kind;     // "modal" or "msgbox"
    std::string name;     // form name, or message box title
    std::string caption;  // form caption, or the message box prompt
    int32_t buttons = 0;
  };
  const std::vector<Shown>& shown() const { return shown_; }
  int modalDepth() const { return modalDepth_; }

  // Objects kept by name for the engine's forms, such as a form's shared default instance: they
  // never outlive the engine, which drops them (newest first) before its forms. Null when absent.
  std::shared_ptr<void> instance(std::string_view name) const;
  void setInstance(std::string_view name, std::shared_ptr<void> object);  // null drops it

 private:
  // The widget a hit test found (null over nothing), and its top-left corner in form-client twips.
  struct Hit {
    Widget* widget = nullptr;
    double originX = 0, originY = 0;
  };
  Hit hitAt(Form& form, double x, double y) const;
  using MouseEvent = void (WidgetEvents::*)(Widget&, int16_t, int16_t, float, float);
  void deliverMouse(Widget& w, const Hit& hit, MouseEvent which, Form& form, double x, double y,
                    int16_t button, int16_t shiftMask);
  Widget* inputTarget(Widget* hit) const;
  void adopt(Widget& w);
  void fire(Timer& t);
  void unschedule(Timer& t);    // as timers_.remove
  void dropRecords(Widget& w);  // forget, but for capture, focus and the pointer's widget
  // The running timer due first if it is due by `until`, or null.
  Timer* earliestDue(int64_t until) const;
  void deliverKey(int16_t keyCode, int16_t shiftMask, bool down);
  void releaseCapture();

  Clock& clock_;
  Dpi dpi_;
  std::vector<std::shared_ptr<Form>> forms_;
  TimerQueue timers_;
  uint64_t timerArrivals_ = 0;
  WindowHandles hwnds_;
  Widget* capture_ = nullptr;
  Form* captureForm_ = nullptr;
  Widget* focus_ = nullptr;
  int16_t buttons_ = 0;
  // The pointer's pixel. Input notes where the pointer is on the screen in twips, and the hit
  // widget; GetCursorPos makes that a pixel, placed on that widget's window, only when asked:
  // most input never asks.
  mutable Point cursor_;
  double pointerX_ = 0, pointerY_ = 0;  // screen twips, while pointerNoted_
  mutable bool pointerNoted_ = false;
  void pointerPixel() const;                      // cursor_ from the noted twips
  mutable const Widget* cursorBeside_ = nullptr;  // cleared when the widget leaves the engine
  void notePointer(const Form& form, double x, double y, Widget* hit);
  // `p` moved onto the window of `hit` (or the windowed widget around it) where that window's
  // edge cuts the pixel.
  Point besideWindow(Point p, const Widget& hit) const;
  ModalPolicy modalPolicy_;
  MsgBoxPolicy msgBoxPolicy_;
  std::vector<Shown> shown_;
  int modalDepth_ = 0;
  std::vector<const Form*> modalForms_;
  std::vector<std::pair<std::string, std::shared_ptr<void>>> instances_;
};

}  // namespace keloscroll::host
