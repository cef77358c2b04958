// Drawing operations into the current target: images, solid boxes and brush fills.
// DrawRenderImage and DrawRenderImagePart run tens of thousands of times a frame, so they
// only test what keeps them from calling through a null pointer and go straight to the
// backend.
#include "render_internal.h"

namespace {

// The image's pixels as a Direct2D bitmap, taken from its target once and kept with the image
// (a target's bitmap is the same for the target's whole life), so that a draw costs no
// reference counting.
ID2D1Bitmap *ImagePixels(RenderImage *image) {
  if (!image->pixels) image->pixels = _D2D_TargetBitmap(image->bitmap);
  return image->pixels;
}

} // namespace

int DrawRenderImage(RenderImage *image, float x, float y, float width, float height, float opacity) {
  ID2D1BitmapRenderTarget *target = CurrentTargetBitmap();
  if (!target || !image || !image->bitmap) return 0;
  if (width < 0.0f) width = static_cast<float>(image->width);
  if (height < 0.0f) height = static_cast<float>(image->height);
  D2D1_RECT_F dest = {x, y, x + width, y + height};
  _D2D_DrawBitmapPixels(ImagePixels(image), nullptr, target, &dest, opacity);
  return 0;
}

int DrawRenderImagePart(RenderImage *image, float srcX, float srcY, float srcWidth, float srcHeight, float x, float y,
                        float width, float height, float opacity) {
  ID2D1BitmapRenderTarget *target = CurrentTargetBitmap();
  if (!target || !image || !image->bitmap) return 0;
  // Both rectangles default to the image's size, not the destination to the source's.
  if (srcWidth < 0.0f) srcWidth = static_cast<float>(image->width);
  if (srcHeight < 0.0f) srcHeight = static_cast<float>(image->height);
  if (width < 0.0f) width = static_cast<float>(image->width);
  if (height < 0.0f) height = static_cast<float>(image->height);
  D2D1_RECT_F source = {srcX, srcY, srcX + srcWidth, srcY + srcHeight};
  D2D1_RECT_F dest = {x, y, x + width, y + height};
  _D2D_DrawBitmapPixels(ImagePixels(image), &source, target, &dest, opacity);
  return 0;
}

int DrawRenderBox(float x, float y, float width, float height, uint32_t colour, float alpha) {
  if (ID2D1BitmapRenderTarget *target = CurrentTargetBitmap())
    _D2D_FillSolidRectangle(target, x, y, width, height, colour, alpha);
  return 0;
}

int DrawRenderBoxRect(const RenderRect *rect, uint32_t colour, float alpha) {
  if (!rect) return 0;
  return DrawRenderBox(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, colour, alpha);
}

int DrawRenderBrushBox(float x, float y, float width, float height, RenderBrush *brush) {
  ID2D1BitmapRenderTarget *target = CurrentTargetBitmap();
  ID2D1BitmapBrush *direct = DirectBrush(brush);
  if (!target || !direct) return 0;
  D2D1_RECT_F rect = {x, y, x + width, y + height};
  _D2D_FillRectangle(target, direct, &rect);
  return 0;
}

int FillRenderOpacityMask(RenderImage *mask, ID2D1Brush *brush, const RenderRect *sourceRect,
                          const RenderRect *destRect) {
  ID2D1BitmapRenderTarget *target = CurrentTargetBitmap();
  if (!target || !mask || !mask->bitmap || !brush || !sourceRect || !destRect) return 0;
  D2D1_RECT_F source = {sourceRect->left, sourceRect->top, sourceRect->right, sourceRect->bottom};
  D2D1_RECT_F dest = {destRect->left, destRect->top, destRect->right, destRect->bottom};
  _D2D_FillOpacityMask(target, mask->bitmap, brush, &dest, &source);
  return 0;
}
