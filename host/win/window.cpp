#include "host/win/window.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <string>
#include <vector>

#include "host/render.h"
#include "host/win/gdi_painter.h"
#include "host/win/utf16.h"

namespace keloscroll::host::win {

namespace {

constexpr wchar_t kClassName[] = L"KeloScrollForm";
constexpr UINT_PTR kTimerId = 1;
// The windows alive, of every thread: the class is the process's, while each apartment's
// controls make and destroy windows on their own threads.
std::mutex gClassLock;
int gWindows = 0;

// This module's handle (the .ocx or a test program), whose window class the windows use.
HINSTANCE moduleInstance() {
  HMODULE m = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&moduleInstance), &m);
  return m;
}

// The window class lives while any window does: a library that is unloaded must leave no class
// behind whose procedure would be gone.
bool registerClass(WNDPROC proc) {
  std::lock_guard lock(gClassLock);
  if (gWindows++ > 0) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // Redrawn whole when resized: the layout moves every part, not only the uncovered edge.
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = moduleInstance();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kClassName;
  if (RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
  --gWindows;
  return false;
}

void unregisterClass() {
  std::lock_guard lock(gClassLock);
  if (--gWindows == 0) UnregisterClassW(kClassName, moduleInstance());
}

}  // namespace

Dpi dpiOf(HDC dc) {
  return Dpi(dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0);
}

Dpi dpiOf(HWND window) {
  HDC dc = GetDC(window);
  Dpi d = dpiOf(dc);
  if (dc) ReleaseDC(window, dc);
  return d;
}

Dpi screenDpi() {
  return dpiOf(HWND{nullptr});
}

FormWindow::FormWindow(FormEngine& engine, Form& form, bool installPolicies)
    : engine_(engine), driver_(engine), form_(form), installedPolicies_(installPolicies) {
  if (!installPolicies) return;
  engine_.setModalPolicy([this](Form& f) { runModal(f); });
  engine_.setMsgBoxPolicy([this](const std::string& prompt, int32_t) -> int16_t {
    std::wstring text = wide(prompt);
    HWND owner = hwnd_ ? GetAncestor(hwnd_, GA_ROOT) : nullptr;
    MessageBoxW(owner, text.c_str(), L"KeloScroll", MB_OK);
    return 1;  // OK, the only button
  });
}

FormWindow::~FormWindow() {
  *alive_ = false;
  destroy();
  if (installedPolicies_) {
    engine_.setModalPolicy(nullptr);
    engine_.setMsgBoxPolicy(nullptr);
  }
}

bool FormWindow::create(HWND parent, const RECT& rect) {
  if (hwnd_ || !registerClass(&FormWindow::procedure)) return false;
  hwnd_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                          rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                          parent, nullptr, moduleInstance(), this);
  if (!hwnd_) unregisterClass();
  return hwnd_ != nullptr;
}

bool FormWindow::createPopup(HWND owner) {
  if (hwnd_ || !registerClass(&FormWindow::procedure)) return false;
  PixelRect inner = innerPixelRect(form_);
  RECT r{0, 0, std::max(1, inner.width), std::max(1, inner.height)};
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
  int w = r.right - r.left, h = r.bottom - r.top;
  RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner) GetWindowRect(owner, &around);
  int x = around.left + ((around.right - around.left) - w) / 2;
  int y = around.top + ((around.bottom - around.top) - h) / 2;
  std::wstring caption = wide(form_.Caption());
  hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, caption.c_str(), style, x, y, w, h,
                          owner, nullptr, moduleInstance(), this);
  if (!hwnd_) {
    unregisterClass();
    return false;
  }
  ShowWindow(hwnd_, SW_SHOW);
  return true;
}

bool FormWindow::createTip(HWND owner) {
  if (hwnd_ || !registerClass(&FormWindow::procedure)) return false;
  hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClassName, L"",
                          WS_POPUP, 0, 0, 1, 1, owner, nullptr, moduleInstance(), this);
  if (!hwnd_) unregisterClass();
  return hwnd_ != nullptr;
}

