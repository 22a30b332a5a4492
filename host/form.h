// The top of a widget tree: the form with its Controls collection, and the surface of a user
// control.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/container_widget.h"

namespace keloscroll::host {

class Accessible;

// The surface of a user control: a container whose lifecycle and key-preview events the control
// handles. Key events reach it before the focused part (key preview); a key code set to 0 is
// swallowed. A change of its size raises Resize at once (also while a Resize runs). As an object
// it speaks twips (Width, Height) and has no Container: where it sits is its extender's business.
// Its name, the one its container gives it, is kept in its own allocation (NameRoom), and so is
// its list of children while it holds four at most (ChildRoom): a bar's surface holds four.
class UserControl final : private NameRoom, private ChildRoom<4>, public ContainerWidget {
 public:
  explicit UserControl(WidgetName name)
      : ContainerWidget(WidgetKind::UserControl, name, static_cast<NameRoom*>(this),
                        ChildList::allocator_type(static_cast<ChildRoom<4>&>(*this))) {}
  bool isWindowed() const override { return true; }

  // The control's own size as its code sees it: twips, whatever its container's scale. (Left,
  // Top, Width and Height inherited from Widget are in the container's units: the extender's.)
  float WidthTwips() const { return static_cast<float>(rectTwips().width); }
  float HeightTwips() const { return static_cast<float>(rectTwips().height); }
  void setWidthTwips(float v);
  void setHeightTwips(float v);

  // Raises Resize without a change of size (the site's first placement at an unchanged size).
  // Resize and the lifecycle events the control's site raises (see container.h) go where the
  // widget's events go (host/widget_events.h).
  void raiseResize();
  // What the control tells assistive technology (host/accessible.h), or null: the platform's
  // window and the scenario runner find it here. Made when first asked, by where the surface's
  // events go; kept until dropAccessible (a client that holds it then finds it disconnected).
  std::shared_ptr<Accessible> accessible();
  void dropAccessible() { accessible_.reset(); }

 protected:
  const Table& table() const override;
  void sizeChanged() override;

 private:
  std::shared_ptr<Accessible> accessible_;
};

class ControlsCollection;

class Form final : public ContainerWidget {
 public:
  explicit Form(WidgetName name);
  ~Form() override;
  bool isForm() const override { return true; }
  bool isWindowed() const override { return true; }

  const std::string& Caption() const { return caption_; }
  void setCaption(std::string c) { caption_ = std::move(c); }
  // Screen position of the client area's top-left corner, in twips.
  double screenLeftTwips = 0, screenTopTwips = 0;

  // The Controls collection: Add("VB.TextBox", name) (727 for a name in use, 5 for an unknown
  // kind), Remove(name) (730 for a missing one), Item(name), Count.
  std::shared_ptr<ControlsCollection> Controls();
  void Refresh() { ++refreshCount_; }
  int refreshCount() const { return refreshCount_; }

  // Attaching a form to an engine registers its widgets there (window handles, timers).
  void setEngine(FormEngine* e);
  FormEngine* engine() const { return engine_; }

 protected:
  const Table& table() const override;

 private:
  friend class ContainerWidget;  // tells the Controls collection of controls coming and going
  std::string caption_;
  std::shared_ptr<ControlsCollection> controls_;
  FormEngine* engine_ = nullptr;
  int refreshCount_ = 0;
};

// The form's controls: every widget on it, also inside its frames and picture boxes, but not the
// parts inside a user control (those belong to the control). Error 91 once the form is gone.
class ControlsCollection final : public Dispatch {
 public:
  explicit ControlsCollection(Form& form) : form_(&form) {}
  std::shared_ptr<Widget> Add(std::string_view progId, std::string_view name);
  void Remove(std::string_view name);
  int32_t Count() const;
  std::shared_ptr<Widget> Item(std::string_view name) const;  // error 730 when absent
  std::shared_ptr<Widget> Item(int32_t index) const;          // from 0; error 9 outside
  std::vector<Widget*> list() const;                          // tree order, back to front

  int32_t idOfName(std::string_view name) const override;
  Variant invoke(int32_t id, Invoke kind, std::span<Variant> args) override;
  std::string_view typeName() const override { return "Object"; }

 private:
  friend class Form;
  friend class ContainerWidget;
  Form& form() const;
  // Whether a control of this name may be on the form: false means surely not. The first call
  // counts the form's names (by a hash of their lower-case form); from then on the form's
  // containers keep the count as controls come and go.
  bool mayHold(std::string_view name);
  // Counts a widget that arrives (+1) or leaves (-1), and the controls inside it.
  void countNames(const Widget& w, int delta);
  Form* form_;
  bool counted_ = false;
  std::unordered_map<uint64_t, uint32_t> names_;
};

}  // namespace keloscroll::host
