// IWICBitmap: a picture held in memory, made from a GDI bitmap by the imaging factory.
#include "wic_internal.h"

// The COM base every platform object derives from.
#include "com/com_object.h"

namespace {

struct WicBitmap : public ComObject<IWICBitmap, IID_IWICBitmapSource, IID_IWICBitmap> {
  WicPixels pixels;

  HRESULT STDMETHODCALLTYPE GetSize(UINT *width, UINT *height) override {
    if (width == nullptr || height == nullptr) return E_INVALIDARG;
    *width = pixels.width;
    *height = pixels.height;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID *format) override {
    if (format == nullptr) return E_INVALIDARG;
    *format = pixels.format;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetResolution(double *dpiX, double *dpiY) override {
    if (dpiX == nullptr || dpiY == nullptr) return E_INVALIDARG;
    *dpiX = 96.0;
    *dpiY = 96.0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette *) override { return WINCODEC_ERR_PALETTEUNAVAILABLE; }
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect *rect, UINT stride, UINT bufferSize, BYTE *buffer) override {
    return WicCopyPixels(pixels, rect, stride, bufferSize, buffer);
  }
};

} // namespace

IWICBitmap *WicNewBitmap(WicPixels &&pixels) {
  WicBitmap *bitmap = new WicBitmap;
  bitmap->pixels = std::move(pixels);
  return bitmap;
}
