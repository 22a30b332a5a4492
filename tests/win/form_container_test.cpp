// KeloScroll.ocx on a form of our own that plays a form designer's part (tests/win/form_container):
// the form gives the control an extender, its Parent with Controls (the tooltip box is a real
// EDIT window the form makes), ambient UserMode for run and design mode, and a property-notify
// sink that marks the form dirty. The tests drive the control with real input on a virtual
// display and watch its events on a sink of their own.
// clang-format off
#include "tests/win/container_test_util.h"  // first: it brings the Windows headers in order
// clang-format on
#include <functional>
#include <stdexcept>
#include <string>

#include "tests/win/form_container.h"

namespace {

using form_container::Form;
using form_container::Placement;
using form_container::Site;
using form_container::toHimetric;
using kelo_test::Ptr;
using namespace container_test;

std::wstring textOf(HWND h) {
  wchar_t buf[256] = {};
  GetWindowTextW(h, buf, 256);
  return buf;
}

class FormContainer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_NO_FATAL_FAILURE(loadRegisteredOcx(ocx_));
    ASSERT_EQ(CLSIDFromProgID(L"KeloScroll.UsrKeloScroll", &control_), S_OK);
  }

  void SetUp() override {
    form_ = Form::create(480, 360);
    pump(50);
  }

  // Every control closed and the form gone: the control gave back every reference to the
  // form's objects (sites, extenders, the form, its Controls and text boxes) and to the sink, and
  // went itself.
  void TearDown() override {
    form_->close();
    form_->Release();
    pump(50);
    EXPECT_EQ(sink_->refs(), 1u);
    sink_.reset();
    EXPECT_EQ(kelo_test::Counted::live(), 0);
    EXPECT_EQ(canUnload(ocx_), S_OK) << "every object of the library gone, each once";
  }

  // A control placed as `p` says (by default 17 x 200 pixels with its left edge at 200 pixels, 3000
  // twips, on the form), its events to `sink_`. A control that cannot be placed ends the test.
  Site* place(Placement p = {}) {
    p.events = sink_.get();
    Site* site = nullptr;
    HRESULT hr = form_->place(control_, p, &site);
    if (FAILED(hr)) throw std::runtime_error("placing failed: " + std::to_string(hr));
    pump(50);
    return site;
  }

  static IDispatch* dispatchOf(Site* s) {  // borrowed: the site keeps the control
    return kelo_test::query<IDispatch>(s->control(), IID_IDispatch).get();
  }

  // Real input on the control's window: the pointer over (x, y) of its client area, the left
  // button held there for `ms` milliseconds, then released; what showed while it was held.
  std::vector<HWND> hold(HWND window, int x, int y, DWORD ms) {
    pointAt(window, x, y);
    button(true);
    pump(ms);
    std::vector<HWND> boxes = shown(L"EDIT", form_->hwnd());
    button(false);
    pump(750);  // the box hides half a second after the release
    return boxes;
  }

  static inline HMODULE ocx_ = nullptr;
  static inline CLSID control_{};
  Form* form_ = nullptr;
  Ptr<kelo_test::EventSink> sink_ =
      Ptr<kelo_test::EventSink>::adopt(new kelo_test::EventSink(kEvents));
};

