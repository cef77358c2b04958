// The state of image brushes: opacity, transform, extend modes; and freeing them.
// A brush made without the Direct2D backend has no Direct2D object and is left alone.
#include "render_internal.h"

int SetRenderBrushOpacity(RenderBrush *brush, float opacity) {
  if (ID2D1BitmapBrush *direct = DirectBrush(brush)) _D2D_SetBrushOpacity(direct, opacity);
  return 0;
}

int SetRenderBrushOrigin(RenderBrush *brush, float x, float y) {
  if (ID2D1BitmapBrush *direct = DirectBrush(brush)) _D2D_SetBrushTranslation(direct, x, y);
  return 0;
}

int SetRenderBrushExtendMode(RenderBrush *brush, int32_t modeX, int32_t modeY) {
  if (ID2D1BitmapBrush *direct = DirectBrush(brush))
    _D2D_SetBrushExtendMode(direct, static_cast<D2D1_EXTEND_MODE>(modeX), static_cast<D2D1_EXTEND_MODE>(modeY));
  return 0;
}

int SetRenderBrushTransform(RenderBrush *brush, float scaleX, float scaleY, float centerX, float centerY, float angle,
                            float offsetX, float offsetY) {
  if (ID2D1BitmapBrush *direct = DirectBrush(brush))
    _D2D_SetBrushTransform(direct, scaleX, scaleY, centerX, centerY, angle, offsetX, offsetY);
  return 0;
}

int SetRenderBrushScale(RenderBrush *brush, float scaleX, float scaleY, float centerX, float centerY) {
  if (ID2D1BitmapBrush *direct = DirectBrush(brush)) _D2D_SetBrushScale(direct, scaleX, scaleY, centerX, centerY);
  return 0;
}

int FreeRenderBrush(RenderBrush *brush) {
  // Only a live record of BrushList is released: a stale value is never read through.
  if (!brush || !BrushList || !TkListContains(BrushList, brush)) return 0;
  if (RenderBackend == RENDER_BACKEND_DIRECT2D && brush->brush) _D2D_ReleaseBrush(brush->brush);
  brush->brush = nullptr;
  TkChangeCurrentElement(BrushList, brush);
  TkDeleteElement(BrushList);
  return 0;
}
