// The class factory of one of the library's classes. Factories live as long as the module: their
// references do not keep the library loaded, only LockServer does, as COM has it.
#pragma once

#include <unknwn.h>
#include <windows.h>

namespace keloscroll::win {

class ClassFactory final : public IClassFactory {
 public:
  using Create = HRESULT (*)(REFIID iid, void** out);
  explicit constexpr ClassFactory(Create create) : create_(create) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  Create create_;
};

// The factory of a class id, or CLASS_E_CLASSNOTAVAILABLE.
HRESULT classObject(REFCLSID clsid, REFIID iid, void** out);

}  // namespace keloscroll::win
