// IWICFormatConverter: reads another source's pixels in the format asked for. The source
// is converted once, when the converter is initialised.
#include "wic_internal.h"

// The COM base every platform object derives from.
#include "com/com_object.h"

namespace {

struct WicFormatConverter : public ComObject<IWICFormatConverter, IID_IWICBitmapSource, IID_IWICFormatConverter> {
  bool initialised = false;
  WicPixels pixels = {};

  HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource *source, REFWICPixelFormatGUID format, WICBitmapDitherType,
                                       IWICPalette *, double, WICBitmapPaletteType) override {
    if (initialised) return WINCODEC_ERR_WRONGSTATE;
    if (source == nullptr) return E_INVALIDARG;
    HRESULT hr = WicReadConverted(source, format, &pixels);
    if (SUCCEEDED(hr)) initialised = true;
    return hr;
  }

  HRESULT STDMETHODCALLTYPE GetSize(UINT *width, UINT *height) override {
    if (width == nullptr || height == nullptr) return E_INVALIDARG;
    if (!initialised) return WINCODEC_ERR_NOTINITIALIZED;
    *width = pixels.width;
    *height = pixels.height;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID *format) override {
    if (format == nullptr) return E_INVALIDARG;
    if (!initialised) return WINCODEC_ERR_NOTINITIALIZED;
    *format = pixels.format;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetResolution(double *dpiX, double *dpiY) override {
    if (dpiX == nullptr || dpiY == nullptr) return E_INVALIDARG;
    if (!initialised) return WINCODEC_ERR_NOTINITIALIZED;
    *dpiX = 96.0;
    *dpiY = 96.0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette *) override { return WINCODEC_ERR_PALETTEUNAVAILABLE; }
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect *rect, UINT stride, UINT bufferSize, BYTE *buffer) override {
    if (!initialised) return WINCODEC_ERR_NOTINITIALIZED;
    return WicCopyPixels(pixels, rect, stride, bufferSize, buffer);
  }
};

} // namespace

IWICFormatConverter *WicNewFormatConverter() { return new WicFormatConverter; }
