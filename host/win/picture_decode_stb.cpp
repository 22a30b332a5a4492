// KeloScroll.ocx's picture files: Debian has no Windows builds of libpng, libjpeg and giflib, so
// this build decodes with stb_image, under the same limits. (The control itself takes pictures
// from its container as IPicture objects and seldom needs a decoder here.)
#include <cstring>

#include "host/error.h"
#include "host/picture_decode.h"

// The decoder is a third-party single-header library: built here once, with only the formats a
// picture property accepts, no file access of its own, and its warnings kept out of ours.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_JPEG
#define STBI_MAX_DIMENSIONS 8192
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace host::picture_decode {

Pixels decode(std::span<const uint8_t> data) {
  if (data.size() < 8 || data.size() > kMaxFileBytes) raise(err::InvalidPicture);
  auto* bytes = reinterpret_cast<const stbi_uc*>(data.data());
  int len = static_cast<int>(data.size());
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, len, &w, &h, &channels)) raise(err::InvalidPicture);
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) raise(err::InvalidPicture);
  stbi_uc* rgba = stbi_load_from_memory(bytes, len, &w, &h, &channels, 4);
  if (!rgba) raise(err::InvalidPicture);
  Pixels px;
  px.width = w;
  px.height = h;
  px.argb.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (size_t i = 0; i < px.argb.size(); ++i) {
    const stbi_uc* p = rgba + i * 4;
    px.argb[i] = (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  }
  stbi_image_free(rgba);
  return px;
}

}  // namespace host::picture_decode