// On a form with no type information, the form is the extender's Parent; on a typed one (its type
// Form1, not "...Form") the control stands in a frame, and its tooltip box still finds the form and
// stands beside the bar in the form's coordinates (the frame's offset added).
TEST_F(FormContainer, RunModeInputShowsTheTooltipBoxOnTheForm) {
  for (bool typed : {false, true}) {
    SCOPED_TRACE(typed ? "typed, in a frame" : "untyped");
    if (typed) {
      form_->close();
      form_->Release();
      form_ = Form::create(480, 360, true);
    }
    // At (3000, 450) on the form either way.
    Site* site =
        typed ? place({.left = 1500, .top = 150, .frame = form_->addFrame(1500, 300)}) : place();

    // In place on the form's window at the rectangle asked for.
    HWND window = site->window();
    ASSERT_NE(window, nullptr);
    RECT r = inParent(window);
    EXPECT_EQ(std::tuple(r.left, r.top, r.right, r.bottom), std::tuple(200, 30, 217, 230));
    EXPECT_TRUE(site->inPlace);

    // Holding the lower end button (its steps are the Linux scenarios') focuses the control and
    // shows the description in a text box the form made through Controls.Add, ending where the
    // bar begins (there is room on its left).
    sink_->description = L"Capitolo 12";
    std::vector<HWND> shown = hold(window, 8, 195, 350);
    EXPECT_TRUE(site->focused);

    ASSERT_EQ(shown.size(), 1u);
    HWND tip = shown[0];
    EXPECT_EQ(textOf(tip), L"Capitolo 12");
    // Named "Txt" and the control's window handle in decimal.
    const auto& added = form_->controls().added;
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0], L"Txt" + std::to_wstring(reinterpret_cast<uintptr_t>(window)));
    form_container::TextBox* box = form_->controls().textBox(added[0]);
    ASSERT_NE(box, nullptr);
    // Plain weight (its flat look and colours are the Linux scenarios'), beside the bar and
    // within its height, in front of the form's other windows.
    EXPECT_FALSE(box->bold);
    RECT t = inParent(tip);
    EXPECT_EQ(t.right, r.left);
    EXPECT_GE(t.top, r.top);
    EXPECT_LE(t.bottom, r.bottom);
    EXPECT_EQ(GetWindow(form_->hwnd(), GW_CHILD), tip);

    // The box has hidden since.
    EXPECT_TRUE(container_test::shown(L"EDIT", form_->hwnd()).empty());
  }
}

// What the control changes on its own it tells the container: without a window, that its picture
// changed (a new Value; not a RefreshMsecGD, which shows nothing); in place, that it raised its
// height to its least (two buttons and the thumb, 705 twips: 47 pixels).
TEST_F(FormContainer, TheControlTellsItsContainerWhatItChangesOnItsOwn) {
  Site* site = place({.activate = false});
  IDispatch* bar = dispatchOf(site);
  put(bar, L"Max", 100);
  auto view = kelo_test::query<IViewObject>(bar, IID_IViewObject);
  ASSERT_TRUE(view);
  ASSERT_EQ(view->SetAdvise(DVASPECT_CONTENT, 0, static_cast<IAdviseSink*>(site)), S_OK);
  put(bar, L"RefreshMsecGD", 300);
  EXPECT_EQ(site->viewChanges, 0);
  put(bar, L"Value", 60);
  EXPECT_EQ(site->viewChanges, 1);
  put(bar, L"Value", 60);
  EXPECT_EQ(site->viewChanges, 1);

  Site* small = place({.name = L"KeloScroll2", .height = 300});  // 20 pixels high
  ASSERT_FALSE(small->positionsAsked.empty());
  RECT asked = small->positionsAsked.back();
  EXPECT_EQ(std::tuple(asked.left, asked.top, asked.right, asked.bottom),
            std::tuple(200, 30, 217, 77));
}

// The frame's side of a property page (on the test's stack: its counts are fixed).
class PageSite final : public IPropertyPageSite {
 public:
  DWORD status = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return kelo_test::answer(iid, out, {{&IID_IUnknown, this}, {&IID_IPropertyPageSite, this}});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override { return status |= flags, S_OK; }
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* lcid) override {
    return lcid ? (*lcid = LOCALE_USER_DEFAULT, S_OK) : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }
};

