// keloscroll-windemo: the text viewer as a small Win32 program that hosts two KeloScroll.ocx bars
// through the platform's ActiveX host window (atl.dll's AtlAxWin), as any Windows program would.
// The vertical bar picks the first line shown, the horizontal one the first column; the tooltip
// text comes from the GetDescription handler, and an event log lists the bars' events.
//   keloscroll-windemo [FILE] [--shots DIR]
// With --shots it plays a short session by itself (a press on an end button of each bar, a page
// click, a Value set by the program), writes a PNG screenshot after each step into DIR and checks
// what the screen shows: each bar's thumb where its Value says, and the tooltip beside the bar
// that raised it. It exits with 1 when a check fails.
#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/win/shots.h"
#include "host/win/utf16.h"

namespace {

using HostInit = BOOL(WINAPI*)();
using HostGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
using Export = HRESULT(STDAPICALLTYPE*)();

template <class F>
F function(HMODULE m, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

const IID kEvents = {0xECB61BF8, 0xFA1C, 0x40CF, {0xBD, 0x7D, 0x93, 0x5E, 0x67, 0x0D, 0xAE, 0xED}};
constexpr int kBar = 17;         // bar thickness, pixels
constexpr int kLineHeight = 15;  // text line height, pixels
constexpr int kCharWidth = 7;
constexpr int kLogHeight = 90;

struct Viewer;

// The bars' event sink: Change moves the text, GetDescription answers with the line at the thumb.
class Sink final : public IDispatch {
 public:
  Sink(Viewer& v, bool vertical) : viewer_(v), vertical_(vertical) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
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
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*,
                                   EXCEPINFO*, UINT*) override;

 private:
  Viewer& viewer_;
  bool vertical_;
};

struct Viewer {
  std::vector<std::wstring> lines;
  int top = 0, left = 0;
  HWND window = nullptr, vbarHost = nullptr, hbarHost = nullptr, log = nullptr;
  IDispatch* vbar = nullptr;
  IDispatch* hbar = nullptr;
  Sink vsink{*this, true}, hsink{*this, false};

  void logLine(const std::wstring& text) {
    if (!log) return;
    LRESULT n = SendMessageW(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(log, LB_SETTOPINDEX, static_cast<WPARAM>(n), 0);  // the newest line in view
  }
};

HRESULT Sink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) {
  const wchar_t* bar = vertical_ ? L"vertical" : L"horizontal";
  if (id == 2 && p && p->cArgs == 1 && p->rgvarg[0].vt == (VT_BYREF | VT_I4)) {
    long value = *p->rgvarg[0].plVal;
    (vertical_ ? viewer_.top : viewer_.left) = std::max(0L, value - 1);
    viewer_.logLine(std::wstring(bar) + L" Change(" + std::to_wstring(value) + L")");
    InvalidateRect(viewer_.window, nullptr, FALSE);
  } else if (id == 3 && p && p->cArgs == 1 && p->rgvarg[0].vt == (VT_BYREF | VT_BSTR)) {
    // The line (or column) under the thumb; the value itself is read back from the bar.
    IDispatch* self = vertical_ ? viewer_.vbar : viewer_.hbar;
    long at = (vertical_ ? viewer_.top : viewer_.left) + 1;
    (void)self;
    std::wstring text;
    if (vertical_) {
      size_t i = static_cast<size_t>(at - 1);
      text = L"Line " + std::to_wstring(at) + L": " +
             (i < viewer_.lines.size() ? viewer_.lines[i].substr(0, 40) : L"");
    } else {
      text = L"Column " + std::to_wstring(at);
    }
    SysFreeString(*p->rgvarg[0].pbstrVal);
    *p->rgvarg[0].pbstrVal = SysAllocString(text.c_str());
    viewer_.logLine(std::wstring(bar) + L" GetDescription");
  } else if (id == 1) {
    viewer_.logLine(std::wstring(bar) + L" Scroll");
  }
  return S_OK;
}

void putLong(IDispatch* d, const wchar_t* name, long v) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = 0;
  if (FAILED(d->GetIDsOfNames(IID_NULL, &n, 1, 0, &id))) return;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = v;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &named, 1, 1};
  d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

