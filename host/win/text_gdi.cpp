// The GDI backend of text measurement: the engine's face at the density asked for on a memory
// device context, so that TextWidth and TextHeight agree with what the control's window draws.
#include <windows.h>

#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "host/error.h"
#include "host/text.h"
#include "host/win/gdi_text.h"
#include "host/win/utf16.h"

namespace keloscroll::host::text {

namespace {

using win::wide;

// Fonts are made once per size and weight, on one shared memory DC, for the life of the process.
class FontCache {
 public:
  FontCache() : dc_(CreateCompatibleDC(nullptr)) {}
  ~FontCache() {
    for (auto& [key, font] : fonts_) DeleteObject(font);
    if (dc_) DeleteDC(dc_);
  }
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  // The font itself; the caller holds the lock.
  HFONT font(double pointSize, bool bold, Dpi dpi) {
    if (!(pointSize > 0.0 && pointSize <= 2048.0)) raise(err::InvalidPropertyValue);
    int pixels = static_cast<int>(std::lround(emPixels(pointSize, dpi)));
    auto key = std::make_pair(pixels, bold);
    auto it = fonts_.find(key);
    if (it == fonts_.end()) {
      std::wstring face = wide(kDefaultFace);
      HFONT made = CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str());
      if (!made) raise(err::InvalidPropertyValue);
      it = fonts_.emplace(key, made).first;
    }
    return it->second;
  }
  // Selects the font into the measuring DC and returns the DC; the caller holds the lock.
  HDC select(double pointSize, bool bold, Dpi dpi) {
    SelectObject(dc_, font(pointSize, bold, dpi));
    return dc_;
  }
  std::mutex& mutex() { return mutex_; }

 private:
  HDC dc_;
  std::mutex mutex_;
  std::map<std::pair<int, bool>, HFONT> fonts_;
};

FontCache& cache() {
  static FontCache c;
  return c;
}

}  // namespace

HFONT gdiFont(double pointSize, bool bold, Dpi dpi) {
  std::lock_guard lock(cache().mutex());
  return cache().font(pointSize, bold, dpi);
}

double lineHeightPixels(double pointSize, bool bold, Dpi dpi) {
  std::lock_guard lock(cache().mutex());
  HDC dc = cache().select(pointSize, bold, dpi);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  return static_cast<double>(tm.tmHeight);
}

double lineWidthPixels(std::string_view line, double pointSize, bool bold, Dpi dpi) {
  std::wstring w = wide(validUtf8(line));
  std::lock_guard lock(cache().mutex());
  HDC dc = cache().select(pointSize, bold, dpi);
  SIZE size{};
  GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  return static_cast<double>(size.cx);
}

}  // namespace keloscroll::host::text
