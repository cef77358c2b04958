// ID2D1BitmapRenderTarget: a render target drawing into a bitmap of its own. GetBitmap hands
// out that very bitmap, so drawing done later shows through bitmaps taken earlier. GetBitmap
// itself leaves recorded draws recorded (callers take the bitmap once per draw of it): every
// use of the bitmap's pixels puts them on first.
#include "d2d_render_target.h"

#include <cmath>
#include <new>

struct D2dBitmapTarget final : public D2dRenderTargetBase<ID2D1BitmapRenderTarget, IID_ID2D1BitmapRenderTarget> {
  D2dBitmap *bitmap = nullptr; // one reference held

  ~D2dBitmapTarget() override {
    D2dFlushDeferred(); // before the bitmap (perhaps the last reference to these pixels) goes
    D2dSurfaceRelease(&target.surface);
    if (bitmap != nullptr) D2dBitmapInterface(bitmap)->Release();
  }
  HRESULT STDMETHODCALLTYPE GetBitmap(ID2D1Bitmap **result) override {
    if (result == nullptr) return E_POINTER;
    *result = D2dBitmapInterface(bitmap);
    (*result)->AddRef();
    return S_OK;
  }
};

namespace {

bool ValidSide(float v) { return std::isfinite(v) && v >= 0.0f && v <= static_cast<float>(D2dMaxBitmapSide); }

} // namespace

HRESULT D2dCreateCompatibleTarget(D2dTarget *parent, const D2D1_SIZE_F *desiredSize,
                                  const D2D1_SIZE_U *desiredPixelSize, const D2D1_PIXEL_FORMAT *desiredFormat,
                                  ID2D1BitmapRenderTarget **result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  D2D1_PIXEL_FORMAT format = parent->format;
  if (desiredFormat != nullptr && desiredFormat->format != DXGI_FORMAT_UNKNOWN) format.format = desiredFormat->format;
  if (desiredFormat != nullptr && desiredFormat->alphaMode != D2D1_ALPHA_MODE_UNKNOWN)
    format.alphaMode = desiredFormat->alphaMode;
  // Every surface here is BGRA; alpha-only (A8) targets are not made.
  if (!D2dSupportedFormat(format)) return D2DERR_UNSUPPORTED_PIXEL_FORMAT;

  float dpiX = parent->dpiX, dpiY = parent->dpiY;
  UINT32 width = static_cast<UINT32>(parent->surface.width), height = static_cast<UINT32>(parent->surface.height);
  if (desiredSize != nullptr && (!ValidSide(desiredSize->width) || !ValidSide(desiredSize->height)))
    return E_INVALIDARG;
  if (desiredPixelSize != nullptr) {
    width = desiredPixelSize->width;
    height = desiredPixelSize->height;
    // Both sizes given: the DPI is whatever makes one match the other.
    if (desiredSize != nullptr && desiredSize->width > 0 && desiredSize->height > 0) {
      dpiX = width * 96.0f / desiredSize->width;
      dpiY = height * 96.0f / desiredSize->height;
    }
  } else if (desiredSize != nullptr) {
    width = static_cast<UINT32>(std::ceil(desiredSize->width * dpiX / 96.0f - 1e-4f));
    height = static_cast<UINT32>(std::ceil(desiredSize->height * dpiY / 96.0f - 1e-4f));
  }
  if (width > D2dMaxBitmapSide || height > D2dMaxBitmapSide) return D2DERR_EXCEEDS_MAX_BITMAP_SIZE;
  if (!(dpiX > 0.0f) || !(dpiY > 0.0f) || !std::isfinite(dpiX) || !std::isfinite(dpiY)) dpiX = dpiY = 96.0f;

  D2dBitmap *bitmap = D2dBitmapCreate(parent->factory, width, height, format, dpiX, dpiY);
  if (bitmap == nullptr) return E_OUTOFMEMORY;
  D2dBitmapTarget *created = new (std::nothrow) D2dBitmapTarget;
  if (created == nullptr) {
    D2dBitmapInterface(bitmap)->Release();
    return E_OUTOFMEMORY;
  }
  created->bitmap = bitmap;
  created->Start(parent->factory, format, dpiX, dpiY);
  const D2dSurface *pixels = D2dBitmapSurface(bitmap);
  D2dSurfaceSet(&created->target.surface, pixels->pixels, pixels->width, pixels->height, pixels->stride);
  *result = created;
  return S_OK;
}

D2dTarget *D2dBitmapTargetState(ID2D1RenderTarget *target) {
  D2dBitmapTarget *ours = D2dExact<D2dBitmapTarget>(target);
  return ours != nullptr ? &ours->target : nullptr;
}
