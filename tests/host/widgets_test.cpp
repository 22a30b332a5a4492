// Widgets: geometry in the container's scale, the scale modes, members by name, the form's
// Controls collection, stacking order and text measurement.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "host/variant.h"
#include "host/widgets.h"
#include "tests/host/host_test_util.h"

namespace host {
namespace {

using testing::errorOf;
using testing::HostTest;

class Widgets : public HostTest {};

// The track of the scroll bar: a picture box 3165 twips high holding the thumb, 225 twips high.
// Its user scale changes the numbers the thumb reports, never where the thumb is.
TEST_F(Widgets, UserScaleChangesNumbersNotPlaces) {
  auto pic = form->add<PictureBox>("picBarra");
  pic->Move(0, 240, 720, 3165);
  auto img = pic->add<Image>("imgCursor");
  img->Move(0, 1200, 240, 225);

  pic->setScaleHeight(106.65306f);
  EXPECT_EQ(pic->ScaleMode(), scale::User);
  EXPECT_FLOAT_EQ(pic->ScaleWidth(), 720.0f);  // the other axis keeps its numbers
  EXPECT_NEAR(img->Height(), 7.582f, 0.0005f);
  EXPECT_DOUBLE_EQ(img->rectTwips().top, 1200.0);
  EXPECT_DOUBLE_EQ(img->rectTwips().height, 225.0);
  EXPECT_DOUBLE_EQ(img->rectTwips().width, 240.0);

  img->setTop(99);
  EXPECT_EQ(img->Top(), 99.0f);
  EXPECT_NEAR(img->rectTwips().top, 99.0 * 3165.0 / 106.65306, 1e-3);
  EXPECT_DOUBLE_EQ(img->rectTwips().height, 225.0);  // moving kept the size

  // The same through the late-bound members, names in any case.
  pic->let("scaleheight", Variant(3165.0f));
  EXPECT_FLOAT_EQ(img->get("TOP").asSingle(), static_cast<float>(img->rectTwips().top));
  img->let("Top", Variant(int32_t{1200}));
  EXPECT_DOUBLE_EQ(img->rectTwips().top, 1200.0);

  // Back to twips: origin 0, one unit per twip.
  pic->setScaleTop(50);
  pic->setScaleMode(scale::Twips);
  EXPECT_EQ(pic->ScaleTop(), 0.0f);
  EXPECT_EQ(img->Top(), 1200.0f);
  EXPECT_EQ(img->Height(), 225.0f);
}

TEST_F(Widgets, ScaleModesFollowOrKeepTheInnerArea) {
  auto pic = form->add<PictureBox>("pic");
  pic->Move(0, 0, 1500, 3000);
  auto child = pic->add<Image>("img");
  child->Move(150, 300, 300, 450);

  pic->setScaleMode(scale::Pixels);
  EXPECT_EQ(pic->ScaleWidth(), 100.0f);
  EXPECT_EQ(pic->ScaleHeight(), 200.0f);
  EXPECT_EQ(child->Left(), 10.0f);
  EXPECT_EQ(child->Height(), 30.0f);
  pic->setHeight(1500);  // a fixed scale spans the inner area whatever its size
  EXPECT_EQ(pic->ScaleHeight(), 100.0f);

  // ScaleMode 0 keeps the scale in force, now as the user's numbers; they stay on a resize.
  pic->setScaleMode(scale::User);
  EXPECT_EQ(pic->ScaleHeight(), 100.0f);
  EXPECT_EQ(child->Top(), 20.0f);
  pic->setHeight(3000);
  EXPECT_EQ(pic->ScaleHeight(), 100.0f);
  EXPECT_EQ(child->Top(), 10.0f);
  EXPECT_DOUBLE_EQ(child->rectTwips().top, 300.0);

  // A user origin shifts positions but not sizes.
  pic->setScaleLeft(-10);
  EXPECT_EQ(child->Left(), 0.0f);
  EXPECT_EQ(child->Width(), 20.0f);

  EXPECT_EQ(errorOf([&] { pic->setScaleHeight(0); }), err::InvalidPropertyValue);
  EXPECT_EQ(errorOf([&] { pic->let("ScaleWidth", Variant(0.0)); }), err::InvalidPropertyValue);
  EXPECT_EQ(errorOf([&] { pic->setScaleMode(9); }), err::InvalidPropertyValue);
  EXPECT_EQ(errorOf([&] { child->setWidth(-1); }), err::InvalidPropertyValue);

  // A bordered picture box measures its scale inside the border.
  pic->setScaleMode(scale::Twips);
  pic->setBorderStyle(1);
  EXPECT_EQ(pic->ScaleWidth(), 1500.0f - 60.0f);
}

TEST_F(Widgets, MembersByNameAndTheirTypes) {
  auto pic = form->add<PictureBox>("picBarra");
  auto img = pic->add<Image>("imgCursor");
  auto box = form->add<TextBox>("txt");

  EXPECT_EQ(pic->idOfName("ScaleHeight"), pic->idOfName("SCALEHEIGHT"));
  EXPECT_EQ(errorOf([&] { pic->get("NoSuchMember"); }), err::NoSuchMember);
  // Windowless widgets have no window handle.
  EXPECT_NE(pic->get("hWnd").asLong(), 0);
  EXPECT_EQ(errorOf([&] { img->get("hwnd"); }), err::NoSuchMember);

  // Container is the widget directly holding, Parent the form.
  EXPECT_EQ(img->get("Container").asObject().get(), pic.get());
  EXPECT_EQ(img->get("Parent").asObject().get(), form.get());
  EXPECT_TRUE(img->get("Parent").asObject()->isForm());
  EXPECT_FALSE(img->get("Container").asObject()->isForm());

  // Pictures: a picture or Nothing; another object is a type mismatch.
  auto picture = std::make_shared<Picture>(1, 1, std::vector<uint32_t>{Picture::rgb(1, 2, 3)});
  img->let("Picture", Variant(picture));
  EXPECT_EQ(img->Picture(), picture);
  EXPECT_EQ(img->get("Picture").asObject().get(), picture.get());
  img->let("Picture", Variant::nothing());
  EXPECT_EQ(img->Picture(), nullptr);
  EXPECT_TRUE(img->get("Picture").isObject());
  EXPECT_EQ(errorOf([&] { img->let("Picture", Variant(box)); }), err::TypeMismatch);
  EXPECT_EQ(errorOf([&] { img->let("Picture", Variant(int32_t{3})); }), err::TypeMismatch);

  // System colours arrive as negative Longs or as large positive numbers.
  box->let("BackColor", Variant(static_cast<int32_t>(0x80000018)));
  EXPECT_EQ(static_cast<uint32_t>(box->BackColor()), 0x80000018u);
  box->let("ForeColor", Variant(2147483671.0));
  EXPECT_EQ(static_cast<uint32_t>(box->ForeColor()), 0x80000017u);
  EXPECT_EQ(errorOf([&] { box->let("BackColor", Variant(static_cast<int32_t>(0x90000000))); }),
            err::InvalidPropertyValue);

  // Move by name with arguments left out keeps those values.
  img->Move(10, 20, 30, 40);
  img->call("Move", {Variant(int32_t{5}), Variant(), Variant(int32_t{7})});
  EXPECT_EQ(img->Left(), 5.0f);
  EXPECT_EQ(img->Top(), 20.0f);
  EXPECT_EQ(img->Width(), 7.0f);
  EXPECT_EQ(img->Height(), 40.0f);
}

TEST_F(Widgets, ZOrderRestacksAmongSiblings) {
  auto a = form->add<Label>("a");
  auto b = form->add<Label>("b");
  auto c = form->add<Label>("c");
  auto names = [&] {
    std::string s;
    for (const auto& w : form->children()) s += w->name();
    return s;
  };
  EXPECT_EQ(names(), "abc");
  a->ZOrder(0);
  EXPECT_EQ(names(), "bca");
  c->call("ZOrder", {Variant(int16_t{1})});
  EXPECT_EQ(names(), "cba");
  b->call("ZOrder");
  EXPECT_EQ(names(), "cab");
}

TEST_F(Widgets, ControlsCollectionAddsAndRemovesTextBoxes) {
  form->setFontSize(10);
  auto existing = form->add<CommandButton>("cmd");
  auto controls = form->Controls();
  int32_t before = controls->Count();

  std::shared_ptr<Widget> w = controls->Add("VB.TextBox", "Txt65552");
  auto* box = dynamic_cast<TextBox*>(w.get());
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->Visible());
  EXPECT_EQ(box->Text(), "");
  EXPECT_EQ(box->FontSize(), 10.0);
  EXPECT_EQ(form->children().back().get(), box);  // in front of the form's other controls
  EXPECT_NE(box->hwnd(), 0);
  EXPECT_EQ(engine.widgetOfHwnd(box->hwnd()), box);
  EXPECT_EQ(controls->Count(), before + 1);
  EXPECT_EQ(controls->Item("txt65552"), w);

  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "TXT65552"); }), err::NameInUse);
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "cmd"); }), err::NameInUse);
  EXPECT_EQ(errorOf([&] { controls->Add("VB.NoSuchThing", "x"); }), err::InvalidCall);
  EXPECT_EQ(errorOf([&] { controls->Remove("Missing"); }), err::ControlNotFound);
  EXPECT_EQ(errorOf([&] { controls->Item("Missing"); }), err::ControlNotFound);

  // Late bound, as the control reaches its parent form.
  ObjectRef viaName = form->get("Controls").asObject();
  ObjectRef second = viaName->call("Add", {Variant("VB.TextBox"), Variant("Txt2")}).asObject();
  second->let("Text", Variant("hello"));
  EXPECT_EQ(viaName->get("Count").asLong(), before + 2);

  int32_t hwnd = box->hwnd();
  viaName->call("Remove", {Variant("Txt65552")});
  EXPECT_EQ(controls->Count(), before + 1);
  EXPECT_EQ(box->container(), nullptr);
  EXPECT_EQ(engine.widgetOfHwnd(hwnd), nullptr);
  EXPECT_EQ(form->child("cmd"), existing.get());
}

