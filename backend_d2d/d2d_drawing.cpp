// Drawing on render targets: begin and end, fills, bitmaps, brush state, layers, opacity
// masks and releases. Each request is one Direct2D call on the caller's objects.
#include "d2d_backend.h"

#include <cfloat>

namespace {

const D2D1_MATRIX_3X2_F Identity = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};

D2D1_MATRIX_3X2_F Translation(float x, float y) { return {1.0f, 0.0f, 0.0f, 1.0f, x, y}; }

D2D1_MATRIX_3X2_F ScaleAbout(float scaleX, float scaleY, float centerX, float centerY) {
  return {scaleX, 0.0f, 0.0f, scaleY, centerX - scaleX * centerX, centerY - scaleY * centerY};
}

// Row-vector product: the result applies a first, then b.
D2D1_MATRIX_3X2_F Multiply(const D2D1_MATRIX_3X2_F &a, const D2D1_MATRIX_3X2_F &b) {
  D2D1_MATRIX_3X2_F m;
  m._11 = a._11 * b._11 + a._12 * b._21;
  m._12 = a._11 * b._12 + a._12 * b._22;
  m._21 = a._21 * b._11 + a._22 * b._21;
  m._22 = a._21 * b._12 + a._22 * b._22;
  m._31 = a._31 * b._11 + a._32 * b._21 + b._31;
  m._32 = a._31 * b._12 + a._32 * b._22 + b._32;
  return m;
}

} // namespace

void _D2D_BeginDraw(ID2D1RenderTarget *target) {
  if (target != nullptr) target->BeginDraw();
}

HRESULT _D2D_EndDraw(ID2D1RenderTarget *target) {
  if (target == nullptr) return E_POINTER;
  return target->EndDraw(nullptr, nullptr);
}

void _D2D_FillRectangle(ID2D1RenderTarget *target, ID2D1Brush *brush, const D2D1_RECT_F *rect) {
  if (target == nullptr || brush == nullptr || rect == nullptr) return;
  target->FillRectangle(rect, brush);
}

int _D2D_FillSolidRectangle(ID2D1RenderTarget *target, float x, float y, float width, float height, uint32_t colour,
                            float alpha) {
  if (target == nullptr) return 1;
  // 0x00BBGGRR becomes 0xRRGGBB: red to bits 16-23, blue to bits 0-7; bits 24-31 drop out.
  uint32_t value = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
  target->SetTransform(&Identity);
  D2D1_COLOR_F brushColour = {static_cast<float>(((value >> 16) & 0xFF) / 255.0),
                              static_cast<float>(((value >> 8) & 0xFF) / 255.0),
                              static_cast<float>((value & 0xFF) / 255.0), alpha};
  ID2D1SolidColorBrush *brush = nullptr;
  if (FAILED(target->CreateSolidColorBrush(&brushColour, nullptr, &brush)) || brush == nullptr) return 1;
  D2D1_RECT_F rect = {x, y, x + width, y + height};
  target->FillRectangle(&rect, brush);
  brush->Release();
  return 1;
}

int _D2D_DrawBitmap(ID2D1BitmapRenderTarget *source, const D2D1_RECT_F *sourceRect, ID2D1RenderTarget *destination,
                    const D2D1_RECT_F *destRect, float opacity) {
  if (source == nullptr || destination == nullptr) return 1;
  ID2D1Bitmap *bitmap = _D2D_TargetBitmap(source);
  if (bitmap == nullptr) return 1;
  _D2D_DrawBitmapPixels(bitmap, sourceRect, destination, destRect, opacity);
  bitmap->Release();
  return 1;
}

int _D2D_DrawBitmapPixels(ID2D1Bitmap *source, const D2D1_RECT_F *sourceRect, ID2D1RenderTarget *destination,
                          const D2D1_RECT_F *destRect, float opacity) {
  if (source == nullptr || destination == nullptr) return 1;
  destination->DrawBitmap(source, destRect, opacity, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, sourceRect);
  return 1;
}

ID2D1Bitmap *_D2D_TargetBitmap(ID2D1BitmapRenderTarget *target) {
  ID2D1Bitmap *bitmap = nullptr;
  if (target != nullptr) target->GetBitmap(&bitmap);
  return bitmap;
}