// The control lists the standard picture page, then PropertyPage1, which a designer gives the
// extender: dirty once a value is typed, the control changed on Apply only. (Wine's property frame
// never calls Apply, so the page is driven through its own interface, as a frame drives it.)
TEST_F(FormContainer, DesignModeAppliesItsPageAndAnswersHitTests) {
  Site* site = place({.userMode = false});
  IDispatch* bar = dispatchOf(site);

  // The designer's property browser writes through the extender.
  IDispatch* extender = site->extender();
  put(extender, L"Max", 50);
  put(extender, L"LargeChange", 5);
  put(extender, L"RefreshMsecGD", 150);
  put(extender, L"Value", 4);

  auto specify =
      kelo_test::query<ISpecifyPropertyPages>(site->control(), IID_ISpecifyPropertyPages);
  CAUUID pages{};
  ASSERT_EQ(specify->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 2u);
  const CLSID standardPicture = {
      0x0BE35202, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  CLSID page1{};
  ASSERT_EQ(CLSIDFromProgID(L"KeloScroll.PropertyPage1", &page1), S_OK);
  EXPECT_TRUE(IsEqualCLSID(pages.pElems[0], standardPicture));
  EXPECT_TRUE(IsEqualCLSID(pages.pElems[1], page1));
  CoTaskMemFree(pages.pElems);
  Ptr<IPropertyPage> page;
  ASSERT_EQ(
      CoCreateInstance(page1, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, page.putVoid()),
      S_OK);
  PROPPAGEINFO info{};
  EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(std::wstring(info.pszTitle), L"PropertyPage1");
  EXPECT_EQ(std::pair(info.size.cx, info.size.cy), std::pair(5925L / 15, 3495L / 15));
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszDocString);
  CoTaskMemFree(info.pszHelpFile);

  IUnknown* object = extender;
  PageSite pageSite;
  ASSERT_EQ(page->SetPageSite(&pageSite), S_OK);
  ASSERT_EQ(page->SetObjects(1, &object), S_OK);
  RECT area{0, 0, info.size.cx, info.size.cy};
  ASSERT_EQ(page->Activate(form_->hwnd(), &area, TRUE), S_OK);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  HWND pageWindow = nullptr;
  for (HWND h : shown(L"KeloScrollForm", form_->hwnd()))
    if (h != site->window()) pageWindow = h;
  ASSERT_NE(pageWindow, nullptr);
  // The frame hides and shows a page as its tab is chosen.
  EXPECT_EQ(page->Show(SW_HIDE), S_OK);
  EXPECT_FALSE(IsWindowVisible(pageWindow));
  EXPECT_EQ(page->Show(SW_SHOW), S_OK);
  pump(50);
  // A click into the Value field (its text 4), the digit taken back, 7 typed.
  PostMessageW(pageWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 165));
  PostMessageW(pageWindow, WM_LBUTTONUP, 0, MAKELPARAM(50, 165));
  PostMessageW(pageWindow, WM_KEYDOWN, VK_BACK, 0);
  PostMessageW(pageWindow, WM_KEYUP, VK_BACK, 0);
  PostMessageW(pageWindow, WM_CHAR, L'7', 0);
  pump(100);
  EXPECT_EQ(page->IsPageDirty(), S_OK);
  EXPECT_TRUE(pageSite.status & PROPPAGESTATUS_DIRTY);
  EXPECT_EQ(getLong(bar, L"Value"), 4) << "changed before Apply";
  ASSERT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(getLong(bar, L"Value"), 7);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  // The frame turning to a selection while the page shows rebinds its one set of fields, and
  // EditProperty puts the focus on the field of that property: a 0 typed goes after Max's 50.
  ASSERT_EQ(page->SetObjects(1, &object), S_OK);
  auto page2 = page.query<IPropertyPage2>(IID_IPropertyPage2);
  ASSERT_TRUE(page2);
  EXPECT_EQ(page2->EditProperty(kelo_test::idOf(bar, L"Max")), S_OK);
  EXPECT_EQ(page2->EditProperty(DISPID_ABOUTBOX), E_NOTIMPL);
  PostMessageW(pageWindow, WM_CHAR, L'0', 0);
  pump(100);
  ASSERT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(getLong(bar, L"Max"), 500);
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_FALSE(IsWindow(pageWindow));
  page->SetObjects(0, nullptr);
  page->SetPageSite(nullptr);
  page.reset();

  // The designer's hit tests and Size to Fit, through the first control's view.
  RECT r = site->pixels();  // 200, 30 to 217, 230

  // The opaque aspect is the content's rectangle, and draws as the content does.
  auto view = kelo_test::query<IViewObjectEx>(site->control(), IID_IViewObjectEx);
  ASSERT_TRUE(view);
  RECTL content{}, opaque{}, transparent{};
  EXPECT_EQ(view->GetRect(DVASPECT_CONTENT, &content), S_OK);
  EXPECT_EQ(view->GetRect(DVASPECT_OPAQUE, &opaque), S_OK);
  EXPECT_EQ(view->GetRect(DVASPECT_TRANSPARENT, &transparent), DV_E_DVASPECT);
  for (const RECTL& e : {content, opaque})
    EXPECT_TRUE(e.left == 0 && e.top == 0 && e.right == toHimetric(255) &&
                e.bottom == toHimetric(3000));
  EXPECT_TRUE(drawn(site->control(), 17, 200, DVASPECT_OPAQUE) ==
              drawn(site->control(), 17, 200, DVASPECT_CONTENT));

  // A click selects the control on it, and near it when the designer allows some distance; a
  // band dragged over part of it selects it, one beside it does not.
  auto hitPoint = [&](LONG x, LONG y, LONG closeHint) {
    DWORD hit = HITRESULT_OUTSIDE;
    HRESULT hr = view->QueryHitPoint(DVASPECT_CONTENT, &r, POINT{x, y}, closeHint, &hit);
    return SUCCEEDED(hr) ? hit : DWORD{HITRESULT_OUTSIDE};
  };
  // A band in pixels from the control's top left corner, given in HIMETRIC.
  auto hitRect = [&](LONG left, LONG top, LONG right, LONG bottom) {
    auto h = [](LONG px) { return toHimetric(form_container::toTwips(px)); };
    RECT band{h(left), h(top), h(right), h(bottom)};
    DWORD hit = HITRESULT_OUTSIDE;
    HRESULT hr = view->QueryHitRect(DVASPECT_CONTENT, &r, &band, 0, &hit);
    return SUCCEEDED(hr) ? hit : DWORD{HITRESULT_OUTSIDE};
  };
  const std::pair<DWORD, int> hits[] = {
      {hitPoint(r.left + 5, r.top + 100, 0), HITRESULT_HIT},
      {hitPoint(r.right + 2, r.top + 100, 200), HITRESULT_CLOSE},
      {hitPoint(r.right + 40, r.top + 100, 200), HITRESULT_OUTSIDE},
      {hitRect(-30, 50, 3, 60), HITRESULT_HIT},
      {hitRect(20, 0, 47, 200), HITRESULT_OUTSIDE}};
  for (size_t i = 0; i < std::size(hits); ++i)
    EXPECT_EQ(hits[i].first, static_cast<DWORD>(hits[i].second)) << i;

  // Size to Fit: the control as designed, 720 x 3645 twips (48 x 243 pixels). A size the designer
  // proposes (dragging a handle) keeps what a resize would keep: a bar too short for two buttons
  // and the thumb (705 twips) is raised to that. In twips: mode, proposed, natural.
  const std::tuple<DWORD, SIZE, SIZE> sizes[] = {{DVEXTENT_CONTENT, {0, 0}, {720, 3645}},
                                                 {DVEXTENT_INTEGRAL, {255, 300}, {255, 705}},
                                                 {DVEXTENT_INTEGRAL, {255, 2000}, {255, 2000}}};
  for (auto [mode, proposed, size] : sizes) {
    DVEXTENTINFO extent{sizeof extent, mode, {toHimetric(proposed.cx), toHimetric(proposed.cy)}};
    SIZEL natural{};
    view->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &extent, &natural);
    EXPECT_EQ(std::pair(natural.cx, natural.cy),
              std::pair(toHimetric(size.cx), toHimetric(size.cy)));
  }
  site->move(3000, 450, 720, 3645);  // the natural size, where it stands: its window follows
  pump(50);
  RECT fitted = inParent(site->window());
  EXPECT_EQ(std::tuple(fitted.left, fitted.top, fitted.right, fitted.bottom),
            std::tuple(200, 30, 248, 273));
}

