#include "app/demo/viewer.h"

#include <algorithm>
#include <stdexcept>

#include "app/demo/commands.h"
#include "app/demo/layout.h"
#include "control/register.h"
#include "host/error.h"
#include "host/text.h"
#include "host/variant.h"

#if __has_include("design/PropertyDialog.h")
#include "design/PropertyDialog.h"
#define KELO_DEMO_PROPERTY_PAGE 1
#endif

namespace keloscroll::demo {

// ---- the form -------------------------------------------------------------------------------

namespace {

constexpr int kMargin = 8;
constexpr int kBar = kBarThickness;

std::string baseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Viewer::Viewer(host::FormEngine& engine, TextDocument doc, int width, int height)
    : engine_(engine),
      doc_(std::move(doc)),
      width_(std::clamp(width, kMinSide, kMaxSide)),
      height_(std::clamp(height, kMinSide, kMaxSide)) {
  // As the demo's installer would: the control's library in the registry, before any bar.
  ensureRegistered(keloscroll::kControlProgId, bundledComponentLibrary());
  form_ = engine_.createForm("Viewer");
  title_ = form_->add<host::Label>("lblTitle");
  position_ = form_->add<host::Label>("lblPosition");
  page_ = form_->add<host::PictureBox>("picPage");
  page_->setBackColor(kWhite);
  page_->setBorderStyle(1);
  text_ = page_->add<host::Label>("lblText");
  log_ = std::make_unique<EventLog>(engine_, *form_);
  help_ = form_->add<host::Label>("lblHelp");
  help_->setCaption(
      "F1 about    F4 properties    Ctrl+S save    Ctrl+O load    Esc quit    "
      "(wheel, arrows and PgUp/PgDn scroll)");
  // A click on the text hands the keys to the vertical bar.
  page_->on().MouseDown = [this](int16_t, int16_t, float, float) {
    try {
      engine_.setFocus(part(kLinesBar, "picBarra"));
    } catch (const host::Error&) {
    }
  };
  refreshTitle();
  layout();  // the text's room, and where the bars go
  linesBar_ = placeBar(kLinesBar, true, nullptr);
  columnsBar_ = placeBar(kColumnsBar, false, nullptr);
  layout();
  applyRange();
  lines().let("Value", host::Variant(int32_t{1}));
  columns().let("Value", host::Variant(int32_t{1}));
  engine_.setFocus(part(kLinesBar, "picBarra"));
  markSaved();  // the viewer's own settings: nothing the user changed
  log_->clear();
  note("opened " + doc_.path + ": " + std::to_string(doc_.lines.size()) + " lines");
}

Viewer::~Viewer() {
  columnsBar_.drop();
  linesBar_.drop();
  log_.reset();
  page_->on().MouseDown = nullptr;
  engine_.unloadForm(*form_);
}

Viewer::Bar Viewer::placeBar(const char* name, bool vertical, const host::PropertyBag* bag) {
  const BarRect& r = std::string_view(name) == kLinesBar ? linesRect_ : columnsRect_;
  Placement how;
  how.rect = host::TwipsRect{px(r.left), px(r.top), px(r.width), px(r.height)};
  how.sink = [this, name](std::string_view event, std::span<host::Variant> args) {
    onBarEvent(name, event, args);
  };
  // The caption shows at once that there is something to save, also while the property page
  // is up.
  how.services.propertyChanged = [this](std::string_view) { refreshTitle(); };
  how.bag = bag;
  how.init = [vertical](host::Dispatch& bar) {
    if (!vertical) bar.let("VerticalBar", host::Variant::boolean(false));
    // The descriptions come from lines in memory: cheap enough to follow a drag closely.
    bar.let("RefreshMsecGD", host::Variant(kRefreshMsecGD));
  };
  return placeControl(keloscroll::kControlProgId, engine_, *form_, name, how);
}

Viewer::Bar& Viewer::barByName(std::string_view name) {
  return name == kLinesBar ? linesBar_ : columnsBar_;
}
const Viewer::Bar& Viewer::barByName(std::string_view name) const {
  return name == kLinesBar ? linesBar_ : columnsBar_;
}

host::Widget& Viewer::part(std::string_view bar, std::string_view name) const {
  const Bar& b = barByName(bar);
  host::Widget* w = b.site ? host::findWidget(b.site->surface(), name) : nullptr;
  if (!w) throw std::runtime_error("no part " + std::string(name) + " in " + std::string(bar));
  return *w;
}

void Viewer::centreOf(const host::Widget& w, double& x, double& y) const {
  keloscroll::demo::centreOf(w, x, y);
}

void Viewer::resize(int width, int height) {
  width_ = std::clamp(width, kMinSide, kMaxSide);
  height_ = std::clamp(height, kMinSide, kMaxSide);
  layout();
  applyRange();
}

void Viewer::layout() {
  const int lineH = lineHeightPixels();
  const int W = width_, H = height_;
  form_->setRectTwips(host::TwipsRect{0, 0, px(W), px(H)});

  place(*title_, kMargin, 6, W - 2 * kMargin, lineH + 2);
  const int helpTop = H - kMargin - lineH;
  place(*help_, kMargin, helpTop, W - 2 * kMargin, lineH + 2);
  const int frameH = EventLog::heightPixels();
  const int frameTop = helpTop - 6 - frameH;
  log_->place(kMargin, frameTop, W - 2 * kMargin, frameH);

  const int textTop = 6 + lineH + 8;
  const int columnsTop = frameTop - 8 - kBar;
  const int textW = W - 2 * kMargin - kBar;
  const int textH = columnsTop - textTop;
  place(*page_, kMargin, textTop, textW, textH);
  // Inside the page's two-pixel border, with a little room.
  place(*text_, 4, 2, textW - 8, textH - 6);
  visibleLines_ = std::max(1, (textH - 8) / std::max(1, lineH));
  const double charW = std::max(
      1.0,
      host::pixelsOf(page_->TextWidth("abcdefghijklmnopqrstuvwxyz") / 26.0, host::kClassicDpi));
  visibleColumns_ = std::max(1, static_cast<int>((textW - 8) / charW));

  // The horizontal bar leaves room at its left for the position; its tooltip goes above it.
  const int positionW = std::min(120, textW / 3);
  place(*position_, kMargin, columnsTop + 2, positionW - 4, lineH + 2);
  linesRect_ = BarRect{kMargin + textW, textTop, kBar, textH};
  columnsRect_ = BarRect{kMargin + positionW, columnsTop, textW - positionW, kBar};
  for (auto [bar, r] : {std::pair{&linesBar_, linesRect_}, std::pair{&columnsBar_, columnsRect_}}) {
    if (!bar->site) continue;
    place(bar->site->surface(), r.left, r.top, r.width, r.height);
    bar->site->resize(static_cast<float>(px(r.width)), static_cast<float>(px(r.height)));
  }
  refreshText();
}

void Viewer::applyRange() {
  if (!linesBar_.control || !columnsBar_.control) return;
  lines().let("Max", host::Variant(std::max<int32_t>(1, static_cast<int32_t>(doc_.lines.size()))));
  lines().let("LargeChange", host::Variant(std::max<int32_t>(1, visibleLines_ - 1)));
  columns().let("Max", host::Variant(std::max<int32_t>(1, doc_.longestLine)));
  columns().let("LargeChange", host::Variant(std::max<int32_t>(1, visibleColumns_ / 2)));
}

std::string Viewer::shownText() const {
  return text_->Caption();
}

void Viewer::refreshText() {
  std::string shown;
  const auto n = static_cast<int32_t>(doc_.lines.size());
  for (int32_t i = 0; i < visibleLines_ && topLine_ - 1 + i < n; ++i) {
    if (i) shown += '\n';
    shown += fromColumn(doc_.lines[static_cast<size_t>(topLine_ - 1 + i)], firstColumn_);
  }
  text_->setCaption(std::move(shown));
}

void Viewer::refreshTitle() {
  std::string name = baseName(doc_.path);
  title_->setCaption(name + "  -  " + std::to_string(doc_.lines.size()) + " lines, " +
                     std::to_string(doc_.longestLine) + " columns");
  position_->setCaption("line " + std::to_string(topLine_) + ", col " +
                        std::to_string(firstColumn_));
  form_->setCaption("KeloScroll demo - " + name + (dirty() ? " *" : ""));
}

bool Viewer::dirty() const {
  for (const Bar* b : {&linesBar_, &columnsBar_}) {
    if (b->site && b->site->dirty()) return true;
  }
  return false;
}

void Viewer::markSaved() {
  for (Bar* b : {&linesBar_, &columnsBar_}) {
    if (b->site) b->site->setDirty(false);
  }
  refreshTitle();
}

bool Viewer::askToSave() {
  return !dirty() || askToSaveChanges(engine_, formPath, [this] { return saveToFile(formPath); });
}

void Viewer::note(std::string line) {
  if (onLog) onLog(line);
  log_->add(std::move(line));
}

void Viewer::onBarEvent(const char* bar, std::string_view event, std::span<host::Variant> args) {
  const bool isLines = std::string_view(bar) == kLinesBar;
  std::string entry = std::string(bar) + "  " + std::string(event);
  if (event == "Change" && !args.empty()) {
    int32_t v = args[0].asLong();
    entry += "(" + std::to_string(v) + ")";
    const auto n = static_cast<int32_t>(doc_.lines.size());
    if (isLines) {
      topLine_ = std::clamp(v, 1, std::max(1, n));
    } else {
      firstColumn_ = std::max(1, v);
    }
    refreshText();
    refreshTitle();
  } else if (event == "GetDescription" && !args.empty()) {
    // The position the thumb shows now, read as a container reads it.
    const Bar& b = barByName(bar);
    int32_t v = b.control ? b.control->get("Value").asLong() : (isLines ? topLine_ : firstColumn_);
    std::string description;
    if (isLines) {
      const auto n = static_cast<int32_t>(doc_.lines.size());
      description = "line " + std::to_string(v);
      if (v >= 1 && v <= n) {
        std::string words = firstWords(doc_.lines[static_cast<size_t>(v - 1)], 28);
        if (!words.empty()) description += ": " + words;
      }
    } else {
      description = "column " + std::to_string(v);
    }
    args[0].assign(host::Variant(description));
    entry += " -> \"" + description + "\"";
  }
  note(std::move(entry));
}

void Viewer::wheel(int steps) {
  if (steps == 0) return;
  if (log_->underCursor()) {
    log_->scroll(steps);
    return;
  }
  int32_t v = lines().get("Value").asLong() - 3 * steps;
  v = std::clamp(v, 1, std::max<int32_t>(1, static_cast<int32_t>(doc_.lines.size())));
  lines().let("Value", host::Variant(v));
}

Viewer::Bar* Viewer::focusedBar() {
  for (host::Widget* w = engine_.focus(); w; w = w->container()) {
    for (Bar* b : {&linesBar_, &columnsBar_})
      if (b->site && w == &b->site->surface()) return b;
  }
  return nullptr;
}

void Viewer::refocus(bool columns) {
  // A modal form took the focus with it when it went: the keys come back to the bar.
  host::Widget* f = engine_.focus();
  if (f && f->form() == form_.get()) return;
  try {
    engine_.setFocus(part(columns ? kColumnsBar : kLinesBar, "picBarra"));
  } catch (const host::Error&) {
  }
}

bool Viewer::hasPropertyPage() {
#ifdef KELO_DEMO_PROPERTY_PAGE
  return true;
#else
  return false;
#endif
}

bool Viewer::showPropertyPage() {
#ifdef KELO_DEMO_PROPERTY_PAGE
  Bar* target = focusedBar() == &columnsBar_ ? &columnsBar_ : &linesBar_;
  note("F4: the property page of " + std::string(target->site->name()));
  design::ShowPropertyPage(engine_, {target->control});
  refocus(target == &columnsBar_);
  return true;
#else
  note("F4: this build has no property page");
  return false;
#endif
}

bool Viewer::handleKey(int16_t keyCode, int16_t shift) {
  const bool ctrlOnly = shift == host::shift::Ctrl;
  if (keyCode == host::vk::F1 && shift == 0) {
    note("F1: ShowAboutBox");
    const bool columnsHadFocus = focusedBar() == &columnsBar_;
    lines().call("ShowAboutBox");
    refocus(columnsHadFocus);
    return true;
  }
  if (keyCode == host::vk::F1 + 3 && shift == 0) {
    showPropertyPage();
    return true;
  }
  if (keyCode == 'S' && ctrlOnly) {
    saveToFile(formPath);
    return true;
  }
  if (keyCode == 'O' && ctrlOnly) {
    loadFromFile(formPath);
    return true;
  }
  if (keyCode == host::vk::Escape && shift == 0) {
    if (askToSave() && onQuit) onQuit();
    return true;
  }
  return false;
}

SavedForm Viewer::save() {
  SavedForm saved;
  saved.file = doc_.path;
  saved.width = width_;
  saved.height = height_;
  for (Bar* b : {&linesBar_, &columnsBar_}) {
    b->control->get("Value");  // the control saves the position it last read back
    host::PropertyBag bag;
    b->site->save(bag, false);
    saved.controls.emplace_back(b->site->name(), std::move(bag));
  }
  return saved;
}

void Viewer::load(const SavedForm& saved) {
  const host::PropertyBag* linesBag = saved.bag(kLinesBar);
  const host::PropertyBag* columnsBag = saved.bag(kColumnsBar);
  if (!linesBag || !columnsBag) {
    throw std::runtime_error(std::string("the form has no bag for ") +
                             (linesBag ? kColumnsBar : kLinesBar));
  }
  TextDocument doc = loadDocument(saved.file);  // before anything changes

  // The running form, to come back to when a bar refuses its bag.
  SavedForm before = save();
  TextDocument oldDoc = doc_;
  const int oldW = width_, oldH = height_;
  auto rebuild = [this](const host::PropertyBag& l, const host::PropertyBag& c) {
    columnsBar_.drop();
    linesBar_.drop();
    topLine_ = 1;
    firstColumn_ = 1;
    layout();  // where the bars go at the new size
    linesBar_ = placeBar(kLinesBar, true, &l);
    columnsBar_ = placeBar(kColumnsBar, false, &c);
    layout();
  };
  try {
    doc_ = std::move(doc);
    width_ = std::clamp(saved.width, kMinSide, kMaxSide);
    height_ = std::clamp(saved.height, kMinSide, kMaxSide);
    rebuild(*linesBag, *columnsBag);
  } catch (const std::exception& e) {
    doc_ = std::move(oldDoc);
    width_ = oldW;
    height_ = oldH;
    rebuild(*before.bag(kLinesBar), *before.bag(kColumnsBar));
    if (const auto* he = dynamic_cast<const host::Error*>(&e)) {
      throw std::runtime_error("a bar refused its saved properties: error " +
                               std::to_string(he->number()) + " (" + he->description() + ")");
    }
    throw std::runtime_error(std::string("the bars could not be rebuilt: ") + e.what());
  }
  // The positions come from the bags: show what the bars show.
  topLine_ = std::max(1, lines().get("Value").asLong());
  firstColumn_ = std::max(1, columns().get("Value").asLong());
  refreshText();
  refreshTitle();
  engine_.setFocus(part(kLinesBar, "picBarra"));
}

bool Viewer::saveToFile(const std::string& path) {
  auto note = [this](std::string line) { this->note(std::move(line)); };
  return reportOutcome(
      [&] {
        writeFormFile(path, save());
        markSaved();
      },
      note, "saved the form to " + path, "save failed");
}

bool Viewer::loadFromFile(const std::string& path) {
  auto note = [this](std::string line) { this->note(std::move(line)); };
  return reportOutcome([&] { load(readFormFile(path)); }, note, "loaded the form from " + path,
                       "load failed, the form is unchanged");
}

}  // namespace keloscroll::demo
