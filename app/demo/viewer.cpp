#include "app/demo/viewer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "control/register.h"
#include "host/error.h"
#include "host/text.h"
#include "host/variant.h"

#if __has_include("design/PropertyDialog.h")
#include "design/PropertyDialog.h"
#define KELO_DEMO_PROPERTY_PAGE 1
#endif

namespace kelo::demo {

// ---- the text -------------------------------------------------------------------------------

namespace {

bool isContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte offset of character `n` (0-based) of s, or s.size() when s is shorter.
size_t offsetOfCharacter(std::string_view s, int32_t n) {
  size_t i = 0;
  for (int32_t k = 0; k < n && i < s.size(); ++k) {
    ++i;
    while (i < s.size() && isContinuation(s[i])) ++i;
  }
  return i;
}

std::string expandTabs(std::string_view line) {
  std::string out;
  int32_t column = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      do {
        out += ' ';
        ++column;
      } while (column % 4 != 0);
      continue;
    }
    out += c;
    if (!isContinuation(c)) ++column;
  }
  return out;
}

}  // namespace

int32_t characterCount(std::string_view s) {
  int32_t n = 0;
  for (char c : s) n += isContinuation(c) ? 0 : 1;
  return n;
}

std::string fromColumn(std::string_view line, int32_t column) {
  if (column <= 1) return std::string(line);
  return std::string(line.substr(offsetOfCharacter(line, column - 1)));
}

std::string firstWords(std::string_view line, int32_t maxChars) {
  size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) return "";
  std::string_view rest = line.substr(start);
  if (characterCount(rest) <= maxChars) return std::string(rest);
  // Whole words while they fit; a first word longer than the room is cut.
  size_t cut = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || rest[i] == ' ') {
      if (characterCount(rest.substr(0, i)) > maxChars) break;
      cut = i;
    }
  }
  if (cut == 0) cut = offsetOfCharacter(rest, maxChars);
  std::string out(rest.substr(0, cut));
  while (!out.empty() &&
         (out.back() == ' ' || out.back() == ',' || out.back() == ';' || out.back() == ':')) {
    out.pop_back();
  }
  return out + "...";
}

TextDocument makeDocument(std::string path, std::string_view text) {
  TextDocument doc;
  doc.path = std::move(path);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines.push_back(expandTabs(line));
    doc.longestLine = std::max(doc.longestLine, characterCount(doc.lines.back()));
    pos = end + 1;
  }
  if (doc.lines.empty()) doc.lines.emplace_back();
  return doc;
}

TextDocument loadDocument(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  return makeDocument(path, text.str());
}

// ---- the form -------------------------------------------------------------------------------

