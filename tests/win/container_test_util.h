// What the container tests share: loading a function of a library, running the thread's messages
// on the real clock, real mouse and key input, and the sinks a container gives the control.
#pragma once

#include <gtest/gtest.h>
#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

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

}  // namespace container_test
