// keloscroll-demo without a window: its text helpers, the viewer form and its bars, its event
// log, saving and loading the form file (and refusing a bad one). demo_session_test.cpp has the
// headless session.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/demo/component.h"
#include "app/demo/form_file.h"
#include "app/demo/viewer.h"
#include "demo_test_util.h"
#include "host/clock.h"
#include "host/engine.h"
#include "host/widgets.h"
#include "own_registry.h"
#include "server/linux/exports.h"
#include "server/linux/registry.h"

namespace keloscroll::demo {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using test::numberedText;
using test::writeText;

// ---- text helpers ---------------------------------------------------------------------------

TEST(DemoText, CutsUtf8ByCharactersAndWordsAndSplitsDocumentsIntoLines) {
  const auto cases = nlohmann::json::parse(std::ifstream(KELO_APP_TESTS "/demo_text.json"));
  auto text = [](const nlohmann::json& c) { return c[0].get<std::string>(); };
  for (const auto& c : cases.at("characterCount")) EXPECT_EQ(characterCount(text(c)), c[1]) << c;
  for (const auto& c : cases.at("fromColumn")) EXPECT_EQ(fromColumn(text(c), c[1]), c[2]) << c;
  for (const auto& c : cases.at("firstWords")) EXPECT_EQ(firstWords(text(c), c[1]), c[2]) << c;
  // Tabs expanded, the longest line measured in characters.
  TextDocument d = makeDocument("x.txt", "a\tb\r\n\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\n\nlast");
  EXPECT_THAT(d.lines, ElementsAre("a   b", "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", "", "last"));
  EXPECT_EQ(d.longestLine, 6);
  EXPECT_THAT(makeDocument("empty", "").lines, ElementsAre(""));
  keloscroll::testing::ScratchDir scratch;
  const auto& dir = scratch.path;
  writeText(dir / "t.txt", "one\ntwo\n");
  EXPECT_THAT(loadDocument((dir / "t.txt").string()).lines, ElementsAre("one", "two"));
  EXPECT_THROW(loadDocument((dir / "missing.txt").string()), std::runtime_error);
}

// ---- the viewer -----------------------------------------------------------------------------

class DemoViewer : public test::Scratch {
 protected:
  void SetUp() override {
    textPath = (dir / "text.txt").string();
    writeText(textPath, numberedText(120));
    viewer = std::make_unique<Viewer>(engine, loadDocument(textPath));
    viewer->formPath = (dir / "form.json").string();
  }
  int32_t value(host::Dispatch& bar) { return bar.get("Value").asLong(); }
  int32_t prop(host::Dispatch& bar, const char* name) { return bar.get(name).asLong(); }
  // Value, Max, LargeChange and VerticalBar (-1 or 0).
  std::vector<int32_t> props(host::Dispatch& bar) {
    return {value(bar), prop(bar, "Max"), prop(bar, "LargeChange"), prop(bar, "VerticalBar")};
  }
  void click(const char* bar, const char* part) { test::click(engine, viewer->part(bar, part)); }
  bool logHas(const std::string& text) {
    return std::ranges::any_of(viewer->recentEvents(), [&](const std::string& l) {
      return l.find(text) != std::string::npos;
    });
  }

  std::string textPath;
  std::unique_ptr<Viewer> viewer;
};

// The bars come from libKeloScroll.so by ProgID, as a container gets them: the registry names
// the library (the viewer registers its own where the ProgID names another file), and the library
// counts the bars as its objects until the viewer lets them go.
using DemoComponent = test::Scratch;
TEST_F(DemoComponent, TheBarsComeFromTheLibraryTheRegistryNames) {
  const std::string library = bundledComponentLibrary();
  const std::filesystem::path registry = registryFile();
  std::filesystem::remove(registry);
  std::filesystem::create_directories(registry.parent_path());
  writeText(registry,
            R"({"KeloScroll.UsrKeloScroll\\CLSID": {"@": "{86637D22-A896-459E-B33E-0D1CC18ED0CF}"},
    "CLSID\\{86637D22-A896-459E-B33E-0D1CC18ED0CF}\\InprocServer32": {"@": "/nowhere/libKeloScroll.so"}})");

