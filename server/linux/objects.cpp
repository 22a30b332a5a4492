// The two creatable classes and their factories.
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "control/UsrKeloScroll.h"
#include "control/interface_table.h"
#include "design/PropertyPage1.h"
#include "host/container.h"
#include "host/error.h"
#include "host/property_page.h"
#include "server/linux/com.h"
#include "server/status.h"

namespace keloscroll::server {

namespace {

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

// What the library made that a host may hold beyond the objects' lives: a control's public face
// and the widgets of a page. Their code is the library's, so it must stay loaded while any lives.
std::mutex gMadeLock;
std::vector<std::weak_ptr<const void>> gMade;

void track(std::weak_ptr<const void> made) {
  std::lock_guard lock(gMadeLock);
  std::erase_if(gMade, [](const auto& w) { return w.expired(); });
  gMade.push_back(std::move(made));
}

long liveMade() {
  std::lock_guard lock(gMadeLock);
  std::erase_if(gMade, [](const auto& w) { return w.expired(); });
  return static_cast<long>(gMade.size());
}

// Reference counting and the module's object count, shared by both classes.
template <class Interface>
class Object : public Interface {
 public:
  Object() { ++gObjects; }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~Object() { --gObjects; }

  HRESULT answer(bool known, void** out) {
    if (!known) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }

 private:
  std::atomic<uint32_t> refs_{1};
};

class ControlObject final : public Object<IKeloControl> {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (!out) return E_POINTER;
    return answer(iid == kIidIUnknown || iid == kIidIKeloControl || iid == kIidUsrKeloScroll, out);
  }
  HRESULT SetClientSite(host::ControlSite* site) override {
    if (!site) return E_POINTER;
    if (control_) return E_FAIL;
    // A control whose Initialize fails is not placed, whatever its error.
    HRESULT hr = status::guard(
        [&] {
          control_ = UsrKeloScroll::create(*site);
          return S_OK;
        },
        [](const host::Error&) { return E_FAIL; });
    if (hr == S_OK) track(control_);
    return hr;
  }
  host::ObjectRef Dispatch() override { return control_; }
  HRESULT GetPages(std::vector<PropertyPageId>* pages) override {
    if (!pages) return E_POINTER;
    pages->clear();
    for (std::string_view name : keloscroll::kLibrary.propertyPages) {
      pages->push_back(
          {name == keloscroll::kLibrary.pageClass ? kClsidPropertyPage1 : kClsidStandardPicturePage,
           name});
    }
    return S_OK;
  }

 private:
  std::shared_ptr<UsrKeloScroll> control_;
};

class PageObject final : public Object<IKeloPropertyPage> {
 public:
  ~PageObject() override { Deactivate(); }

  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (!out) return E_POINTER;
    return answer(iid == kIidIUnknown || iid == kIidIKeloPropertyPage || iid == kIidPropertyPage1,
                  out);
  }
  HRESULT SetPageSite(host::PropertyPageSite* site) override {
    if (!site) return E_POINTER;
    site_ = site;
    if (!page_) return S_OK;
    // Another selection: the page shows the new first control.
    page_->setSite(*site);
    return status::guard([&] {
      page_->PropertyPage_SelectionChanged();
      return S_OK;
    });
  }
  HRESULT Activate(host::ContainerWidget* area) override {
    if (!area) return E_POINTER;
    if (!site_) return E_FAIL;
    Deactivate();
    area_ = area;
    auto listed = area->children();
    std::vector<std::shared_ptr<host::Widget>> before(listed.begin(), listed.end());
    HRESULT hr = status::guard([&] {
      page_ = std::make_unique<design::PropertyPage1>(*area, *site_);
      for (const auto& w : area->children()) {
        if (std::find(before.begin(), before.end(), w) != before.end()) continue;
        made_.push_back(w);
        track(w);
      }
      page_->PropertyPage_SelectionChanged();
      return S_OK;
    });
    if (hr != S_OK) Deactivate();
    return hr;
  }
  HRESULT Apply() override {
    if (!page_) return E_FAIL;
    return status::guard([&] {
      page_->PropertyPage_ApplyChanges();
      return S_OK;
    });
  }
  design::PropertyPage1* Page() override { return page_.get(); }

 private:
  // The page leaves the area with its widgets, as a page's window goes with the page.
  void Deactivate() {
    page_.reset();
    // An area that went first has already let its children go (their container is null).
    for (const auto& w : made_) {
      if (area_ && w->container() == area_) area_->detach(*w);
    }
    made_.clear();
    area_ = nullptr;
  }

  host::PropertyPageSite* site_ = nullptr;
  std::unique_ptr<design::PropertyPage1> page_;
  host::ContainerWidget* area_ = nullptr;
  std::vector<std::shared_ptr<host::Widget>> made_;
};

// A factory lives as long as the module; its references do not keep the library loaded (only
// LockServer does, as in COM).
template <class Made>
class Factory final : public IClassFactoryLike {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid != kIidIUnknown && iid != kIidIClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactoryLike*>(this);
    return S_OK;
  }
  uint32_t AddRef() override { return 2; }
  uint32_t Release() override { return 1; }

  HRESULT CreateInstance(IUnknownLike* outer, const GUID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* made = new Made();
    HRESULT hr = made->QueryInterface(iid, out);
    made->Release();  // the caller's reference is the one QueryInterface gave
    return hr;
  }
  HRESULT LockServer(bool lock) override {
    if (lock) {
      ++gLocks;
    } else if (gLocks.load() > 0) {
      --gLocks;
    }
    return S_OK;
  }
};

Factory<ControlObject> gControlFactory;
Factory<PageObject> gPageFactory;

}  // namespace

HRESULT getClassObject(const GUID& clsid, const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid == kClsidUsrKeloScroll) return gControlFactory.QueryInterface(iid, out);
  if (clsid == kClsidPropertyPage1) return gPageFactory.QueryInterface(iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT canUnloadNow() {
  return liveObjects() == 0 && gLocks.load() == 0 ? S_OK : S_FALSE;
}
long liveObjects() {
  return gObjects.load() + liveMade();
}
long serverLocks() {
  return gLocks.load();
}

}  // namespace keloscroll::server
