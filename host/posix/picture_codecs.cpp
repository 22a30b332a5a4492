// PNG, JPEG and GIF through the platform's libraries: libpng, libjpeg-turbo and giflib. libpng
// and libjpeg report errors by longjmp: each call sequence runs in a function whose locals need no
// destructor, with all other state in a job object that lives in the caller.

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

// jpeglib.h needs FILE from <cstdio> first.
#include <jpeglib.h>

#include "host/picture_decode_parts.h"

namespace keloscroll::host::picture_decode {

namespace {

// ---- PNG ----------------------------------------------------------------------------------------

struct PngJob {
  std::span<const uint8_t> data;
  size_t pos = 0;
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  png_uint_32 width = 0, height = 0;
};

void pngRead(png_structp png, png_bytep out, size_t n) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (n > job->data.size() - job->pos) png_error(png, "the file ends early");
  std::memcpy(out, job->data.data() + job->pos, n);
  job->pos += n;
}

void pngFail(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}

void pngWarn(png_structp, png_const_charp) {}

bool runPng(PngJob& job) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngWarn);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &job, pngRead);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_read_info(png, info);
  job.width = png_get_image_width(png, info);
  job.height = png_get_image_height(png, info);
  const uint64_t raw = static_cast<uint64_t>(job.height) * (png_get_rowbytes(png, info) + 1);
  if (!sidesOk(job.width, job.height) || !couldHold(job.data.size(), raw, 1032)) {
    png_error(png, "too large");
  }
  png_set_expand(png);  // palettes, small grey depths and tRNS to 8-bit RGB(A)
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(job.width) * 4) png_error(png, "layout");
  job.rgba.resize(static_cast<size_t>(job.width) * job.height * 4);
  job.rows.resize(job.height);
  for (png_uint_32 y = 0; y < job.height; ++y) {
    job.rows[y] = job.rgba.data() + static_cast<size_t>(y) * job.width * 4;
  }
  png_read_image(png, job.rows.data());
  png_read_end(png, nullptr);  // through IEND: a file cut short is refused
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

Pixels decodePng(std::span<const uint8_t> d) {
  PngJob job;
  job.data = d;
  if (!runPng(job)) invalid();
  Pixels px;
  px.width = static_cast<int>(job.width);
  px.height = static_cast<int>(job.height);
  px.argb.resize(static_cast<size_t>(job.width) * job.height);
  for (size_t i = 0; i < px.argb.size(); ++i) {
    const uint8_t* p = job.rgba.data() + i * 4;
    px.argb[i] = argb(p[3], p[0], p[1], p[2]);
  }
  return px;
}

namespace {

// ---- JPEG ---------------------------------------------------------------------------------------

struct JpegJob {
  std::span<const uint8_t> data;
  jpeg_decompress_struct info{};
  struct Errors {
    jpeg_error_mgr mgr{};
    std::jmp_buf jump{};
  } errors;
  jpeg_progress_mgr progress{};
  std::vector<uint8_t> row;
  Pixels px;
};

[[noreturn]] void jpegFail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegJob::Errors*>(info->err)->jump, 1);
}

// A warning is corrupt or missing data, which the library would paper over with grey.
void jpegMessage(j_common_ptr info, int level) {
  if (level < 0) jpegFail(info);
}

// A progressive file may hold any number of scans, each a pass over the whole picture.
void jpegProgress(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->is_decompressor && d->input_scan_number > 256) jpegFail(info);
}

bool runJpeg(JpegJob& job) {
  j_decompress_ptr info = &job.info;
  info->err = jpeg_std_error(&job.errors.mgr);
  job.errors.mgr.error_exit = jpegFail;
  job.errors.mgr.emit_message = jpegMessage;
  if (setjmp(job.errors.jump)) {
    jpeg_destroy_decompress(info);
    return false;
  }
  jpeg_create_decompress(info);
  info->mem->max_memory_to_use = 256L << 20;
  job.progress.progress_monitor = jpegProgress;
  info->progress = &job.progress;
  jpeg_mem_src(info, job.data.data(), static_cast<unsigned long>(job.data.size()));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
    jpegFail(reinterpret_cast<j_common_ptr>(info));
  const uint64_t pixels = static_cast<uint64_t>(info->image_width) * info->image_height;
  // Arithmetic coding can squeeze a block below a bit, past what the size check assumes.
  if (!sidesOk(info->image_width, info->image_height) || info->arith_code ||
      !couldHold(job.data.size(), pixels, 1024)) {
    jpegFail(reinterpret_cast<j_common_ptr>(info));
  }
  info->out_color_space = JCS_RGB;
  jpeg_start_decompress(info);
  if (info->output_components != 3) jpegFail(reinterpret_cast<j_common_ptr>(info));
  job.px.width = static_cast<int>(info->output_width);
  job.px.height = static_cast<int>(info->output_height);
  job.px.argb.reserve(pixels);
  job.row.resize(static_cast<size_t>(info->output_width) * 3);
  while (info->output_scanline < info->output_height) {
    JSAMPROW r = job.row.data();
    if (jpeg_read_scanlines(info, &r, 1) != 1) jpegFail(reinterpret_cast<j_common_ptr>(info));
    for (size_t x = 0; x < info->output_width; ++x) {
      job.px.argb.push_back(argb(0xFF, r[3 * x], r[3 * x + 1], r[3 * x + 2]));
    }
  }
  jpeg_finish_decompress(info);
  jpeg_destroy_decompress(info);
  return true;
}

}  // namespace

