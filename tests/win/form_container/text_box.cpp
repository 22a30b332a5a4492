#include "tests/win/form_container/text_box.h"

namespace form_container {

namespace {

enum Member {
  Name,
  Text,
  Visible,
  Move,
  Refresh,
  ZOrder,
  FontBold,
  Appearance,
  BackColor,
  ForeColor,
  Left,
  Top,
  Width,
  Height,
  HWnd
};

COLORREF colorOf(OLE_COLOR c) {
  COLORREF r = 0;
  return SUCCEEDED(OleTranslateColor(c, nullptr, &r)) ? r : 0;
}

}  // namespace

TextBox::TextBox(HWND form, std::wstring name)
    : DispatchObject({L"Name", L"Text", L"Visible", L"Move", L"Refresh", L"ZOrder", L"FontBold",
                      L"Appearance", L"BackColor", L"ForeColor", L"Left", L"Top", L"Width",
                      L"Height", L"hWnd"}),
      name_(std::move(name)) {
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL | ES_LEFT,
                          toPixels(left_), toPixels(top_), toPixels(width_), toPixels(height_),
                          form, nullptr, nullptr, nullptr);
  if (hwnd_)
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
}

TextBox::~TextBox() {
  destroy();
  if (brush_) DeleteObject(brush_);
}

void TextBox::destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  if (font_) DeleteObject(font_);
  font_ = nullptr;
}

HWND TextBox::window() const {
  if (!hwnd_) fail(91, L"Object variable or With block variable not set");
  return hwnd_;
}

// The window's edges from the box's twips, so that a box placed to end where another window
// begins ends there to the pixel.
void TextBox::place() {
  int l = toPixels(left_), t = toPixels(top_);
  MoveWindow(window(), l, t, toPixels(left_ + width_) - l, toPixels(top_ + height_) - t, TRUE);
}

HBRUSH TextBox::colour(HDC dc) {
  SetTextColor(dc, colorOf(fore_));
  SetBkColor(dc, colorOf(back_));
  if (!brush_) brush_ = CreateSolidBrush(colorOf(back_));
  return brush_;
}

void TextBox::member(size_t index, WORD kind, const Arguments& args, VARIANT* result) {
  bool put = isPut(kind);
  switch (static_cast<Member>(index)) {
    case Name:
      if (put) fail(382, L"'Name' property cannot be set at run time");
      return setText(result, name_);
    case Text:
      if (put) {
        SetWindowTextW(window(), args.text(args.last()).c_str());
        return;
      } else {
        int n = GetWindowTextLengthW(window());
        std::wstring s(static_cast<size_t>(n) + 1, L'\0');
        GetWindowTextW(window(), s.data(), n + 1);
        s.resize(static_cast<size_t>(n));
        return setText(result, s);
      }
    case Visible:
      if (!put) return setBoolean(result, (GetWindowLongW(window(), GWL_STYLE) & WS_VISIBLE) != 0);
      ShowWindow(window(), args.boolean(args.last()) ? SW_SHOWNA : SW_HIDE);
      return;
    case Move:
      // Move left[, top[, width[, height]]], in twips.
      if (args.size() < 1 || args.size() > 4) fail(450, L"Wrong number of arguments");
      left_ = args.number(0);
      if (args.has(1)) top_ = args.number(1);
      if (args.has(2)) width_ = args.number(2);
      if (args.has(3)) height_ = args.number(3);
      if (width_ < 0 || height_ < 0) fail(380, L"Invalid property value");
      place();
      return;
    case Refresh:
      InvalidateRect(window(), nullptr, TRUE);
      UpdateWindow(window());
      return;
    case ZOrder:
      // 0 (or none): in front of its siblings; 1: behind them.
      SetWindowPos(window(), args.has(0) && args.integer(0) == 1 ? HWND_BOTTOM : HWND_TOP, 0, 0, 0,
                   0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return;
    case FontBold: {
      if (!put) return setBoolean(result, bold_);
      bold_ = args.boolean(args.last());
      LOGFONTW lf{};
      GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
      lf.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
      HFONT f = CreateFontIndirectW(&lf);
      SendMessageW(window(), WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
      if (font_) DeleteObject(font_);
      font_ = f;
      return;
    }
    case Appearance: {
      if (!put) return setInteger(result, appearance_);
      long a = args.integer(args.last());
      if (a != 0 && a != 1) fail(380, L"Invalid property value");
      appearance_ = a;
      // Flat: a plain line; 3-D: the sunken edge.
      LONG_PTR style = GetWindowLongPtrW(window(), GWL_STYLE);
      LONG_PTR ex = GetWindowLongPtrW(window(), GWL_EXSTYLE);
      style = a == 0 ? (style | WS_BORDER) : (style & ~static_cast<LONG_PTR>(WS_BORDER));
      ex = a == 0 ? (ex & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE)) : (ex | WS_EX_CLIENTEDGE);
      SetWindowLongPtrW(window(), GWL_STYLE, style);
      SetWindowLongPtrW(window(), GWL_EXSTYLE, ex);
      SetWindowPos(window(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      return;
    }
    case BackColor:
    case ForeColor: {
      OLE_COLOR& c = index == BackColor ? back_ : fore_;
      if (!put) return setInteger(result, static_cast<long>(c));
      c = static_cast<OLE_COLOR>(args.integer(args.last()));
      if (brush_) DeleteObject(brush_);
      brush_ = nullptr;
      InvalidateRect(window(), nullptr, TRUE);
      return;
    }
    case Left:
    case Top:
    case Width:
    case Height: {
      double* v = index == Left    ? &left_
                  : index == Top   ? &top_
                  : index == Width ? &width_
                                   : &height_;
      if (!put) return setNumber(result, *v);
      *v = args.number(args.last());
      place();
      return;
    }
    case HWnd:
      if (put) fail(383, L"'hWnd' property is read-only");
      return setInteger(result, static_cast<long>(reinterpret_cast<LONG_PTR>(window())));
  }
  fail(438, L"Object doesn't support this property or method");
}

}  // namespace form_container
