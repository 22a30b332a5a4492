// Resize layout and the visual side of Enabled.
//
// A vertical bar stacks the end buttons at the top and bottom edges with the track between them,
// the background over the whole track and the thumb across the track's full width; at run time the
// track is then rescaled.
//
// A horizontal bar is laid out the way users of scroll bars expect: the end buttons at the left
// and right ends, as high as the control and as long as the designed buttons (240 twips); the
// track between them, as high as the control; the thumb as high as the track and 225 twips long
// along it (the thumb's designed length), rewritten at every resize so that a change of width
// never changes the thumb's length. The track scale then turns that length into positions exactly
// as for a vertical bar, so every number along the axis (scale, positions, hit tests, key and page
// moves) works the same. The minimum width mirrors the vertical minimum height: two buttons and a
// thumb; the minimum height is the buttons' designed length, so they are at least square and show
// their arrows whole. The buttons draw the built-in arrows turned with the bar; pictures the host
// set are drawn as they are.
//
// The surface's own sizes are twips whatever the container's scale.
#include "control/UsrKeloScroll.h"
#include "control/pictures.h"
#include "host/error.h"
#include "host/numeric.h"

namespace keloscroll {

using host::isTrue;

namespace {
constexpr float kEndButtonLength = 240;  // the designed size of the end buttons along the bar
}

void UsrKeloScroll::UserControl_Resize() {
  try {
    if (isTrue(mVerticalBar)) {
      if (arrangedHorizontally_) RestoreVerticalArrangement();
      // Thumb height in twips, whatever scale the track has now.
      double scalePerTwip = host::divide(parts_.picBarra.ScaleHeight(), parts_.picBarra.Height());
      float t = host::toSingle(host::divide(parts_.imgCursor.Height(), scalePerTwip));
      // Minimum height: room for both buttons and the thumb. Writing Height may raise Resize
      // again before this run ends; every step below reads the sizes afresh.
      float minHeight = host::toSingle(static_cast<double>(parts_.cmdSxUp.Height()) +
                                       parts_.cmdDXDN.Height() + t);
      if (minHeight > surface_->HeightTwips()) surface_->setHeightTwips(minHeight);
      // From here on nothing raises Resize: the sizes read now hold for the writes below.
      const float up = parts_.cmdSxUp.Height(), down = parts_.cmdDXDN.Height();
      const double height = surface_->HeightTwips();
      parts_.cmdSxUp.setTop(0);
      parts_.cmdDXDN.setTop(host::toSingle(height - down));
      parts_.picBarra.setTop(up);
      parts_.picBarra.setHeight(host::toSingle(height - (static_cast<double>(up) + down)));
      float w = surface_->WidthTwips();
      if (w != parts_.cmdSxUp.Width()) {
        parts_.cmdSxUp.setWidth(w);
        parts_.cmdDXDN.setWidth(w);
        parts_.imgCursor.setWidth(w);
        parts_.imgCursor.setStretch(true);
      }
      parts_.picBarra.setWidth(surface_->WidthTwips());
    } else {
      ArrangeHorizontal();
    }
    parts_.imgSfondoPic.Move(0, 0, parts_.picBarra.ScaleWidth(), parts_.picBarra.ScaleHeight());
    parts_.imgSfondoPic.setStretch(true);
  } catch (const host::Error&) {
    return;  // trapped: the writes already made stay
  }
  bool run;
  try {
    run = IsRunMode();
  } catch (const host::Error&) {
    return;
  }
  // At design time the track scale and the thumb's place are set up by Show.
  if (run) SetTrackScale();
}

std::pair<float, float> UsrKeloScroll::SmallestSizeTwips() const {
  if (!isTrue(mVerticalBar))
    return {host::toSingle(2.0 * kEndButtonLength + thumbLengthTwips_), kEndButtonLength};
  // The thumb's length in twips as Resize reads it; its designed length while the track has no
  // height to scale by.
  double thumb = thumbLengthTwips_;
  try {
    thumb = host::divide(parts_.imgCursor.Height(),
                         host::divide(parts_.picBarra.ScaleHeight(), parts_.picBarra.Height()));
  } catch (const host::Error&) {
  }
  return {0.0f, host::toSingle(static_cast<double>(parts_.cmdSxUp.Height()) +
                               parts_.cmdDXDN.Height() + thumb)};
}

void UsrKeloScroll::ArrangeHorizontal() {
  DrawArrowsFor(true);
  float minWidth = host::toSingle(2.0 * kEndButtonLength + thumbLengthTwips_);
  if (minWidth > surface_->WidthTwips()) surface_->setWidthTwips(minWidth);
  // Across the bar the track takes the control's whole height and keeps it in its vertical scale;
  // a track 0 high would leave that scale empty, and every later height written through it 0.
  if (kEndButtonLength > surface_->HeightTwips()) surface_->setHeightTwips(kEndButtonLength);
  float w = surface_->WidthTwips();
  float h = surface_->HeightTwips();
  parts_.cmdSxUp.Move(0, 0, kEndButtonLength, h);
  parts_.cmdDXDN.Move(host::toSingle(static_cast<double>(w) - kEndButtonLength), 0,
                      kEndButtonLength, h);
  parts_.picBarra.Move(kEndButtonLength, 0,
                       host::toSingle(static_cast<double>(w) - 2 * kEndButtonLength), h);
  // The thumb's sizes are written in the track's current units, whatever its scale.
  parts_.imgCursor.setWidth(static_cast<float>(parts_.picBarra.fromTwipsW(thumbLengthTwips_)));
  parts_.imgCursor.setHeight(static_cast<float>(parts_.picBarra.fromTwipsH(h)));
  parts_.imgCursor.setTop(static_cast<float>(parts_.picBarra.fromTwipsY(0)));
  parts_.imgCursor.setStretch(true);
  arrangedHorizontally_ = true;
}

void UsrKeloScroll::RestoreVerticalArrangement() {
  // Back from a horizontal arrangement: the vertical layout writes no Left and no button or thumb
  // height, so put those back to their designed values first.
  DrawArrowsFor(false);
  float w = surface_->WidthTwips();
  parts_.cmdSxUp.Move(0, parts_.cmdSxUp.Top(), w, kEndButtonLength);
  parts_.cmdDXDN.Move(0, parts_.cmdDXDN.Top(), w, kEndButtonLength);
  parts_.picBarra.setLeft(0);
  parts_.imgCursor.setLeft(static_cast<float>(parts_.picBarra.fromTwipsX(0)));
  parts_.imgCursor.setWidth(static_cast<float>(parts_.picBarra.fromTwipsW(w)));
  parts_.imgCursor.setHeight(static_cast<float>(parts_.picBarra.fromTwipsH(thumbLengthTwips_)));
  arrangedHorizontally_ = false;
}

void UsrKeloScroll::DrawArrowsFor(bool horizontal) {
  // Only what the buttons draw turns: PictureSXUP and PictureDXDN, and what is saved, stay the
  // built-in upright arrows whatever the orientation.
  using pictures::Arrow;
  auto face = [horizontal](host::CommandButton& b, Arrow upright, Arrow lying) {
    bool builtIn = pictures::isArrowButton(b.Picture(), upright);
    b.setFacePicture(horizontal && builtIn ? pictures::arrowButton(lying) : nullptr);
  };
  face(parts_.cmdSxUp, Arrow::Up, Arrow::Left);
  face(parts_.cmdDXDN, Arrow::Down, Arrow::Right);
}

void UsrKeloScroll::setEnabled(Boolean v) {
  // Not reported to the container. A disabled bar shows its buttons and a track without a thumb.
  mEnabled = v;
  if (!isTrue(v)) {
    mPress.set(Press::Busy);
    parts_.imgCursor.setVisible(false);
    parts_.picBarra.setEnabled(false);
  } else {
    mPress.clear(Press::Busy);
    parts_.imgCursor.setVisible(true);
    parts_.picBarra.setEnabled(true);
  }
}

}  // namespace keloscroll
