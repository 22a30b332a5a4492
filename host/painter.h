// The painting vocabulary: pixel rectangles, colours (including the host's system colours), and
// the small painter interface that widgets are drawn through. Painters work in the pixels of
// the device they draw on; the density that turns twips into those pixels is the form's. A backend
// implements Painter: Cairo on an image surface (host/cairo/cairo_painter.h); others may follow.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "host/picture.h"
#include "host/system_colors.h"
#include "host/text.h"

namespace keloscroll::host {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A rectangle in pixels: left and top inclusive, width and height never negative when made by
// the helpers below.
struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;

  int right() const { return left + width; }   // one past the last column
  int bottom() const { return top + height; }  // one past the last row
  bool empty() const { return width <= 0 || height <= 0; }
  bool contains(int x, int y) const { return x >= left && x < right() && y >= top && y < bottom(); }
  // The rectangle shrunk by n pixels on every side (empty when nothing is left).
  PixelRect inset(int n) const;
  PixelRect intersect(const PixelRect& o) const;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// System colour n in the classic Windows scheme (button face RGB 192,192,192, window white,
// tooltip background RGB 255,255,225, ...). Black for an index the scheme does not know.
Rgb systemColor(int index);
// The colour a host colour value stands for.
Rgb resolveColor(int32_t hostColor);

// A straight-alpha pixel (0xAARRGGBB, as pictures keep them) premultiplied, as Cairo and GDI's
// alpha blending take them.
inline uint32_t premultiply(uint32_t argb) {
  uint32_t a = argb >> 24;
  if (a == 0xFF) return argb;
  if (a == 0) return 0;
  auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (scale((argb >> 16) & 0xFF) << 16) | (scale((argb >> 8) & 0xFF) << 8) |
         scale(argb & 0xFF);
}

// Two-pixel 3-D borders, drawn inside a rectangle in the classic scheme's colours:
// Raised  (buttons, a thumb): light and white at top and left, grey and black at bottom and right;
// Sunken  (text boxes, pressed buttons, wells): grey and black at top and left, white and light
//         at bottom and right;
// Etched  (frames): a groove, grey then white.
enum class Edge { Raised, Sunken, Etched };

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Middle };

struct TextStyle {
  Rgb color;
  HAlign align = HAlign::Left;
  VAlign valign = VAlign::Top;
  double pointSize = text::kDefaultPointSize;
  bool bold = false;
  Dpi dpi;                // of the device drawn on: the font's size in pixels
  bool wordWrap = false;  // break lines at spaces to fit the rectangle's width (labels)
};

// One line of a text as a painter places it: its left edge and the top of its line box, in
// pixels. Every backend lays text out through layoutText, so that alignment and wrapping agree.
struct TextLine {
  std::string_view text;  // a piece of the laid-out string
  double x = 0, top = 0;
};

// The lines of s in r: split at line feeds (a carriage return before one is dropped), broken at
// spaces to fit r's width when the style wraps (a word longer than the width stands on a line of
// its own), each aligned on its own, one line height apart (the first at r's top, or the block
// centred for VAlign::Middle). Widths come from text measurement.
std::vector<TextLine> layoutText(std::string_view s, const PixelRect& r, const TextStyle& style);

// Everything a widget's face depends on, when it depends on nothing else (no text, nothing under
// it): a backend may keep the face's pixels and copy them when the same face is painted again.
struct FaceKey {
  int32_t kind = 0, width = 0, height = 0, state = 0, picture = 0;
  friend bool operator==(const FaceKey&, const FaceKey&) = default;
};

// Every call paints inside the current clip; coordinates are pixels from the image's top-left.
class Painter {
 public:
  // `bounds`: all that painting can reach (an image's area); unbounded for a device that clips
  // by itself.
  explicit Painter(const PixelRect& bounds = kUnbounded) : clips_{bounds} {}
  virtual ~Painter() = default;
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  virtual void fill(const PixelRect& r, Rgb color) = 0;
  // A one-pixel outline along the inside of r. Drawn with fill() here: every backend's lines are
  // the same pixels.
  virtual void frame(const PixelRect& r, Rgb color);
  // Two one-pixel rings in the classic scheme's colours, drawn with fill() as frame() is.
  virtual void bevel(const PixelRect& r, Edge edge);
  // The picture scaled to cover r exactly (nearest pixel: no smoothing of small bitmaps).
  virtual void stretchPicture(const Picture& p, const PixelRect& r) = 0;
  // The picture at its natural size with its top-left corner at (x, y), clipped to `clip`.
  virtual void picture(const Picture& p, int x, int y, const PixelRect& clip) = 0;
  // Text in the engine's font (the backend's font), so that it takes the room TextWidth and
  // TextHeight measure. Lines are separated by line feeds; each line is aligned on its own.
  virtual void text(std::string_view s, const PixelRect& r, const TextStyle& style) = 0;
  // Clips further painting to r (within the current clip) until the matching popClip; a pop
  // with nothing pushed does nothing.
  void pushClip(const PixelRect& r) {
    clips_.push_back(r.intersect(clips_.back()));
    clipPushed(r);
  }
  void popClip() {
    if (clips_.size() < 2) return;
    clips_.pop_back();
    clipPopped();
  }
  // Where painting lands now: the bounds narrowed by every clip pushed.
  const PixelRect& clip() const { return clips_.back(); }
  // A face kept under `key`, copied into r: true when it was (a backend that keeps none, or has
  // none of this key, or r not wholly inside the clip, says false and the caller paints the face,
  // then offers it with keepFace).
  virtual bool paintKeptFace(const FaceKey& /*key*/, const PixelRect& /*r*/) { return false; }
  virtual void keepFace(const FaceKey& /*key*/, const PixelRect& /*r*/) {}

 protected:
  static constexpr PixelRect kUnbounded{-(1 << 29), -(1 << 29), 1 << 30, 1 << 30};
  // Told after each push and pop that changed the clip, for a device that keeps its own.
  virtual void clipPushed(const PixelRect& /*r*/) {}
  virtual void clipPopped() {}

 private:
  std::vector<PixelRect> clips_;
};

// Keeps a clip pushed for the length of a scope.
class ClipScope {
 public:
  ClipScope(Painter& p, const PixelRect& r) : p_(p) { p_.pushClip(r); }
  ~ClipScope() { p_.popClip(); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  Painter& p_;
};

}  // namespace keloscroll::host
