// The state of a render target, with the error state its drawing calls report, and the
// drawing calls that need no layer or pixman work of their own: Clear, FillRectangle,
// BeginDraw/EndDraw, and the creation of bitmaps and brushes.
#include "d2d_render_target.h"
#include "d2d_workers.h"

#include <wincodec.h>

#include <algorithm>
#include <cmath>

D2dTarget *D2dBitmapTargetState(ID2D1RenderTarget *target);
D2dTarget *D2dDcTargetState(ID2D1RenderTarget *target);

// ---------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------

void D2dTargetInit(D2dTarget *target, ID2D1Factory *factory, const D2D1_PIXEL_FORMAT &format, float dpiX, float dpiY) {
  target->factory = factory;
  target->surface = D2dSurface{nullptr, 0, 0, 0, nullptr};
  target->maskSurface = D2dSurface{nullptr, 0, 0, 0, nullptr};
  target->format = format;
  target->transform = D2dIdentity();
  target->antialias = D2D1_ANTIALIAS_MODE_PER_PRIMITIVE;
  target->textAntialias = D2D1_TEXT_ANTIALIAS_MODE_DEFAULT;
  target->tag1 = target->tag2 = 0;
  target->error = S_OK;
  target->errorTag1 = target->errorTag2 = 0;
  target->drawing = false;
  target->depth = 0;
  D2dTargetSetDpi(target, dpiX, dpiY);
}

void D2dTargetRelease(D2dTarget *target) {
  for (size_t i = 0; i < target->depth; ++i) {
    if (target->levels[i].opacityBrush != nullptr) target->levels[i].opacityBrush->Release();
  }
  for (D2dLayerLevel &level : target->levels) D2dSurfaceRelease(&level.surface);
  target->levels.clear();
  target->depth = 0;
  D2dSurfaceRelease(&target->surface);
  D2dSurfaceRelease(&target->maskSurface);
}

D2dTarget *D2dTargetOf(ID2D1RenderTarget *target) {
  D2dFlushDeferred();
  if (D2dTarget *state = D2dBitmapTargetState(target)) return state;
  return D2dDcTargetState(target);
}

D2dSurface *D2dDrawSurface(D2dTarget *target) {
  return target->depth > 0 ? &target->levels[target->depth - 1].surface : &target->surface;
}

D2dBox D2dClipBox(const D2dTarget *target) {
  if (target->depth > 0) return target->levels[target->depth - 1].box;
  return D2dBox{0, 0, target->surface.width, target->surface.height};
}

void D2dTargetSetDpi(D2dTarget *target, float dpiX, float dpiY) {
  // 0 asks for the default; a negative or odd value leaves the DPI as it was.
  if (dpiX == 0.0f && dpiY == 0.0f) dpiX = dpiY = 96.0f;
  if (!(dpiX > 0.0f) || !(dpiY > 0.0f) || !std::isfinite(dpiX) || !std::isfinite(dpiY)) {
    if (target->dpiX > 0.0f) return;
    dpiX = dpiY = 96.0f;
  }
  target->dpiX = dpiX;
  target->dpiY = dpiY;
  D2dTargetSetTransform(target, target->transform);
}

void D2dTargetSetTransform(D2dTarget *target, const D2D1_MATRIX_3X2_F &transform) {
  target->transform = transform;
  D2D1_MATRIX_3X2_F dpi{target->dpiX / 96.0f, 0, 0, target->dpiY / 96.0f, 0, 0};
  target->device = D2dMultiply(transform, dpi);
}

void D2dFail(D2dTarget *target, HRESULT error) {
  if (target->error != S_OK) return;
  target->error = error;
  target->errorTag1 = target->tag1;
  target->errorTag2 = target->tag2;
}

bool D2dMayDraw(D2dTarget *target) {
  if (target->error != S_OK) return false;
  if (!target->drawing) {
    D2dFail(target, D2DERR_NOT_INITIALIZED);
    return false;
  }
  return true;
}

void D2dBeginDraw(D2dTarget *target) {
  // A second BeginDraw puts the target in its error state; it stays begun.
  if (target->drawing) D2dFail(target, D2DERR_WRONG_STATE);
  target->drawing = true;
}

HRESULT D2dReportError(D2dTarget *target, D2D1_TAG *tag1, D2D1_TAG *tag2) {
  HRESULT error = target->error;
  if (tag1 != nullptr) *tag1 = error != S_OK ? target->errorTag1 : 0;
  if (tag2 != nullptr) *tag2 = error != S_OK ? target->errorTag2 : 0;
  target->error = S_OK;
  target->errorTag1 = target->errorTag2 = 0;
  return error;
}

