// IWICImagingFactory: bitmaps from GDI bitmaps and format converters.
// The imaging factory is the in-process server behind COM's CoCreateInstance; it is made
// on the COM base every platform object derives from.
#include "com/com_internal.h"
#include "com/com_object.h"
// Bitmaps come from GDI bitmaps, whose pixels GDI lends out for reading.
#include "gdi/gdi_pixels.h"
#include "wic_internal.h"

#include <cstring>

namespace {

// Copies a GDI bitmap's pixels, top row first, into a WIC picture. A 32-bit bitmap keeps
// its bytes as they are and only its format says how to read the fourth byte; 24-bit rows
// stay 24-bit; a 1-bit bitmap becomes black and white.
bool ReadGdiPixels(const GdiPixels &gdi, WICBitmapAlphaChannelOption options, WicPixels *out) {
  if (gdi.width < 0 || gdi.height < 0) return false;
  UINT width = static_cast<UINT>(gdi.width), height = static_cast<UINT>(gdi.height);
  if (gdi.bitsPerPixel == 32) {
    const GUID &format = options == WICBitmapUsePremultipliedAlpha ? GUID_WICPixelFormat32bppPBGRA
                         : options == WICBitmapUseAlpha            ? GUID_WICPixelFormat32bppBGRA
                                                                   : GUID_WICPixelFormat32bppBGR;
    if (!WicPixelsAllocate(out, width, height, format)) return false;
    for (UINT y = 0; y < height; y++) {
      std::memcpy(out->bytes.data() + static_cast<size_t>(y) * out->stride, GdiRow(gdi, static_cast<int>(y)),
                  static_cast<size_t>(width) * 4);
    }
    return true;
  }
  if (gdi.bitsPerPixel == 24) {
    if (!WicPixelsAllocate(out, width, height, GUID_WICPixelFormat24bppBGR)) return false;
    for (UINT y = 0; y < height; y++) {
      std::memcpy(out->bytes.data() + static_cast<size_t>(y) * out->stride, GdiRow(gdi, static_cast<int>(y)),
                  static_cast<size_t>(width) * 3);
    }
    return true;
  }
  if (gdi.bitsPerPixel == 1) {
    if (!WicPixelsAllocate(out, width, height, GUID_WICPixelFormat32bppBGR)) return false;
    for (UINT y = 0; y < height; y++) {
      const uint8_t *row = GdiRow(gdi, static_cast<int>(y));
      uint8_t *to = out->bytes.data() + static_cast<size_t>(y) * out->stride;
      for (UINT x = 0; x < width; x++, to += 4) {
        uint8_t value = (row[x / 8] & (0x80 >> (x % 8))) ? 0xFF : 0x00;
        to[0] = to[1] = to[2] = value;
        to[3] = 0xFF;
      }
    }
    return true;
  }
  return false;
}

struct WicImagingFactory : public ComObject<IWICImagingFactory, IID_IWICImagingFactory> {
  HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter **converter) override {
    if (converter == nullptr) return E_INVALIDARG;
    *converter = WicNewFormatConverter();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CreateBitmapFromHBITMAP(HBITMAP hBitmap, HPALETTE, WICBitmapAlphaChannelOption options,
                                                    IWICBitmap **result) override {
    if (result == nullptr) return E_INVALIDARG;
    *result = nullptr;
    if (options != WICBitmapUseAlpha && options != WICBitmapUsePremultipliedAlpha && options != WICBitmapIgnoreAlpha) {
      return E_INVALIDARG;
    }
    GdiPixels gdi = {};
    if (!GdiGetBitmapPixels(hBitmap, &gdi)) return E_INVALIDARG;
    WicPixels pixels = {};
    if (!ReadGdiPixels(gdi, options, &pixels)) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    *result = WicNewBitmap(std::move(pixels));
    return S_OK;
  }
};

} // namespace

HRESULT WicCreateImagingFactory(REFIID iid, void **object) {
  IWICImagingFactory *factory = new WicImagingFactory;
  HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}