Pixels decodeJpeg(std::span<const uint8_t> d) {
  auto job = std::make_unique<JpegJob>();
  job->data = d;
  if (!runJpeg(*job)) invalid();
  return std::move(job->px);
}

namespace {

// ---- GIF ----------------------------------------------------------------------------------------

struct GifSource {
  std::span<const uint8_t> data;
  size_t pos = 0;
};

int gifRead(GifFileType* gif, GifByteType* out, int n) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  size_t k = std::min(static_cast<size_t>(n < 0 ? 0 : n), src->data.size() - src->pos);
  std::memcpy(out, src->data.data() + src->pos, k);
  src->pos += k;
  return static_cast<int>(k);
}

void skipExtension(GifFileType* gif, GifByteType* ext) {
  while (ext) {
    if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) invalid();
  }
}

// The records after the first image, up to the trailer, so that a file cut short is refused.
void skipToTrailer(GifFileType* gif) {
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) invalid();
    if (type == TERMINATE_RECORD_TYPE) return;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) invalid();
      skipExtension(gif, ext);
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      int codeSize = 0;
      GifByteType* block = nullptr;
      if (DGifGetImageDesc(gif) == GIF_ERROR || DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) {
        invalid();
      }
      while (block) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) invalid();
      }
    } else {
      invalid();
    }
  }
}

}  // namespace

// The first image on its logical screen; the screen around it stays transparent.
Pixels decodeGif(std::span<const uint8_t> d) {
  GifSource src{d, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&src, gifRead, &error);
  if (!gif) invalid();
  struct Close {
    GifFileType* gif;
    ~Close() {
      int e = 0;
      DGifCloseFile(gif, &e);
    }
  } close{gif};
  const int64_t sw = gif->SWidth, sh = gif->SHeight;
  if (!sidesOk(sw, sh) || !couldHold(d.size(), static_cast<uint64_t>(sw * sh), 4096)) invalid();
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) invalid();
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) invalid();
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1)) {
        transparent = ext[4];
      }
      skipExtension(gif, ext);
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) invalid();  // the file ends with no image
    if (DGifGetImageDesc(gif) == GIF_ERROR) invalid();
    const GifImageDesc& im = gif->Image;
    if (im.Width <= 0 || im.Height <= 0 || im.Left < 0 || im.Top < 0 ||
        int64_t{im.Left} + im.Width > sw || int64_t{im.Top} + im.Height > sh) {
      invalid();
    }
    const ColorMapObject* map = im.ColorMap ? im.ColorMap : gif->SColorMap;
    if (!map || !map->Colors) invalid();
    Pixels px;
    px.width = static_cast<int>(sw);
    px.height = static_cast<int>(sh);
    px.argb.assign(static_cast<size_t>(sw * sh), 0);
    std::vector<GifPixelType> line(static_cast<size_t>(im.Width));
    // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th from
    // 2, every 2nd from 1.
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    const int passes = im.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
      const int step = im.Interlace ? steps[pass] : 1;
      for (int y = im.Interlace ? starts[pass] : 0; y < im.Height; y += step) {
        if (DGifGetLine(gif, line.data(), im.Width) == GIF_ERROR) invalid();
        uint32_t* dst = px.argb.data() + static_cast<size_t>(im.Top + y) * px.width + im.Left;
        for (int x = 0; x < im.Width; ++x) {
          const int index = line[static_cast<size_t>(x)];
          if (index == transparent) continue;
          if (index >= map->ColorCount) invalid();
          const GifColorType& c = map->Colors[index];
          dst[x] = argb(0xFF, c.Red, c.Green, c.Blue);
        }
      }
    }
    skipToTrailer(gif);
    return px;
  }
}

}  // namespace keloscroll::host::picture_decode
