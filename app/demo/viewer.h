// The demo's form: a text viewer whose KeloScroll bars browse a file. The vertical bar's Value is
// the first line shown (Max = the number of lines), the horizontal bar's the first column; their
// GetDescription handlers describe the position ("line N: first words", "column N"), so the
// tooltip shows the line at the thumb while dragging; an event log shows the bars' last events.
// The bars are placed by ProgID on control sites and driven through their dispatch interface, as
// a container does: the registry names the component library (libKeloScroll.so, which the viewer
// registers when the registry does not name it yet) and its class factory makes each bar. Nothing
// here knows SDL: the window backend and the headless session both drive this form through the
// engine.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/demo/component.h"
#include "app/demo/document.h"
#include "app/demo/event_log.h"
#include "app/demo/form_file.h"
#include "host/container.h"
#include "host/engine.h"
#include "host/widgets.h"

namespace keloscroll::demo {

// ---- the form -------------------------------------------------------------------------------

class Viewer {
 public:
  static constexpr int kDefaultWidth = 640, kDefaultHeight = 480;
  // How often a bar may ask for its description while the user moves it, in milliseconds.
  static constexpr int16_t kRefreshMsecGD = 40;
  static constexpr const char* kLinesBar = "Lines";
  static constexpr const char* kColumnsBar = "Columns";

  // Makes the form (client size in pixels) on the engine and places the two bars.
  Viewer(host::FormEngine& engine, TextDocument doc, int width = kDefaultWidth,
         int height = kDefaultHeight);
  ~Viewer();
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  host::FormEngine& engine() const { return engine_; }
  host::Form& form() const { return *form_; }
  const TextDocument& document() const { return doc_; }

  // The bars' public faces (dispatch), their sites, and a constituent widget of a bar
  // ("cmdSxUp", "cmdDXDN", "picBarra", "imgCursor").
  host::Dispatch& lines() const { return *linesBar_.control; }
  host::Dispatch& columns() const { return *columnsBar_.control; }
  host::ControlSite& linesSite() const { return *linesBar_.site; }
  host::ControlSite& columnsSite() const { return *columnsBar_.site; }
  host::Widget& part(std::string_view bar, std::string_view name) const;
  // The centre of a widget in form-client twips.
  void centreOf(const host::Widget& w, double& x, double& y) const;

  // Lays the form out again for a new client size in pixels (at least kMinSide each way).
  void resize(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }

  int32_t topLine() const { return topLine_; }
  int32_t firstColumn() const { return firstColumn_; }
  int visibleLines() const { return visibleLines_; }
  std::string shownText() const;

  // The event log on the form (it scrolls back through the lines it keeps); every line also
  // goes to onLog.
  void note(std::string line);
  const std::deque<std::string>& recentEvents() const { return log_->lines(); }
  EventLog& log() const { return *log_; }
  std::function<void(const std::string&)> onLog;

  // The demo's keys: F1 about box, F4 property page, Ctrl+S save, Ctrl+O load, Escape quit
  // (onQuit; with unsaved changes it asks first whether to save them). True when the key was the
  // demo's; the others go to the engine.
  bool handleKey(int16_t keyCode, int16_t shift);
  std::function<void()> onQuit;
  // The mouse wheel: three lines a step, of the log when the pointer is over it, else of the text.
  void wheel(int steps);
  // Shows the property page for the bar that holds the focus (the vertical one otherwise); false
  // when this build has no property page.
  bool showPropertyPage();
  static bool hasPropertyPage();

  // Saving and loading the form. save() reads each bar's Value first, so that the bag holds the
  // position the thumb shows; it copies the properties and leaves the form dirty, which only a
  // file written (saveToFile) clears. load() reads the file named and rebuilds both bars from their
  // bags; when anything fails (the file, a value the bar refuses) it throws std::runtime_error and
  // the running form is as it was.
  SavedForm save();
  void load(const SavedForm& saved);
  // Whether a bar reported a property change (PropertyChanged) since the form was opened, loaded
  // or saved to its file. The window's caption then ends with " *".
  bool dirty() const;
  // The same through a file; the outcome goes to the event log (and stderr on failure).
  std::string formPath;  // where Ctrl+S and Ctrl+O go
  bool saveToFile(const std::string& path);
  bool loadFromFile(const std::string& path);

 private:
  using Bar = SitedControl;
  Bar placeBar(const char* name, bool vertical, const host::PropertyBag* bag);
  Bar* focusedBar();  // the bar holding the focus, or null
  void refocus(bool columns);
  void onBarEvent(const char* bar, std::string_view event, std::span<host::Variant> args);
  void layout();
  void applyRange();
  void refreshText();
  void refreshTitle();
  void markSaved();
  bool askToSave();  // before quitting with unsaved changes: false to stay
  Bar& barByName(std::string_view name);
  const Bar& barByName(std::string_view name) const;

  host::FormEngine& engine_;
  TextDocument doc_;
  int width_, height_;
  std::shared_ptr<host::Form> form_;
  std::shared_ptr<host::Label> title_, position_, help_, text_;
  std::shared_ptr<host::PictureBox> page_;
  std::unique_ptr<EventLog> log_;
  struct BarRect {
    int left = 0, top = 0, width = 1, height = 1;  // pixels
  };
  Bar linesBar_, columnsBar_;
  BarRect linesRect_, columnsRect_;
  int32_t topLine_ = 1, firstColumn_ = 1;
  int visibleLines_ = 1, visibleColumns_ = 1;
};

}  // namespace keloscroll::demo