TEST_F(FormContainer, TheControlFollowsTheAmbientUserModeAsTheDesignerSwitchesIt) {
  Site* site = place({.userMode = false});
  sink_->description = L"Capitolo 3";

  // No description is asked for and no box is added in a designer.
  hold(site->window(), 8, 195, 250);
  EXPECT_EQ(sink_->count(kGetDescription), 0);
  // Set in the designer, where the track keeps its scale until the control is shown again.
  put(site->extender(), L"Max", 20);
  put(site->extender(), L"Value", 10);

  // Run mode: the bar looks as one that started at run time with the same values (its thumb
  // halfway down the track), and the next press shows the description in a box on the form.
  site->setUserMode(true);
  pump(50);
  Site* started = place({.name = L"KeloScroll2", .left = 6000});
  put(started->extender(), L"Max", 20);
  put(started->extender(), L"Value", 10);
  EXPECT_TRUE(drawn(site->control(), 17, 200) == drawn(started->control(), 17, 200))
      << "the switched bar draws differently from one started at run time";
  std::vector<HWND> shown = hold(site->window(), 8, 195, 250);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(textOf(shown[0]), L"Capitolo 3");
}

TEST_F(FormContainer, QuickActivationGivesTheSiteAndTheSinksInOneCall) {
  Site* site = place({.quick = true});  // the events given in the call: the control connects them
  EXPECT_EQ(site->quickControl.dwMiscStatus, 0x20191u);
  // Opaque: the form need not paint behind it.
  EXPECT_EQ(site->quickControl.dwViewStatus & (VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND),
            DWORD{VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND});

  // The content extent the form gave is the control's.
  auto quick = kelo_test::query<IQuickActivate>(site->control(), IID_IQuickActivate);
  ASSERT_TRUE(quick);
  SIZEL extent{};
  EXPECT_EQ(quick->GetContentExtent(&extent), S_OK);
  EXPECT_EQ(extent.cx, toHimetric(255));
  EXPECT_EQ(extent.cy, toHimetric(3000));

  // The sinks given in the call hear the control: events, and PropertyChanged dirtying the form.
  IDispatch* bar = dispatchOf(site);
  form_->dirty = false;
  put(bar, L"Value", 5);
  EXPECT_TRUE(form_->dirty);
  EXPECT_NE(std::find(site->changed.begin(), site->changed.end(), kelo_test::idOf(bar, L"Value")),
            site->changed.end());
  EXPECT_EQ(sink_->count(kChange), 1);
  // Closing the form takes both sinks back by their cookies (the check of live objects at the
  // end fails if the control still holds the site).

  // A site that looks at a control released in place as the control deactivates on its way out:
  // the control goes once.
  Site* other = place();
  IOleObject* released = other->control();
  other->onDeactivate = [released] {
    kelo_test::query<IOleInPlaceObject>(released, IID_IOleInPlaceObject);
  };
  other->letGo();  // the library's count of objects is checked once the form has gone
}

