#include "server/win/picture_bridge.h"

#include <ocidl.h>
#include <olectl.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "host/error.h"
#include "host/units.h"
#include "host/win/gdi_painter.h"

namespace keloscroll::win {

namespace {

constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kInvalidPicture = 481;
// Larger pictures are refused rather than allocated (the host's own decoder limit).
constexpr int kMaxSide = 8192;

// A top-down 32-bit DIB section of the size, its bits in `bits`.
HBITMAP dibSection(int width, int height, void** bits) {
  BITMAPINFO info = host::win::dibHeader(width, height);
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// A picture's pixels are taken at the classic density, as the host's own pictures are.
int himetricToPixels(OLE_XSIZE_HIMETRIC v) {
  return static_cast<int>(
      std::lround(host::toPixels(host::Himetric{static_cast<double>(v)}, host::kClassicDpi).value));
}

}  // namespace

host::win::ComPtr<IDispatch> pictureToCom(const host::Picture& p) {
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

host::PictureRef pictureFromCom(IUnknown* object) {
  if (!object) return nullptr;
  auto picture = host::win::ComPtr<IUnknown>(object).query<IPicture>(IID_IPicture);
  if (!picture) return nullptr;
  OLE_XSIZE_HIMETRIC hmWidth = 0;
  OLE_YSIZE_HIMETRIC hmHeight = 0;
  picture->get_Width(&hmWidth);
  picture->get_Height(&hmHeight);
  int width = himetricToPixels(hmWidth), height = himetricToPixels(hmHeight);
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    host::raise(kInvalidPicture);
  }
  // Drawn onto white at its natural size: bitmaps, icons and metafiles alike.
  void* bits = nullptr;
  HBITMAP target = dibSection(width, height, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HRESULT hr = E_FAIL;
  if (target && bits && dc) {
    HGDIOBJ old = SelectObject(dc, target);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    hr = picture->Render(dc, 0, 0, width, height, 0, hmHeight, hmWidth, -hmHeight, nullptr);
    GdiFlush();
    SelectObject(dc, old);
  }
  std::vector<uint32_t> argb;
  if (SUCCEEDED(hr)) {
    const auto* px = static_cast<const uint32_t*>(bits);
    argb.assign(px, px + static_cast<size_t>(width) * static_cast<size_t>(height));
    for (uint32_t& c : argb) c |= 0xFF000000u;  // GDI leaves the alpha byte undefined
  }
  if (dc) DeleteDC(dc);
  if (target) DeleteObject(target);
  picture.reset();
  if (FAILED(hr)) host::raise(kInvalidPicture);
  return std::make_shared<host::Picture>(width, height, std::move(argb));
}

}  // namespace keloscroll::win