  auto viewer = std::make_unique<Viewer>(engine, makeDocument("t.txt", "one\ntwo\n"));
  nlohmann::json r = nlohmann::json::parse(std::ifstream(registry));
  EXPECT_EQ(r["CLSID\\{86637D22-A896-459E-B33E-0D1CC18ED0CF}\\InprocServer32"]["@"],
            std::filesystem::path(library).lexically_normal().string());

  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr) << "the viewer loaded the library";
  auto canUnloadNow =
      reinterpret_cast<keloscroll::server::DllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), keloscroll::server::S_FALSE) << "the bars are the library's objects";
  EXPECT_EQ(viewer->lines().typeName(), "UsrKeloScroll");
  viewer.reset();
  EXPECT_EQ(canUnloadNow(), keloscroll::server::S_OK);

  // A registry that is no registry, cut short, or too large: the viewer says so, naming the
  // file, places nothing and writes nothing into it.
  const std::pair<std::string, std::string> bad[] = {
      {"[1, 2]", " is not a registry"},
      {"{\"KeloScroll.UsrKeloScroll\\\\CLSID\": {\"@\": ", " is not a registry"},
      {"{}" + std::string(keloscroll::server::kMaxRegistryBytes, ' '), " is larger than 16 MiB"},
  };
  for (const auto& [text, message] : bad) {
    SCOPED_TRACE(message);
    writeText(registry, text);
    EXPECT_THAT(
        [&] { Viewer refused(engine, makeDocument("t.txt", "one\n")); },
        ::testing::ThrowsMessage<std::runtime_error>(HasSubstr(registry.string() + message)));
    std::ifstream kept(registry, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(kept), {}) == text);
  }
  std::filesystem::remove(registry);
}

// The bars span the text; moving them scrolls it and the log shows their events; resizing lays
// the form out again.
TEST_F(DemoViewer, TheBarsSpanAndScrollTheTextAndResizingLaysTheFormOutAgain) {
  EXPECT_THAT(props(viewer->columns()),
              ElementsAre(_, characterCount(viewer->document().lines[6]), _, 0));
  EXPECT_EQ(std::pair(viewer->form().rectTwips().width, viewer->form().rectTwips().height),
            std::pair(640 * 15.0, 480 * 15.0));

  click(Viewer::kLinesBar, "cmdDXDN");
  EXPECT_THAT(viewer->shownText(), ::testing::StartsWith("row 2 of the test text\n"));
  EXPECT_TRUE(logHas("Lines  Change(2)"));

  // The description box on the form shows the line's description.
  EXPECT_TRUE(std::ranges::any_of(viewer->form().Controls()->list(), [](host::Widget* w) {
    auto* t = dynamic_cast<host::TextBox*>(w);
    return t && t->Visible() && t->Text() == "line 2: row 2 of the test text";
  }));

  // Steps 50 ms apart each bring their own line: the description keeps up with the user.
  for (int line = 3; line <= 5; ++line) {
    engine.advance(50);
    click(Viewer::kLinesBar, "cmdDXDN");
    EXPECT_TRUE(logHas("GetDescription -> \"line " + std::to_string(line) + ":")) << line;
  }

  viewer->lines().let("Value", host::Variant(int32_t{7}));
  viewer->wheel(-2);  // towards the user: six lines on
  EXPECT_EQ(value(viewer->lines()), 13);

  // Resized, the form is laid out again; too small, it is kept usable.
  viewer->resize(800, 700);
  EXPECT_EQ(viewer->width(), 800);
  EXPECT_EQ(prop(viewer->lines(), "LargeChange"), viewer->visibleLines() - 1);
  const host::UserControl& bar = viewer->linesSite().surface();
  EXPECT_EQ(bar.rectTwips().left + bar.rectTwips().width, (800 - 8) * 15);
  viewer->resize(10, 10);  // kept usable
  EXPECT_EQ(viewer->width(), kMinSide);
}

// Each entry stands on one line of the log, cut to its width. The view follows the newest line
// until the user scrolls back (the wheel over the log, the log's own bar); then it stays on the
// lines the user went to while new ones arrive, until the user goes back to the end.
TEST_F(DemoViewer, TheEventLogFollowsTheNewestLineAndScrollsBack) {
  EventLog& log = viewer->log();
  auto shown = [&] { return log.label().Caption(); };
  std::string longLine(400, 'w');
  for (int i = 0; i < 8; ++i) viewer->note(longLine + " é " + std::to_string(i));
  for (int i = 1; i <= 20; ++i) viewer->note("entry " + std::to_string(i));
  const auto total = static_cast<int32_t>(log.lines().size());
  ASSERT_TRUE(shown().ends_with("\nentry 20"));
  EXPECT_EQ(log.bar().get("Max").asLong(), total - EventLog::kShownLines + 1);

  // The wheel over the text scrolls the text; over the log, the log (three lines a notch).
  const int32_t top = viewer->topLine();
  double x = 0, y = 0;
  viewer->centreOf(log.label(), x, y);
  engine.mouseMove(viewer->form(), x, y);
  viewer->wheel(2);
  EXPECT_EQ(viewer->topLine(), top);
  viewer->note("entry 21");  // scrolled back six lines: the view stays

  // The bar's own end buttons: one line a click; back at the end the view follows again.
  test::click(engine, *host::findWidget(log.barSite().surface(), "cmdSxUp"));
  EXPECT_TRUE(shown().ends_with("\nentry 13"));
  log.scroll(-100);
  viewer->note("entry 22");
  EXPECT_TRUE(shown().ends_with("\nentry 22"));
  log.scroll(100);
  EXPECT_TRUE(shown().starts_with("opened "));
  EXPECT_EQ(log.bar().get("Value").asLong(), 1);

  // The long lines are cut to the label's width, whole characters and "...".
  EXPECT_THAT(shown(), HasSubstr("www...\n"));
}

