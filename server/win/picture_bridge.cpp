#include "server/win/picture_bridge.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "host/error.h"
#include "host/picture_decode.h"
#include "host/units.h"
#include "host/win/gdi_painter.h"
#include "host/win/window.h"

namespace keloscroll::win {

namespace {

constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kInvalidPicture = 481;

// A top-down 32-bit DIB section of the size, its bits in `bits`.
HBITMAP dibSection(int width, int height, void** bits) {
  BITMAPINFO info = host::win::dibHeader(width, height);
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

host::win::ComPtr<IDispatch> pictureToCom(const host::Picture& p) {
  // A client's own picture goes back as itself: an icon stays an icon, a metafile a metafile.
  if (p.source()) {
    auto own = host::win::ComPtr<IUnknown>(static_cast<IUnknown*>(p.source()->object()))
                   .query<IDispatch>(IID_IPictureDisp);
    if (own) return own;
  }
  void* bits = nullptr;
  HBITMAP bitmap = dibSection(p.width(), p.height(), &bits);
  if (!bitmap || !bits) host::raise(kOutOfMemory);
  std::memcpy(bits, p.pixels().data(), p.pixels().size() * sizeof(uint32_t));
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = bitmap;
  host::win::ComPtr<IDispatch> out;
  // The picture object owns the bitmap from here on.
  if (FAILED(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, out.putVoid())) || !out) {
    DeleteObject(bitmap);
    host::raise(kOutOfMemory);
  }
  return out;
}

namespace {

// The picture drawn by its own rendering onto a DIB filled with `background`; false when it
// cannot be drawn.
bool renderOnto(IPicture& picture, uint32_t background, int width, int height,
                OLE_XSIZE_HIMETRIC hmWidth, OLE_YSIZE_HIMETRIC hmHeight,
                std::vector<uint32_t>& out) {
  void* bits = nullptr;
  HBITMAP target = dibSection(width, height, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HRESULT hr = E_FAIL;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (target && bits && dc) {
    HGDIOBJ old = SelectObject(dc, target);
    std::fill_n(static_cast<uint32_t*>(bits), count, background);
    hr = picture.Render(dc, 0, 0, width, height, 0, hmHeight, hmWidth, -hmHeight, nullptr);
    GdiFlush();
    SelectObject(dc, old);
    if (SUCCEEDED(hr))
      out.assign(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + count);
  }
  if (dc) DeleteDC(dc);
  if (target) DeleteObject(target);
  return SUCCEEDED(hr);
}

// A pixel from its renderings onto black and onto white: how far they differ is how much of the
// background shows through (GDI leaves the alpha byte undefined, so it is not read).
uint32_t straightAlpha(uint32_t onBlack, uint32_t onWhite) {
  uint32_t showThrough = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    uint32_t b = (onBlack >> shift) & 0xFF, w = (onWhite >> shift) & 0xFF;
    showThrough = std::max(showThrough, w > b ? w - b : 0);
  }
  const uint32_t alpha = 255 - showThrough;
  if (alpha == 255) return onBlack | 0xFF000000u;
  if (alpha == 0) return 0;
  uint32_t c = alpha << 24;
  for (int shift = 0; shift <= 16; shift += 8) {
    uint32_t b = (onBlack >> shift) & 0xFF;
    c |= std::min<uint32_t>(255, (b * 255 + alpha / 2) / alpha) << shift;
  }
  return c;
}

}  // namespace

namespace {

// A client's picture object, drawn by its own rendering at whatever size it is painted.
class ComPictureSource final : public host::PictureSource {
 public:
  ComPictureSource(host::win::ComPtr<IUnknown> object, host::win::ComPtr<IPicture> picture,
                   OLE_XSIZE_HIMETRIC width, OLE_YSIZE_HIMETRIC height)
      : object_(std::move(object)), picture_(std::move(picture)), width_(width), height_(height) {}

  void* object() const override { return object_.get(); }
  host::Himetric width() const override { return host::Himetric{static_cast<double>(width_)}; }
  host::Himetric height() const override { return host::Himetric{static_cast<double>(height_)}; }

  // Drawn twice, onto black and onto white, so that what it leaves transparent (an icon's mask, a
  // transparent GIF's background, an alpha channel) stays transparent.
  std::vector<uint32_t> render(int width, int height) const override {
    std::vector<uint32_t> onBlack, onWhite;
    if (!renderOnto(*picture_.get(), 0x000000u, width, height, width_, height_, onBlack) ||
        !renderOnto(*picture_.get(), 0xFFFFFFu, width, height, width_, height_, onWhite)) {
      return {};
    }
    for (size_t i = 0; i < onBlack.size(); ++i) onBlack[i] = straightAlpha(onBlack[i], onWhite[i]);
    return onBlack;
  }

 private:
  host::win::ComPtr<IUnknown> object_;
  host::win::ComPtr<IPicture> picture_;
  OLE_XSIZE_HIMETRIC width_;
  OLE_YSIZE_HIMETRIC height_;
};

}  // namespace

host::PictureRef pictureFromCom(IUnknown* object) {
  if (!object) return nullptr;
  auto picture = host::win::ComPtr<IUnknown>(object).query<IPicture>(IID_IPicture);
  if (!picture) return nullptr;
  OLE_XSIZE_HIMETRIC hmWidth = 0;
  OLE_YSIZE_HIMETRIC hmHeight = 0;
  picture->get_Width(&hmWidth);
  picture->get_Height(&hmHeight);
  // The host picture keeps the client's object: reading the property gives that object back, and
  // painting draws it afresh at the size it takes on the device.
  auto source = std::make_shared<const ComPictureSource>(host::win::ComPtr<IUnknown>(object),
                                                         std::move(picture), hmWidth, hmHeight);
  // Its pixels are taken at the screen's density, where the platform measured it: a bitmap keeps
  // its own pixels at any density (and the built-in arrow a client read and gives back is still
  // known by them). The limits of picture files hold before anything is allocated or drawn.
  const host::PictureSize size = source->sizeAt(host::win::screenDpi());
  if (!host::picture_decode::plainPixelsFit(size.width, size.height)) host::raise(kInvalidPicture);
  std::vector<uint32_t> pixels = source->render(size.width, size.height);
  if (pixels.empty()) host::raise(kInvalidPicture);
  return std::make_shared<host::Picture>(size.width, size.height, std::move(pixels),
                                         std::move(source));
}

}  // namespace keloscroll::win
