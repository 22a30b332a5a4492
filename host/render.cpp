#include "host/render.h"

#include <algorithm>
#include <cmath>

#include "host/leaf_widgets.h"
#include "host/text.h"

namespace host {

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

void paintWidget(const Widget& w, Painter& p, Dpi dpi);

void paintChildren(const ContainerWidget& c, Painter& p, Dpi dpi) {
  ClipScope clip(p, innerPixelRect(c, dpi));
  for (const auto& child : c.children()) paintWidget(*child, p, dpi);
}

void paintPictureBox(const PictureBox& box, const PixelRect& r, Painter& p, Dpi dpi) {
  PixelRect inner = innerPixelRect(box, dpi);
  if (box.BorderStyle() == 1) p.bevel(r, Edge::Sunken);
  p.fill(inner, resolveColor(box.BackColor()));
  // Its own picture sits at its natural size in the top-left corner, behind the children.
  if (PictureRef pic = box.Picture()) p.picture(*pic, inner.left, inner.top, inner);
  paintChildren(box, p, dpi);
}

void paintFrame(const Frame& f, const PixelRect& r, Painter& p, Dpi dpi) {
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
  paintChildren(f, p, dpi);
}

// A picture at its natural size keeps its own pixels at any density, as the platform's buttons
// and images show a bitmap.
void paintImage(const Image& img, const PixelRect& r, Painter& p) {
  PictureRef pic = img.Picture();
  if (!pic) return;
  if (img.Stretch()) {
    p.stretchPicture(*pic, r);
  } else {
    p.picture(*pic, r.left, r.top, r);
  }
}

void paintButton(const CommandButton& b, const PixelRect& r, Painter& p, Dpi dpi) {
  p.fill(r, resolveColor(syscolor::ButtonFace));
  // Pressed, the face's contents move one pixel right and down.
  int shift = b.pressed() ? 1 : 0;
  PixelRect face = r.inset(2);
  PixelRect content{face.left + shift, face.top + shift, face.width, face.height};
  PictureRef pic = b.Style() == 1 ? b.facePicture() : nullptr;
  bool enabled = b.effectivelyEnabled();
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

void paintFormItself(const Form& f, Painter& p, Dpi dpi) {
  p.fill(pixelRect(f, dpi), resolveColor(syscolor::ButtonFace));
  paintChildren(f, p, dpi);
}

void paintWidget(const Widget& w, Painter& p, Dpi dpi) {
  if (!w.Visible()) return;
  PixelRect r = pixelRect(w, dpi);
  if (r.empty()) return;
  switch (w.kind()) {
    case WidgetKind::Form:
      paintFormItself(static_cast<const Form&>(w), p, dpi);
      break;
    case WidgetKind::UserControl:
      paintChildren(static_cast<const UserControl&>(w), p, dpi);
      break;
    case WidgetKind::PictureBox:
      paintPictureBox(static_cast<const PictureBox&>(w), r, p, dpi);
      break;
    case WidgetKind::Frame:
      paintFrame(static_cast<const Frame&>(w), r, p, dpi);
      break;
    case WidgetKind::Image:
      paintImage(static_cast<const Image&>(w), r, p);
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
  double px = std::floor(pixelsOf(twips, dpi) + 0.5);
  if (!(px > -kFarPixels)) px = -kFarPixels;  // also NaN
  if (px > kFarPixels) px = kFarPixels;
  return static_cast<int>(px);
}

int scaledPixels(int classicPixels, Dpi dpi) {
  return toPixels(twipsOf(classicPixels, kClassicDpi), dpi);
}

PixelRect pixelRect(const Widget& w) {
  return pixelRect(w, w.dpi());
}

PixelRect pixelRect(const Widget& w, Dpi dpi) {
  double x = 0, y = 0;
  w.originOnForm(x, y);
  const TwipsRect& t = w.rectTwips();
  int left = toPixels(x, dpi), top = toPixels(y, dpi);
  int right = toPixels(x + t.width, dpi), bottom = toPixels(y + t.height, dpi);
  return PixelRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

PixelRect innerPixelRect(const ContainerWidget& c) {
  return innerPixelRect(c, c.dpi());
}

PixelRect innerPixelRect(const ContainerWidget& c, Dpi dpi) {
  double x = 0, y = 0;
  c.originOnForm(x, y);
  x += c.innerOffsetTwips();
  y += c.innerOffsetTwips();
  int left = toPixels(x, dpi), top = toPixels(y, dpi);
  int right = toPixels(x + c.innerWidthTwips(), dpi);
  int bottom = toPixels(y + c.innerHeightTwips(), dpi);
  return PixelRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

void paintForm(const Form& form, Painter& painter) {
  paintForm(form, painter, form.dpi());
}

void paintForm(const Form& form, Painter& painter, Dpi dpi) {
  // A screenshot shows the form whether or not it is shown on the screen.
  paintFormItself(form, painter, dpi);
}

}  // namespace host
