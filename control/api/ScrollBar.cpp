#include "keloscroll/ScrollBar.h"

#include <span>
#include <utility>

#include "control/register.h"
#include "host/classes.h"
#include "host/error.h"
#include "host/variant.h"

namespace keloscroll {

static_assert(ScrollBar::kProgId == std::string_view(kControlProgId));

struct ScrollBar::State {
  host::ContainerWidget* container = nullptr;
  std::string name;
  Bounds bounds;
  std::shared_ptr<host::ControlSite> site;
  host::ObjectRef control;
  std::function<void(int32_t)> change;
  std::function<void()> scroll;
  std::function<void(std::string&)> describe;

  // The host's handler of the control's events: each one to its typed handler.
  void deliver(std::string_view event, std::span<host::Variant> args) {
    if (event == "Change") {
      if (change && !args.empty()) change(args[0].asLong());
    } else if (event == "Scroll") {
      if (scroll) scroll();
    } else if (event == "GetDescription") {
      if (!describe || args.empty()) return;
      std::string text = args[0].asString();
      describe(text);
      args[0] = text;  // the by-reference argument: the control's own description
    }
  }

  // A new control on a new site, placed by ProgID: InitProperties or ReadProperties, then the
  // first Resize and Show, in a container's order.
  void build(const host::PropertyBag* saved, Orientation orientation) {
    host::FormEngine* engine = container->engine();
    if (!engine) host::raise(host::err::ObjectNotSet);
    if (const host::Form* form = container->form(); form && host::findWidget(*form, name)) {
      host::raise(host::err::NameInUse, host::nameInUse(name));
    }
    registerControlClasses();
    host::ControlFactory factory = host::findControlClass(ScrollBar::kProgId);
    if (!factory) host::raise(host::err::InvalidCall, "Invalid class string");

    site = std::make_shared<host::ControlSite>(*engine, *container, name);
    site->setUserMode(true);
    site->setRecording(false);  // the typed handlers are the record; nothing grows without end
    site->setEventSink(
        [this](std::string_view event, std::span<host::Variant> args) { deliver(event, args); });
    try {
      site->surface().setLeft(bounds.left);
      site->surface().setTop(bounds.top);
      control = factory(*site);
      site->setControl(control);
      if (saved) {
        host::PropertyBag bag = *saved;
        site->load(bag);
      } else {
        site->initNew();
        if (orientation == Orientation::Horizontal) control->let("VerticalBar", false);
      }
      site->resize(bounds.width, bounds.height);
      site->show();
    } catch (...) {
      drop();
      throw;
    }
  }

  void drop() {
    if (!site) return;
    site->terminate();
    site->setEventSink(nullptr);
    control.reset();
    site.reset();  // takes the surface off the container
  }

