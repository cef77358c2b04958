// Pixel copies between bitmap render targets, through a kept temporary target when an
// image is copied onto itself.
#include "d2d_backend.h"

#include <cmath>

namespace {

// Truncates toward zero to a whole pixel. Values beyond 32 bits (or not numbers) have no
// pixel; they are pinned so the conversion stays defined.
int32_t TruncatePixel(float value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0f) return INT32_MAX;
  if (value <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Copies rect of source to point of destination's bitmap.
void CopyIntoTarget(ID2D1BitmapRenderTarget *destination, const D2D1_POINT_2U &point, ID2D1RenderTarget *source,
                    const D2D1_RECT_U &rect) {
  ID2D1Bitmap *bitmap = nullptr;
  destination->GetBitmap(&bitmap);
  if (bitmap == nullptr) return;
  bitmap->CopyFromRenderTarget(&point, source, &rect);
  bitmap->Release();
}

void CreateTempTarget(ID2D1RenderTarget *target, int32_t width, int32_t height) {
  D2D1_SIZE_F size = {static_cast<float>(width), static_cast<float>(height)};
  if (FAILED(target->CreateCompatibleRenderTarget(&size, nullptr, nullptr, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE,
                                                  &pTempRenderTarget))) {
    pTempRenderTarget = nullptr;
  }
}

} // namespace

void _D2D_PrepareTempRenderTarget(ID2D1RenderTarget *target, int32_t width, int32_t height) {
  if (target == nullptr) return;
  if (pTempRenderTarget == nullptr) {
    CreateTempTarget(target, width, height);
    _D2D_DebugPrint(L"pTempRenderTarget created!!!! %dx%d", width, height);
    return;
  }
  D2D1_SIZE_F size = pTempRenderTarget->GetSize();
  if (static_cast<float>(width) > size.width || static_cast<float>(height) > size.height) {
    pTempRenderTarget->Release();
    pTempRenderTarget = nullptr;
    // Exactly the size asked for now, not the larger of the old and the new.
    CreateTempTarget(target, width, height);
    _D2D_DebugPrint(L"pTempRenderTarget size changed recreated!!!! %dx%d to %dx%d", TruncatePixel(size.width),
                    TruncatePixel(size.height), width, height);
  }
}

int _D2D_CopyRenderTargetArea(ID2D1BitmapRenderTarget *source, float x, float y, float width, float height,
                              ID2D1BitmapRenderTarget *destination, float destX, float destY) {
  if (source == nullptr || destination == nullptr) return 1;
  // Sums are formed in floats, then truncated.
  D2D1_RECT_U sourceRect = {static_cast<UINT32>(TruncatePixel(x)), static_cast<UINT32>(TruncatePixel(y)),
                            static_cast<UINT32>(TruncatePixel(x + width)),
                            static_cast<UINT32>(TruncatePixel(y + height))};
  D2D1_POINT_2U destPoint = {static_cast<UINT32>(TruncatePixel(destX)), static_cast<UINT32>(TruncatePixel(destY))};

  if (source != destination) {
    CopyIntoTarget(destination, destPoint, source, sourceRect);
    return 1;
  }

  // A copy within one image goes through the temporary target, so it never reads pixels
  // that it has already written.
  _D2D_DebugPrint(L"*** Fuck ***");
  int32_t tempWidth = TruncatePixel(width), tempHeight = TruncatePixel(height);
  if (tempWidth <= 0 || tempHeight <= 0) return 1;
  _D2D_PrepareTempRenderTarget(source, tempWidth, tempHeight);
  if (pTempRenderTarget == nullptr) return 1;

  ID2D1Bitmap *tempBitmap = nullptr;
  pTempRenderTarget->GetBitmap(&tempBitmap);
  if (tempBitmap == nullptr) return 1;
  D2D1_POINT_2U origin = {0, 0};
  tempBitmap->CopyFromRenderTarget(&origin, source, &sourceRect);

  D2D1_RECT_U tempRect = {0, 0, static_cast<UINT32>(tempWidth), static_cast<UINT32>(tempHeight)};
  CopyIntoTarget(destination, destPoint, pTempRenderTarget, tempRect);
  tempBitmap->Release();
  return 1;
}