void FormWindow::destroy() {
  if (!hwnd_) return;
  HWND h = hwnd_;
  KillTimer(h, kTimerId);
  SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  DestroyWindow(h);
  unregisterClass();
}

void FormWindow::move(const RECT& rect) {
  if (hwnd_) {
    MoveWindow(hwnd_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
  }
}

void FormWindow::refresh() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

int16_t FormWindow::shiftState() {
  int16_t s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= shift::Shift;
  if (GetKeyState(VK_CONTROL) < 0) s |= shift::Ctrl;
  if (GetKeyState(VK_MENU) < 0) s |= shift::Alt;
  return s;
}

int16_t FormWindow::buttonOf(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      return mouse::Left;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return mouse::Right;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return mouse::Middle;
    default:
      return 0;
  }
}

LRESULT CALLBACK FormWindow::procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    reinterpret_cast<FormWindow*>(create->lpCreateParams)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, w, l);
  // Let go last, once nothing below touches the window or its engine again.
  std::shared_ptr<void> held;
  try {
    if (self->hold) held = self->hold();
    return self->handle(message, w, l);
  } catch (...) {
    // The event's handlers failed: the message is dropped, the window goes on.
    return DefWindowProcW(hwnd, message, w, l);
  }
}

void FormWindow::syncScreenPosition() {
  POINT origin{0, 0};
  ClientToScreen(hwnd_, &origin);
  driver_.place(form_, origin.x, origin.y);
  POINT cursor{0, 0};
  GetCursorPos(&cursor);
  engine_.setCursorPos(Point{cursor.x, cursor.y});
}

void FormWindow::scheduleTimer() {
  if (!hwnd_) return;
  int64_t wait = driver_.timerWait(USER_TIMER_MINIMUM, 60000);
  if (wait < 0) {
    KillTimer(hwnd_, kTimerId);
    return;
  }
  SetTimer(hwnd_, kTimerId, static_cast<UINT>(wait), nullptr);
}

LRESULT FormWindow::handle(UINT message, WPARAM w, LPARAM l) {
  HWND self = hwnd_;
  // A handler may let this object go (its owner deactivated): looked at after each one.
  std::shared_ptr<bool> alive = alive_;
  FormEngine& engine = engine_;  // the owner's, held for the message
  Form& form = form_;
  const WindowDriver driver(engine);
  LRESULT result = 0;
  bool handled = true;
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      syncScreenPosition();
      if (GetFocus() != self) SetFocus(self);  // the container hears of it, and may act
      if (!*alive) return 0;
      SetCapture(self);
      driver.mouseDown(form, GET_X_LPARAM(l), GET_Y_LPARAM(l), buttonOf(message), shiftState());
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      syncScreenPosition();
      driver.mouseUp(form, GET_X_LPARAM(l), GET_Y_LPARAM(l), buttonOf(message), shiftState());
      if (!(w & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && GetCapture() == self) ReleaseCapture();
      break;
    case WM_MOUSEMOVE:
      syncScreenPosition();
      driver.mouseMove(form, GET_X_LPARAM(l), GET_Y_LPARAM(l), shiftState());
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!engine.focus()) engine.focusNext(form);
      engine.keyDown(static_cast<int16_t>(w), shiftState());
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      engine.keyUp(static_cast<int16_t>(w), shiftState());
      break;
    case WM_CHAR:
      // Typed text goes to the focused text box; control characters came as keys.
      if (w >= 0x20) {
        wchar_t ch = static_cast<wchar_t>(w);
        std::string typed = utf8(std::wstring_view(&ch, 1));
        if (!typed.empty()) engine.typeText(typed);
      }
      break;
    case WM_MOUSEACTIVATE:
      // A tooltip window is clicked through without taking the activation.
      if (GetWindowLongPtrW(self, GWL_EXSTYLE) & WS_EX_NOACTIVATE) return MA_NOACTIVATE;
      handled = false;
      break;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
    case WM_TIMER:
      syncScreenPosition();
      engine.runDueTimers();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      // A copy: the container told of the focus may let this window go.
      if (auto tell = onFocus) tell(message == WM_SETFOCUS);
      break;
    case WM_GETOBJECT:
      result = onGetObject ? onGetObject(w, l) : 0;
      if (result == 0) return DefWindowProcW(self, message, w, l);
      return result;
    case WM_CLOSE:
      // Closing a modal form's window hides the form, which ends its loop.
      form.setVisible(false);
      return 0;
    case WM_NCDESTROY:
      // Destroyed with its parent (the container's window went first): the handle is forgotten.
      KillTimer(self, kTimerId);
      SetWindowLongPtrW(self, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      unregisterClass();
      return DefWindowProcW(self, message, w, l);
    default:
      handled = false;
  }
  if (!handled) return DefWindowProcW(self, message, w, l);
  if (*alive) afterInput(self);
  return result;
}