HRESULT D2dEndDraw(D2dTarget *target, D2D1_TAG *tag1, D2D1_TAG *tag2) {
  bool wasDrawing = target->drawing;
  target->drawing = false;
  if (target->error != S_OK) {
    // Nothing more is drawn after a failure: layers left pushed are dropped, not composed.
    D2dDropLayers(target);
  } else if (D2dPopAllLayers(target)) {
    // Layers left pushed are still composed so that nothing drawn is lost, but the caller
    // hears about the imbalance.
    D2dFail(target, D2DERR_PUSH_POP_UNBALANCED);
  } else if (!wasDrawing) {
    D2dFail(target, D2DERR_WRONG_STATE);
  }
  return D2dReportError(target, tag1, tag2);
}

// ---------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------

void D2dClear(D2dTarget *target, const D2D1_COLOR_F *color) {
  if (!D2dMayDraw(target)) return;
  D2D1_COLOR_F clear = color != nullptr ? *color : D2D1_COLOR_F{0, 0, 0, 0};
  // A target that ignores alpha clears to the colour made opaque, as Windows does.
  if (D2dIgnoresAlpha(target->format)) clear.a = 1.0f;
  uint32_t pixel = D2dPremultiply(clear, 1.0f);
  D2dSurface *surface = D2dDrawSurface(target);
  D2dBox box = D2dClipBox(target);
  if (D2dEmpty(box)) return;
  D2dForRowBands(box.y0, box.y1, static_cast<int64_t>(box.x1 - box.x0) * (box.y1 - box.y0), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) std::fill(D2dRow(*surface, y) + box.x0, D2dRow(*surface, y) + box.x1, pixel);
  });
}

void D2dFillRectangle(D2dTarget *target, const D2D1_RECT_F *rect, ID2D1Brush *brush) {
  if (!D2dMayDraw(target)) return;
  const D2dBrushState *state = D2dBrushStateOf(brush);
  if (rect == nullptr || state == nullptr) {
    D2dFail(target, E_INVALIDARG);
    return;
  }
  D2D1_RECT_F r = D2dOrdered(*rect);
  D2dBox clip = D2dClipBox(target);
  D2dSurface *surface = D2dDrawSurface(target);
  const D2D1_MATRIX_3X2_F &m = target->device;
  if (m._12 != 0.0f || m._21 != 0.0f) {
    // Rotated and skewed rectangles keep the pixel-centre rule in both modes.
    D2dBox box = D2dIntersect(D2dTransformedBox(r, m), clip);
    if (D2dEmpty(box)) return;
    pixman_region32_t region;
    D2dQuadRegion(r, m, box, &region);
    D2dPaintBrush(surface, box, &region, *state, m, 1.0f, 255);
    pixman_region32_fini(&region);
    return;
  }
  // Scales (mirroring too) and translations keep the rectangle axis-aligned.
  double x0 = static_cast<double>(r.left) * m._11 + m._31, x1 = static_cast<double>(r.right) * m._11 + m._31;
  double y0 = static_cast<double>(r.top) * m._22 + m._32, y1 = static_cast<double>(r.bottom) * m._22 + m._32;
  D2dCoverage cover = D2dCover(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1),
                               target->antialias == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  // Solid fills (the common case) stay out of pixman altogether.
  D2dForEachCoveredPart(cover, clip, [&](const D2dBox &part, uint32_t coverage8) {
    D2dPaintBrush(surface, part, nullptr, *state, m, 1.0f, coverage8);
  });
}

// ---------------------------------------------------------------------------------------
// Resources
// ---------------------------------------------------------------------------------------

namespace {

// The pixel format a new bitmap gets: the target's where the caller leaves it open.
bool BitmapFormat(const D2dTarget *target, const D2D1_BITMAP_PROPERTIES *properties, D2D1_PIXEL_FORMAT *format,
                  float *dpiX, float *dpiY) {
  *format = target->format;
  *dpiX = target->dpiX;
  *dpiY = target->dpiY;
  if (properties == nullptr) return true;
  if (properties->pixelFormat.format != DXGI_FORMAT_UNKNOWN) format->format = properties->pixelFormat.format;
  if (properties->pixelFormat.alphaMode != D2D1_ALPHA_MODE_UNKNOWN)
    format->alphaMode = properties->pixelFormat.alphaMode;
  if (properties->dpiX > 0.0f && properties->dpiY > 0.0f) {
    *dpiX = properties->dpiX;
    *dpiY = properties->dpiY;
  }
  return D2dSupportedFormat(*format);
}

} // namespace

