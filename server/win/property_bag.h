// Saved properties across the boundary: a container's IPropertyBag as the host's property bag,
// and the control's properties in a stream (IPersistStreamInit) in a small tagged format of
// this library's own.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include "host/container.h"
#include "host/win/com_ptr.h"

namespace keloscroll::win {

class ComPropertyBag final : public host::PropertyBag {
 public:
  // Holds a reference to `bag` while it lives.
  explicit ComPropertyBag(IPropertyBag* bag);
  ComPropertyBag(const ComPropertyBag&) = delete;
  ComPropertyBag& operator=(const ComPropertyBag&) = delete;

  // A key the bag does not hold gives the default; a value the bag holds in a form the host has
  // no value of is error 13.
  host::Variant ReadProperty(std::string_view key, const host::Variant& def) const override;
  // As the host's bag: a value equal to its default is not written.
  void WriteProperty(std::string_view key, const host::Variant& value,
                     const host::Variant& def) override;

 private:
  host::win::ComPtr<IPropertyBag> bag_;
};

// Writes the bag's entries to the stream. Error 75 when the stream refuses the bytes.
void writeStream(const host::PropertyBag& bag, IStream* stream);
// Reads entries written by writeStream into `bag`. Error 380 ("Invalid property value") for data
// that is not such a record (wrong mark, truncated, sizes past their limits), before anything is
// stored in `bag`.
void readStream(IStream* stream, host::PropertyBag& bag);

}  // namespace keloscroll::win
