// A PNG file that a test reads back: its size and its pixels (ARGB, as Cairo keeps them).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

struct PngFile {
  explicit PngFile(const std::string& path) : s(cairo_image_surface_create_from_png(path.c_str())) {
    cairo_surface_flush(s);
  }
  ~PngFile() { cairo_surface_destroy(s); }
  PngFile(const PngFile&) = delete;
  PngFile& operator=(const PngFile&) = delete;
  bool ok() const { return cairo_surface_status(s) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(s); }
  int height() const { return cairo_image_surface_get_height(s); }
  uint32_t at(int x, int y) const {
    return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                             y * cairo_image_surface_get_stride(s))[x];
  }
  cairo_surface_t* s;
};