// F1 opens the about box and F4 the focused bar's property page, which takes the focus while it
// is up (the keys come back to the bar afterwards); the other keys are the bars'. What the bars
// report through PropertyChanged is unsaved until Ctrl+S: the caption ends with " *", and Escape
// asks first whether to save it (Cancel stays, Yes saves and quits, No quits).
TEST_F(DemoViewer, KeysOpenTheBoxesAndEscapeAsksToSaveWhatIsUnsaved) {
  const std::string clean = "KeloScroll demo - text.txt";
  bool quit = false;
  viewer->onQuit = [&] { quit = true; };
  EXPECT_TRUE(viewer->handleKey(host::vk::F1, 0));
  ASSERT_FALSE(engine.shown().empty());
  EXPECT_EQ(engine.shown().back().kind, "modal");
  EXPECT_EQ(engine.shown().back().name, "dlgAbout");
  EXPECT_FALSE(viewer->handleKey('S', 0));
  click(Viewer::kColumnsBar, "cmdDXDN");  // the user's step goes through no setter

  if (Viewer::hasPropertyPage()) {
    // The page's Apply writes through the setters: the form has something to save.
    engine.setModalPolicy([&](host::Form& f) {
      auto clickOn = [&](const char* name) { test::click(engine, *host::findWidget(f, name)); };
      clickOn("txtLargeChange");
      for (int i = 0; i < 4; ++i) engine.keyDown(host::vk::Back);
      engine.typeText("5");
      clickOn("cmdApply");
      clickOn("cmdCancel");
    });
    EXPECT_TRUE(viewer->handleKey(host::vk::F1 + 3, 0));
    EXPECT_TRUE(logHas("F4: the property page of Columns"));
    EXPECT_EQ(engine.focus(), &viewer->part(Viewer::kColumnsBar, "picBarra"));
  } else {
    EXPECT_TRUE(viewer->handleKey(host::vk::F1 + 3, 0));
    EXPECT_TRUE(logHas("F4: this build has no property page"));
    viewer->wheel(-1);
  }

  std::vector<std::string> prompts;
  int16_t answer = 2;  // Cancel
  engine.setMsgBoxPolicy([&](const std::string& prompt, int32_t buttons) {
    prompts.push_back(prompt);
    EXPECT_EQ(buttons & 7, 3) << "Yes, No and Cancel";
    return answer;
  });
  EXPECT_TRUE(viewer->handleKey(host::vk::Escape, 0));
  answer = 6;  // Yes
  viewer->handleKey(host::vk::Escape, 0);
  EXPECT_EQ(viewer->form().Caption(), clean);
  EXPECT_THAT(prompts, ElementsAre(HasSubstr("not saved"), _));

  // Nothing to save: no question. No quits and keeps the changes unsaved.
  quit = false;
  viewer->handleKey(host::vk::Escape, 0);
  EXPECT_TRUE(quit);
  viewer->resize(700, 500);  // the bars' LargeChange follows
  quit = false;
  answer = 7;
  viewer->handleKey(host::vk::Escape, 0);
  EXPECT_TRUE(quit);
  EXPECT_EQ(nlohmann::json::parse(
                std::ifstream(viewer->formPath))["controls"]["Columns"]["Value"]["value"],
            2);
}

