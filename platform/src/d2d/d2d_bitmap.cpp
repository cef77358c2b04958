// ID2D1Bitmap: premultiplied BGRA pixels that own their memory, and the plain copies
// between bitmaps, render targets and memory.
#include "d2d_internal.h"
#include "d2d_workers.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Copies a rectangle of pixels between surfaces (which may be the same), clipped to both;
// the pixels of dst written.
D2dBox CopyPixels(D2dSurface *dst, int dstX, int dstY, const D2dSurface &src, D2dBox from) {
  from = D2dIntersect(from, D2dBox{0, 0, src.width, src.height});
  if (D2dEmpty(from)) return D2dBox{0, 0, 0, 0};
  // Where the clipped source lands, then clipped again by the destination.
  int offsetX = dstX - from.x0, offsetY = dstY - from.y0;
  D2dBox to = D2dIntersect(D2dBox{from.x0 + offsetX, from.y0 + offsetY, from.x1 + offsetX, from.y1 + offsetY},
                           D2dBox{0, 0, dst->width, dst->height});
  if (D2dEmpty(to)) return to;
  size_t bytes = static_cast<size_t>(to.x1 - to.x0) * 4;
  auto copyRow = [&](int y) {
    std::memmove(D2dRow(*dst, y) + to.x0, D2dRow(src, y - offsetY) + (to.x0 - offsetX), bytes);
  };
  if (dst->pixels != src.pixels) {
    // Between two surfaces no row depends on another: the rows are shared among the threads.
    D2dForRowBands(to.y0, to.y1, static_cast<int64_t>(to.x1 - to.x0) * (to.y1 - to.y0), [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) copyRow(y);
    });
    return to;
  }
  // Within one surface, copy bottom-up when moving down so no row is read after it is written.
  for (int i = 0; i < to.y1 - to.y0; ++i) copyRow(offsetY > 0 ? to.y1 - 1 - i : to.y0 + i);
  return to;
}

D2dBox BoxOfRect(const D2D1_RECT_U *rect, const D2dSurface &whole) {
  if (rect == nullptr) return D2dBox{0, 0, whole.width, whole.height};
  // Clamp to int before the box is built; anything past the surface is clipped later.
  auto c = [](UINT32 v) { return static_cast<int>(std::min<UINT32>(v, 1u << 30)); };
  return D2dBox{c(rect->left), c(rect->top), c(rect->right), c(rect->bottom)};
}

} // namespace

struct D2dBitmap final : public D2dResource<ID2D1Bitmap, IID_ID2D1Image, IID_ID2D1Bitmap> {
  std::vector<uint32_t> storage;
  D2dSurface surface{nullptr, 0, 0, 0, nullptr};
  D2D1_PIXEL_FORMAT format{};
  float dpiX = 96.0f, dpiY = 96.0f;

  ~D2dBitmap() override {
    D2dFlushDeferred(); // a recorded draw may still read these pixels
    D2dSurfaceRelease(&surface);
  }

  D2D1_SIZE_F STDMETHODCALLTYPE GetSize() const override {
    return D2D1_SIZE_F{surface.width * 96.0f / dpiX, surface.height * 96.0f / dpiY};
  }
  D2D1_SIZE_U STDMETHODCALLTYPE GetPixelSize() const override {
    return D2D1_SIZE_U{static_cast<UINT32>(surface.width), static_cast<UINT32>(surface.height)};
  }
  D2D1_PIXEL_FORMAT STDMETHODCALLTYPE GetPixelFormat() const override { return format; }
  void STDMETHODCALLTYPE GetDpi(FLOAT *x, FLOAT *y) const override {
    if (x != nullptr) *x = dpiX;
    if (y != nullptr) *y = dpiY;
  }

