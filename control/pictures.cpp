#include "control/pictures.h"

#include <vector>

namespace keloscroll::pictures {

using host::Picture;

namespace {

constexpr uint32_t kBlack = Picture::rgb(0, 0, 0);
constexpr uint32_t kWhite = Picture::rgb(255, 255, 255);
constexpr uint32_t kBorderGrey = Picture::rgb(192, 192, 192);
constexpr uint32_t kFaceGrey = Picture::rgb(191, 191, 191);
constexpr uint32_t kLightGrey = Picture::rgb(223, 223, 223);
constexpr uint32_t kShadowGrey = Picture::rgb(127, 127, 127);

host::PictureRef filled(int w, int h, uint32_t colour) {
  return std::make_shared<Picture>(w, h, std::vector<uint32_t>(static_cast<size_t>(w * h), colour));
}

host::PictureRef makeArrowButton(Arrow direction) {
  constexpr int kSize = 16;
  std::vector<uint32_t> px(kSize * kSize, kBorderGrey);
  auto at = [&](int x, int y) -> uint32_t& { return px[static_cast<size_t>(y * kSize + x)]; };
  for (int y = 2; y < 14; ++y)
    for (int x = 2; x < 14; ++x) at(x, y) = kFaceGrey;
  // A triangle 7 pixels wide at its base and 4 rows high from base to tip, centred: along the
  // axis it covers 6 to 9, across it 4 to 10 (widths 1, 3, 5, 7 from the tip).
  for (int row = 0; row < 4; ++row) {
    int along = (direction == Arrow::Up || direction == Arrow::Left) ? 6 + row : 9 - row;
    for (int across = 7 - row; across <= 7 + row; ++across) {
      bool vertical = direction == Arrow::Up || direction == Arrow::Down;
      if (vertical) {
        at(across, along) = kBlack;
      } else {
        at(along, across) = kBlack;
      }
    }
  }
  return std::make_shared<Picture>(kSize, kSize, std::move(px));
}

host::PictureRef makeThumb() {
  constexpr int kW = 16, kH = 15;
  std::vector<uint32_t> px(kW * kH, kFaceGrey);
  auto at = [&](int x, int y) -> uint32_t& { return px[static_cast<size_t>(y * kW + x)]; };
  // Raised bevel: light outer and white inner edge at top and left; grey inner and black outer
  // edge at bottom and right. The dark edges are drawn last, so they own the corners they share.
  for (int x = 0; x < kW; ++x) at(x, 0) = kLightGrey;
  for (int y = 0; y < kH; ++y) at(0, y) = kLightGrey;
  for (int x = 1; x < kW - 1; ++x) at(x, 1) = kWhite;
  for (int y = 1; y < kH - 1; ++y) at(1, y) = kWhite;
  for (int x = 1; x < kW - 1; ++x) at(x, kH - 2) = kShadowGrey;
  for (int y = 1; y < kH - 1; ++y) at(kW - 2, y) = kShadowGrey;
  for (int x = 0; x < kW; ++x) at(x, kH - 1) = kBlack;
  for (int y = 0; y < kH; ++y) at(kW - 1, y) = kBlack;
  return std::make_shared<Picture>(kW, kH, std::move(px));
}

}  // namespace

host::PictureRef arrowButton(Arrow direction) {
  static const host::PictureRef kArrows[] = {
      makeArrowButton(Arrow::Up), makeArrowButton(Arrow::Down), makeArrowButton(Arrow::Left),
      makeArrowButton(Arrow::Right)};
  return kArrows[static_cast<int>(direction)];
}

host::PictureRef thumb() {
  static const host::PictureRef kThumb = makeThumb();
  return kThumb;
}

host::PictureRef track() {
  static const host::PictureRef kTrack = filled(17, 34, kLightGrey);
  return kTrack;
}

bool isArrowButton(const host::PictureRef& p, Arrow direction) {
  const host::PictureRef& arrow = arrowButton(direction);
  return p && (p == arrow || (p->width() == arrow->width() && p->height() == arrow->height() &&
                              p->pixels() == arrow->pixels()));
}

}  // namespace keloscroll::pictures