// Ctrl+S saves the form and Ctrl+O loads it back. A bad form file is refused with a message and
// changes nothing.
TEST_F(DemoViewer, SavingThenLoadingRestoresBothBarsAndABadFileIsRefused) {
  viewer->resize(700, 500);  // (which sets the ranges for the new size: the test's come after)
  viewer->lines().let("LargeChange", host::Variant(int32_t{9}));
  viewer->lines().let("Value", host::Variant(int32_t{40}));
  viewer->columns().let("Max", host::Variant(int32_t{90}));
  viewer->columns().let("LargeChange", host::Variant(int32_t{12}));
  viewer->columns().let("Value", host::Variant(int32_t{5}));
  ASSERT_TRUE(viewer->dirty());
  ASSERT_TRUE(viewer->handleKey('S', host::shift::Ctrl));

  const auto good = nlohmann::json::parse(std::ifstream(viewer->formPath));
  EXPECT_EQ(good["controls"]["Lines"]["Value"]["type"], "Long");
  EXPECT_EQ(good["controls"]["Lines"]["Value"]["value"], 40);
  EXPECT_FALSE(good["controls"]["Lines"].contains("PictureBarra"));  // pictures are not stored

  // Everything moves away, then Ctrl+O brings the saved form back.
  viewer->resize(640, 480);
  viewer->lines().let("Value", host::Variant(int32_t{3}));
  viewer->columns().let("Value", host::Variant(int32_t{2}));
  ASSERT_TRUE(viewer->handleKey('O', host::shift::Ctrl));
  EXPECT_THAT(props(viewer->lines()), ElementsAre(40, 120, 9, -1));
  EXPECT_THAT(props(viewer->columns()), ElementsAre(5, 90, 12, 0));
  EXPECT_EQ(std::pair(viewer->width(), viewer->height()), std::pair(700, 500));
  click(Viewer::kLinesBar, "cmdDXDN");
  // One bar surface each on the form, as before.
  int surfaces = 0;
  for (const auto& w : viewer->form().children())
    surfaces += w->kind() == host::WidgetKind::UserControl;
  EXPECT_EQ(surfaces, 2);

  // The bad files are the good one changed, and the running form differs from it (Value 41).
  const std::string shown = viewer->shownText();
  const nlohmann::json before = toJson(viewer->save());  // the text file, the size, both bags

  nlohmann::json deep = 1, nested = good;
  for (int i = 0; i < kMaxFormNesting; ++i) deep = nlohmann::json::array({deep});
  nested["controls"]["Lines"]["Max"] = deep;
  const std::string form = viewer->formPath;
  std::vector<test::BadForm> cases = test::badForms("viewer", good);
  cases.insert(
      cases.begin(),
      {{"cut short", good.dump().substr(0, good.dump().size() / 2), form + " is not valid JSON"},
       {"binary", std::string("\x89PNG\r\n\x1A\n\0\0", 10), form + " is not valid JSON"},
       {"not UTF-8", "{\"format\": \"keloscroll-demo-form\xFF\"}", "ill-formed UTF-8"},
       {"too large", good.dump() + std::string(kMaxFormFileBytes, ' '),
        form + " is larger than 32 MiB"},
       {"nested too deep", nested.dump(), form + " nests more than 32 levels"},
       {"not an object", "[1, 2]", "expected a JSON object"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeText(viewer->formPath, c.text);
    EXPECT_TRUE(viewer->handleKey('O', host::shift::Ctrl));
    EXPECT_THAT(viewer->recentEvents().back(), HasSubstr("load failed, the form is unchanged"));
    EXPECT_THAT(viewer->recentEvents().back(), HasSubstr(c.message));
    EXPECT_EQ(toJson(viewer->save()), before);
    EXPECT_EQ(viewer->shownText(), shown);
  }
}

TEST(DemoFormFile, KeepsTheTypesOfBagValues) {
  const std::pair<const char*, host::Variant> values[] = {
      {"B", host::Variant::boolean(false)},
      {"I", host::Variant(int16_t{-7})},
      {"L", host::Variant(int32_t{100000})},
      {"S", host::Variant(1.5f)},
      {"D", host::Variant(2.25)},
      {"T", host::Variant("text \"quoted\"")},
  };
  SavedForm f{"a.txt", 640, 480, {{"Bar", {}}}};
  for (const auto& [key, v] : values) f.controls[0].second.set(key, v);
  f.controls[0].second.set("P", host::Variant::nothing());  // objects are not stored
  SavedForm back = fromJson(nlohmann::json::parse(toJson(f).dump()));
  ASSERT_EQ(back.controls.size(), 1u);
  const host::PropertyBag* b = back.bag("Bar");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->entries().size(), 6u);
  for (const auto& [key, v] : values) {
    SCOPED_TRACE(key);
    EXPECT_TRUE(b->ReadProperty(key, host::Variant()) == v);
  }
  EXPECT_THROW(readFormFile("/nonexistent/dir/form.json"), FormFileError);
  EXPECT_THROW(writeFormFile("/nonexistent/dir/form.json", f), FormFileError);
}

}  // namespace
}  // namespace keloscroll::demo
