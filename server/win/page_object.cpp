#include "server/win/page_object.h"

#include <cstring>
#include <new>
#include <utility>

#include "control/interface_table.h"
#include "server/win/convert.h"
#include "server/win/foreign_dispatch.h"

namespace keloscroll::win {

HRESULT PageObject::create(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto* made = new (std::nothrow) PageObject();
  if (!made) return E_OUTOFMEMORY;
  return answer(made, iid, out);
}

std::span<const PageObject::Entry> PageObject::interfaceMap() {
  static const Entry map[] = {
      offer<_PropertyPage1>(IID_IUnknown),
      offer<_PropertyPage1>(IID_IDispatch),
      offer<_PropertyPage1>(toGuid(server::kIidPropertyPage1)),
      offer<IPropertyPage2>(IID_IPropertyPage),
      offer<IPropertyPage2>(IID_IPropertyPage2),
  };
  return map;
}

HRESULT PageObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT PageObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return typeInfoOf(server::kIidPropertyPage1, out);
}

HRESULT PageObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return count ? DISP_E_UNKNOWNNAME : S_OK;  // the interface has no members
}

HRESULT PageObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO*, UINT*) {
  if (!params) return E_POINTER;
  if (result) VariantInit(result);
  return DISP_E_MEMBERNOTFOUND;
}

// ---- IPropertyPage ----------------------------------------------------------------------------

namespace {

const IID kPageIid = toGuid(server::kIidPropertyPage1);

// The page's field of each property it edits.
constexpr std::pair<const char*, const char*> kFields[] = {
    {"Max", "txtMax"},         {"LargeChange", "txtLargeChange"},
    {"Value", "txtValue"},     {"RefreshMsecGD", "txtRefreshMsecGD"},
    {"Enabled", "chkEnabled"}, {"VerticalBar", "chkVerticalBar"}};

const char* fieldOf(DISPID id) {
  for (const auto& [property, field] : kFields)
    if (dispidOfName(property) == id) return field;
  return nullptr;
}

}  // namespace

PageObject::~PageObject() {
  Deactivate();
  pageSite_.reset();
}

HRESULT PageObject::SetPageSite(IPropertyPageSite* site) {
  pageSite_ = ComPtr<IPropertyPageSite>(site);
  return S_OK;
}

HRESULT PageObject::SetObjects(ULONG count, IUnknown** objects) {
  if (count && !objects) return E_POINTER;
  return guarded(kPageIid, [&] {
    std::vector<host::ObjectRef> selected;
    for (ULONG i = 0; i < count; ++i) {
      auto d = ComPtr<IUnknown>(objects[i]).query<IDispatch>(IID_IDispatch);
      if (!d) return E_NOINTERFACE;
      selected.push_back(ForeignDispatch::wrap(std::move(d)));
    }
    objects_ = std::move(selected);
    // A page already showing shows the new selection in the fields it has: the page is turned
    // to a site of the new selection, the old site goes after.
    if (shown_) {
      auto site = std::make_shared<host::PropertyPageSite>(objects_);
      shown_->page->setSite(*site);
      std::swap(shown_->site, site);
      if (!objects_.empty()) shown_->page->PropertyPage_SelectionChanged();
      shown_->site->setChanged(host::False);
      reportedDirty_ = false;
      shown_->window->refresh();
    }
    return S_OK;
  });
}

