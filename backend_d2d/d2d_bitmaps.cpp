// Bitmap render targets that hold the pixels of images: empty ones, ones filled from GDI
// bitmaps through WIC or from memory, their brushes, and presenting one on another target.
#include "d2d_backend.h"

namespace {

// Drops a temporary reference and forgets the pointer.
template <typename Interface> void ReleaseTemporary(Interface *&object) {
  if (object != nullptr) {
    object->Release();
    object = nullptr;
  }
}

// A width x height target of the given format, one pixel per device-independent pixel,
// cleared to colour.
ID2D1BitmapRenderTarget *CreateClearedTarget(ID2D1RenderTarget *parent, int32_t width, int32_t height,
                                             DXGI_FORMAT format, const D2D1_COLOR_F &colour) {
  // A negative side has no target; Direct2D would be asked for one about four billion
  // pixels wide.
  if (parent == nullptr || width < 0 || height < 0) return nullptr;
  D2D1_SIZE_F size = {static_cast<float>(width), static_cast<float>(height)};
  D2D1_SIZE_U pixelSize = {static_cast<UINT32>(width), static_cast<UINT32>(height)};
  D2D1_PIXEL_FORMAT pixelFormat = {format, D2D1_ALPHA_MODE_PREMULTIPLIED};
  ID2D1BitmapRenderTarget *target = nullptr;
  if (FAILED(parent->CreateCompatibleRenderTarget(&size, &pixelSize, &pixelFormat,
                                                  D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE, &target)) ||
      target == nullptr) {
    return nullptr;
  }
  target->BeginDraw();
  target->Clear(&colour);
  target->EndDraw(nullptr, nullptr);
  return target;
}

} // namespace

ID2D1BitmapRenderTarget *_D2D_CreateBitmapRenderTarget(ID2D1RenderTarget *parent, int32_t width, int32_t height,
                                                       uint32_t color) {
  // RGBA with red in the low byte.
  uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF, a = color >> 24;
  D2D1_COLOR_F colour = {static_cast<float>(r / 255.0), static_cast<float>(g / 255.0), static_cast<float>(b / 255.0),
                         static_cast<float>(a / 255.0)};
  return CreateClearedTarget(parent, width, height, DXGI_FORMAT_B8G8R8A8_UNORM, colour);
}

ID2D1BitmapRenderTarget *_D2D_CreateMaskRenderTarget(ID2D1RenderTarget *parent, int32_t width, int32_t height) {
  D2D1_COLOR_F transparent = {0.0f, 0.0f, 0.0f, 0.0f};
  return CreateClearedTarget(parent, width, height, DXGI_FORMAT_A8_UNORM, transparent);
}

