// The control's public face: its interface table, dispatch by name and by id, the events'
// by-reference arguments, the picture properties, and the about box.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "bar_fixture.h"
#include "control/interface_table.h"
#include "design/dlgAbout.h"

namespace keloscroll::testing {
namespace {

using host::Variant;

TEST(Interface, TableHasTheContractOrderIdsAndHelpTexts) {
  struct Row {
    const char* member;
    Access access;
    int32_t dispid;
  };
  const Row expected[] = {
      {"VerticalBar", Access::Get, 0x6803001D},   {"VerticalBar", Access::LetByRef, 0x6803001D},
      {"PictureBarra", Access::Get, 0x6803001C},  {"PictureBarra", Access::Set, 0x6803001C},
      {"PictureCursor", Access::Get, 0x6803001B}, {"PictureCursor", Access::Set, 0x6803001B},
      {"PictureSXUP", Access::Get, 0x6803001A},   {"PictureSXUP", Access::Set, 0x6803001A},
      {"PictureDXDN", Access::Get, 0x68030019},   {"PictureDXDN", Access::Set, 0x68030019},
      {"ShowAboutBox", Access::Method, -552},     {"Max", Access::Get, 0x68030018},
      {"Max", Access::Let, 0x68030018},           {"LargeChange", Access::Let, 0x68030017},
      {"Value", Access::Get, 0x68030016},         {"Value", Access::Let, 0x68030016},
      {"Description", Access::Get, 0x68030015},   {"RefreshMsecGD", Access::Get, 0x68030014},
      {"RefreshMsecGD", Access::Let, 0x68030014}, {"Enabled", Access::Get, 0x68030013},
      {"Enabled", Access::Let, 0x68030013},       {"Min", Access::Get, 0x68030012},
      {"Min", Access::Let, 0x68030012},           {"SmallChange", Access::Get, 0x68030011},
      {"SmallChange", Access::Let, 0x68030011},   {"LargeChange", Access::Get, 0x68030017},
  };
  ASSERT_EQ(kInterface.size(), std::size(expected));
  for (size_t i = 0; i < kInterface.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kInterface[i].number, static_cast<int>(i + 1));
    EXPECT_EQ(kInterface[i].member, expected[i].member);
    EXPECT_EQ(kInterface[i].access, expected[i].access);
    EXPECT_EQ(kInterface[i].dispid, expected[i].dispid);
    EXPECT_EQ(kInterface[i].hidden, expected[i].dispid == -552);
  }

  auto help = [](std::string_view member) {
    std::set<std::string_view> texts;
    for (const auto& e : kInterface)
      if (e.member == member) texts.insert(e.help);
    EXPECT_EQ(texts.size(), 1u) << member << " carries one help text on all its accessors";
    return *texts.begin();
  };
  EXPECT_EQ(
      help("VerticalBar"),
      "Se True \xC3\xA9 orientata verticalmente, se False \xC3\xA9 orientata orizzontalmente");
  EXPECT_EQ(help("Value"), "Valore su cui \xC3\xA9 posizionata la KeloScroll");
  EXPECT_EQ(help("Max"),
            "Numero di elementi totali a cui si riferisce la KeloScroll ( da 1 a 999.999.999 )");
  EXPECT_EQ(help("Min"), "Provvisoriamente non funziona");
  EXPECT_EQ(help("SmallChange"), "Per il momento non funzionante");
  EXPECT_EQ(help("Description"), "Descrizione prelevata dall'ultimo evento GetDescription");
  EXPECT_TRUE(help("LargeChange").ends_with("varia la posizione di NumElementiPagina elementi"));
  // Stored cut off in the middle of a word.
  EXPECT_TRUE(help("RefreshMsecGD")
                  .ends_with("pu\xC3\xB3 rallentare il funzionamento in quanto "
                             "se alla GetDescription ci sono una serie di i"));
  for (const char* none :
       {"PictureBarra", "PictureCursor", "PictureSXUP", "PictureDXDN", "Enabled", "ShowAboutBox"})
    EXPECT_EQ(help(none), "");