// Runs `step` every 100 ms inside a modal loop the test cannot return from until it says it is
// done; after 100 ticks the dialogs and forms that still show are closed (what was seen then fails
// the test).
std::function<bool()> modalStep;
int modalTicks = 0;
void CALLBACK stepInModal(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!modalStep() && ++modalTicks <= 100) return;
  KillTimer(nullptr, timer);
  if (modalTicks > 100)
    for (const wchar_t* cls : {L"#32770", L"KeloScrollForm"})
      for (HWND h : shown(cls)) PostMessageW(h, WM_CLOSE, 0, 0);
}
void watchModal(std::function<bool()> step) {
  modalStep = std::move(step);
  modalTicks = 0;
  SetTimer(nullptr, 0, 100, stepInModal);
}

// Ctrl, Alt and both mouse buttons held or let go, as the thread's key state tells the window.
void holdCtrlAltAndButtons(bool down) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  for (int vk : {VK_CONTROL, VK_MENU, VK_LBUTTON, VK_RBUTTON}) keys[vk] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

// A designer's About, on a control that was never activated (no window of its own): the box is a
// real modal window owned by the form (the form disabled and its modeless dialogs off while it
// shows, both back after), and its credit message a real message box. The thread has one box: a
// second bar's About while it shows finds it showing (error 400).
TEST_F(FormContainer, TheAboutBoxAndItsCreditAreModalWindowsOverTheForm) {
  Site* site = place({.userMode = false, .activate = false});
  Site* second = place({.name = L"KeloScroll2", .userMode = false, .activate = false});
  ASSERT_EQ(site->window(), nullptr);
  kelo_test::CallResult secondAbout{};
  // The box comes up; Ctrl+Alt with both buttons on its contact line brings the credit message,
  // which is read and answered; then the box is closed.
  HWND box = nullptr;
  int step = 0;
  std::wstring caption, credit;
  bool ownedByForm = false, formDisabled = false, modelessOff = false;
  const LPARAM contactLine = MAKELPARAM(100, 45);
  watchModal([&] {
    std::vector<HWND> boxes = shown(L"KeloScrollForm"), messages = shown(L"#32770");
    if (step == 0 && !boxes.empty()) {
      box = boxes.back();
      caption = textOf(box);
      ownedByForm = GetWindow(box, GW_OWNER) == form_->hwnd();
      formDisabled = !IsWindowEnabled(form_->hwnd());
      modelessOff = form_->modeless == std::vector<bool>{false};
      secondAbout = kelo_test::call(dispatchOf(second), DISPID_ABOUTBOX, DISPATCH_METHOD);
      holdCtrlAltAndButtons(true);
      PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, contactLine);
      PostMessageW(box, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON | MK_CONTROL, contactLine);
      step = 1;
    } else if (step == 1 && !messages.empty()) {
      credit = textOf(GetDlgItem(messages.back(), 0xFFFF));  // the message box's text
      holdCtrlAltAndButtons(false);
      PostMessageW(box, WM_RBUTTONUP, MK_LBUTTON, contactLine);
      PostMessageW(box, WM_LBUTTONUP, 0, contactLine);
      PostMessageW(messages.back(), WM_COMMAND, IDOK, 0);
      step = 2;
    } else if (step == 2 && messages.empty()) {
      PostMessageW(box, WM_CLOSE, 0, 0);
      return true;
    }
    return false;
  });
  EXPECT_EQ(kelo_test::call(dispatchOf(site), DISPID_ABOUTBOX, DISPATCH_METHOD).hr, S_OK);
  EXPECT_EQ(caption, L"KeloScroll-Bar");
  EXPECT_TRUE(ownedByForm);
  EXPECT_TRUE(formDisabled);
  EXPECT_TRUE(modelessOff);
  EXPECT_EQ(form_->modeless, (std::vector<bool>{false, true}));
  EXPECT_EQ(secondAbout.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(secondAbout.error.scode, static_cast<SCODE>(0x800A0000u + 400));
  SysFreeString(secondAbout.error.bstrDescription);
  SysFreeString(secondAbout.error.bstrSource);
  EXPECT_EQ(credit,
            L"KeloScroll was written by the KeloScroll developers <keloscroll@example.org>");
  EXPECT_FALSE(IsWindow(box));
  EXPECT_TRUE(IsWindowEnabled(form_->hwnd()));
}

}  // namespace