ID2D1BitmapRenderTarget *_D2D_BitmapRenderTargetFromHBITMAP(ID2D1RenderTarget *parent, HBITMAP hBitmap) {
  if (hBitmap == nullptr || parent == nullptr || pWICFactory == nullptr) return nullptr;

  // The Render API has premultiplied the pixels already, so WIC takes them as they are.
  IWICBitmap *wicBitmap = nullptr;
  if (FAILED(pWICFactory->CreateBitmapFromHBITMAP(hBitmap, nullptr, WICBitmapUsePremultipliedAlpha, &wicBitmap)) ||
      wicBitmap == nullptr) {
    return nullptr;
  }
  IWICFormatConverter *converter = nullptr;
  if (FAILED(pWICFactory->CreateFormatConverter(&converter)) || converter == nullptr ||
      FAILED(converter->Initialize(wicBitmap, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeMedianCut))) {
    ReleaseTemporary(converter);
    ReleaseTemporary(wicBitmap);
    return nullptr;
  }
  UINT width = 0, height = 0;
  wicBitmap->GetSize(&width, &height);

  // Only the size is given: the target takes the parent's premultiplied BGRA format.
  D2D1_SIZE_F size = {static_cast<float>(width), static_cast<float>(height)};
  ID2D1BitmapRenderTarget *target = nullptr;
  if (FAILED(parent->CreateCompatibleRenderTarget(&size, nullptr, nullptr, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE,
                                                  &target)) ||
      target == nullptr) {
    ReleaseTemporary(converter);
    ReleaseTemporary(wicBitmap);
    return nullptr;
  }
  ID2D1Bitmap *sourceBitmap = nullptr;
  if (FAILED(target->CreateBitmapFromWicBitmap(converter, nullptr, &sourceBitmap)) || sourceBitmap == nullptr) {
    ReleaseTemporary(converter);
    ReleaseTemporary(wicBitmap);
    ReleaseTemporary(target);
    return nullptr;
  }
  ID2D1Bitmap *targetBitmap = nullptr;
  target->GetBitmap(&targetBitmap);
  if (targetBitmap != nullptr) {
    D2D1_POINT_2U origin = {0, 0};
    D2D1_RECT_U all = {0, 0, width, height};
    targetBitmap->CopyFromBitmap(&origin, sourceBitmap, &all);
  }
  ReleaseTemporary(targetBitmap);
  ReleaseTemporary(sourceBitmap);
  ReleaseTemporary(converter);
  ReleaseTemporary(wicBitmap);
  return target;
}

int _D2D_CopyMemoryToTarget(ID2D1BitmapRenderTarget *target, const void *pixels, uint32_t pitch, int32_t y,
                            int32_t width, int32_t rows) {
  if (target == nullptr || pixels == nullptr || y < 0 || width < 1 || rows < 1) return 0;
  ID2D1Bitmap *bitmap = nullptr;
  target->GetBitmap(&bitmap);
  if (bitmap == nullptr) return 0;
  D2D1_RECT_U rect = {0, static_cast<UINT32>(y), static_cast<UINT32>(width), static_cast<UINT32>(y) + rows};
  HRESULT result = bitmap->CopyFromMemory(&rect, pixels, pitch);
  ReleaseTemporary(bitmap);
  return SUCCEEDED(result) ? 1 : 0;
}

ID2D1BitmapBrush *_D2D_CreateBitmapBrush(ID2D1BitmapRenderTarget *target) {
  if (target == nullptr) return nullptr;
  ID2D1Bitmap *bitmap = nullptr;
  target->GetBitmap(&bitmap);
  if (bitmap == nullptr) return nullptr;
  // Defaults: clamped on both axes, linear interpolation, opacity 1, identity transform.
  ID2D1BitmapBrush *brush = nullptr;
  if (FAILED(target->CreateBitmapBrush(bitmap, nullptr, nullptr, &brush))) brush = nullptr;
  // The brush holds its own reference on the bitmap.
  ReleaseTemporary(bitmap);
  return brush;
}

int _D2D_DrawToRenderTarget(ID2D1BitmapRenderTarget *source, float srcX, float srcY, float width, float height,
                            ID2D1RenderTarget *dest, float destX, float destY) {
  if (dest == nullptr) return 1;
  ID2D1Bitmap *bitmap = nullptr;
  if (source != nullptr) source->GetBitmap(&bitmap);
  dest->BeginDraw();
  // The whole target turns opaque black, so transparent parts of the image show black.
  D2D1_COLOR_F black = {0.0f, 0.0f, 0.0f, 1.0f};
  dest->Clear(&black);
  if (bitmap != nullptr) {
    D2D1_RECT_F sourceRect = {srcX, srcY, srcX + width, srcY + height};
    D2D1_RECT_F destRect = {destX, destY, destX + width, destY + height};
    dest->DrawBitmap(bitmap, &destRect, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &sourceRect);
  }
  dest->EndDraw(nullptr, nullptr);
  ReleaseTemporary(bitmap);
  return 1;
}

int _D2D_ReleaseBitmapTarget(ID2D1BitmapRenderTarget *target) {
  if (target != nullptr) target->Release();
  return 1;
}
