// What the container tests share: loading a function of a library, running the thread's messages
// on the real clock, real mouse and key input, the sinks a container gives the control, and the
// screen read back against the Linux renderer's pictures.
#pragma once

// clang-format off
#include "tests/win/com_client.h"  // first: windows.h before the other Windows headers
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/picture.h"

namespace container_test {

using kelo_test::EventSink;
using kelo_test::kChange;
using kelo_test::kGetDescription;
using kelo_test::kScroll;

using kelo_test::function;

inline const IID kEvents = {
    0xECB61BF8, 0xFA1C, 0x40CF, {0xBD, 0x7D, 0x93, 0x5E, 0x67, 0x0D, 0xAE, 0xED}};

// Runs the thread's messages for `ms` milliseconds of real time: the control's timers are the
// real clock's.
inline void pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  MSG m;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
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
  HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override {
    status |= flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* lcid) override {
    return lcid ? (*lcid = LOCALE_USER_DEFAULT, S_OK) : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }
};

// OLE for this thread, and KeloScroll.ocx (beside the test) loaded and registered.
inline void loadRegisteredOcx(HMODULE& ocx) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  ocx = LoadLibraryW(L"KeloScroll.ocx");
  ASSERT_NE(ocx, nullptr);
  ASSERT_EQ(function<HRESULT(STDAPICALLTYPE*)()>(ocx, "DllRegisterServer")(), S_OK);
}

// Real input at the pointer: the left button pressed or released, a key pressed and released.
inline void button(bool down) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &in, sizeof in);
}
inline void key(WORD vk) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

// A late-bound property of any object of a container or of the control, by name.
inline long getLong(IDispatch* d, const wchar_t* name) {
  return kelo_test::getLong(d, kelo_test::idOf(d, name));
}
inline void put(IDispatch* d, const wchar_t* name, long value) {
  ASSERT_EQ(kelo_test::put(d, kelo_test::idOf(d, name), kelo_test::Var::i4(value)).hr, S_OK)
      << name;
}

// Real input: the pointer over a point of a window's client area.
inline void pointAt(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  pump(20);
}

// Real input: the pointer moved (while a button is held, a drag) to a point of a window's client
// area.
inline void moveTo(HWND window, int x, int y) {
  POINT screen{x, y};
  ClientToScreen(window, &screen);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

// What `paint` paints into a device context of `width` x `height` pixels, each 0xAARRGGBB.
inline std::vector<uint32_t> paintInto(int width, int height,
                                       const std::function<void(HDC)>& paint) {
  HDC memory = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  paint(memory);
  GdiFlush();
  std::vector<uint32_t> out(static_cast<const uint32_t*>(bits),
                            static_cast<const uint32_t*>(bits) + width * height);
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  return out;
}

// What a window shows, read back from the screen (a window's own DC: child windows included,
// which PrintWindow leaves out under Wine): each pixel opaque.
inline std::vector<uint32_t> capture(HWND window, int width, int height) {
  HDC screen = GetDC(window);
  std::vector<uint32_t> out = paintInto(
      width, height, [&](HDC dc) { BitBlt(dc, 0, 0, width, height, screen, 0, 0, SRCCOPY); });
  ReleaseDC(window, screen);
  for (uint32_t& p : out) p |= 0xFF000000u;
  return out;
}

// The bars the Linux renderer painted into the reference pictures (tests/win/reference/, the bar
// 8 pixels into each), as a container sets them up: its size in pixels, laid down before it is
// sized when `lying`, then the properties written; `held`: the lower end button held down while
// the window is read back.
struct ReferenceBar {
  const char* reference;
  int width, height;
  bool lying;
  std::vector<std::pair<const wchar_t*, long>> properties;
  bool held = false;
};
inline const std::vector<ReferenceBar>& referenceBars() {
  static const std::vector<ReferenceBar> bars = {
      {"bar-vertical", 17, 160, false, {}},
      {"bar-value", 17, 160, false, {{L"Max", 100}, {L"Value", 60}}},
      {"bar-disabled", 17, 160, false, {{L"Enabled", 0}}},
      {"bar-held", 17, 160, false, {{L"Max", 10}, {L"Value", 10}}, true},
      {"bar-horizontal", 160, 17, true, {{L"Max", 10}, {L"Value", 3}}},
  };
  return bars;
}

// Checks that `window` shows exactly the reference picture of `bar`; the first differing pixel is
// named.
inline void expectShowsReference(HWND window, const ReferenceBar& bar) {
  if (bar.held) {
    pointAt(window, bar.width / 2, bar.height - 5);
    button(true);
    pump(150);
  }
  RECT r{};
  GetClientRect(window, &r);
  std::vector<uint32_t> shown = capture(window, bar.width, bar.height);
  if (bar.held) {
    button(false);
    pump(600);  // the tooltip's time
  }
  ASSERT_EQ(std::pair(static_cast<int>(r.right), static_cast<int>(r.bottom)),
            std::pair(bar.width, bar.height));
  host::PictureRef ref =
      host::Picture::load(std::string(KELO_REFERENCE_DIR) + "/" + bar.reference + ".png");
  int differ = 0;
  std::string first;
  for (int y = 0; y < bar.height; ++y)
    for (int x = 0; x < bar.width; ++x) {
      uint32_t want = ref->pixel(8 + x, 8 + y) | 0xFF000000u;
      if (shown[static_cast<size_t>(y * bar.width + x)] == want) continue;
      if (differ++ == 0) first = std::to_string(x) + "," + std::to_string(y);
    }
  EXPECT_EQ(differ, 0) << "first at " << first;
}

// A bar 17 x 200 pixels in its container's window, `bar` its control, `sink` its events: a click
// on the track pages, the keys step, and a drag moves the thumb.
inline void expectKeysPageClickAndDrag(HWND window, IDispatch* bar, EventSink& sink) {
  put(bar, L"Max", 20);
  put(bar, L"LargeChange", 5);
  put(bar, L"Value", 3);
  pointAt(window, 8, 150);  // the track, below the thumb
  button(true);
  button(false);
  pump(100);
  EXPECT_EQ(getLong(bar, L"Value"), 8);
  key(VK_DOWN);
  pump(100);
  EXPECT_EQ(getLong(bar, L"Value"), 9);
  key(VK_HOME);
  pump(100);
  EXPECT_EQ(getLong(bar, L"Value"), 1);

  // The thumb (at the top of the track, below the 16-pixel button) grabbed and pulled 80 pixels
  // down, the pointer moving while the button is held: the thumb's top follows the pointer.
  sink.events.clear();
  pointAt(window, 8, 20);
  button(true);
  pump(50);
  for (int y = 30; y <= 100; y += 10) {
    moveTo(window, 8, y);
    pump(30);
  }
  button(false);
  pump(100);
  EXPECT_EQ(getLong(bar, L"Value"), 11);
  EXPECT_GE(sink.count(kChange), 1);
  EXPECT_EQ(sink.count(kScroll), 0);
  pump(600);  // the tooltip's time
}

struct Shown {
  const wchar_t* cls;
  std::vector<HWND> found;
};
inline BOOL CALLBACK collectShown(HWND h, LPARAM shown) {
  auto& s = *reinterpret_cast<Shown*>(shown);
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 64);
  if (IsWindowVisible(h) && kelo_test::sameName(cls, s.cls)) s.found.push_back(h);
  return TRUE;
}
// The windows of a class that show now: this thread's top-level ones, or those within `parent`.
inline std::vector<HWND> shown(const wchar_t* cls, HWND parent = nullptr) {
  Shown s{cls, {}};
  if (parent) {
    EnumChildWindows(parent, collectShown, reinterpret_cast<LPARAM>(&s));
  } else {
    EnumThreadWindows(GetCurrentThreadId(), collectShown, reinterpret_cast<LPARAM>(&s));
  }
  return s.found;
}

