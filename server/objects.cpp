// The two creatable classes and their factories.
#include <atomic>
#include <memory>

#include "control/UsrKeloScroll.h"
#include "design/PropertyPage1.h"
#include "host/container.h"
#include "host/error.h"
#include "host/property_page.h"
#include "server/com.h"

namespace keloscroll::server {

namespace {

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

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
    try {
      control_ = UsrKeloScroll::create(*site);
    } catch (const host::Error&) {
      return E_FAIL;
    }
    return S_OK;
  }
  host::ObjectRef Dispatch() override { return control_; }

 private:
  std::shared_ptr<UsrKeloScroll> control_;
};

class PageObject final : public Object<IKeloPropertyPage> {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (!out) return E_POINTER;
    return answer(iid == kIidIUnknown || iid == kIidIKeloPropertyPage || iid == kIidPropertyPage1,
                  out);
  }
  HRESULT SetPageSite(host::PropertyPageSite* site) override {
    if (!site) return E_POINTER;
    site_ = site;
    return S_OK;
  }
  HRESULT Activate(host::ContainerWidget* area) override {
    if (!area) return E_POINTER;
    if (!site_) return E_FAIL;
    try {
      page_ = std::make_unique<design::PropertyPage1>(*area, *site_);
      page_->PropertyPage_SelectionChanged();
    } catch (const host::Error&) {
      page_.reset();
      return E_FAIL;
    }
    return S_OK;
  }
  HRESULT Apply() override {
    if (!page_) return E_FAIL;
    try {
      page_->PropertyPage_ApplyChanges();
    } catch (const host::Error&) {
      return E_FAIL;
    }
    return S_OK;
  }
  design::PropertyPage1* Page() override { return page_.get(); }

 private:
  host::PropertyPageSite* site_ = nullptr;
  std::unique_ptr<design::PropertyPage1> page_;
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
  return gObjects.load() == 0 && gLocks.load() == 0 ? S_OK : S_FALSE;
}
long liveObjects() {
  return gObjects.load();
}
long serverLocks() {
  return gLocks.load();
}

}  // namespace keloscroll::server
