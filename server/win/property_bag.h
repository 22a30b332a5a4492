// Saved properties across the boundary: a container's IPropertyBag as the host's property bag,
// and the control's properties in a stream (IPersistStreamInit) in a small tagged format of
// this library's own.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <cstdint>
#include <span>

#include "host/container.h"
#include "host/picture.h"
#include "host/win/com_ptr.h"

namespace keloscroll::win {

class ComPropertyBag final : public host::PropertyBag {
 public:
  // Holds a reference to `bag` while it lives. `saveAll`: every key is written, defaults too.
  explicit ComPropertyBag(IPropertyBag* bag, bool saveAll = false);
  ComPropertyBag(const ComPropertyBag&) = delete;
  ComPropertyBag& operator=(const ComPropertyBag&) = delete;

  // A key the bag does not hold gives the default; a value the bag holds in a form the host has
  // no value of is error 13. Any other failure of the bag (out of memory, access denied) is an
  // error that ends the load, and its status is kept for status().
  host::Variant ReadProperty(std::string_view key, const host::Variant& def) const override;
  // As the host's bag: a value equal to its default is not written (unless saving all). A write
  // the bag refuses is an error, its status kept for status().
  void WriteProperty(std::string_view key, const host::Variant& value,
                     const host::Variant& def) override;
  // What a load or save that ended with `hr` answers its container: the bag's own status when
  // the bag failed, so that the container hears its own error back; else `hr`.
  HRESULT status(HRESULT hr) const;

 private:
  host::win::ComPtr<IPropertyBag> bag_;
  bool saveAll_;
  mutable HRESULT failure_ = S_OK;
};

// Writes the bag's entries to the stream. Error 75 when the stream refuses the bytes.
void writeStream(const host::PropertyBag& bag, IStream* stream);
// Reads entries written by writeStream into `bag`. Error 380 ("Invalid property value") for data
// that is not such a record (wrong mark, truncated, sizes past their limits), before anything is
// stored in `bag`.
void readStream(IStream* stream, host::PropertyBag& bag);
// The most bytes writeStream takes for a control whose pictures are `pictures` (IPersistStreamInit
// ::GetSizeMax), without saving anything.
uint64_t streamSizeMax(std::span<const host::PictureRef> pictures);

}  // namespace keloscroll::win
