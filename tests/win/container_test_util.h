// What the container tests share: loading the library, running the thread's messages on the real
// clock, real mouse and key input, painting into memory, and the windows that show.
#pragma once

// clang-format off
#include "tests/win/com_client.h"  // first: windows.h before the other Windows headers
// clang-format on
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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

// OLE for this thread, and KeloScroll.ocx (beside the test) loaded and registered.
inline void loadRegisteredOcx(HMODULE& ocx) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  ocx = LoadLibraryW(L"KeloScroll.ocx");
  ASSERT_NE(ocx, nullptr);
  ASSERT_EQ(function<HRESULT(STDAPICALLTYPE*)()>(ocx, "DllRegisterServer")(), S_OK);
}

// loadRegisteredOcx, and atl.dll's ActiveX host window class ready (the platform's own host).
inline void loadAtlHost(HMODULE& ocx, HMODULE& atl) {
  ASSERT_NO_FATAL_FAILURE(loadRegisteredOcx(ocx));
  atl = LoadLibraryW(L"atl.dll");
  ASSERT_NE(atl, nullptr);
  ASSERT_TRUE(function<BOOL(WINAPI*)()>(atl, "AtlAxWinInit")());
}

// A bar in atl.dll's host window (`host`) at 10,10 and `width` x `height` pixels on a form-like top
// window (`top`, `form` pixels, which takes both down when destroyed), its events to `sink`.
struct AtlBar {
  HWND top = nullptr, host = nullptr, window = nullptr;  // window: the control's own
  kelo_test::Ptr<IDispatch> control;
  kelo_test::Ptr<IConnectionPoint> point;
  DWORD cookie = 0;
  kelo_test::Ptr<EventSink> sink = kelo_test::Ptr<EventSink>::adopt(new EventSink(kEvents));

  void open(HMODULE atl, int width = 17, int height = 200, SIZE form = {300, 300}) {
    top = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, form.cx,
                          form.cy, nullptr, nullptr, nullptr, nullptr);
    host = CreateWindowExW(0, L"AtlAxWin", L"KeloScroll.UsrKeloScroll", WS_CHILD | WS_VISIBLE, 10,
                           10, width, height, top, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    pump(100);
    kelo_test::Ptr<IUnknown> u;
    ASSERT_EQ(function<HRESULT(WINAPI*)(HWND, IUnknown**)>(atl, "AtlAxGetControl")(host, u.put()),
              S_OK);
    control = u.query<IDispatch>(IID_IDispatch);
    auto points = u.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(control && points);
    ASSERT_EQ(points->FindConnectionPoint(kEvents, point.put()), S_OK);
    ASSERT_EQ(point->Advise(sink.get(), &cookie), S_OK);
    window = GetWindow(host, GW_CHILD);
    ASSERT_NE(window, nullptr);
  }
  // The sink taken back, the control let go, the top window destroyed.
  void close() {
    if (point) point->Unadvise(cookie);
    point.reset();
    control.reset();
    if (top) DestroyWindow(top);
    top = nullptr;
    pump(50);
  }
};

// Whether the library may be unloaded now.
inline HRESULT canUnload(HMODULE ocx) {
  return function<HRESULT(STDAPICALLTYPE*)()>(ocx, "DllCanUnloadNow")();
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

// A window's rectangle in its parent's client coordinates.
RECT inParent(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
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

// What `window` shows on the screen, its top left `width` x `height` pixels, read through its own
// DC (child windows included, which PrintWindow leaves out under Wine).
inline std::vector<uint32_t> onScreen(HWND window, int width, int height) {
  HDC screen = GetDC(window);
  std::vector<uint32_t> shown = paintInto(
      width, height, [&](HDC dc) { BitBlt(dc, 0, 0, width, height, screen, 0, 0, SRCCOPY); });
  ReleaseDC(window, screen);
  return shown;
}

// The first pixel at which two pictures `width` pixels wide differ in colour (alpha aside), as
// "x, y"; "none" when they are alike.
inline std::string firstDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                                   int width) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if ((a[i] ^ b[i]) & 0xFFFFFFu)
      return std::to_string(i % width) + ", " + std::to_string(i / width);
  return a.size() == b.size() ? "none" : "sizes differ";
}

// The control as it draws itself (one aspect of it) through IViewObject::Draw into a device
// context of `width` x `height` pixels.
inline std::vector<uint32_t> drawn(IUnknown* control, int width, int height,
                                   DWORD aspect = DVASPECT_CONTENT) {
  auto view = kelo_test::query<IViewObject>(control, IID_IViewObject);
  return paintInto(width, height, [&](HDC dc) {
    RECTL bounds{0, 0, width, height};
    EXPECT_EQ(
        view ? view->Draw(aspect, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0)
             : E_NOINTERFACE,
        S_OK);
  });
}

using Shown = std::pair<const wchar_t*, std::vector<HWND>>;  // a class, its windows that show
inline BOOL CALLBACK collectShown(HWND h, LPARAM shown) {
  auto& [want, found] = *reinterpret_cast<Shown*>(shown);
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 64);
  if (IsWindowVisible(h) && kelo_test::sameName(cls, want)) found.push_back(h);
  return TRUE;
}
// The windows of a class that show now: this thread's top-level ones, or those within `parent`.
inline std::vector<HWND> shown(const wchar_t* cls, HWND parent = nullptr) {
  Shown s{cls, {}};
  auto p = reinterpret_cast<LPARAM>(&s);
  parent ? EnumChildWindows(parent, collectShown, p)
         : EnumThreadWindows(GetCurrentThreadId(), collectShown, p);
  return s.second;
}

}  // namespace container_test