  host::Dispatch& face() const { return host::deref(control); }
};

ScrollBar::ScrollBar(host::ContainerWidget& container, std::string name, Bounds bounds,
                     Orientation orientation)
    : s_(std::make_unique<State>()) {
  s_->container = &container;
  s_->name = std::move(name);
  s_->bounds = bounds;
  s_->build(nullptr, orientation);
}

ScrollBar::ScrollBar(host::ContainerWidget& container, std::string name, Bounds bounds,
                     const host::PropertyBag& saved)
    : s_(std::make_unique<State>()) {
  s_->container = &container;
  s_->name = std::move(name);
  s_->bounds = bounds;
  s_->build(&saved, Orientation::Vertical);
}

ScrollBar::~ScrollBar() {
  if (s_) s_->drop();
}

ScrollBar::ScrollBar(ScrollBar&&) noexcept = default;

ScrollBar& ScrollBar::operator=(ScrollBar&& o) noexcept {
  if (this != &o) {
    if (s_) s_->drop();
    s_ = std::move(o.s_);
  }
  return *this;
}

// ---- properties ---------------------------------------------------------------------------------

namespace {

host::PictureRef pictureOf(const host::Variant& v) {
  return std::dynamic_pointer_cast<host::Picture>(v.asObject());
}

host::Variant objectOf(host::PictureRef p) {
  return p ? host::Variant(std::move(p)) : host::Variant::nothing();
}

}  // namespace

int32_t ScrollBar::value() const {
  return s_->face().get("Value").asLong();
}
void ScrollBar::setValue(int32_t v) {
  s_->face().let("Value", v);
}
int32_t ScrollBar::min() const {
  return s_->face().get("Min").asLong();
}
void ScrollBar::setMin(int32_t v) {
  s_->face().let("Min", v);
}
int32_t ScrollBar::max() const {
  return s_->face().get("Max").asLong();
}
void ScrollBar::setMax(int32_t v) {
  s_->face().let("Max", v);
}
int32_t ScrollBar::smallChange() const {
  return s_->face().get("SmallChange").asLong();
}
void ScrollBar::setSmallChange(int32_t v) {
  s_->face().let("SmallChange", v);
}
int32_t ScrollBar::largeChange() const {
  return s_->face().get("LargeChange").asLong();
}
void ScrollBar::setLargeChange(int32_t v) {
  s_->face().let("LargeChange", v);
}
bool ScrollBar::vertical() const {
  return s_->face().get("VerticalBar").asBoolean() != 0;
}
void ScrollBar::setVertical(bool v) {
  s_->face().let("VerticalBar", v);
}
bool ScrollBar::enabled() const {
  return s_->face().get("Enabled").asBoolean() != 0;
}
void ScrollBar::setEnabled(bool v) {
  s_->face().let("Enabled", v);
}
int16_t ScrollBar::refreshMsecGD() const {
  return s_->face().get("RefreshMsecGD").asInteger();
}
void ScrollBar::setRefreshMsecGD(int16_t ms) {
  s_->face().let("RefreshMsecGD", ms);
}
std::string ScrollBar::description() const {
  return s_->face().get("Description").asString();
}

host::PictureRef ScrollBar::pictureBarra() const {
  return pictureOf(s_->face().get("PictureBarra"));
}
void ScrollBar::setPictureBarra(host::PictureRef p) {
  s_->face().let("PictureBarra", objectOf(std::move(p)));
}
host::PictureRef ScrollBar::pictureCursor() const {
  return pictureOf(s_->face().get("PictureCursor"));
}
void ScrollBar::setPictureCursor(host::PictureRef p) {
  s_->face().let("PictureCursor", objectOf(std::move(p)));
}
host::PictureRef ScrollBar::pictureSXUP() const {
  return pictureOf(s_->face().get("PictureSXUP"));
}
void ScrollBar::setPictureSXUP(host::PictureRef p) {
  s_->face().let("PictureSXUP", objectOf(std::move(p)));
}
host::PictureRef ScrollBar::pictureDXDN() const {
  return pictureOf(s_->face().get("PictureDXDN"));
}
void ScrollBar::setPictureDXDN(host::PictureRef p) {
  s_->face().let("PictureDXDN", objectOf(std::move(p)));
}

void ScrollBar::showAboutBox() {
  s_->face().call("ShowAboutBox");
}

// ---- events -------------------------------------------------------------------------------------

void ScrollBar::onChange(std::function<void(int32_t)> handler) {
  s_->change = std::move(handler);
}
void ScrollBar::onScroll(std::function<void()> handler) {
  s_->scroll = std::move(handler);
}
void ScrollBar::onGetDescription(std::function<void(std::string&)> handler) {
  s_->describe = std::move(handler);
}

// ---- saving and restoring -----------------------------------------------------------------------

host::PropertyBag ScrollBar::save() {
  s_->face().get("Value");  // the control saves the position it last read back from the thumb
  host::PropertyBag bag;
  s_->site->save(bag);
  return bag;
}

void ScrollBar::load(const host::PropertyBag& saved) {
  host::PropertyBag before = save();
  s_->drop();
  try {
    s_->build(&saved, Orientation::Vertical);
  } catch (...) {
    s_->build(&before, Orientation::Vertical);
    throw;
  }
}

// ---- placing ------------------------------------------------------------------------------------

void ScrollBar::move(Bounds bounds) {
  s_->bounds = bounds;
  s_->site->surface().setLeft(bounds.left);
  s_->site->surface().setTop(bounds.top);
  s_->site->resize(bounds.width, bounds.height);
}

void ScrollBar::focus() {
  // The track takes the focus; the control previews every key its parts receive.
  host::Widget* track = host::findWidget(s_->site->surface(), "picBarra");
  if (!track) host::raise(host::err::InvalidCall);
  s_->site->engine().setFocus(*track);
}

Bounds ScrollBar::bounds() const {
  const host::UserControl& s = s_->site->surface();
  return Bounds{s.Left(), s.Top(), s.Width(), s.Height()};
}

const std::string& ScrollBar::name() const {
  return s_->name;
}

host::Dispatch& ScrollBar::dispatch() const {
  return s_->face();
}
host::ControlSite& ScrollBar::site() const {
  return *s_->site;
}
host::UserControl& ScrollBar::surface() const {
  return s_->site->surface();
}

}  // namespace keloscroll
