// Where Cairo's image backend samples a picture stretched with the nearest filter, so that the
// painter can copy those pixels itself and leave the same image as Cairo would. Cairo turns the
// stretch into a 16.16 fixed-point transform for pixman (rounded, then corrected to be exact at
// the middle of the painted area) and pixman steps through it one unit per pixel, rounding a
// position on a pixel's edge down; which source pixel a destination pixel gets therefore depends
// on the fixed-point rounding, not only on the ratio of the sizes.
#pragma once

#include <cstdint>
#include <optional>

#include "host/painter.h"

namespace keloscroll::host {

// The source positions, in 16.16 fixed point, of the first column and first row of `area`, and
// the step from one column (row) to the next. floor(position) clamped to the picture's sides is
// the source pixel (the edge pixels repeat beyond them).
struct NearestSampling {
  int64_t x = 0, y = 0;
  int64_t stepX = 0, stepY = 0;
};

// The sampling of a srcWidth x srcHeight picture stretched over `place` and painted in `area`
// (the part of `place` inside the clip and the image: not empty). Empty when the stretch shrinks
// the picture more than 16 times either way: there Cairo takes steps this copy does not follow,
// and the caller lets Cairo draw.
std::optional<NearestSampling> nearestSampling(const PixelRect& place, int srcWidth, int srcHeight,
                                               const PixelRect& area);

}  // namespace keloscroll::host
