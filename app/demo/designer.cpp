#include "app/demo/designer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "app/demo/commands.h"
#include "app/demo/layout.h"
#include "control/register.h"
#include "host/error.h"
#include "host/variant.h"

#if __has_include("design/PropertyDialog.h")
#include "design/PropertyDialog.h"
#define KELO_DESIGNER_PROPERTY_PAGE 1
#endif

namespace keloscroll::demo {

namespace {

constexpr int kMargin = 8;
constexpr int kButtonH = 24;
constexpr const char* kBarPrefix = "UsrKeloScroll";

}  // namespace

Designer::Designer(host::FormEngine& engine, int width, int height)
    : engine_(engine),
      width_(std::clamp(width, kMinSide, kMaxSide)),
      height_(std::clamp(height, kMinSide, kMaxSide)) {
  // As the demo's installer would: the control's library in the registry, before any bar.
  ensureRegistered(keloscroll::kControlProgId, bundledComponentLibrary());
  build();
  layout();
  refreshChrome();
  note("the designer opens in design mode: Insert adds a bar");
}

Designer::~Designer() {
  dropBars();
  log_.reset();
  for (auto* b : {&cmdVertical_, &cmdHorizontal_, &cmdMode_, &cmdUndo_, &cmdDelete_})
    (*b)->on().Click = nullptr;
  glass_->on().MouseDown = glass_->on().MouseMove = glass_->on().MouseUp = nullptr;
  engine_.unloadForm(*form_);
}

void Designer::build() {
  form_ = engine_.createForm("Designer");
  help_ = form_->add<host::Label>("lblHelp");
  help_->setCaption(
      "Insert adds a bar (Shift+Insert: lying), drag it to move, its handles to size it; "
      "Del deletes, Ctrl+Z undoes, F4 or a double-click: properties, F1 about, F5 run, "
      "Ctrl+S/Ctrl+O save/load, Esc quits");
  auto button = [this](const char* name, const char* caption, std::function<void()> action) {
    auto b = form_->add<host::CommandButton>(name);
    b->setCaption(caption);
    b->on().Click = std::move(action);
    return b;
  };
  cmdVertical_ = button("cmdAddVertical", "Add bar", [this] { addBar(true); });
  cmdHorizontal_ = button("cmdAddHorizontal", "Add lying bar", [this] { addBar(false); });
  cmdMode_ = button("cmdMode", "Run", [this] { designMode_ ? run() : design(); });
  cmdUndo_ = button("cmdUndo", "Undo", [this] { undo(); });
  cmdDelete_ = button("cmdDelete", "Delete", [this] { deleteSelected(); });
  surface_ = form_->add<host::PictureBox>("picDesign");
  surface_->setBorderStyle(1);
  for (int i = 0; i < kHandles; ++i) {
    handles_[i] = surface_->add<host::PictureBox>("hdl" + std::to_string(i));
    handles_[i]->setBackColor(0);
    handles_[i]->setVisible(false);
  }
  // A label with no caption paints nothing: the bars show through, and the mouse comes here.
  glass_ = surface_->add<host::Label>("lblGlass");
  glass_->on().MouseDown = [this](int16_t b, int16_t, float x, float y) { mouseDown(b, x, y); };
  glass_->on().MouseMove = [this](int16_t b, int16_t, float x, float y) { mouseMove(b, x, y); };
  glass_->on().MouseUp = [this](int16_t b, int16_t, float x, float y) { mouseUp(b, x, y); };
  log_ = std::make_unique<EventLog>(engine_, *form_);
}

void Designer::resize(int width, int height) {
  width_ = std::clamp(width, kMinSide, kMaxSide);
  height_ = std::clamp(height, kMinSide, kMaxSide);
  layout();
}

void Designer::layout() {
  const int lineH = lineHeightPixels();
  const int W = width_, H = height_;
  form_->setRectTwips(host::TwipsRect{0, 0, px(W), px(H)});
  place(*help_, kMargin, 6, W - 2 * kMargin, 2 * lineH + 2);
  const int buttonsTop = 6 + 2 * lineH + 8;
  int left = kMargin;
  for (auto& [b, w] :
       {std::pair{cmdVertical_, 90}, std::pair{cmdHorizontal_, 110}, std::pair{cmdMode_, 80},
        std::pair{cmdUndo_, 70}, std::pair{cmdDelete_, 70}}) {
    place(*b, left, buttonsTop, w, kButtonH);
    left += w + 6;
  }
  const int logH = EventLog::heightPixels();
  const int logTop = H - kMargin - logH;
  const int surfaceTop = buttonsTop + kButtonH + 8;
  place(*surface_, kMargin, surfaceTop, W - 2 * kMargin, logTop - 8 - surfaceTop);
  glass_->setRectTwips(surfaceArea());
  log_->place(kMargin, logTop, W - 2 * kMargin, logH);
  placeHandles();
}

host::TwipsRect Designer::surfaceArea() const {
  return host::TwipsRect{0, 0, surface_->innerWidthTwips(), surface_->innerHeightTwips()};
}

void Designer::refreshChrome() {
  std::string caption = "KeloScroll designer - ";
  caption += designMode_ ? "design" : "running";
  if (designMode_ && !selected_.empty()) caption += " - " + selected_;
  form_->setCaption(caption + (modified_ ? " *" : ""));
  cmdMode_->setCaption(designMode_ ? "Run" : "Design");
  for (auto* b : {&cmdVertical_, &cmdHorizontal_, &cmdDelete_}) (*b)->setEnabled(designMode_);
  cmdUndo_->setEnabled(designMode_ && canUndo());
  surface_->setBackColor(designMode_ ? kWhite : host::syscolor::ButtonFace);
  glass_->setVisible(designMode_);
  placeHandles();
}

void Designer::note(std::string line) {
  if (onLog) onLog(line);
  log_->add(std::move(line));
}

// ---- the bars -------------------------------------------------------------------------------

Designer::Bar Designer::placeBar(const std::string& name, const host::TwipsRect& where,
                                 const host::PropertyBag* bag, bool vertical) {
  Placement how;
  how.rect = where;
  how.userMode = !designMode_;
  // A designer hears nothing from the bars it designs; the running form handles their events.
  if (!designMode_) {
    how.sink = [this, name](std::string_view event, std::span<host::Variant> args) {
      onBarEvent(name, event, args);
    };
  }
  how.bag = bag;
  how.init = [vertical](host::Dispatch& bar) {
    if (!vertical) bar.let("VerticalBar", host::Variant::boolean(false));
    // A new control's thumb stands before the first position, where no saved bar comes back.
    bar.let("Value", host::Variant(int32_t{1}));
  };
  Bar bar{name, placeControl(keloscroll::kControlProgId, engine_, *surface_, name, how)};
  bar.sited.site->setRecording(false);  // the designer may run for long
  // The designer's own widgets stay in front of every bar.
  for (auto& h : handles_) h->ZOrder(0);
  glass_->ZOrder(0);
  return bar;
}

void Designer::dropBars() {
  // Front to back, as a form unloads its controls.
  while (!bars_.empty()) {
    bars_.back().sited.drop();
    bars_.pop_back();
  }
}

void Designer::rebuild(const DesignedForm& saved, bool userMode) {
  dropBars();
  designMode_ = !userMode;
  for (const DesignedControl& c : saved.controls)
    bars_.push_back(placeBar(c.name, c.place, &c.bag, true));
}

Designer::Bar* Designer::find(std::string_view name) {
  for (Bar& b : bars_)
    if (b.name == name) return &b;
  return nullptr;
}

const Designer::Bar& Designer::at(std::string_view name) const {
  for (const Bar& b : bars_)
    if (b.name == name) return b;
  throw std::out_of_range("no bar " + std::string(name) + " on the designer's form");
}

std::vector<std::string> Designer::names() const {
  std::vector<std::string> out;
  for (const Bar& b : bars_) out.push_back(b.name);
  return out;
}

host::Dispatch& Designer::bar(std::string_view name) const {
  return *at(name).sited.control;
}

host::ControlSite& Designer::site(std::string_view name) const {
  return *at(name).sited.site;
}

std::string Designer::nextName() const {
  for (int n = 1;; ++n) {
    std::string name = kBarPrefix + std::to_string(n);
    if (!host::findWidget(*form_, name)) return name;
  }
}

void Designer::onBarEvent(const std::string& bar, std::string_view event,
                          std::span<host::Variant> args) {
  std::string entry = bar + "  " + std::string(event);
  if (event == "Change" && !args.empty()) {
    entry += "(" + std::to_string(args[0].asLong()) + ")";
  } else if (event == "GetDescription" && !args.empty()) {
    host::Dispatch& control = this->bar(bar);
    std::string text = bar + " at " + std::to_string(control.get("Value").asLong()) + " of " +
                       std::to_string(control.get("Max").asLong());
    args[0].assign(host::Variant(text));
    entry += " -> \"" + text + "\"";
  }
  note(std::move(entry));
}

// ---- designing ------------------------------------------------------------------------------

bool Designer::refuseInRun(const char* what) {
  if (designMode_) return false;
  note(std::string(what) + ": only in design mode (F5 goes back)");
  return true;
}

Designer::Step Designer::snapshot() {
  return Step{save(), selected_};
}

void Designer::remember(Step before) {
  undo_.push_back(std::move(before));
  if (undo_.size() > kUndoDepth) undo_.erase(undo_.begin());
  modified_ = true;
  refreshChrome();
}

std::string Designer::addBar(bool vertical) {
  if (refuseInRun("add a bar")) return "";
  Step before = snapshot();
  const std::string name = nextName();
  // Each new bar a little below and right of the one before, inside the surface where it fits.
  const double step = px(24) * static_cast<double>(bars_.size() % 8);
  const host::TwipsRect area = surfaceArea();
  host::TwipsRect r{px(16) + step, px(16) + step, px(vertical ? kBarThickness : 200),
                    px(vertical ? 160 : kBarThickness)};
  r.left = std::max(0.0, std::min(r.left, area.width - r.width));
  r.top = std::max(0.0, std::min(r.top, area.height - r.height));
  bars_.push_back(placeBar(name, r, nullptr, vertical));
  selected_ = name;
  remember(std::move(before));
  note("added " + name + (vertical ? "" : " (lying)"));
  return name;
}

void Designer::select(std::string_view name) {
  selected_ = find(name) ? std::string(name) : std::string();
  refreshChrome();
}

bool Designer::deleteSelected() {
  if (refuseInRun("delete")) return false;
  auto it =
      std::find_if(bars_.begin(), bars_.end(), [&](const Bar& b) { return b.name == selected_; });
  if (it == bars_.end()) {
    note("delete: select a bar first");
    return false;
  }
  Step before = snapshot();
  it->sited.drop();
  bars_.erase(it);
  note("deleted " + before.selected);
  selected_.clear();
  remember(std::move(before));
  return true;
}

bool Designer::undo() {
  if (refuseInRun("undo")) return false;
  if (undo_.empty()) {
    note("undo: nothing to undo");
    return false;
  }
  Step step = std::move(undo_.back());
  undo_.pop_back();
  try {
    rebuild(step.form, false);
  } catch (const std::exception& e) {
    note(std::string("undo failed: ") + e.what());
    return false;
  }
  selected_ = find(step.selected) ? step.selected : "";
  modified_ = true;
  refreshChrome();
  note("undone: " + std::to_string(bars_.size()) + " bars as they were");
  return true;
}

bool Designer::showPropertyPage() {
  if (refuseInRun("the property page")) return false;
  Bar* b = find(selected_);
  if (!b) {
    note("the property page: select a bar first");
    return false;
  }
#ifdef KELO_DESIGNER_PROPERTY_PAGE
  Step before = snapshot();
  note("the property page of " + b->name);
  design::ShowPropertyPage(engine_, {b->sited.control});
  if (save() != before.form) {
    remember(std::move(before));
    note(selected_ + ": the page changed its properties");
  }
  return true;
#else
  note("the property page: this build has none");
  return false;
#endif
}

bool Designer::showAboutBox() {
  Bar* b = find(selected_);
  if (!b && !bars_.empty()) b = &bars_.front();
  if (!b) {
    note("the about box: add a bar first");
    return false;
  }
  note("the about box of " + b->name);
  b->sited.control->call("ShowAboutBox");
  return true;
}

// ---- the modes ------------------------------------------------------------------------------

void Designer::run() {
  if (!designMode_) return;
  designed_ = save();
  try {
    rebuild(designed_, true);
  } catch (const std::exception& e) {
    rebuild(designed_, false);
    note(std::string("run failed, still designing: ") + e.what());
    return;
  }
  refreshChrome();
  note("running: " + std::to_string(bars_.size()) + " bars made from their property bags");
  if (!bars_.empty()) {
    if (host::Widget* track = host::findWidget(bars_.front().sited.site->surface(), "picBarra"))
      engine_.setFocus(*track);
  }
}

void Designer::design() {
  if (designMode_) return;
  rebuild(designed_, false);
  if (!find(selected_)) selected_.clear();
  refreshChrome();
  note("back to design mode");
}

// ---- saving ---------------------------------------------------------------------------------

DesignedForm Designer::save() {
  if (!designMode_) return designed_;
  DesignedForm form;
  for (Bar& b : bars_) {
    b.sited.control->get("Value");  // the control saves the position it last read back
    DesignedControl c;
    c.name = b.name;
    const host::TwipsRect& r = b.sited.site->surface().rectTwips();
    c.place = host::TwipsRect{std::round(r.left), std::round(r.top), std::round(r.width),
                              std::round(r.height)};
    b.sited.site->save(c.bag, false);
    form.controls.push_back(std::move(c));
  }
  return form;
}

void Designer::load(const DesignedForm& saved) {
  if (!designMode_) throw std::runtime_error("back to design mode (F5) before loading");
  for (const DesignedControl& c : saved.controls) {
    const host::Widget* w = host::findWidget(*form_, c.name);
    if (w && !find(w->name())) {
      throw std::runtime_error("the name " + c.name + " belongs to the designer's own form");
    }
  }
  Step before = snapshot();
  try {
    rebuild(saved, false);
  } catch (const std::exception& e) {
    rebuild(before.form, false);
    if (const auto* he = dynamic_cast<const host::Error*>(&e)) {
      throw std::runtime_error("a bar refused its saved properties: error " +
                               std::to_string(he->number()) + " (" + he->description() + ")");
    }
    throw std::runtime_error(std::string("the bars could not be made: ") + e.what());
  }
  selected_.clear();
  remember(std::move(before));  // a load, too, can be taken back
  modified_ = false;
  refreshChrome();
}

bool Designer::saveToFile(const std::string& path) {
  auto note = [this](std::string line) { this->note(std::move(line)); };
  return reportOutcome(
      [&] {
        writeDesignFile(path, save());
        modified_ = false;
        refreshChrome();
      },
      note, "saved the design to " + path, "save failed");
}

bool Designer::loadFromFile(const std::string& path) {
  auto note = [this](std::string line) { this->note(std::move(line)); };
  return reportOutcome([&] { load(readDesignFile(path)); }, note, "loaded the design from " + path,
                       "load failed, the design is unchanged");
}

// ---- keys -----------------------------------------------------------------------------------

bool Designer::handleKey(int16_t keyCode, int16_t shift) {
  constexpr int16_t kInsert = 45, kDelete = 46, kF4 = host::vk::F1 + 3, kF5 = host::vk::F1 + 4;
  const bool ctrl = shift == host::shift::Ctrl;
  if (keyCode == kF5 && shift == 0) {
    designMode_ ? run() : design();
  } else if (keyCode == kInsert && (shift == 0 || shift == host::shift::Shift)) {
    addBar(shift == 0);
  } else if (keyCode == kDelete && shift == 0 && designMode_) {
    deleteSelected();
  } else if (keyCode == 'Z' && ctrl) {
    undo();
  } else if (keyCode == host::vk::Tab && shift == 0 && designMode_ && !bars_.empty()) {
    auto it =
        std::find_if(bars_.begin(), bars_.end(), [&](const Bar& b) { return b.name == selected_; });
    select(it == bars_.end() || it + 1 == bars_.end() ? bars_.front().name : (it + 1)->name);
  } else if (keyCode == kF4 && shift == 0) {
    showPropertyPage();
  } else if (keyCode == host::vk::F1 && shift == 0) {
    showAboutBox();
  } else if (keyCode == 'S' && ctrl) {
    saveToFile(formPath);
  } else if (keyCode == 'O' && ctrl) {
    loadFromFile(formPath);
  } else if (keyCode == host::vk::Escape && shift == 0) {
    bool go =
        !modified_ || askToSaveChanges(engine_, formPath, [this] { return saveToFile(formPath); });
    if (go && onQuit) onQuit();
  } else {
    return false;
  }
  return true;
}

void Designer::wheel(int steps) {
  if (steps != 0 && log_->underCursor()) log_->scroll(steps);
}

}  // namespace keloscroll::demo