// The parts inside a user control are the control's, not the form's.
TEST_F(Widgets, ControlsCollectionSkipsPartsOfUserControls) {
  auto uc = form->add<UserControl>("UsrKeloScroll1");
  uc->add<PictureBox>("picBarra");
  auto controls = form->Controls();
  EXPECT_EQ(controls->Count(), 1);
  EXPECT_EQ(findWidget(*form, "picbarra")->container(), uc.get());  // the deep search finds it
  EXPECT_NE(controls->Add("VB.TextBox", "picBarra"), nullptr);
  EXPECT_EQ(controls->Count(), 2);
}

// Add refuses a name in use (any case) and takes any other, while controls come and go in
// frames, move between containers, and parts of a user control (not the form's) share names.
TEST_F(Widgets, ControlsCollectionKnowsTheNamesInUseAsControlsComeAndGo) {
  auto controls = form->Controls();
  controls->Add("VB.Label", "First");  // the collection starts counting the form's names
  auto frame = form->add<Frame>("Frame1");
  auto inner = frame->add<PictureBox>("Inner");
  auto uc = form->add<UserControl>("Bar1");
  uc->add<Image>("Part");
  auto loose = std::make_shared<Frame>("Loose");  // not on the form yet
  loose->add<Label>("Deep");
  auto inUse = [&](const std::string& name) {
    for (Widget* w : controls->list()) {
      if (toLowerAscii(w->name()) == toLowerAscii(name)) return true;
    }
    return false;
  };
  const std::vector<std::string> names = {"first", "FRAME1", "inner", "bar1", "Part",
                                          "loose", "Deep",   "Box",   "box2"};
  auto check = [&](const char* stage) {
    for (const std::string& n : names) {
      if (inUse(n)) {
        EXPECT_EQ(errorOf([&] { controls->Add("VB.Label", n); }), err::NameInUse)
            << stage << " " << n;
      } else {
        EXPECT_EQ(errorOf([&] { controls->Add("VB.Label", n); }), 0) << stage << " " << n;
        controls->Remove(n);  // the check leaves nothing behind
      }
    }
  };
  check("start");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.Label", "part"); }), 0);  // a part's name is free
  controls->Remove("part");
  frame->attach(loose);  // Loose and Deep arrive together
  check("frame in a frame");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "deep"); }), err::NameInUse);
  uc->attach(loose);  // now parts of the user control
  check("into the user control");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "Deep"); }), 0);
  controls->Remove("Deep");
  inner->attach(loose);
  form->detach(*frame);  // Frame1, Inner, Loose and Deep leave
  check("frame gone");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "Frame1"); }), 0);
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "frame1"); }), err::NameInUse);
  controls->Remove("Frame1");
  form->attach(frame);
  check("frame back");
  EXPECT_EQ(errorOf([&] { controls->Add("VB.TextBox", "Inner"); }), err::NameInUse);
}