void _D2D_SetBrushOpacity(ID2D1Brush *brush, float opacity) {
  if (brush != nullptr) brush->SetOpacity(opacity);
}

void _D2D_SetBrushExtendMode(ID2D1BitmapBrush *brush, D2D1_EXTEND_MODE modeX, D2D1_EXTEND_MODE modeY) {
  if (brush == nullptr) return;
  brush->SetExtendModeX(modeX);
  brush->SetExtendModeY(modeY);
}

void _D2D_SetBrushTranslation(ID2D1Brush *brush, float x, float y) {
  if (brush == nullptr) return;
  D2D1_MATRIX_3X2_F m = Translation(x, y);
  brush->SetTransform(&m);
}

void _D2D_SetBrushScale(ID2D1Brush *brush, float scaleX, float scaleY, float centerX, float centerY) {
  if (brush == nullptr) return;
  D2D1_MATRIX_3X2_F m = ScaleAbout(scaleX, scaleY, centerX, centerY);
  brush->SetTransform(&m);
}

void _D2D_SetBrushTransform(ID2D1Brush *brush, float scaleX, float scaleY, float centerX, float centerY, float angle,
                            float offsetX, float offsetY) {
  if (brush == nullptr) return;
  D2D1_MATRIX_3X2_F rotation;
  D2D1_POINT_2F center = {centerX, centerY};
  D2D1MakeRotateMatrix(angle, center, &rotation);
  D2D1_MATRIX_3X2_F scale = ScaleAbout(scaleX, scaleY, centerX, centerY);
  D2D1_MATRIX_3X2_F translation = Translation(offsetX, offsetY);
  // The image is moved by the offset first, then scaled, then rotated about the centre.
  D2D1_MATRIX_3X2_F m = Multiply(Multiply(translation, scale), rotation);
  brush->SetTransform(&m);
}

void _D2D_PushLayer(ID2D1RenderTarget *target, ID2D1Layer *layer, const D2D1_RECT_F *bounds,
                    ID2D1Geometry *geometricMask, int32_t antialiasMode, const void *maskTransformArgument,
                    float opacity, ID2D1Brush *opacityBrush, int32_t options) {
  (void)maskTransformArgument; // the mask is never transformed
  if (target == nullptr) return;
  D2D1_LAYER_PARAMETERS parameters;
  if (bounds != nullptr) {
    parameters.contentBounds = *bounds;
  } else {
    // No bounds: the layer covers everything, as Direct2D's own default does.
    parameters.contentBounds = {-FLT_MAX, -FLT_MAX, FLT_MAX, FLT_MAX};
  }
  parameters.geometricMask = geometricMask;
  parameters.maskAntialiasMode = static_cast<D2D1_ANTIALIAS_MODE>(antialiasMode);
  parameters.maskTransform = Identity;
  parameters.opacity = opacity;
  parameters.opacityBrush = opacityBrush;
  parameters.layerOptions = static_cast<D2D1_LAYER_OPTIONS>(options);
  target->PushLayer(&parameters, layer);
}

void _D2D_PopLayer(ID2D1RenderTarget *target) {
  if (target != nullptr) target->PopLayer();
}

void _D2D_FillOpacityMask(ID2D1RenderTarget *target, ID2D1BitmapRenderTarget *maskTarget, ID2D1Brush *brush,
                          const D2D1_RECT_F *destRect, const D2D1_RECT_F *sourceRect) {
  if (target == nullptr || maskTarget == nullptr || brush == nullptr) return;
  ID2D1Bitmap *mask = nullptr;
  maskTarget->GetBitmap(&mask);
  if (mask == nullptr) return;
  // FillOpacityMask draws only on an aliased target.
  target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
  target->FillOpacityMask(mask, brush, D2D1_OPACITY_MASK_CONTENT_GRAPHICS, destRect, sourceRect);
  target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  mask->Release();
}

HRESULT _D2D_Flush(ID2D1RenderTarget *target) {
  if (target == nullptr) return E_POINTER;
  return target->Flush(nullptr, nullptr);
}

ULONG _D2D_ReleaseBrush(ID2D1Brush *brush) { return brush != nullptr ? brush->Release() : 0; }

ULONG _D2D_ReleaseObject(IUnknown *object) { return object != nullptr ? object->Release() : 0; }