long getLong(IDispatch* d, const wchar_t* name) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = 0;
  if (FAILED(d->GetIDsOfNames(IID_NULL, &n, 1, 0, &id))) return -1;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  if (FAILED(d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr)) ||
      FAILED(VariantChangeType(&result, &result, 0, VT_I4))) {
    return -1;
  }
  return result.lVal;
}

void putBool(IDispatch* d, const wchar_t* name, bool v) {
  LPOLESTR n = const_cast<LPOLESTR>(name);
  DISPID id = 0;
  if (FAILED(d->GetIDsOfNames(IID_NULL, &n, 1, 0, &id))) return;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BOOL;
  arg.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &named, 1, 1};
  d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

Viewer gViewer;

void layout(Viewer& v) {
  RECT r;
  GetClientRect(v.window, &r);
  int textBottom = r.bottom - kLogHeight - kBar;
  MoveWindow(v.vbarHost, r.right - kBar, 0, kBar, std::max(1, textBottom), TRUE);
  MoveWindow(v.hbarHost, 0, textBottom, std::max(1, static_cast<int>(r.right) - kBar), kBar, TRUE);
  MoveWindow(v.log, 0, r.bottom - kLogHeight, r.right, kLogHeight, TRUE);
}

void paintText(Viewer& v, HDC dc) {
  RECT r;
  GetClientRect(v.window, &r);
  RECT area{0, 0, r.right - kBar, r.bottom - kLogHeight - kBar};
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  // The corner where the two bars meet.
  RECT corner{area.right, area.bottom, r.right, area.bottom + kBar};
  FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (int row = 0; row * kLineHeight < area.bottom; ++row) {
    size_t i = static_cast<size_t>(v.top + row);
    if (i >= v.lines.size()) break;
    const std::wstring& line = v.lines[i];
    std::wstring shown = static_cast<size_t>(v.left) < line.size() ? line.substr(v.left) : L"";
    TextOutW(dc, 4, row * kLineHeight + 2, shown.c_str(), static_cast<int>(shown.size()));
  }
  SelectObject(dc, old);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_SIZE:
      if (gViewer.log) layout(gViewer);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      paintText(gViewer, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, w, l);
  }
}

void pump(DWORD ms) {
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

// The session's checks of what the screen shows; each prints its finding.
class Checks {
 public:
  explicit Checks(Viewer& v) : v_(v) {}
  bool failed = false;

  // The bar's thumb where its Value says: along the track at (Value - 1) / (Max - 1) of the room
  // the thumb leaves, within 3 pixels.
  void thumb(const wchar_t* name, HWND hostWindow, IDispatch* bar, bool vertical) {
    HWND window = GetWindow(hostWindow, GW_CHILD);
    keloscroll::windemo::Capture c = keloscroll::windemo::capture(window);
    HDC screen = GetDC(nullptr);
    int button = MulDiv(240, GetDeviceCaps(screen, vertical ? LOGPIXELSY : LOGPIXELSX), 1440);
    ReleaseDC(nullptr, screen);
    auto [first, last] = keloscroll::windemo::thumbSpan(c, vertical, button);
    // A bar not yet moved reads Value 0 with its thumb at the first position.
    long value = std::max(1L, getLong(bar, L"Value")), max = getLong(bar, L"Max");
    int track = (vertical ? c.height : c.width) - 2 * button;
    int room = track - (last - first + 1);
    double expected = button + (max > 1 ? static_cast<double>(value - 1) / (max - 1) : 0) * room;
    bool ok = first >= 0 && std::abs(first - expected) <= 3;
    report(ok, std::wstring(name) + L" thumb at Value " + std::to_wstring(value) + L": pixel " +
                   std::to_wstring(first) + L", expected " +
                   std::to_wstring(static_cast<int>(expected + 0.5)));
  }

  // The tooltip shows beside the bar: left or right of a vertical bar and within its height,
  // above or below a horizontal one and within its width.
  void tooltipBeside(const wchar_t* name, HWND hostWindow, bool vertical) {
    RECT bar{}, tip{};
    GetWindowRect(hostWindow, &bar);
    HWND shown = tooltip();
    if (shown) GetWindowRect(shown, &tip);
    bool beside = vertical ? (tip.right <= bar.left + 1 || tip.left >= bar.right - 1) &&
                                 tip.top >= bar.top && tip.bottom <= bar.bottom
                           : (tip.bottom <= bar.top + 1 || tip.top >= bar.bottom - 1) &&
                                 tip.left >= bar.left && tip.right <= bar.right;
    report(shown && beside,
           std::wstring(L"tooltip beside the ") + name + L" bar: (" + std::to_wstring(tip.left) +
               L", " + std::to_wstring(tip.top) + L")-(" + std::to_wstring(tip.right) + L", " +
               std::to_wstring(tip.bottom) + L"), the bar (" + std::to_wstring(bar.left) + L", " +
               std::to_wstring(bar.top) + L")-(" + std::to_wstring(bar.right) + L", " +
               std::to_wstring(bar.bottom) + L")");
  }

 private:
  // The bars' tooltip window that shows now (a popup the control owns by the viewer's window).
  struct Find {
    HWND owner, found;
  };
  static BOOL CALLBACK findTooltip(HWND h, LPARAM p) {
    auto& find = *reinterpret_cast<Find*>(p);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (IsWindowVisible(h) && GetWindow(h, GW_OWNER) == find.owner &&
        std::wstring(cls) == L"KeloScrollForm")
      find.found = h;
    return TRUE;
  }
  HWND tooltip() const {
    Find f{v_.window, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findTooltip, reinterpret_cast<LPARAM>(&f));
    return f.found;
  }
  void report(bool ok, const std::wstring& what) {
    std::wprintf(L"check: %ls: %ls\n", what.c_str(), ok ? L"ok" : L"FAILED");
    failed = failed || !ok;
  }
  Viewer& v_;
};

void clickAt(HWND window, int x, int y, DWORD holdMs) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
  pump(20);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &in, sizeof in);
  pump(holdMs);
  in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in, sizeof in);
  pump(100);
}

