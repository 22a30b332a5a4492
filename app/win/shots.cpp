#include "app/win/shots.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstdlib>

namespace keloscroll::windemo {

namespace {

// Releases a COM pointer when it goes.
template <class T>
struct Held {
  T* p = nullptr;
  ~Held() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
};

constexpr uint32_t kTrackGrey = 0xDFDFDF;  // the built-in track picture's light grey

bool isTrack(uint32_t c) {
  for (int shift : {0, 8, 16}) {
    int got = static_cast<int>((c >> shift) & 0xFF), want = (kTrackGrey >> shift) & 0xFF;
    if (std::abs(got - want) > 2) return false;
  }
  return true;
}

}  // namespace

Capture capture(HWND window) {
  Capture c;
  RECT r{};
  GetClientRect(window, &r);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  c.width = r.right;
  c.height = r.bottom;
  if (c.width <= 0 || c.height <= 0) return Capture{};
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = c.width;
  info.bmiHeader.biHeight = -c.height;  // top down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, c.width, c.height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    c.pixels.assign(px, px + static_cast<size_t>(c.width) * static_cast<size_t>(c.height));
    for (uint32_t& p : c.pixels) p &= 0xFFFFFF;
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (c.pixels.empty()) return Capture{};
  return c;
}

bool writePng(const Capture& picture, const std::wstring& path) {
  if (picture.pixels.empty()) return false;
  auto w = static_cast<UINT>(picture.width), h = static_cast<UINT>(picture.height);
  std::vector<BYTE> rows(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    uint32_t p = picture.pixels[i];  // B, G, R in memory order
    rows[3 * i] = static_cast<BYTE>(p);
    rows[3 * i + 1] = static_cast<BYTE>(p >> 8);
    rows[3 * i + 2] = static_cast<BYTE>(p >> 16);
  }
  Held<IWICImagingFactory> factory;
  Held<IWICStream> stream;
  Held<IWICBitmapEncoder> encoder;
  Held<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  bool ok =
      SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p))) &&
      SUCCEEDED(factory->CreateStream(&stream.p)) &&
      SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder.p)) &&
      SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame.p, nullptr)) &&
      SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(w, h)) &&
      SUCCEEDED(frame->SetPixelFormat(&format)) &&
      IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
      SUCCEEDED(frame->WritePixels(h, w * 3, static_cast<UINT>(rows.size()), rows.data())) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  return ok;
}

std::pair<int, int> thumbSpan(const Capture& bar, bool vertical, int buttonPixels) {
  int length = vertical ? bar.height : bar.width;
  int first = -1, last = -1;
  for (int i = buttonPixels; i < length - buttonPixels; ++i) {
    uint32_t c = vertical ? bar.at(bar.width / 2, i) : bar.at(i, bar.height / 2);
    if (isTrack(c)) continue;
    if (first < 0) first = i;
    last = i;
  }
  // The thumb's leading edge is drawn in the track's own grey.
  if (first > buttonPixels) --first;
  return {first, last};
}

}  // namespace keloscroll::windemo
