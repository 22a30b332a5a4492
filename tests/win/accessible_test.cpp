// KeloScroll.ocx as assistive technology sees it, in the platform's AtlAxWin host: a client of the
// platform's oleacc gets the bar's IAccessible from the control's window, reads the bar and its
// five parts against the window, presses the end button through it, hears its win events, and
// keeps the object past the control's end without harm. (What the bar tells, part by part, and its
// name from a container's extender are the Linux scenarios'; this host names no control, so the
// bar has the product's name.)
// clang-format off
#include "tests/win/container_test_util.h"  // first: it brings the Windows headers in order
// clang-format on
#include <oleacc.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace {

using kelo_test::Ptr;
using kelo_test::Var;
using namespace container_test;

// The win events the hook heard for the watched window's client object.
HWND gWatched = nullptr;
std::vector<DWORD> gHeard;
void CALLBACK heard(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
  if (hwnd == gWatched && object == OBJID_CLIENT) gHeard.push_back(event);
}

std::wstring text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* a,
                  LONG index) {
  BSTR b = nullptr;
  HRESULT hr = (a->*get)(Var::i4(index), &b);
  std::wstring s = b ? std::wstring(b, SysStringLen(b)) : L"";
  SysFreeString(b);
  return SUCCEEDED(hr) ? s : L"(failed)";
}

LONG number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible* a,
            LONG index) {
  Var v;
  EXPECT_EQ((a->*get)(Var::i4(index), &v), S_OK);
  return v.vt == VT_I4 ? v.lVal : -1;
}

RECT place(IAccessible* a, LONG index) {
  LONG x = 0, y = 0, w = 0, h = 0;
  EXPECT_EQ(a->accLocation(&x, &y, &w, &h, Var::i4(index)), S_OK);
  return RECT{x, y, x + w, y + h};
}

TEST(Accessible, InThePlatformsAtlHost) {
  HMODULE ocx = nullptr, atl = nullptr;
  ASSERT_NO_FATAL_FAILURE(loadAtlHost(ocx, atl));
  AtlBar b;
  ASSERT_NO_FATAL_FAILURE(b.open(atl));
  IDispatch* control = b.control.get();
  HWND window = b.window;
  put(control, L"Max", 100);
  put(control, L"Value", 10);
  Ptr<IAccessible> bar;
  ASSERT_EQ(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                       bar.putVoid()),
            S_OK);
  IAccessible* a = bar.get();
  LONG count = 0;
  EXPECT_EQ(a->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(number(&IAccessible::get_accRole, a, CHILDID_SELF), ROLE_SYSTEM_SCROLLBAR);
  EXPECT_EQ(text(&IAccessible::get_accName, a, CHILDID_SELF), L"KeloScroll");
  EXPECT_TRUE(number(&IAccessible::get_accState, a, CHILDID_SELF) & STATE_SYSTEM_FOCUSABLE);

  // The parts one under the other from the window's top, each as wide as the window: the end
  // buttons at its ends, the thumb between the page areas.
  const LONG roles[] = {ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_INDICATOR,
                        ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON};
  RECT w{};
  GetWindowRect(window, &w);
  LONG edge = w.top;
  for (LONG i = 1; i <= 5; ++i) {
    EXPECT_EQ(number(&IAccessible::get_accRole, a, i), roles[i - 1]);
    RECT r = place(a, i);
    EXPECT_EQ(std::tuple(r.left, r.top, r.right), std::tuple(w.left, edge, w.right)) << i;
    edge = r.bottom;
    Var hit;
    EXPECT_EQ(a->accHitTest(r.left + 2, (r.top + r.bottom) / 2, &hit), S_OK);
    EXPECT_EQ(hit.lVal, i);
  }
  Var first, next;
  EXPECT_EQ(a->accNavigate(NAVDIR_FIRSTCHILD, Var::i4(CHILDID_SELF), &first), S_OK);
  EXPECT_EQ(a->accNavigate(NAVDIR_NEXT, Var::i4(4), &next), S_OK);
  EXPECT_EQ(std::tuple(first.lVal, next.lVal), std::tuple(1, 5));

  // The end button's default action is a click on it: one step, and the description the host
  // gives; assistive technology hears the value and the description change (Wine delivers win
  // events to an out-of-context hook).
  gWatched = window;
  gHeard.clear();
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr,
                                       heard, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  b.sink->description = L"row 11";
  EXPECT_EQ(a->accDoDefaultAction(Var::i4(5)), S_OK);
  EXPECT_EQ(text(&IAccessible::get_accValue, a, CHILDID_SELF), L"11");
  EXPECT_EQ(text(&IAccessible::get_accDescription, a, CHILDID_SELF), L"row 11");
  pump(50);
  auto heardOnce = [](DWORD event) { return std::count(gHeard.begin(), gHeard.end(), event); };
  EXPECT_EQ(heardOnce(EVENT_OBJECT_VALUECHANGE), 1);
  EXPECT_EQ(heardOnce(EVENT_OBJECT_DESCRIPTIONCHANGE), 1);

  // Disabled: the bar unavailable, pressing a part does nothing, and the state change is heard.
  put(control, L"Enabled", 0);
  pump(50);
  UnhookWinEvent(hook);
  EXPECT_EQ(heardOnce(EVENT_OBJECT_STATECHANGE), 1);
  EXPECT_TRUE(number(&IAccessible::get_accState, a, CHILDID_SELF) & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_NE(a->accDoDefaultAction(Var::i4(5)), S_OK);

  // A client that keeps the object past the control's end is told it is no longer connected.
  b.close();
  BSTR name = nullptr;
  EXPECT_EQ(a->get_accName(Var::i4(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(a->accDoDefaultAction(Var::i4(5)), CO_E_OBJNOTCONNECTED);
}

}  // namespace