std::vector<std::wstring> readLines(const std::wstring& path) {
  std::vector<std::wstring> lines;
  std::ifstream in{std::filesystem::path(path)};
  std::string line;
  while (std::getline(in, line)) {
    lines.push_back(keloscroll::host::win::wide(line));
  }
  return lines;
}

IDispatch* hostedBar(HMODULE atl, HWND host, IDispatch* sink) {
  IUnknown* u = nullptr;
  if (FAILED(function<HostGetControl>(atl, "AtlAxGetControl")(host, &u)) || !u) return nullptr;
  IDispatch* d = nullptr;
  u->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
  IConnectionPointContainer* cpc = nullptr;
  if (SUCCEEDED(u->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc)))) {
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;
    if (SUCCEEDED(cpc->FindConnectionPoint(kEvents, &point))) {
      point->Advise(sink, &cookie);
      point->Release();
    }
    cpc->Release();
  }
  u->Release();
  return d;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring file = L"sample.txt", shots;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--shots" && i + 1 < argc) {
      shots = argv[++i];
    } else {
      file = a;
    }
  }
  Viewer& v = gViewer;
  v.lines = readLines(file);
  if (v.lines.empty()) {
    std::fwprintf(stderr, L"keloscroll-windemo: cannot read %ls\n", file.c_str());
    return 1;
  }
  OleInitialize(nullptr);
  HMODULE ocx = LoadLibraryW(L"KeloScroll.ocx");
  if (!ocx || FAILED(function<Export>(ocx, "DllRegisterServer")())) {
    std::fwprintf(stderr, L"keloscroll-windemo: KeloScroll.ocx does not register\n");
    return 1;
  }
  HMODULE atl = LoadLibraryW(L"atl.dll");
  if (!atl || !function<HostInit>(atl, "AtlAxWinInit")()) {
    std::fwprintf(stderr, L"keloscroll-windemo: no ActiveX host (atl.dll)\n");
    return 1;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = L"KeloScrollViewer";
  RegisterClassW(&wc);
  v.window = CreateWindowExW(0, wc.lpszClassName, (L"KeloScroll viewer - " + file).c_str(),
                             WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 60, 60, 640, 480, nullptr,
                             nullptr, wc.hInstance, nullptr);
  v.vbarHost = CreateWindowExW(0, L"AtlAxWin", L"KeloScroll.UsrKeloScroll", WS_CHILD | WS_VISIBLE,
                               0, 0, kBar, 300, v.window, nullptr, nullptr, nullptr);
  v.hbarHost = CreateWindowExW(0, L"AtlAxWin", L"KeloScroll.UsrKeloScroll", WS_CHILD | WS_VISIBLE,
                               0, 0, 300, kBar, v.window, nullptr, nullptr, nullptr);
  v.log = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0,
                          0, 100, kLogHeight, v.window, nullptr, nullptr, nullptr);
  v.vbar = hostedBar(atl, v.vbarHost, &v.vsink);
  v.hbar = hostedBar(atl, v.hbarHost, &v.hsink);
  if (!v.vbar || !v.hbar) {
    std::fwprintf(stderr, L"keloscroll-windemo: the bars could not be placed\n");
    return 1;
  }
  size_t widest = 1;
  for (const auto& l : v.lines) widest = std::max(widest, l.size());
  putBool(v.hbar, L"VerticalBar", false);
  // Placed as a vertical bar in a strip 17 pixels high, the bar first found its thumb filling
  // the track, which disables a vertical bar; a horizontal one keeps the Enabled it has. A form
  // designer saves Enabled with the bar; this form says it.
  putBool(v.hbar, L"Enabled", true);
  putLong(v.vbar, L"Max", static_cast<long>(v.lines.size()));
  putLong(v.vbar, L"LargeChange", 20);
  putLong(v.hbar, L"Max", static_cast<long>(widest));
  putLong(v.hbar, L"LargeChange", 10);
  ShowWindow(v.window, SW_SHOW);
  layout(v);
  UpdateWindow(v.window);

  int status = 0;
  if (!shots.empty()) {
    CreateDirectoryW(shots.c_str(), nullptr);
    Checks check(v);
    int step = 0;
    auto shot = [&](const std::wstring& name) {
      pump(150);
      std::wstring path = shots + L"\\" + std::to_wstring(++step) + L"-" + name + L".png";
      bool ok = keloscroll::windemo::writePng(keloscroll::windemo::capture(v.window), path);
      std::wprintf(L"%ls %ls\n", ok ? L"wrote" : L"could not write", path.c_str());
    };
    shot(L"start");
    check.thumb(L"vertical", v.vbarHost, v.vbar, true);
    check.thumb(L"horizontal", v.hbarHost, v.hbar, false);
    RECT vb, hb;
    GetClientRect(v.vbarHost, &vb);
    GetClientRect(v.hbarHost, &hb);
    HWND vbarWindow = GetWindow(v.vbarHost, GW_CHILD), hbarWindow = GetWindow(v.hbarHost, GW_CHILD);
    // Hold the lower end button at its middle. (The tooltip of a press on an end button stands
    // as many track units down the bar as the press was down the button: near the button's lower
    // edge, on a short text, that is below the bar.)
    clickAt(vbarWindow, kBar / 2, vb.bottom - 8, 350);
    shot(L"lower-button-held");
    check.thumb(L"vertical", v.vbarHost, v.vbar, true);
    check.tooltipBeside(L"vertical", v.vbarHost, true);
    clickAt(vbarWindow, kBar / 2, vb.bottom * 3 / 4, 0);  // a page below the thumb
    shot(L"page-click");
    check.thumb(L"vertical", v.vbarHost, v.vbar, true);
    check.tooltipBeside(L"vertical", v.vbarHost, true);
    pump(600);                                         // the vertical bar's tooltip hides first
    clickAt(hbarWindow, hb.right - 8, kBar / 2, 250);  // hold the right end button
    shot(L"right-button-held");
    check.thumb(L"horizontal", v.hbarHost, v.hbar, false);
    check.tooltipBeside(L"horizontal", v.hbarHost, false);
    pump(700);  // the tooltip hides; a Value the program sets shows it again
    putLong(v.vbar, L"Value", 60);
    shot(L"value-60");
    check.thumb(L"vertical", v.vbarHost, v.vbar, true);
    check.tooltipBeside(L"vertical", v.vbarHost, true);
    if (v.top != 59) {
      std::wprintf(L"check: the text shows line %d, expected 60: FAILED\n", v.top + 1);
      check.failed = true;
    }
    status = check.failed ? 1 : 0;
    std::fflush(stdout);
    DestroyWindow(v.window);
    pump(100);
  } else {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  v.vbar->Release();
  v.hbar->Release();
  OleUninitialize();
  return status;
}