// A handler slot holds small and large callables alike; a copy taken before a call keeps the
// handler alive when it replaces itself while it runs, and empty slots say so.
TEST_F(Widgets, HandlerSlotsKeepTheirCallablesThroughCopiesAndReplacement) {
  auto button = form->add<CommandButton>("cmd");
  EXPECT_FALSE(button->Click);
  std::vector<std::string> log;
  std::string big(100, 'x');  // a capture that does not fit inside the slot
  button->Click = [&log, big] { log.push_back("big " + std::to_string(big.size())); };
  EventHandler copy = button->Click;
  button->Click = nullptr;
  EXPECT_FALSE(button->Click);
  copy();
  button->Click = [&log, &button] {
    log.push_back("small");
    button->Click = [&log] { log.push_back("replaced"); };  // destroys the running handler's slot
    log.push_back("still running");
  };
  for (int i = 0; i < 2; ++i) {
    if (EventHandler h = button->Click) h();
  }
  KeyHandler key = [](int16_t& code, int16_t shift) { code = static_cast<int16_t>(code + shift); };
  int16_t code = 40;
  key(code, 2);
  EXPECT_EQ(code, 42);
  EXPECT_EQ(log, (std::vector<std::string>{"big 100", "small", "still running", "replaced"}));
  EXPECT_THROW(EventHandler()(), std::bad_function_call);
}