HRESULT PageObject::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (!rect) return E_POINTER;
  if (shown_) return E_UNEXPECTED;
  HRESULT hr = guarded(kPageIid, [&] {
    auto s = std::make_unique<Shown>();
    s->engine.setDpi(host::win::dpiOf(parent));
    s->form = s->engine.createForm(design::PropertyPage1::kCaption);
    s->form->Move(0, 0, design::PropertyPage1::kWidth, design::PropertyPage1::kHeight);
    s->site = std::make_shared<host::PropertyPageSite>(objects_);
    s->page = std::make_unique<design::PropertyPage1>(*s->form, *s->site);
    // Filling the fields is no edit: the frame's Apply waits for the user's.
    if (!objects_.empty()) s->page->PropertyPage_SelectionChanged();
    s->site->setChanged(host::False);
    s->window = std::make_unique<host::win::FormWindow>(s->engine, *s->form);
    // The frame told of an edit may release the page: it stays until the message is handled.
    s->window->hold = [this] { return holdToken(); };
    s->window->onInput = [this] { reportStatus(); };
    if (!s->window->create(parent, *rect)) host::raise(host::err::InvalidCall);
    shown_ = std::move(s);
    reportedDirty_ = false;
    focusField();
    return S_OK;
  });
  return hr;
}

HRESULT PageObject::EditProperty(DISPID id) {
  return guarded(kPageIid, [&] {
    // A property the page has no field for is edited elsewhere (the frame's other pages).
    if (!fieldOf(id)) return E_NOTIMPL;
    editing_ = id;
    focusField();
    return S_OK;
  });
}

void PageObject::focusField() {
  const char* field = fieldOf(editing_);
  if (!shown_ || !field) return;
  try {
    if (host::Widget* w = host::findWidget(*shown_->form, field)) shown_->engine.setFocus(*w);
  } catch (const host::Error&) {
    return;  // a field that cannot take the focus now (the page hidden): it stays where it was
  }
  if (HWND h = shown_->window->hwnd()) SetFocus(h);
  shown_->window->refresh();
}

HRESULT PageObject::Deactivate() {
  if (!shown_) return S_OK;
  shown_->window.reset();
  shown_->page.reset();
  shown_.reset();
  return S_OK;
}

HRESULT PageObject::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  *info = PROPPAGEINFO{};
  info->cb = sizeof(PROPPAGEINFO);
  static constexpr wchar_t kTitle[] = L"PropertyPage1";
  info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof kTitle));
  if (!info->pszTitle) return E_OUTOFMEMORY;
  std::memcpy(info->pszTitle, kTitle, sizeof kTitle);
  // In the pixels of the screen the frame shows it on.
  host::Dpi dpi = host::win::screenDpi();
  info->size.cx = static_cast<LONG>(host::pixelsOf(design::PropertyPage1::kWidth, dpi));
  info->size.cy = static_cast<LONG>(host::pixelsOf(design::PropertyPage1::kHeight, dpi));
  return S_OK;
}

HRESULT PageObject::Show(UINT command) {
  if (!shown_ || !shown_->window->hwnd()) return E_UNEXPECTED;
  ShowWindow(shown_->window->hwnd(), static_cast<int>(command));
  return S_OK;
}

HRESULT PageObject::Move(LPCRECT rect) {
  if (!rect) return E_POINTER;
  if (!shown_) return E_UNEXPECTED;
  shown_->window->move(*rect);
  return S_OK;
}

HRESULT PageObject::IsPageDirty() {
  return shown_ && shown_->site->Changed() ? S_OK : S_FALSE;
}

HRESULT PageObject::Apply() {
  if (!shown_) return S_OK;
  HRESULT hr = guarded(kPageIid, [&] {
    shown_->page->PropertyPage_ApplyChanges();
    // The page shows what the control kept.
    shown_->page->PropertyPage_SelectionChanged();
    shown_->site->setChanged(host::False);
    return S_OK;
  });
  if (SUCCEEDED(hr)) reportedDirty_ = false;
  shown_->window->refresh();
  return hr;
}

HRESULT PageObject::Help(LPCOLESTR) {
  return E_NOTIMPL;
}

HRESULT PageObject::TranslateAccelerator(MSG*) {
  return S_FALSE;
}

void PageObject::reportStatus() {
  if (!shown_ || !pageSite_) return;
  bool dirty = shown_->site->Changed() != host::False;
  if (dirty && !reportedDirty_) {
    reportedDirty_ = true;
    pageSite_->OnStatusChange(PROPPAGESTATUS_DIRTY);
  }
}

}  // namespace keloscroll::win
