#include "tests/win/form_container/form.h"

#include "tests/win/form_container/controls.h"
#include "tests/win/form_container/frame.h"
#include "tests/win/form_container/site.h"

namespace form_container {

namespace {

constexpr wchar_t kClassName[] = L"KeloTestForm";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

enum Member { Name, Width, Height, ScaleWidth, ScaleHeight, Refresh, Controls_, HWnd };

bool registerClass(WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Form::Form()
    : DispatchObject({L"Name", L"Width", L"Height", L"ScaleWidth", L"ScaleHeight", L"Refresh",
                      L"Controls", L"hWnd"}) {}

Form* Form::create(int clientWidth, int clientHeight) {
  if (!registerClass(&Form::procedure)) return nullptr;
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, kStyle, FALSE, 0);
  auto* form = new Form();
  form->hwnd_ =
      CreateWindowExW(0, kClassName, L"Form1", kStyle, 40, 40, r.right - r.left, r.bottom - r.top,
                      nullptr, nullptr, GetModuleHandleW(nullptr), form);
  if (!form->hwnd_) {
    form->Release();
    return nullptr;
  }
  form->controls_ = new Controls(*form);
  form->frame_ = new Frame(form->hwnd_);
  ShowWindow(form->hwnd_, SW_SHOW);
  UpdateWindow(form->hwnd_);
  return form;
}

Form::~Form() {
  close();
}

void Form::close() {
  // The controls first: they may still reach the form's objects while they close.
  while (!sites_.empty()) {
    Site* s = sites_.back();
    sites_.pop_back();
    s->close();
    s->Release();
  }
  if (controls_) {
    controls_->close();
    controls_->Release();
    controls_ = nullptr;
  }
  if (frame_) {
    frame_->close();
    frame_->Release();
    frame_ = nullptr;
  }
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
}

HRESULT Form::place(REFCLSID clsid, const Placement& how, Site** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  if (!hwnd_) return E_UNEXPECTED;
  auto* s = new Site(*this, how);
  HRESULT hr = s->attach(clsid, how);
  if (FAILED(hr)) {
    s->close();
    s->Release();
    return hr;
  }
  sites_.push_back(s);
  *site = s;
  return S_OK;
}

LRESULT CALLBACK Form::procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* made = reinterpret_cast<const CREATESTRUCTW*>(l);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (form && form->controls_ && (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC)) {
    // A text box of the form in its own colours.
    if (HBRUSH b = form->controls_->colour(reinterpret_cast<HWND>(l), reinterpret_cast<HDC>(w)))
      return reinterpret_cast<LRESULT>(b);
  }
  return DefWindowProcW(hwnd, message, w, l);
}

void Form::member(size_t index, WORD kind, const Arguments&, VARIANT* result) {
  if (!hwnd_) fail(91, L"Object variable or With block variable not set");
  if (isPut(kind)) fail(383, L"Property is read-only");
  RECT outer{}, client{};
  GetWindowRect(hwnd_, &outer);
  GetClientRect(hwnd_, &client);
  switch (static_cast<Member>(index)) {
    case Name:
      return setText(result, L"Form1");
    case Width:  // the whole window, as a form's Width is
      return setNumber(result, toTwips(outer.right - outer.left));
    case Height:
      return setNumber(result, toTwips(outer.bottom - outer.top));
    case ScaleWidth:  // the client area, in twips
      return setNumber(result, toTwips(client.right));
    case ScaleHeight:
      return setNumber(result, toTwips(client.bottom));
    case Refresh:
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      return;
    case Controls_:
      return setObject(result, controls_);
    case HWnd:
      return setInteger(result, static_cast<long>(reinterpret_cast<LONG_PTR>(hwnd_)));
  }
  fail(438, L"Object doesn't support this property or method");
}

}  // namespace form_container