TEST_F(Widgets, TextMeasurementUsesTheFont) {
  float shortWidth = form->TextWidth("Hello");
  float longWidth = form->TextWidth("Hello, wide world");
  float lineHeight = form->TextHeight("Hello");
  // Real 8-point metrics: a few pixels per letter, a line between 10 and 20 pixels.
  EXPECT_GT(shortWidth, 5 * 3 * kTwipsPerPixel);
  EXPECT_LT(shortWidth, 5 * 10 * kTwipsPerPixel);
  EXPECT_GT(longWidth, shortWidth);
  EXPECT_GE(lineHeight, 10 * kTwipsPerPixel);
  EXPECT_LE(lineHeight, 20 * kTwipsPerPixel);
  EXPECT_EQ(std::fmod(shortWidth, static_cast<float>(kTwipsPerPixel)), 0.0f);  // whole pixels

  EXPECT_EQ(form->TextWidth(""), 0.0f);
  EXPECT_EQ(form->TextHeight(""), lineHeight);
  EXPECT_EQ(form->TextWidth("ab\nHello"), shortWidth);  // the widest line
  EXPECT_EQ(form->TextHeight("ab\r\nHello\ncd"), 3 * lineHeight);

  form->setFontBold(true);
  EXPECT_GT(form->TextWidth("Hello, wide world"), longWidth);
  form->setFontBold(false);

  // In the container's units.
  auto pic = form->add<PictureBox>("pic");
  pic->Move(0, 0, 1500, 1500);
  pic->setScaleMode(scale::Pixels);
  EXPECT_FLOAT_EQ(pic->TextWidth("Hello"), shortWidth / 15.0f);
  EXPECT_FLOAT_EQ(pic->call("TextHeight", {Variant("Hello")}).asSingle(), lineHeight / 15.0f);

  // Malformed UTF-8 is measured, and does not spoil later measurements.
  EXPECT_GT(form->TextWidth("\xC3("), 0.0f);
  EXPECT_EQ(form->TextWidth("Hello"), shortWidth);
}

TEST_F(Widgets, CheckBoxAndTextBoxRaiseTheirEventsOnChangeOnly) {
  auto chk = form->add<CheckBox>("chkEnabled");
  auto txt = form->add<TextBox>("txtMax");
  int clicks = 0, changes = 0;
  chk->Click = [&] { ++clicks; };
  txt->Change = [&] { ++changes; };
  chk->let("Value", Variant(int16_t{1}));
  chk->setValue(1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(errorOf([&] { chk->setValue(3); }), err::InvalidPropertyValue);
  txt->setText("12");
  txt->let("Text", Variant("12"));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(txt->get("Text").asString(), "12");
}

}  // namespace
}  // namespace host
