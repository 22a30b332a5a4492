// A small model of COM's object contract for the component library where real COM is absent:
// reference-counted objects reached by interface id, class factories, and the module's counts
// of live objects and factory locks that DllCanUnloadNow reads.
//
// Placing objects. COM creates a control unplaced and the container then gives it its client
// site (the library's misc status asks for the site first). So here: the control factory's
// CreateInstance makes an unplaced object, and IKeloControl::SetClientSite(site) places the
// control on a host::ControlSite (it creates the control's surface parts and runs Initialize).
// A property page object likewise gets its page site and then the area it is shown in.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "host/variant.h"
#include "server/identities.h"

namespace keloscroll::host {
class ContainerWidget;
class ControlSite;
class PropertyPageSite;
}  // namespace keloscroll::host
namespace keloscroll::design {
class PropertyPage1;
}

namespace keloscroll::server {

// COM's own interface ids.
inline constexpr GUID kIidIUnknown = detail::guid("{00000000-0000-0000-C000-000000000046}");
inline constexpr GUID kIidIClassFactory = detail::guid("{00000001-0000-0000-C000-000000000046}");
// This library's interfaces for placing its objects (its own ids).
inline constexpr GUID kIidIKeloControl = detail::guid("{DB8487AB-225D-4045-9C2F-B64666A24C42}");
inline constexpr GUID kIidIKeloPropertyPage =
    detail::guid("{89DAB3DA-8A36-4A34-BD33-FFF5893CE95F}");

// One property page a control lists: its class id and its name.
struct PropertyPageId {
  GUID clsid;
  std::string_view name;
};

// IUnknown: the methods in COM's order. Objects delete themselves on their last Release.
struct IUnknownLike {
  // S_OK and an AddRef'd pointer, or E_NOINTERFACE and null; E_POINTER for a null `out`.
  virtual HRESULT QueryInterface(const GUID& iid, void** out) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~IUnknownLike() = default;
};

// IClassFactory.
struct IClassFactoryLike : IUnknownLike {
  // A new object, asked for by interface id. Aggregation (a non-null `outer`) is refused with
  // CLASS_E_NOAGGREGATION.
  virtual HRESULT CreateInstance(IUnknownLike* outer, const GUID& iid, void** out) = 0;
  // Holds (true) or lets go (false) the library, whatever objects exist.
  virtual HRESULT LockServer(bool lock) = 0;

 protected:
  ~IClassFactoryLike() = default;
};

// The control object: also answers _UsrKeloScroll.
struct IKeloControl : IUnknownLike {
  // Places the control on `site`, once: E_POINTER for null, E_FAIL when already placed or when
  // the control's Initialize fails.
  virtual HRESULT SetClientSite(host::ControlSite* site) = 0;
  // The control's public face (dispatch by name and id); null until placed. The library stays
  // loaded while the face is held, also after the object's last Release.
  virtual host::ObjectRef Dispatch() = 0;
  // The property pages a designer shows for the control, in order (ISpecifyPropertyPages):
  // the standard picture page, then PropertyPage1. E_POINTER for null.
  virtual HRESULT GetPages(std::vector<PropertyPageId>* pages) = 0;

 protected:
  ~IKeloControl() = default;
};

// The property page object: also answers _PropertyPage1.
struct IKeloPropertyPage : IUnknownLike {
  // The dialog's site: the selected controls and the Changed flag. E_POINTER for null. Given
  // again while the page is active (the selection changed), the page turns to the new site and
  // fills itself from it: a failing read gives its error's status code (status::ofError).
  virtual HRESULT SetPageSite(host::PropertyPageSite* site) = 0;
  // Builds the page on `area` and fills it from the selection; needs the page site first
  // (E_FAIL without it), E_POINTER for null. A fill that fails gives its error's status code and
  // takes the page's widgets off the area again. The widgets leave the area when the page does
  // (a later Activate, or the object's last Release).
  virtual HRESULT Activate(host::ContainerWidget* area) = 0;
  // The page's ApplyChanges; E_FAIL when not active; a value the control refuses gives the
  // error's status code (status::ofError: 0x800A000D for a type mismatch, 0x800A0006 overflow).
  virtual HRESULT Apply() = 0;
  // The page once active, else null.
  virtual design::PropertyPage1* Page() = 0;

 protected:
  ~IKeloPropertyPage() = default;
};

// The module: factories by class id and the counts DllCanUnloadNow reads.
// The class factory for `clsid` (AddRef'd, asked for as `iid`): CLASS_E_CLASSNOTAVAILABLE for any
// other class id, E_NOINTERFACE for an interface the factory lacks, E_POINTER for null `out`.
HRESULT getClassObject(const GUID& clsid, const GUID& iid, void** out);
// S_OK while nothing the library made lives (objects, a control's face that a host still holds,
// widgets a page built on a host's area) and no factory lock is held, else S_FALSE.
HRESULT canUnloadNow();
long liveObjects();
long serverLocks();

}  // namespace keloscroll::server
