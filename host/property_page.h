// What a host's property dialog gives a property page: the controls being edited, reached late
// bound as SelectedControls(i), and the page's Changed flag, which enables the dialog's Apply.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "host/dispatch.h"
#include "host/types.h"

namespace keloscroll::host {

class PropertyPageSite final : public Dispatch {
 public:
  explicit PropertyPageSite(std::vector<ObjectRef> selected) : selected_(std::move(selected)) {}

  // The i-th selected control; error 9 (subscript out of range) past the end.
  ObjectRef SelectedControls(int32_t index) const;
  int32_t SelectedCount() const { return static_cast<int32_t>(selected_.size()); }

  Boolean Changed() const { return changed_; }
  void setChanged(Boolean changed) { changed_ = changed; }

  // Dispatch: SelectedControls(i), Changed.
  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override;
  std::string_view typeName() const override { return "PropertyPage"; }

 private:
  std::vector<ObjectRef> selected_;
  Boolean changed_ = False;
};

}  // namespace keloscroll::host