// The control `bar` (its Value 4) lists the standard picture page, then PropertyPage1; that page,
// given `object` (the control, or its extender as a designer gives it) and shown in `parent`, takes
// a 7 typed into its Value field, is dirty, and changes the control on Apply only.
inline void expectPagesListedAndPage1AppliesATypedValue(IDispatch* bar, IUnknown* object,
                                                        HWND parent) {
  kelo_test::Ptr<ISpecifyPropertyPages> specify;
  ASSERT_EQ(bar->QueryInterface(IID_ISpecifyPropertyPages, specify.putVoid()), S_OK);
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

  kelo_test::Ptr<IPropertyPage> page;
  ASSERT_EQ(
      CoCreateInstance(page1, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, page.putVoid()),
      S_OK);
  PROPPAGEINFO info{};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(std::wstring(info.pszTitle), L"PropertyPage1");
  EXPECT_EQ(info.size.cx, 5925 / 15);
  EXPECT_EQ(info.size.cy, 3495 / 15);
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszDocString);
  CoTaskMemFree(info.pszHelpFile);
  PageSite site;
  ASSERT_EQ(page->SetPageSite(&site), S_OK);
  ASSERT_EQ(page->SetObjects(1, &object), S_OK);
  std::vector<HWND> before = shown(L"KeloScrollForm", parent);
  RECT area{0, 0, info.size.cx, info.size.cy};
  ASSERT_EQ(page->Activate(parent, &area, TRUE), S_OK);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  HWND pageWindow = nullptr;
  for (HWND h : shown(L"KeloScrollForm", parent))
    if (std::find(before.begin(), before.end(), h) == before.end()) pageWindow = h;
  ASSERT_NE(pageWindow, nullptr);
  pump(50);
  // The Value field (its text 4): click into it, take the digit back and type 7.
  pointAt(pageWindow, 50, 165);
  button(true);
  button(false);
  pump(50);
  key(VK_BACK);
  key('7');
  pump(100);
  EXPECT_EQ(page->IsPageDirty(), S_OK);
  EXPECT_TRUE(site.status & PROPPAGESTATUS_DIRTY);
  EXPECT_EQ(getLong(bar, L"Value"), 4) << "changed before Apply";
  ASSERT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(getLong(bar, L"Value"), 7);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page->Deactivate(), S_OK);
  page->SetObjects(0, nullptr);
  page->SetPageSite(nullptr);
}

}  // namespace container_test