namespace {

constexpr double kTwips = host::kTwipsPerPixel;
constexpr int kMargin = 8;
constexpr int kBar = 17;  // a bar's thickness, pixels
constexpr int32_t kWhite = 0x00FFFFFF;

double px(int pixels) {
  return pixels * kTwips;
}

int lineHeightPixels() {
  return static_cast<int>(
      std::lround(host::text::lineHeightTwips(host::text::kDefaultPointSize, false) / kTwips));
}

std::string baseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void place(host::Widget& w, int left, int top, int width, int height) {
  w.setRectTwips(
      host::TwipsRect{px(left), px(top), px(std::max(1, width)), px(std::max(1, height))});
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
  logFrame_ = form_->add<host::Frame>("fraLog");
  logFrame_->setCaption("Events");
  logLabel_ = logFrame_->add<host::Label>("lblLog");
  help_ = form_->add<host::Label>("lblHelp");
  help_->setCaption(
      "F1 about    F4 properties    Ctrl+S save    Ctrl+O load    Esc quit    "
      "(wheel, arrows and PgUp/PgDn scroll)");
  // A click on the text hands the keys to the vertical bar.
  page_->MouseDown = [this](int16_t, int16_t, float, float) {
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
  log_.clear();
  note("opened " + doc_.path + ": " + std::to_string(doc_.lines.size()) + " lines");
}

Viewer::~Viewer() {
  dropBar(columnsBar_);
  dropBar(linesBar_);
  page_->MouseDown = nullptr;
  engine_.unloadForm(*form_);
}

Viewer::Bar Viewer::placeBar(const char* name, bool vertical, const host::PropertyBag* bag) {
  Bar bar;
  bar.site = std::make_shared<host::ControlSite>(engine_, *form_, name);
  const BarRect& r = std::string_view(name) == kLinesBar ? linesRect_ : columnsRect_;
  place(bar.site->surface(), r.left, r.top, r.width, r.height);
  bar.site->setUserMode(true);
  bar.site->setEventSink([this, name](std::string_view event, std::span<host::Variant> args) {
    onBarEvent(name, event, args);
  });
  // The caption shows at once that there is something to save, also while the property page
  // is up.
  host::ControlSite::ContainerServices services;
  services.propertyChanged = [this](std::string_view) { refreshTitle(); };
  bar.site->setContainerServices(std::move(services));
  try {
    bar.object = createControl(keloscroll::kControlProgId, *bar.site);
    bar.control = bar.object.face();
    bar.site->setControl(bar.control);
    if (bag) {
      host::PropertyBag copy = *bag;
      bar.site->load(copy);
    } else {
      bar.site->initNew();
      if (!vertical) bar.control->let("VerticalBar", host::Variant::boolean(false));
      // The descriptions come from lines in memory: cheap enough to follow a drag closely.
      bar.control->let("RefreshMsecGD", host::Variant(kRefreshMsecGD));
    }
    bar.site->resize(static_cast<float>(px(r.width)), static_cast<float>(px(r.height)));
    bar.site->show();
  } catch (...) {
    dropBar(bar);
    throw;
  }
  return bar;
}

void Viewer::dropBar(Bar& bar) {
  if (!bar.site) return;
  bar.site->terminate();
  bar.site->setEventSink(nullptr);
  bar.control.reset();
  bar.object.reset();
  bar.site.reset();  // takes the surface off the form
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
  w.originOnForm(x, y);
  x += w.rectTwips().width / 2;
  y += w.rectTwips().height / 2;
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
  const int frameH = lineH / 2 + static_cast<int>(kLogLines) * lineH + 12;
  const int frameTop = helpTop - 6 - frameH;
  place(*logFrame_, kMargin, frameTop, W - 2 * kMargin, frameH);
  place(*logLabel_, 8, lineH / 2 + 6, W - 2 * kMargin - 16, frameH - lineH / 2 - 8);

  const int textTop = 6 + lineH + 8;
  const int columnsTop = frameTop - 8 - kBar;
  const int textW = W - 2 * kMargin - kBar;
  const int textH = columnsTop - textTop;
  place(*page_, kMargin, textTop, textW, textH);
  // Inside the page's two-pixel border, with a little room.
  place(*text_, 4, 2, textW - 8, textH - 6);
  visibleLines_ = std::max(1, (textH - 8) / std::max(1, lineH));
  const double charW =
      std::max(1.0, page_->TextWidth("abcdefghijklmnopqrstuvwxyz") / 26.0 / kTwips);
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
  if (!dirty()) return true;
  constexpr int32_t kYesNoCancel = 3, kQuestion = 32;
  constexpr int16_t kYes = 6, kNo = 7;
  int16_t answer =
      engine_.MsgBox("The form has changes that are not saved. Save them to " + formPath + "?",
                     kYesNoCancel + kQuestion, "KeloScroll demo");
  if (answer == kNo) return true;
  // Quitting when the save failed would lose the changes the user meant to keep.
  if (answer == kYes) return saveToFile(formPath);
  return false;
}

// One entry on one line of the log: a long one would wrap and push the newest below the frame.
std::string Viewer::fitLogLine(const std::string& line) const {
  const double room = logLabel_->Width();
  if (logFrame_->TextWidth(line) <= room) return line;
  std::string cut = line;
  while (!cut.empty() && logFrame_->TextWidth(cut + "...") > room) {
    // A whole character at a time: its continuation bytes, then its lead byte.
    while (!cut.empty()) {
      auto c = static_cast<unsigned char>(cut.back());
      cut.pop_back();
      if ((c & 0xC0) != 0x80) break;
    }
  }
  return cut + "...";
}

void Viewer::note(std::string line) {
  if (onLog) onLog(line);
  log_.push_back(std::move(line));
  while (log_.size() > kLogLines) log_.pop_front();
  std::string text;
  for (const auto& l : log_) text += (text.empty() ? "" : "\n") + fitLogLine(l);
  logLabel_->setCaption(std::move(text));
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
  note("F4: the property page of " + target->site->name());
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
    dropBar(columnsBar_);
    dropBar(linesBar_);
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
  try {
    writeFormFile(path, save());
    markSaved();
    note("saved the form to " + path);
    return true;
  } catch (const std::exception& e) {
    std::cerr << "keloscroll-demo: " << e.what() << '\n';
    note(std::string("save failed: ") + e.what());
    return false;
  }
}

bool Viewer::loadFromFile(const std::string& path) {
  try {
    load(readFormFile(path));
    note("loaded the form from " + path);
    return true;
  } catch (const std::exception& e) {
    std::cerr << "keloscroll-demo: " << e.what() << '\n';
    note(std::string("load failed, the form is unchanged: ") + e.what());
    return false;
  }
}

}  // namespace kelo::demo