void FormWindow::afterInput(HWND self) {
  // Whatever the input did may have moved, shown or hidden parts, or changed the timers.
  std::shared_ptr<bool> alive = alive_;
  if (auto told = hwnd_ == self ? onInput : nullptr) told();  // which may let the window go
  if (*alive && hwnd_ == self) {
    scheduleTimer();
    InvalidateRect(self, nullptr, FALSE);
  }
}

void FormWindow::input(const std::function<void()>& action) {
  std::shared_ptr<void> held = hold ? hold() : nullptr;
  std::shared_ptr<bool> alive = alive_;
  HWND self = hwnd_;
  if (self) syncScreenPosition();
  action();
  if (self && *alive) afterInput(self);
}

FormWindow* FormWindow::of(HWND hwnd) {
  wchar_t name[64] = {};
  if (!hwnd || !GetClassNameW(hwnd, name, 64) || std::wcscmp(name, kClassName) != 0) return nullptr;
  if (GetWindowLongPtrW(hwnd, GWLP_HINSTANCE) != reinterpret_cast<LONG_PTR>(moduleInstance())) {
    return nullptr;  // another module's windows of the same class name
  }
  return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void FormWindow::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT client;
  GetClientRect(hwnd_, &client);
  drawForm(form_, dc, client, engine_.dpi());
  EndPaint(hwnd_, &ps);
}

void drawForm(const Form& form, HDC dc, const RECT& rect, Dpi dpi) {
  PixelRect inner = innerPixelRect(form, dpi);
  int w = std::max(1, inner.width), h = std::max(1, inner.height);
  // Painted off screen, then copied at once: no flicker, and the same pixels for any target.
  HDC memory = CreateCompatibleDC(dc);
  BITMAPINFO info = dibHeader(w, h);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (memory && bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    {
      GdiPainter painter(memory);
      paintForm(form, painter, dpi);
    }
    int rw = rect.right - rect.left, rh = rect.bottom - rect.top;
    if (rw == w && rh == h) {
      BitBlt(dc, rect.left, rect.top, w, h, memory, 0, 0, SRCCOPY);
    } else {
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, rect.left, rect.top, rw, rh, memory, 0, 0, w, h, SRCCOPY);
    }
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
}

void FormWindow::runModal(Form& form) {
  runModalWindow(engine_, form, hwnd_ ? GetAncestor(hwnd_, GA_ROOT) : nullptr);
}

void runModalWindow(FormEngine& engine, Form& form, HWND owner) {
  FormWindow window(engine, form, false);
  if (!window.createPopup(owner)) raise(err::InvalidCall);
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  const WindowDriver driver(engine);
  auto open = [&] { return driver.showing(form) && window.hwnd() && IsWindow(window.hwnd()); };
  MSG msg;
  while (open()) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // WM_QUIT belongs to the application's own loop: pass it on once this one ends.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  window.destroy();
  if (owner) SetActiveWindow(owner);
}

}  // namespace keloscroll::host::win