  HRESULT STDMETHODCALLTYPE CopyFromBitmap(const D2D1_POINT_2U *destPoint, ID2D1Bitmap *bitmap,
                                           const D2D1_RECT_U *srcRect) override {
    D2dBitmap *source = D2dBitmapFrom(bitmap);
    if (source == nullptr) return E_INVALIDARG;
    D2dFlushDeferred();
    Copy(destPoint, source->surface, srcRect);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CopyFromRenderTarget(const D2D1_POINT_2U *destPoint, ID2D1RenderTarget *renderTarget,
                                                 const D2D1_RECT_U *srcRect) override {
    D2dTarget *target = D2dTargetOf(renderTarget);
    if (target == nullptr) return E_INVALIDARG;
    // A target's pixels are only copied with no layer pushed on it.
    if (target->depth > 0) return D2DERR_RENDER_TARGET_HAS_LAYER_OR_CLIPRECT;
    Copy(destPoint, target->surface, srcRect);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CopyFromMemory(const D2D1_RECT_U *dstRect, const void *srcData, UINT32 pitch) override {
    if (srcData == nullptr) return E_INVALIDARG;
    D2dFlushDeferred();
    D2dBox box = D2dIntersect(BoxOfRect(dstRect, surface), D2dBox{0, 0, surface.width, surface.height});
    if (D2dEmpty(box)) return S_OK;
    // The memory holds the rectangle as asked for; a clipped-away left or top part is skipped.
    D2dBox asked = BoxOfRect(dstRect, surface);
    const uint8_t *bytes = static_cast<const uint8_t *>(srcData);
    for (int y = box.y0; y < box.y1; ++y) {
      const uint8_t *row =
          bytes + static_cast<size_t>(y - asked.y0) * pitch + static_cast<size_t>(box.x0 - asked.x0) * 4;
      std::memcpy(D2dRow(surface, y) + box.x0, row, static_cast<size_t>(box.x1 - box.x0) * 4);
    }
    D2dBitmapStored(this, box);
    return S_OK;
  }

  void Copy(const D2D1_POINT_2U *destPoint, const D2dSurface &source, const D2D1_RECT_U *srcRect) {
    int x = destPoint != nullptr ? static_cast<int>(std::min<UINT32>(destPoint->x, 1u << 30)) : 0;
    int y = destPoint != nullptr ? static_cast<int>(std::min<UINT32>(destPoint->y, 1u << 30)) : 0;
    D2dBox written = CopyPixels(&surface, x, y, source, BoxOfRect(srcRect, source));
    D2dBitmapStored(this, written);
  }
};

D2dBitmap *D2dBitmapCreate(ID2D1Factory *factory, UINT32 width, UINT32 height, const D2D1_PIXEL_FORMAT &format,
                           float dpiX, float dpiY) {
  if (factory == nullptr || width > D2dMaxBitmapSide || height > D2dMaxBitmapSide) return nullptr;
  D2dBitmap *bitmap = new (std::nothrow) D2dBitmap;
  if (bitmap == nullptr) return nullptr;
  try {
    bitmap->storage.assign(static_cast<size_t>(width) * height, D2dIgnoresAlpha(format) ? 0xFF000000u : 0u);
  } catch (const std::bad_alloc &) {
    delete bitmap;
    return nullptr;
  }
  bitmap->HoldFactory(factory);
  bitmap->format = format;
  bitmap->dpiX = dpiX;
  bitmap->dpiY = dpiY;
  D2dSurfaceSet(&bitmap->surface, bitmap->storage.data(), static_cast<int>(width), static_cast<int>(height),
                static_cast<int>(width));
  return bitmap;
}

D2dSurface *D2dBitmapSurface(D2dBitmap *bitmap) { return &bitmap->surface; }
void D2dBitmapStored(D2dBitmap *bitmap, const D2dBox &box) {
  if (D2dIgnoresAlpha(bitmap->format)) D2dMakeOpaque(&bitmap->surface, box);
}
void D2dBitmapDpi(const D2dBitmap *bitmap, float *dpiX, float *dpiY) {
  *dpiX = bitmap->dpiX;
  *dpiY = bitmap->dpiY;
}
ID2D1Bitmap *D2dBitmapInterface(D2dBitmap *bitmap) { return bitmap; }
D2dBitmap *D2dBitmapFrom(ID2D1Bitmap *bitmap) { return D2dExact<D2dBitmap>(bitmap); }
