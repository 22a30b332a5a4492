// keloscroll-windows-host: a KeloScroll bar on a Win32 window, hosted by the platform's own
// ActiveX host window (atl.dll's AtlAxWin, which ships with Windows), as a program of one's own
// would host it. Change shows the value in the window's title; GetDescription answers with the
// text the tooltip shows.
//
// Registered or registration-free: with KeloScroll.manifest beside this program (and
// KeloScroll.ocx beside that), the program activates the manifest and needs no registry entry;
// without it, the library must be registered (regsvr32 KeloScroll.ocx).
//   keloscroll-windows-host [--self-test]
// --self-test presses the bar's lower end button once, sets Value, prints the events it
// received and exits (0 when both Change and GetDescription came).
#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The bar's event interface, __UsrKeloScroll, and its members' ids.
const IID kEvents = {0xECB61BF8, 0xFA1C, 0x40CF, {0xBD, 0x7D, 0x93, 0x5E, 0x67, 0x0D, 0xAE, 0xED}};
constexpr DISPID kChange = 2, kGetDescription = 3;

HWND gWindow = nullptr;
int gChanges = 0, gDescriptions = 0;

// The bar's event sink. It lives as long as the program, so it counts no references.
class Events final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = (iid == IID_IUnknown || iid == IID_IDispatch || iid == kEvents) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    return n ? (*n = 0, S_OK) : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  // Change(ByRef Long value); GetDescription(ByRef String description).
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (!p || p->cArgs != 1) return S_OK;
    VARIANT& arg = p->rgvarg[0];
    if (id == kChange && arg.vt == (VT_BYREF | VT_I4)) {
      ++gChanges;
      value_ = *arg.plVal;
      std::wstring title = L"KeloScroll host - value " + std::to_wstring(value_);
      SetWindowTextW(gWindow, title.c_str());
    } else if (id == kGetDescription && arg.vt == (VT_BYREF | VT_BSTR)) {
      ++gDescriptions;
      SysFreeString(*arg.pbstrVal);
      *arg.pbstrVal = SysAllocString((L"Item " + std::to_wstring(value_)).c_str());
    }
    return S_OK;
  }

 private:
  long value_ = 0;
};
Events gEvents;

void putLong(IDispatch* bar, const wchar_t* name, long value) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = 0;
  if (FAILED(bar->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id))) return;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &named, 1, 1};
  bar->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
              nullptr);
}

// The bar's dispatch interface, with the sink connected to its events.
IDispatch* connect(IUnknown* control) {
  IDispatch* bar = nullptr;
  control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&bar));
  IConnectionPointContainer* points = nullptr;
  if (bar && SUCCEEDED(control->QueryInterface(IID_IConnectionPointContainer,
                                               reinterpret_cast<void**>(&points)))) {
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;
    if (SUCCEEDED(points->FindConnectionPoint(kEvents, &point))) {
      point->Advise(&gEvents, &cookie);
      point->Release();
    }
    points->Release();
  }
  return bar;
}

// KeloScroll.manifest beside the program, activated for this thread: registration-free use.
bool activateManifest() {
  wchar_t self[MAX_PATH] = {};
  std::wstring dir(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  dir.erase(dir.find_last_of(L'\\'));
  std::wstring manifest = dir + L"\\KeloScroll.manifest";
  if (GetFileAttributesW(manifest.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  ACTCTXW actctx{};
  actctx.cbSize = sizeof actctx;
  actctx.dwFlags = ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
  actctx.lpSource = manifest.c_str();
  actctx.lpAssemblyDirectory = dir.c_str();
  HANDLE context = CreateActCtxW(&actctx);
  ULONG_PTR cookie = 0;
  return context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie);
}

void pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  MSG m;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// A press and release of the left button at a point of a window, as the user makes it.
void click(HWND window, int x, int y) {
  POINT at{x, y};
  ClientToScreen(window, &at);
  SetCursorPos(at.x, at.y);
  pump(30);
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in[0], sizeof(INPUT));
  pump(60);
  SendInput(1, &in[1], sizeof(INPUT));
  pump(60);
}

LRESULT CALLBACK windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool selfTest = argc > 1 && std::wstring(argv[1]) == L"--self-test";
  const bool registrationFree = activateManifest();
  std::wprintf(L"KeloScroll: %ls\n",
               registrationFree ? L"registration-free (KeloScroll.manifest)" : L"registered");
  if (FAILED(OleInitialize(nullptr))) return 1;
  using AtlAxWinInit = BOOL(WINAPI*)();
  using AtlAxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
  HMODULE atl = LoadLibraryW(L"atl.dll");
  auto init = atl ? reinterpret_cast<AtlAxWinInit>(
                        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")))
                  : nullptr;
  auto getControl = atl ? reinterpret_cast<AtlAxGetControl>(
                              reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")))
                        : nullptr;
  if (!init || !getControl || !init()) {
    std::fwprintf(stderr, L"keloscroll-windows-host: no ActiveX host window (atl.dll)\n");
    return 1;
  }

  WNDCLASSW wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = L"KeloScrollHost";
  RegisterClassW(&wc);
  gWindow = CreateWindowExW(0, wc.lpszClassName, L"KeloScroll host", WS_OVERLAPPEDWINDOW, 80, 80,
                            320, 300, nullptr, nullptr, wc.hInstance, nullptr);
  // The host window creates the control named by its text: a ProgID.
  HWND host = CreateWindowExW(0, L"AtlAxWin", L"KeloScroll.UsrKeloScroll", WS_CHILD | WS_VISIBLE,
                              20, 20, 17, 200, gWindow, nullptr, nullptr, nullptr);
  IUnknown* control = nullptr;
  if (!host || FAILED(getControl(host, &control)) || !control) {
    std::fwprintf(stderr,
                  L"keloscroll-windows-host: KeloScroll.UsrKeloScroll could not be created: "
                  L"register KeloScroll.ocx, or put KeloScroll.manifest and KeloScroll.ocx "
                  L"beside this program\n");
    return 1;
  }
  IDispatch* bar = connect(control);
  control->Release();
  if (!bar) return 1;
  putLong(bar, L"Max", 100);
  putLong(bar, L"LargeChange", 10);
  ShowWindow(gWindow, SW_SHOW);
  UpdateWindow(gWindow);

  int status = 0;
  if (selfTest) {
    pump(100);
    click(GetWindow(host, GW_CHILD), 8, 195);  // the lower end button: one step
    putLong(bar, L"Value", 50);
    pump(100);
    std::wprintf(L"Change %d, GetDescription %d\n", gChanges, gDescriptions);
    status = gChanges >= 2 && gDescriptions >= 1 ? 0 : 1;
    DestroyWindow(gWindow);
  } else {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  bar->Release();
  OleUninitialize();
  return status;
}