HRESULT D2dCreateBitmap(D2dTarget *target, D2D1_SIZE_U size, const void *srcData, UINT32 pitch,
                        const D2D1_BITMAP_PROPERTIES *properties, ID2D1Bitmap **result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  D2D1_PIXEL_FORMAT format;
  float dpiX, dpiY;
  if (!BitmapFormat(target, properties, &format, &dpiX, &dpiY)) return D2DERR_UNSUPPORTED_PIXEL_FORMAT;
  if (size.width > D2dMaxBitmapSide || size.height > D2dMaxBitmapSide) return D2DERR_EXCEEDS_MAX_BITMAP_SIZE;
  if (srcData != nullptr && size.width > 0 && pitch < size.width * 4) return E_INVALIDARG;
  D2dBitmap *bitmap = D2dBitmapCreate(target->factory, size.width, size.height, format, dpiX, dpiY);
  if (bitmap == nullptr) return E_OUTOFMEMORY;
  ID2D1Bitmap *created = D2dBitmapInterface(bitmap);
  if (srcData != nullptr) created->CopyFromMemory(nullptr, srcData, pitch);
  *result = created;
  return S_OK;
}

HRESULT D2dCreateBitmapFromWic(D2dTarget *target, IWICBitmapSource *source, const D2D1_BITMAP_PROPERTIES *properties,
                               ID2D1Bitmap **result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  if (source == nullptr) return E_INVALIDARG;
  D2D1_PIXEL_FORMAT format;
  float dpiX, dpiY;
  if (!BitmapFormat(target, properties, &format, &dpiX, &dpiY)) return D2DERR_UNSUPPORTED_PIXEL_FORMAT;
  WICPixelFormatGUID pixelFormat;
  HRESULT hr = source->GetPixelFormat(&pixelFormat);
  if (FAILED(hr)) return hr;
  // Only premultiplied BGRA passes straight through; anything else needs a converter first.
  if (pixelFormat != GUID_WICPixelFormat32bppPBGRA) return D2DERR_UNSUPPORTED_PIXEL_FORMAT;
  UINT width = 0, height = 0;
  hr = source->GetSize(&width, &height);
  if (FAILED(hr)) return hr;
  if (width > D2dMaxBitmapSide || height > D2dMaxBitmapSide) return D2DERR_EXCEEDS_MAX_BITMAP_SIZE;
  D2dBitmap *bitmap = D2dBitmapCreate(target->factory, width, height, format, dpiX, dpiY);
  if (bitmap == nullptr) return E_OUTOFMEMORY;
  D2dSurface *pixels = D2dBitmapSurface(bitmap);
  if (width > 0 && height > 0) {
    hr = source->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE *>(pixels->pixels));
    if (FAILED(hr)) {
      D2dBitmapInterface(bitmap)->Release();
      return hr;
    }
    D2dBitmapStored(bitmap, D2dBox{0, 0, static_cast<int>(width), static_cast<int>(height)});
  }
  *result = D2dBitmapInterface(bitmap);
  return S_OK;
}

HRESULT D2dCreateBitmapBrush(D2dTarget *target, ID2D1Bitmap *bitmap,
                             const D2D1_BITMAP_BRUSH_PROPERTIES *bitmapProperties,
                             const D2D1_BRUSH_PROPERTIES *properties, ID2D1BitmapBrush **result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  D2dBitmap *ours = D2dBitmapFrom(bitmap);
  if (bitmap != nullptr && ours == nullptr) return D2DERR_WRONG_RESOURCE_DOMAIN;
  if (!D2dValidBitmapBrushProperties(bitmapProperties)) return E_INVALIDARG;
  *result = D2dBitmapBrushCreate(target->factory, ours, bitmapProperties, properties);
  return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT D2dCreateSolidBrush(D2dTarget *target, const D2D1_COLOR_F *color, const D2D1_BRUSH_PROPERTIES *properties,
                            ID2D1SolidColorBrush **result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  if (color == nullptr) return E_INVALIDARG;
  *result = D2dSolidBrushCreate(target->factory, *color, properties);
  return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}
