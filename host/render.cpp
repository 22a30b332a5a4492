#include "host/render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#include "host/leaf_widgets.h"
#include "host/text.h"

namespace keloscroll::host {

namespace {

// Placed far outside any image, but well inside an int, so that wild positions stay harmless.
constexpr double kFarPixels = 1e8;

// Sizes in pixels of the classic look.
constexpr int kCheckBoxSide = 13;
constexpr int kCheckGap = 4;          // between a check box's box and its caption
constexpr int kFrameCaptionLeft = 8;  // a frame's caption, from the frame's left edge
constexpr int kTextMargin = 1;        // inside a text box's border

int lineHeightPixels(double pointSize, bool bold, Dpi dpi) {
  return static_cast<int>(text::lineHeightPixels(pointSize, bold, dpi));
}

int textWidthPixels(std::string_view s, double pointSize, bool bold, Dpi dpi) {
  return toPixels(text::widthTwips(s, pointSize, bold, dpi), dpi);
}

// A caption in the classic style: black, or embossed grey when its widget is disabled.
void caption(Painter& p, std::string_view s, const PixelRect& r, TextStyle style, bool enabled) {
  if (!enabled) {
    TextStyle shade = style;
    shade.color = resolveColor(syscolor::ButtonHighlight);
    p.text(s, PixelRect{r.left + 1, r.top + 1, r.width, r.height}, shade);
    style.color = resolveColor(syscolor::GrayText);
  }
  p.text(s, r, style);
}

TextStyle buttonText(HAlign align, VAlign valign, Dpi dpi) {
  TextStyle t;
  t.dpi = dpi;
  t.color = resolveColor(syscolor::ButtonText);
  t.align = align;
  t.valign = valign;
  return t;
}

struct Rects;

// A widget being painted: its top-left corner on the form in twips, and the density painted at.
// Carried down the tree as painting descends, so that no widget walks up its containers again;
// summed as Widget::originOnForm sums it, so the pixels are the same. `rects`: the pixel
// rectangles worked out before, or null.
struct At {
  double x = 0, y = 0;
  Dpi dpi;
  Rects* rects = nullptr;
};

// The nearest whole pixel to a position in pixels, as toPixels rounds.
int nearestPixel(double px) {
  px += 0.5;
  if (!(px > -kFarPixels)) return static_cast<int>(-kFarPixels);  // also NaN
  if (px > kFarPixels) return static_cast<int>(kFarPixels);
  // floor within the range: the cast cuts towards zero, one too high below zero. (std::floor is a
  // library call on the baseline x86-64 this is built for, and painting calls this often.)
  auto whole = static_cast<int>(px);
  return static_cast<double>(whole) > px ? whole - 1 : whole;
}

PixelRect pixelBox(double x, double y, double width, double height, Dpi dpi) {
  // Each edge divided by the same twips per pixel that toPixels divides by, worked out once.
  const double perPixel = twipsPerPixel(dpi);
  int left = nearestPixel(x / perPixel), top = nearestPixel(y / perPixel);
  int right = nearestPixel((x + width) / perPixel), bottom = nearestPixel((y + height) / perPixel);
  return PixelRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

// Pixel rectangles worked out before, kept from one paint to the next. Deciding what children
// hide and painting them both need each widget's rectangle, and between two repaints of a bar
// only its thumb moves; working a rectangle out takes four divisions. A slot keeps everything its
// rectangle depends on (place, size and density: an empty slot's density of 0 is none), so a hit
// is right whichever widget asks; the widget and whether its inner rectangle is asked only pick
// the slot. Direct-mapped by address, so a form of thousands of widgets costs no searching; a
// widget whose slot another took is worked out again.
struct Rects {
  struct Slot {
    double x = 0, y = 0, width = 0, height = 0;
    int32_t dpi = 0;
    PixelRect rect;
  };
  std::array<Slot, 64> slots{};  // 2^6, as the index takes six bits

  PixelRect get(const Widget& w, bool inner, double x, double y, double width, double height,
                Dpi dpi) {
    // Widgets made in one object lie a fixed stride apart: the address is mixed (Fibonacci
    // hashing) so that such strides do not land on one slot.
    uint64_t mixed = (uint64_t{reinterpret_cast<uintptr_t>(&w)} >> 4) * 0x9E3779B97F4A7C15u;
    Slot& s = slots[static_cast<size_t>(mixed >> 58) ^ (inner ? 1u : 0u)];
    if (s.x != x || s.y != y || s.width != width || s.height != height || s.dpi != dpi.value()) {
      s = Slot{x, y, width, height, dpi.value(), pixelBox(x, y, width, height, dpi)};
    }
    return s.rect;
  }
};
// One per thread: painting happens on the thread that owns the form.
thread_local Rects t_rects;

At childAt(const ContainerWidget& c, const At& at, const Widget& child) {
  double inner = c.innerOffsetTwips();
  return At{at.x + (inner + child.rectTwips().left), at.y + (inner + child.rectTwips().top), at.dpi,
            at.rects};
}

PixelRect rectAt(const Widget& w, const At& at) {
  const TwipsRect& r = w.rectTwips();
  return at.rects ? at.rects->get(w, false, at.x, at.y, r.width, r.height, at.dpi)
                  : pixelBox(at.x, at.y, r.width, r.height, at.dpi);
}

PixelRect innerRectAt(const ContainerWidget& c, const At& at) {
  double inner = c.innerOffsetTwips();
  double x = at.x + inner, y = at.y + inner;
  return at.rects ? at.rects->get(c, true, x, y, c.innerWidthTwips(), c.innerHeightTwips(), at.dpi)
                  : pixelBox(x, y, c.innerWidthTwips(), c.innerHeightTwips(), at.dpi);
}

void paintWidget(const Widget& w, Painter& p, const At& at);

void paintChildren(const ContainerWidget& c, Painter& p, const At& at) {
  ClipScope clip(p, innerRectAt(c, at));
  for (const auto& child : c.children()) paintWidget(*child, p, childAt(c, at, *child));
}

// ---- What children hide ----------------------------------------------------------------------
// Painting what a container's children paint over anyway is wasted work: a form's background
// behind the controls that fill it, a track's behind its stretched picture. A child counts when it
// writes every pixel of its rectangle whatever lies under it; a background is left out only when
// such children cover the whole of it, so the image is the same either way.

// Whether an image stretches an opaque picture over all of its rectangle.
bool stretchesOpaque(const Image& img) {
  const PictureRef& pic = img.Picture();
  return img.Stretch() && pic && pic->opaque() && pic->width() > 0 && pic->height() > 0;
}

// Whether a widget may hide what is under it (a user control through its children), before its
// rectangle is worked out.
bool mayPaintOpaque(const Widget& w) {
  switch (w.kind()) {
    case WidgetKind::UserControl:
    case WidgetKind::CommandButton:
    case WidgetKind::Frame:
    case WidgetKind::TextBox:
    case WidgetKind::PictureBox:
      return true;
    case WidgetKind::Image:
      return stretchesOpaque(static_cast<const Image&>(w));
    default:
      return false;
  }
}

// Whether a widget painted in r writes every pixel of r without reading what is under it.
bool paintsOpaque(const Widget& w, const PixelRect& r, const At& at) {
  switch (w.kind()) {
    case WidgetKind::CommandButton:
    case WidgetKind::Frame:
    case WidgetKind::TextBox:
      return true;  // each fills its rectangle first
    case WidgetKind::PictureBox: {
      // A border's bevel paints the two pixels around the inner area, the fill (or the children
      // that hide it) the inner area.
      const auto& box = static_cast<const PictureBox&>(w);
      return innerRectAt(box, at) == (box.BorderStyle() == 1 ? r.inset(2) : r);
    }
    case WidgetKind::Image:
      return stretchesOpaque(static_cast<const Image&>(w));
    default:
      return false;
  }
}

// At most this many rectangles are looked at; a container with more opaque children paints its
// background as usual.
constexpr int kMostCovering = 16;

struct Covering {
  std::array<PixelRect, kMostCovering> rects;
  int count = 0;
  bool full = false;  // more than kMostCovering: not used
};

// The parts of `clip` that c's visible children paint opaquely, a user control's (which paints no
// background of its own) through its children.
void opaqueParts(const ContainerWidget& c, const At& at, const PixelRect& clip, Covering& out) {
  PixelRect inner = innerRectAt(c, at).intersect(clip);
  if (inner.empty()) return;
  for (const auto& child : c.children()) {
    if (out.full) return;
    if (!child->Visible() || !mayPaintOpaque(*child)) continue;
    At childPlace = childAt(c, at, *child);
    PixelRect r = rectAt(*child, childPlace);
    if (r.empty()) continue;
    if (child->kind() == WidgetKind::UserControl) {
      opaqueParts(static_cast<const UserControl&>(*child), childPlace, inner, out);
    } else if (paintsOpaque(*child, r, childPlace)) {
      PixelRect part = r.intersect(inner);
      if (part.empty()) continue;
      if (out.count == kMostCovering) {
        out.full = true;
        return;
      }
      out.rects[static_cast<size_t>(out.count++)] = part;
    }
  }
}

// When every rectangle spans the whole width of `area` (a vertical bar's buttons and track
// stacked in it), whether they cover it is whether their runs down it leave no gap; likewise
// across for rectangles that span its whole height (a horizontal bar). Otherwise no answer.
std::optional<bool> stackedCover(const Covering& c, const PixelRect& area) {
  const auto n = static_cast<size_t>(c.count);
  bool fullWidth = true, fullHeight = true;
  for (size_t i = 0; i < n; ++i) {
    const PixelRect& r = c.rects[i];
    fullWidth = fullWidth && r.left <= area.left && r.right() >= area.right();
    fullHeight = fullHeight && r.top <= area.top && r.bottom() >= area.bottom();
  }
  if (!fullWidth && !fullHeight) return std::nullopt;
  std::array<std::pair<int, int>, kMostCovering> runs{};
  for (size_t i = 0; i < n; ++i) {
    const PixelRect& r = c.rects[i];
    runs[i] = fullWidth ? std::pair{r.top, r.bottom()} : std::pair{r.left, r.right()};
  }
  std::sort(runs.begin(), runs.begin() + static_cast<ptrdiff_t>(n));
  const int start = fullWidth ? area.top : area.left;
  const int end = fullWidth ? area.bottom() : area.right();
  int at = start;
  for (size_t i = 0; i < n && at < end; ++i) {
    if (runs[i].first > at) return false;
    at = std::max(at, runs[i].second);
  }
  return at >= end;
}

// Whether the rectangles together cover all of `area`: in each band between their top and bottom
// edges, the ones spanning the band must leave no gap across it.
bool covers(const Covering& c, const PixelRect& area) {
  if (c.full || c.count == 0 || area.empty()) return false;
  for (int i = 0; i < c.count; ++i) {
    if (c.rects[static_cast<size_t>(i)].intersect(area) == area) return true;  // one is enough
  }
  if (std::optional<bool> stacked = stackedCover(c, area)) return *stacked;
  std::array<int, 2 * kMostCovering + 2> edges{};
  size_t n = 0;
  edges[n++] = area.top;
  edges[n++] = area.bottom();
  for (int i = 0; i < c.count; ++i) {
    const PixelRect& r = c.rects[static_cast<size_t>(i)];
    if (r.top > area.top && r.top < area.bottom()) edges[n++] = r.top;
    if (r.bottom() > area.top && r.bottom() < area.bottom()) edges[n++] = r.bottom();
  }
  std::sort(edges.begin(), edges.begin() + static_cast<ptrdiff_t>(n));
  std::array<std::pair<int, int>, kMostCovering> spans{};
  for (size_t e = 0; e + 1 < n; ++e) {
    int top = edges[e], bottom = edges[e + 1];
    if (top == bottom) continue;
    size_t m = 0;
    for (int i = 0; i < c.count; ++i) {
      const PixelRect& r = c.rects[static_cast<size_t>(i)];
      if (r.top <= top && r.bottom() >= bottom) spans[m++] = {r.left, r.right()};
    }
    std::sort(spans.begin(), spans.begin() + static_cast<ptrdiff_t>(m));
    int x = area.left;
    for (size_t i = 0; i < m && x < area.right(); ++i) {
      if (spans[i].first > x) return false;
      x = std::max(x, spans[i].second);
    }
    if (x < area.right()) return false;
  }
  return true;
}

// Whether c's children hide all of `area` (inside c).
bool hiddenByChildren(const ContainerWidget& c, const At& at, const PixelRect& area) {
  Covering covering;
  opaqueParts(c, at, area, covering);
  return covers(covering, area);
}

// A picture painted at `size`: drawn afresh there when it can be (a client's icon or metafile
// stays sharp at any size and density), else its own pixels, which the painter stretches. `hold`
// keeps what is returned alive while it is painted: the fresh drawing, or the picture itself, since
// drawing afresh runs the client's code. Most pictures have nothing to draw afresh from: they cost
// one test here, and painting reads them through their widget's own reference.
const Picture& atSize(const PictureRef& pic, PictureSize size,
                      std::shared_ptr<const Picture>& hold) {
  if (!pic->source()) return *pic;
  hold = pic;
  if (auto fresh = pic->rendition(size.width, size.height)) hold = std::move(fresh);
  return *hold;
}

// A picture at its natural size on a device of `dpi`: its own pixels at any density, as the
// platform's buttons and images show a bitmap; one the platform can draw afresh at the size its
// own measure takes there.
const Picture& naturalSize(const PictureRef& pic, Dpi dpi, std::shared_ptr<const Picture>& hold) {
  if (!pic->source()) return *pic;
  return atSize(pic, pic->sizeAt(dpi), hold);
}

void paintPictureBox(const PictureBox& box, const PixelRect& r, Painter& p, const At& at) {
  PixelRect inner = innerRectAt(box, at);
  if (box.BorderStyle() == 1) p.bevel(r, Edge::Sunken);
  if (!hiddenByChildren(box, at, inner)) {
    p.fill(inner, resolveColor(box.BackColor()));
    // Its own picture sits at its natural size in the top-left corner, behind the children.
    if (const PictureRef& pic = box.Picture()) {
      std::shared_ptr<const Picture> hold;
      p.picture(naturalSize(pic, at.dpi, hold), inner.left, inner.top, inner);
    }
  }
  paintChildren(box, p, at);
}

void paintFrame(const Frame& f, const PixelRect& r, Painter& p, const At& at) {
  Dpi dpi = at.dpi;
  p.fill(r, resolveColor(syscolor::ButtonFace));
  int lineH = lineHeightPixels(f.FontSize(), f.FontBold(), dpi);
  int borderTop = f.Caption().empty() ? 0 : lineH / 2;
  p.bevel(PixelRect{r.left, r.top + borderTop, r.width, r.height - borderTop}, Edge::Etched);
  if (!f.Caption().empty()) {
    // The caption interrupts the top border, with a pixel of face on each side.
    int textW = textWidthPixels(f.Caption(), f.FontSize(), f.FontBold(), dpi);
    PixelRect cap{r.left + scaledPixels(kFrameCaptionLeft, dpi), r.top, textW, lineH};
    p.fill(PixelRect{cap.left - 1, cap.top, cap.width + 2, cap.height},
           resolveColor(syscolor::ButtonFace));
    TextStyle style = buttonText(HAlign::Left, VAlign::Top, dpi);
    style.pointSize = f.FontSize();
    style.bold = f.FontBold();
    caption(p, f.Caption(), cap.intersect(r), style, f.effectivelyEnabled());
  }
  paintChildren(f, p, at);
}

void paintImage(const Image& img, const PixelRect& r, Painter& p, Dpi dpi) {
  const PictureRef& pic = img.Picture();
  if (!pic) return;
  std::shared_ptr<const Picture> hold;
  if (img.Stretch()) {
    p.stretchPicture(atSize(pic, PictureSize{r.width, r.height}, hold), r);
  } else {
    p.picture(naturalSize(pic, dpi, hold), r.left, r.top, r);
  }
}

void paintButton(const CommandButton& b, const PixelRect& r, Painter& p, Dpi dpi) {
  const PictureRef* given = b.Style() == 1 && b.facePicture() ? &b.facePicture() : nullptr;
  std::shared_ptr<const Picture> hold;
  const Picture* pic = given ? &naturalSize(*given, dpi, hold) : nullptr;
  bool enabled = b.effectivelyEnabled();
  // Without a caption, the face is the same whenever its size, state and picture are.
  bool keepable = b.Caption().empty();
  FaceKey key{static_cast<int32_t>(WidgetKind::CommandButton), r.width, r.height,
              (b.pressed() ? 1 : 0) | (enabled ? 2 : 0), pic ? pic->handle() : 0};
  if (keepable && p.paintKeptFace(key, r)) return;
  p.fill(r, resolveColor(syscolor::ButtonFace));
  // Pressed, the face's contents move one pixel right and down.
  int shift = b.pressed() ? 1 : 0;
  PixelRect face = r.inset(2);
  PixelRect content{face.left + shift, face.top + shift, face.width, face.height};
  if (pic) {
    // A graphical button centres its picture; a caption goes below it.
    PixelRect picArea{r.left + shift, r.top + shift, r.width, r.height};
    if (!b.Caption().empty()) {
      int lineH = lineHeightPixels(text::kDefaultPointSize, false, dpi);
      picArea.height -= lineH;
      caption(p, b.Caption(),
              PixelRect{content.left, content.bottom() - lineH, content.width, lineH},
              buttonText(HAlign::Center, VAlign::Top, dpi), enabled);
    }
    int x = picArea.left + (picArea.width - pic->width()) / 2;
    int y = picArea.top + (picArea.height - pic->height()) / 2;
    p.picture(*pic, x, y, face);
  } else if (!b.Caption().empty()) {
    caption(p, b.Caption(), content, buttonText(HAlign::Center, VAlign::Middle, dpi), enabled);
  }
  p.bevel(r, b.pressed() ? Edge::Sunken : Edge::Raised);
  if (keepable) p.keepFace(key, r);
}

void paintTextBox(const TextBox& t, const PixelRect& r, Painter& p, Dpi dpi) {
  p.fill(r, resolveColor(t.BackColor()));
  bool flat = t.Appearance() == 0;
  PixelRect inner = r.inset(flat ? 1 : 2);
  TextStyle style;
  style.dpi = dpi;
  style.color =
      t.effectivelyEnabled() ? resolveColor(t.ForeColor()) : resolveColor(syscolor::GrayText);
  style.pointSize = t.FontSize();
  style.bold = t.FontBold();
  int margin = scaledPixels(kTextMargin, dpi);
  PixelRect area{inner.left + margin, inner.top, inner.width - margin, inner.height};
  // A flat box exactly one line high (a tooltip sized by TextHeight) would lose a row above and
  // below to its frame and clip the descenders: there the line takes the box's whole height and
  // the thin frame is drawn over it.
  int line = lineHeightPixels(style.pointSize, style.bold, dpi);
  if (flat && inner.height < line) area = PixelRect{area.left, r.top, area.width, r.height};
  if (!flat) p.bevel(r, Edge::Sunken);
  // One line's room or not, the text stays inside the box.
  p.text(t.Text(), area, style);
  if (flat) p.frame(r, resolveColor(syscolor::WindowFrame));
}

void paintCheckBox(const CheckBox& c, const PixelRect& r, Painter& p, Dpi dpi) {
  int side = scaledPixels(kCheckBoxSide, dpi);
  PixelRect box{r.left, r.top + (r.height - side) / 2, side, side};
  bool enabled = c.effectivelyEnabled();
  // Grayed (2), or disabled, the box shows the face colour and a grey check.
  bool grey = c.Value() == 2 || !enabled;
  p.fill(box, resolveColor(grey ? syscolor::ButtonFace : syscolor::Window));
  p.bevel(box, Edge::Sunken);
  if (c.Value() != 0) {
    // The classic check: seven columns three pixels high, down to the third, then up.
    static constexpr int kDrop[7] = {2, 3, 4, 3, 2, 1, 0};
    Rgb ink = resolveColor(grey ? syscolor::GrayText : syscolor::WindowText);
    for (int i = 0; i < 7; ++i)
      p.fill(PixelRect{box.left + 3 + i, box.top + 3 + kDrop[i], 1, 3}, ink);
  }
  int textLeft = box.right() + scaledPixels(kCheckGap, dpi);
  caption(p, c.Caption(), PixelRect{textLeft, r.top, r.right() - textLeft, r.height},
          buttonText(HAlign::Left, VAlign::Middle, dpi), enabled);
}

void paintLabel(const Label& l, const PixelRect& r, Painter& p, Dpi dpi) {
  HAlign align = l.Alignment() == 1   ? HAlign::Right
                 : l.Alignment() == 2 ? HAlign::Center
                                      : HAlign::Left;
  TextStyle style = buttonText(align, VAlign::Top, dpi);
  style.wordWrap = true;  // a label's caption wraps at spaces within its width
  caption(p, l.Caption(), r, style, l.effectivelyEnabled());
}

void paintFormItself(const Form& f, Painter& p, const At& at) {
  PixelRect r = rectAt(f, at);
  if (!hiddenByChildren(f, at, r)) p.fill(r, resolveColor(syscolor::ButtonFace));
  paintChildren(f, p, at);
}

void paintWidget(const Widget& w, Painter& p, const At& at) {
  if (!w.Visible() || w.kind() == WidgetKind::Timer) return;
  PixelRect r = rectAt(w, at);
  Dpi dpi = at.dpi;
  if (r.empty()) return;
  switch (w.kind()) {
    case WidgetKind::Form:
      paintFormItself(static_cast<const Form&>(w), p, at);
      break;
    case WidgetKind::UserControl:
      paintChildren(static_cast<const UserControl&>(w), p, at);
      break;
    case WidgetKind::PictureBox:
      paintPictureBox(static_cast<const PictureBox&>(w), r, p, at);
      break;
    case WidgetKind::Frame:
      paintFrame(static_cast<const Frame&>(w), r, p, at);
      break;
    case WidgetKind::Image:
      paintImage(static_cast<const Image&>(w), r, p, dpi);
      break;
    case WidgetKind::CommandButton:
      paintButton(static_cast<const CommandButton&>(w), r, p, dpi);
      break;
    case WidgetKind::TextBox:
      paintTextBox(static_cast<const TextBox&>(w), r, p, dpi);
      break;
    case WidgetKind::CheckBox:
      paintCheckBox(static_cast<const CheckBox&>(w), r, p, dpi);
      break;
    case WidgetKind::Label:
      paintLabel(static_cast<const Label&>(w), r, p, dpi);
      break;
    case WidgetKind::Timer:
      break;
  }
}

}  // namespace

int toPixels(double twips, Dpi dpi) {
  return nearestPixel(pixelsOf(twips, dpi));
}

int scaledPixels(int classicPixels, Dpi dpi) {
  return toPixels(twipsOf(classicPixels, kClassicDpi), dpi);
}

PixelRect pixelRect(const Widget& w) {
  return pixelRect(w, w.dpi());
}

PixelRect pixelRect(const Widget& w, Dpi dpi) {
  At at{0, 0, dpi};
  w.originOnForm(at.x, at.y);
  return rectAt(w, at);
}

PixelRect innerPixelRect(const ContainerWidget& c) {
  return innerPixelRect(c, c.dpi());
}

PixelRect innerPixelRect(const ContainerWidget& c, Dpi dpi) {
  At at{0, 0, dpi};
  c.originOnForm(at.x, at.y);
  return innerRectAt(c, at);
}

void paintForm(const Form& form, Painter& painter) {
  paintForm(form, painter, form.dpi());
}

void paintForm(const Form& form, Painter& painter, Dpi dpi) {
  // A screenshot shows the form whether or not it is shown on the screen.
  At at{0, 0, dpi, &t_rects};
  form.originOnForm(at.x, at.y);
  paintFormItself(form, painter, at);
}

}  // namespace keloscroll::host