  ASSERT_EQ(kEvents.size(), 3u);
  EXPECT_EQ(kEvents[0].name, "Scroll");
  EXPECT_EQ(kEvents[0].dispid, 1);
  EXPECT_TRUE(kEvents[0].args.empty());
  EXPECT_EQ(kEvents[1].name, "Change");
  EXPECT_EQ(kEvents[1].dispid, 2);
  EXPECT_TRUE(kEvents[1].args[0].byRef);
  EXPECT_EQ(kEvents[1].args[0].type, "Long");
  EXPECT_TRUE(kEvents[1].help.starts_with("Scelta definitivamente la posizione"));
  EXPECT_EQ(kEvents[2].name, "GetDescription");
  EXPECT_EQ(kEvents[2].dispid, 3);
  EXPECT_EQ(kEvents[2].args[0].type, "String");
  EXPECT_EQ(kEvents[2].help, "Richiede la descrizione da visualizzare come tooltip");
}

TEST(Interface, DispatchByNameAndByIdReachesEveryProperty) {
  Bar bar;
  host::Dispatch& d = *bar.ctl;
  d.let("max", Variant("100"));  // names are case-insensitive; text converts to the type
  EXPECT_EQ(bar.ctl->Max(), 100);
  d.let("VALUE", Variant(int16_t{7}));
  EXPECT_EQ(d.get("Value").asLong(), 7);
  d.let("LargeChange", Variant(int32_t{9}));
  EXPECT_EQ(d.get("largechange").asLong(), 9);
  d.let("SmallChange", Variant(int32_t{3}));
  EXPECT_EQ(d.get("SmallChange").asLong(), 3);
  d.let("Min", Variant(int32_t{-4}));
  EXPECT_EQ(d.get("Min").asLong(), -4);
  d.let("RefreshMsecGD", Variant(int32_t{123}));
  EXPECT_EQ(d.get("RefreshMsecGD").vt(), static_cast<uint16_t>(host::VarType::Integer));
  d.let("Enabled", Variant::boolean(false));
  EXPECT_EQ(d.get("Enabled").asBoolean(), host::False);
  d.let("Enabled", Variant::boolean(true));
  host::Boolean byRef = host::False;
  Variant arg = Variant::refBoolean(&byRef);
  d.invoke(0x6803001D, host::Invoke::Let, std::span<Variant>(&arg, 1));
  EXPECT_EQ(d.get("VerticalBar").asBoolean(), host::False);
  EXPECT_EQ(d.get("Description").asString(), "");

  // By id, each accessor of the table.
  for (const InterfaceEntry& e : kInterface) {
    if (e.access != Access::Get) continue;
    SCOPED_TRACE(std::string(e.member));
    EXPECT_EQ(d.idOfName(e.member), e.dispid);
    Variant byId = d.invoke(e.dispid, host::Invoke::Get, {});
    Variant byName = d.get(e.member);
    EXPECT_EQ(byId, byName);
  }

  // Wrong names, wrong types and read-only members fail cleanly, changing nothing.
  auto errorOf = [](auto&& f) {
    try {
      f();
    } catch (const host::Error& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(errorOf([&] { d.get("Nope"); }), 438);
  EXPECT_EQ(errorOf([&] { d.let("Description", Variant("x")); }), 438);
  EXPECT_EQ(errorOf([&] { d.let("Max", Variant("lots")); }), 13);
  EXPECT_EQ(errorOf([&] { d.let("RefreshMsecGD", Variant(int32_t{40000})); }), 6);
  EXPECT_EQ(errorOf([&] { d.let("PictureCursor", Variant(bar.form)); }), 13);
  EXPECT_EQ(bar.ctl->Max(), 100);
  EXPECT_EQ(bar.ctl->RefreshMsecGD(), 123);
}

TEST(Interface, PicturePropertiesWorkOnTheirWidgets) {
  Bar bar;
  auto pic = std::make_shared<host::Picture>(2, 2, std::vector<uint32_t>(4, 0xFF00FF00u));
  struct Prop {
    const char* name;
    const char* widget;
  };
  for (Prop p : {Prop{"PictureBarra", "imgSfondoPic"}, Prop{"PictureCursor", "imgCursor"},
                 Prop{"PictureSXUP", "cmdSxUp"}, Prop{"PictureDXDN", "cmdDXDN"}}) {
    SCOPED_TRACE(p.name);
    bar.clearRecords();
    EXPECT_TRUE(bar.ctl->get(p.name).asObject()) << "a built-in picture to begin with";
    bar.ctl->let(p.name, Variant(pic));
    EXPECT_EQ(bar.part(p.widget).get("Picture").asObject(), pic);
    EXPECT_EQ(bar.ctl->get(p.name).asObject(), pic);
    bar.ctl->let(p.name, Variant::nothing());
    EXPECT_FALSE(bar.ctl->get(p.name).asObject());
    EXPECT_EQ(bar.propertyChangeCount(p.name), 2u);
  }
}

TEST(Interface, GetDescriptionArgumentComesBackAsTheDescription) {
  Bar bar;
  bar.ctl->setMax(100);
  bar.onEvent = [](std::string_view name, std::span<host::Variant> args) {
    if (name == "GetDescription") args[0].assign(Variant("row " + args[0].asString() + "!"));
  };
  bar.key(host::vk::Down);
  EXPECT_EQ(bar.ctl->Description(), "row !");
  bar.engine.advance(1000);
  bar.key(host::vk::Down);
  EXPECT_EQ(bar.ctl->Description(), "row row !!");  // the handler sees the last text
}

// A host may let go of the site first and keep the control (or its extender) a while: what the
// control still does needs no site, what needs the site is error 398, and releasing it is safe.
TEST(Interface, AControlOutlivesItsSite) {
  Bar bar;
  bar.ctl->setMax(100);
  host::ObjectRef extender = bar.site->extender();
  std::weak_ptr<host::ControlSite> site = bar.site;
  bar.site.reset();
  ASSERT_TRUE(site.expired());
  auto error = [](auto&& f) {
    try {
      f();
    } catch (const host::Error& e) {
      return e.number();
    }
    return 0;
  };
  bar.ctl->let("Value", Variant(int32_t{7}));  // no site to tell or to raise Change through
  EXPECT_EQ(bar.ctl->get("Value").asLong(), 7);
  bar.ctl->let("Max", Variant(int32_t{50}));
  EXPECT_EQ(error([&] { bar.ctl->call("ShowAboutBox"); }), host::err::NoClientSite);
  EXPECT_EQ(error([&] { extender->get("Left"); }), host::err::NoClientSite);
  EXPECT_EQ(extender->typeName(), "Object");
  bar.engine.advance(1000);
  bar.ctl.reset();
  extender.reset();
}

TEST(AboutBox, ShowsAFreshModalFormPerCall) {
  Bar bar;
  std::vector<host::Form*> seen;
  bar.engine.setModalPolicy([&](host::Form& f) {
    seen.push_back(&f);
    EXPECT_EQ(f.Caption(), "KeloScroll-Bar");
    EXPECT_FLOAT_EQ(f.Width(), 2970.0f);
    EXPECT_FLOAT_EQ(f.Height(), 1785.0f);
    auto* label2 = host::findWidget(f, "Label2");
    ASSERT_NE(label2, nullptr);
    EXPECT_EQ(label2->get("Alignment").asInteger(), 2);
  });
  size_t formsBefore = bar.engine.forms().size();
  bar.ctl->invoke(kDispidAboutBox, host::Invoke::Method, {});
  bar.ctl->call("ShowAboutBox");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(bar.engine.shown().size(), 2u);
  EXPECT_EQ(bar.engine.shown()[0].kind, "modal");
  EXPECT_EQ(bar.engine.forms().size(), formsBefore) << "unloaded after each showing";
}

TEST(AboutBox, ShowingItWhileItShowsFailsAndABoxLeftOverGoesWithItsEngine) {
  auto bar = std::make_unique<Bar>();
  int32_t nested = 0;
  bar->engine.setModalPolicy([&](host::Form&) {
    try {
      bar->ctl->ShowAboutBox();
    } catch (const host::Error& e) {
      nested = e.number();
    }
  });
  bar->ctl->ShowAboutBox();
  EXPECT_EQ(nested, 400);
  EXPECT_EQ(bar->engine.findForm("dlgAbout"), nullptr);  // the first showing ended as usual
  // A showing that fails leaves its box loaded; it must go with its engine.
  bar->engine.setModalPolicy([](host::Form&) { host::raise(host::err::InvalidCall); });
  EXPECT_THROW(bar->ctl->ShowAboutBox(), host::Error);
  EXPECT_NE(bar->engine.findForm("dlgAbout"), nullptr);
  bar.reset();
  Bar other;
  other.ctl->ShowAboutBox();
  ASSERT_EQ(other.engine.shown().size(), 1u);
  EXPECT_EQ(other.engine.findForm("dlgAbout"), nullptr);
}

TEST(AboutBox, CreditNeedsBothButtonsWithCtrlAltOnTheContactLine) {
  Bar bar;
  struct Gesture {
    const char* label;
    int16_t buttons;
    int16_t shift;
    bool credit;
  };
  for (Gesture g : {Gesture{"Label2", 3, 6, true}, Gesture{"Label2", 1, 6, false},
                    Gesture{"Label2", 2, 6, false}, Gesture{"Label2", 3, 0, false},
                    Gesture{"Label2", 3, 7, false}, Gesture{"Label1", 3, 6, false}}) {
    SCOPED_TRACE(std::string(g.label) + " " + std::to_string(g.buttons) + "/" +
                 std::to_string(g.shift));
    size_t before = bar.engine.shown().size();
    bar.engine.setModalPolicy([&](host::Form& f) {
      host::Widget* label = host::findWidget(f, g.label);
      double x = 0, y = 0;
      label->originOnForm(x, y);
      // The buttons go down one after another, as a user's do, and come up again.
      for (int16_t b : {host::mouse::Left, host::mouse::Right}) {
        if (g.buttons & b) bar.engine.mouseDown(f, x + 50, y + 50, b, g.shift);
      }
      for (int16_t b : {host::mouse::Left, host::mouse::Right}) {
        if (g.buttons & b) bar.engine.mouseUp(f, x + 50, y + 50, b, g.shift);
      }
    });
    bar.ctl->ShowAboutBox();
    const auto& shown = bar.engine.shown();
    ASSERT_EQ(shown.size(), before + (g.credit ? 2 : 1));
    if (g.credit) {
      EXPECT_EQ(shown.back().kind, "msgbox");
      EXPECT_EQ(shown.back().caption, design::dlgAbout::kCredit);
      EXPECT_EQ(shown.back().buttons, 0);
    }
  }
}

}  // namespace
}  // namespace keloscroll::testing
