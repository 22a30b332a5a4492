#include "tests/win/form_container/extender.h"

#include "tests/win/form_container/form.h"
#include "tests/win/form_container/site.h"

namespace form_container {

namespace {

enum Member { Name, Left, Top, Width, Height, Visible, Container, Parent, Object };

}  // namespace

Extender::Extender(Site& site, Form& form)
    : DispatchObject({L"Name", L"Left", L"Top", L"Width", L"Height", L"Visible", L"Container",
                      L"Parent", L"Object"}),
      site_(&site),
      form_(&form) {}

void Extender::detach() {
  site_ = nullptr;
  form_ = nullptr;
}

IDispatch* Extender::control() const {
  if (!site_ || !site_->control()) return nullptr;
  IDispatch* d = nullptr;
  if (FAILED(site_->control()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))))
    return nullptr;
  return d;
}

void Extender::member(size_t index, WORD kind, const Arguments& args, VARIANT* result) {
  if (!site_ || !form_) fail(91, L"Object variable or With block variable not set");
  Site& s = *site_;
  bool put = isPut(kind);
  switch (static_cast<Member>(index)) {
    case Name:
      if (put) fail(382, L"'Name' property cannot be set at run time");
      return setText(result, s.name());
    case Left:
    case Top:
    case Width:
    case Height: {
      double l = s.left(), t = s.top(), w = s.width(), h = s.height();
      double* v = index == Left ? &l : index == Top ? &t : index == Width ? &w : &h;
      if (!put) return setNumber(result, *v);
      *v = args.number(args.last());
      if (w < 0 || h < 0) fail(380, L"Invalid property value");
      s.move(l, t, w, h);
      return;
    }
    case Visible: {
      HWND window = s.window();
      if (!put)
        return setBoolean(result, window && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE));
      if (window) ShowWindow(window, args.boolean(args.last()) ? SW_SHOWNA : SW_HIDE);
      return;
    }
    case Container:
    case Parent:
      // The control stands directly on the form.
      if (put) fail(383, L"Property is read-only");
      return setObject(result, form_);
    case Object: {
      if (put) fail(383, L"Property is read-only");
      IDispatch* d = control();
      if (!d) fail(91, L"Object variable or With block variable not set");
      setObject(result, d);
      d->Release();
      return;
    }
  }
  fail(438, L"Object doesn't support this property or method");
}

DISPID Extender::otherId(LPOLESTR name) {
  IDispatch* d = control();
  if (!d) return DISPID_UNKNOWN;
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(d->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) id = DISPID_UNKNOWN;
  d->Release();
  return id;
}

HRESULT Extender::invokeOther(DISPID id, WORD kind, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* error, UINT* argError) {
  IDispatch* d = control();
  if (!d) return DISP_E_MEMBERNOTFOUND;
  HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, params, result, error, argError);
  d->Release();
  return hr;
}

}  // namespace form_container
