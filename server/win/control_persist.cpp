// Persistence: the control's properties loaded from and saved to a container's property bag,
// stream or storage, and its dirty flag.
#include <utility>

#include "server/win/control_object.h"
#include "server/win/convert.h"
#include "server/win/property_bag.h"

namespace keloscroll::win {

namespace {

const ::GUID kClsid = toGuid(server::kClsidUsrKeloScroll);
// The stream that holds the control's properties in a storage, in the stream format.
constexpr wchar_t kContents[] = L"Contents";

// Sets a flag for the length of a scope.
class Raised {
 public:
  explicit Raised(bool& flag) : flag_(flag), was_(std::exchange(flag, true)) {}
  ~Raised() { flag_ = was_; }
  Raised(const Raised&) = delete;
  Raised& operator=(const Raised&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace

HRESULT ControlObject::GetClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = kClsid;
  return S_OK;
}

HRESULT ControlObject::IsDirty() {
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT ControlObject::InitNew() {
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  return lifecycle([&](host::ControlSite& site) {
    site.initNew();
    initialized_ = true;
    placed();
    return S_OK;
  });
}

HRESULT ControlObject::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  return lifecycle([&](host::ControlSite& site) {
    host::PropertyBag bag;
    readStream(stream, bag);
    initialized_ = true;
    Raised quiet(loading_);
    site.load(bag);
    placed();
    dirty_ = false;
    return S_OK;
  });
}

HRESULT ControlObject::Save(IStream* stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  return lifecycle([&](host::ControlSite& site) {
    host::PropertyBag bag;
    site.save(bag);
    writeStream(bag, stream);
    if (clearDirty) dirty_ = false;
    return S_OK;
  });
}

HRESULT ControlObject::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  if (!hosting_) return E_UNEXPECTED;
  const UsrKeloScroll& c = *hosting_->control;
  const host::PictureRef pictures[] = {c.PictureBarra(), c.PictureCursor(), c.PictureSXUP(),
                                       c.PictureDXDN()};
  size->QuadPart = streamSizeMax(pictures);
  return S_OK;
}

HRESULT ControlObject::Load(IPropertyBag* bag, IErrorLog*) {
  if (!bag) return E_POINTER;
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  ComPropertyBag adapter(bag);
  return adapter.status(lifecycle([&](host::ControlSite& site) {
    initialized_ = true;
    Raised quiet(loading_);
    site.load(adapter);
    placed();
    dirty_ = false;
    return S_OK;
  }));
}

HRESULT ControlObject::Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) {
  if (!bag) return E_POINTER;
  ComPropertyBag adapter(bag, saveAll != FALSE);
  return adapter.status(lifecycle([&](host::ControlSite& site) {
    site.save(adapter);
    if (clearDirty) dirty_ = false;
    return S_OK;
  }));
}

// ---- IPersistStorage: the stream format in the storage's stream "Contents" -------------------
// The control reads and writes its storage only inside Load and Save and keeps no pointer to
// it, so the storage's hands-off and save-completed states ask nothing of it.

HRESULT ControlObject::InitNew(IStorage* storage) {
  if (!storage) return E_POINTER;
  return InitNew();
}

HRESULT ControlObject::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  if (initialized_) return CO_E_ALREADYINITIALIZED;
  ComPtr<IStream> stream;
  HRESULT hr =
      storage->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put());
  if (FAILED(hr)) return hr;
  return stream ? Load(stream.get()) : E_UNEXPECTED;
}

HRESULT ControlObject::Save(IStorage* storage, BOOL sameAsLoad) {
  if (!storage) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = storage->CreateStream(kContents, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0,
                                     0, stream.put());
  if (FAILED(hr)) return hr;
  return stream ? Save(stream.get(), sameAsLoad) : E_UNEXPECTED;
}

HRESULT ControlObject::SaveCompleted(IStorage*) {
  return S_OK;
}

HRESULT ControlObject::HandsOffStorage() {
  return S_OK;
}

}  // namespace keloscroll::win
