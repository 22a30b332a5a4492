// The demo's form designer, as the users of a form designer know it. In design mode (ambient
// UserMode false) KeloScroll bars are added to a design surface, selected, moved and sized with
// the mouse on the bar and on its handles (the control's Resize runs at design time), given
// their properties on the property page, and deleted; the last design changes can be undone.
// Run mode saves each bar to a property bag and makes the run-time bars from the bags
// (ReadProperties, Resize, Show); design mode comes back to the designed bars the same way. The
// designed form goes to a JSON file (form_file.h). Like the viewer, this knows nothing of SDL:
// the window and the tests drive it through the engine.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/demo/component.h"
#include "app/demo/event_log.h"
#include "app/demo/form_file.h"
#include "host/engine.h"
#include "host/widgets.h"

namespace keloscroll::demo {

class Designer {
 public:
  static constexpr int kDefaultWidth = 640, kDefaultHeight = 480;
  // The handles around the selected bar, clockwise from the top-left corner.
  enum Handle { TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left, kHandles };
  static constexpr size_t kUndoDepth = 100;
  static constexpr int64_t kDoubleClickMs = 500;

  Designer(host::FormEngine& engine, int width = kDefaultWidth, int height = kDefaultHeight);
  ~Designer();
  Designer(const Designer&) = delete;
  Designer& operator=(const Designer&) = delete;

  host::Form& form() const { return *form_; }
  // The bars' container.
  host::PictureBox& surface() const { return *surface_; }
  bool designMode() const { return designMode_; }
  // Lays the form out for a new client size in pixels (at least kMinSide each way).
  void resize(int width, int height);

  // ---- designing (each is refused, with a line in the log, in run mode) ----
  // A new bar with the control's defaults at a free place; it is selected. Its name.
  std::string addBar(bool vertical);
  // Selects a bar by name; "" selects none.
  void select(std::string_view name);
  const std::string& selected() const { return selected_; }
  bool deleteSelected();
  // Takes back the last design change (adding, moving, sizing, a property, deleting, a load).
  bool undo();
  bool canUndo() const { return !undo_.empty(); }
  // The property page, or the about box, of the selected bar.
  bool showPropertyPage();
  bool showAboutBox();

  // ---- the modes ----
  void run();
  void design();

  // ---- the bars, design-time or run-time, whichever are up ----
  std::vector<std::string> names() const;
  host::Dispatch& bar(std::string_view name) const;  // std::out_of_range for an unknown name
  host::ControlSite& site(std::string_view name) const;
  // A handle of the selected bar (hidden when nothing is selected).
  const host::Widget& handle(Handle h) const { return *handles_[h]; }

  // ---- saving ----
  // The designed form (in run mode: as designed, not as the running bars stand).
  DesignedForm save();
  // Replaces the design with a saved one (design mode). Throws std::runtime_error when a bar
  // refuses its bag, leaving the design as it was.
  void load(const DesignedForm& saved);
  // Whether the design changed since it was opened, saved to its file or loaded.
  bool modified() const { return modified_; }
  std::string formPath;  // where Ctrl+S and Ctrl+O go
  bool saveToFile(const std::string& path);
  bool loadFromFile(const std::string& path);

  // ---- the log and the keys ----
  void note(std::string line);
  EventLog& log() const { return *log_; }
  std::function<void(const std::string&)> onLog;
  // F5 run or design, Insert a vertical bar (Shift+Insert a horizontal one), Delete, Ctrl+Z,
  // Tab the next bar, F4 the property page, F1 the about box, Ctrl+S, Ctrl+O, Escape quit
  // (onQuit; with unsaved changes it asks first). True when the key was the designer's.
  bool handleKey(int16_t keyCode, int16_t shift);
  std::function<void()> onQuit;
  // The mouse wheel: the log's when the pointer is over it.
  void wheel(int steps);

 private:
  struct Bar {
    std::string name;
    SitedControl sited;
  };
  // A drag of the selected bar: its place when the press came, the edges that follow the mouse
  // (all four: a move), and where the press was.
  // A design as it stood, to come back to.
  struct Step {
    DesignedForm form;
    std::string selected;
  };
  struct Drag {
    host::TwipsRect start;
    bool left = false, top = false, right = false, bottom = false;
    double x = 0, y = 0;
    Step before;
  };

  void build();
  void layout();
  Bar placeBar(const std::string& name, const host::TwipsRect& place, const host::PropertyBag* bag,
               bool vertical);
  void rebuild(const DesignedForm& saved, bool userMode);
  void dropBars();
  Bar* find(std::string_view name);
  const Bar& at(std::string_view name) const;
  bool refuseInRun(const char* what);
  Step snapshot();
  void remember(Step before);  // an undo step, and the design is modified
  void refreshChrome();
  void placeHandles();
  host::TwipsRect surfaceArea() const;
  std::string nextName() const;
  void onBarEvent(const std::string& bar, std::string_view event, std::span<host::Variant> args);

  // The mouse on the design surface (design mode).
  void mouseDown(int16_t button, float x, float y);
  void mouseMove(int16_t button, float x, float y);
  void mouseUp(int16_t button, float x, float y);
  int handleAt(double x, double y) const;  // -1 for none
  Bar* barAt(double x, double y);
  void dragTo(double x, double y);

  host::FormEngine& engine_;
  int width_, height_;
  std::shared_ptr<host::Form> form_;
  std::shared_ptr<host::Label> help_;
  std::shared_ptr<host::CommandButton> cmdVertical_, cmdHorizontal_, cmdMode_, cmdUndo_, cmdDelete_;
  std::shared_ptr<host::PictureBox> surface_;
  std::shared_ptr<host::Label> glass_;  // over the bars in design mode: the designer's mouse
  std::array<std::shared_ptr<host::PictureBox>, kHandles> handles_;
  std::unique_ptr<EventLog> log_;
  std::vector<Bar> bars_;  // back to front
  std::string selected_;
  bool designMode_ = true;
  DesignedForm designed_;  // the design while the form runs
  std::vector<Step> undo_;
  bool modified_ = false;
  std::unique_ptr<Drag> drag_;
  bool pageOnRelease_ = false;
  std::string lastPressBar_;
  int64_t lastPressMs_ = -1;
};

}  // namespace keloscroll::demo
