// What the container tests share: loading a function of a library, running the thread's messages
// on the real clock, real mouse and key input, the sinks a container gives the control, and the
// screen read back against the Linux renderer's pictures.
#pragma once

#include <gtest/gtest.h>
#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/picture.h"

namespace container_test {

// A function of a loaded library, as its real type (through void*: FARPROC's type is a stand-in).
template <class F>
F function(HMODULE m, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

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

// An event sink that records the names of the events it gets and answers GetDescription with
// `description` when it has one.
class Sink final : public IDispatch {
 public:
  std::vector<std::string> events;
  std::wstring description;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kEvents) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    events.push_back(id == 1 ? "Scroll" : id == 2 ? "Change" : id == 3 ? "GetDescription" : "?");
    if (id == 3 && !description.empty() && params && params->cArgs == 1 &&
        params->rgvarg[0].vt == (VT_BYREF | VT_BSTR)) {
      SysFreeString(*params->rgvarg[0].pbstrVal);
      *params->rgvarg[0].pbstrVal = SysAllocString(description.c_str());
    }
    return S_OK;
  }
  int count(const std::string& name) const {
    return static_cast<int>(std::count(events.begin(), events.end(), name));
  }
};

// The frame's side of a property page.
class PageSite final : public IPropertyPageSite {
 public:
  DWORD status = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPropertyPageSite) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override {
    status |= flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* lcid) override {
    if (!lcid) return E_POINTER;
    *lcid = LOCALE_USER_DEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }
};

// OLE for this thread, and KeloScroll.ocx (beside the test) loaded and registered.
inline void loadRegisteredOcx(HMODULE& ocx) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  ocx = LoadLibraryW(L"KeloScroll.ocx");
  ASSERT_NE(ocx, nullptr);
  using Export = HRESULT(STDAPICALLTYPE*)();
  ASSERT_EQ(function<Export>(ocx, "DllRegisterServer")(), S_OK);
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
inline VARIANT get(IDispatch* d, const wchar_t* name) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = 0;
  VARIANT r;
  VariantInit(&r);
  EXPECT_EQ(d->GetIDsOfNames(IID_NULL, &n, 1, 0, &id), S_OK) << "no member " << name;
  DISPPARAMS none{};
  EXPECT_EQ(d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr), S_OK)
      << name;
  return r;
}
inline long getLong(IDispatch* d, const wchar_t* name) {
  VARIANT v = get(d, name);
  VARIANT l;
  VariantInit(&l);
  EXPECT_EQ(VariantChangeType(&l, &v, 0, VT_I4), S_OK) << name;
  VariantClear(&v);
  return l.lVal;
}
inline void put(IDispatch* d, const wchar_t* name, long value) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = 0;
  ASSERT_EQ(d->GetIDsOfNames(IID_NULL, &n, 1, 0, &id), S_OK) << "no member " << name;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS p{&arg, &named, 1, 1};
  ASSERT_EQ(d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr), S_OK)
      << name;
}

// Real input: the pointer over a point of a window's client area.
inline void pointAt(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  pump(20);
}

// Real input: the pointer moved (while a button is held, a drag) to a point of the screen.
inline void moveTo(POINT screen) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

// What a window shows, read back from the screen (a window's own DC: child windows included,
// which PrintWindow leaves out under Wine): each pixel 0xAARRGGBB, opaque.
inline std::vector<uint32_t> capture(HWND window, int width, int height) {
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> out(static_cast<const uint32_t*>(bits),
                            static_cast<const uint32_t*>(bits) + width * height);
  for (uint32_t& p : out) p |= 0xFF000000u;
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(window, screen);
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
  struct Release {
    bool held;
    ~Release() {
      if (!held) return;
      button(false);
      pump(600);  // the tooltip's time
    }
  } release{bar.held};
  RECT r{};
  GetClientRect(window, &r);
  ASSERT_EQ(r.right, bar.width);
  ASSERT_EQ(r.bottom, bar.height);
  std::vector<uint32_t> shown = capture(window, bar.width, bar.height);
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
inline void expectKeysPageClickAndDrag(HWND window, IDispatch* bar, Sink& sink) {
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
    POINT p{8, y};
    ClientToScreen(window, &p);
    moveTo(p);
    pump(30);
  }
  button(false);
  pump(100);
  EXPECT_EQ(getLong(bar, L"Value"), 11);
  EXPECT_GE(sink.count("Change"), 1);
  EXPECT_EQ(sink.count("Scroll"), 0);
  pump(600);  // the tooltip's time
}

}  // namespace container_test
