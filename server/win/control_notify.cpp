// What the control tells its container after a call may have changed it on its own: its window
// is repainted, or, without a window, the container's view sink hears that the picture changed
// (only when it did); and an in-place container hears when the control enlarged itself to its
// least size, so that it can give the control that room.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "server/win/control_object.h"

namespace keloscroll::win {

namespace {

int pixelsOf(float twips, host::Dpi dpi) {
  return static_cast<int>(std::lround(host::pixelsOf(twips, dpi)));
}

}  // namespace

void ControlObject::afterChange() {
  if (!hosting_) return;
  positionMayHaveChanged();
  pictureMayHaveChanged();
}

void ControlObject::positionMayHaveChanged() {
  if (!hosting_ || !window_ || !window_->hwnd() || !inPlaceSite_ || tellingPosition_) return;
  HWND hwnd = window_->hwnd();
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  const host::UserControl& s = hosting_->site->surface();
  const host::Dpi dpi = hosting_->engine.dpi();
  int w = pixelsOf(s.Width(), dpi), h = pixelsOf(s.Height(), dpi);
  // The control only ever grows itself (to its least size); the container decides the rest.
  if (w <= r.right - r.left && h <= r.bottom - r.top) return;
  RECT wanted{r.left, r.top, r.left + std::max(w, static_cast<int>(r.right - r.left)),
              r.top + std::max(h, static_cast<int>(r.bottom - r.top))};
  // The container answers with SetObjectRects, which comes back here: it is told once.
  tellingPosition_ = true;
  inPlaceSite_->OnPosRectChange(&wanted);
  tellingPosition_ = false;
}

void ControlObject::pictureMayHaveChanged() {
  if (window_) {
    window_->refresh();
    return;
  }
  if (!viewSink_) return;
  uint64_t now = pictureFingerprint();
  if (now == viewFingerprint_) return;
  viewFingerprint_ = now;
  viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

uint64_t ControlObject::pictureFingerprint() const {
  const host::UserControl& s = hosting_->site->surface();
  const host::Dpi dpi = hosting_->engine.dpi();
  int w = std::max(1, pixelsOf(s.Width(), dpi)), h = std::max(1, pixelsOf(s.Height(), dpi));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  // FNV-1a over the size and the pixels; what cannot be drawn keeps the last fingerprint.
  uint64_t print = viewFingerprint_;
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT r{0, 0, w, h};
    try {
      host::win::drawForm(*hosting_->form, dc, r, dpi);
      GdiFlush();
      print = 1469598103934665603ull;
      auto mix = [&print](uint8_t byte) { print = (print ^ byte) * 1099511628211ull; };
      for (int v : {w, h})
        for (int shift = 0; shift < 32; shift += 8) mix(static_cast<uint8_t>(v >> shift));
      std::span<const uint8_t> pixels(static_cast<const uint8_t*>(bits),
                                      static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
      for (uint8_t byte : pixels) mix(byte);
    } catch (const host::Error&) {
    }
    SelectObject(dc, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (dc) DeleteDC(dc);
  return print;
}

}  // namespace keloscroll::win
