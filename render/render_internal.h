// What the Render API's files share among themselves and do not offer to callers.
#pragma once

#include "render_api.h"

#include "d2d_backend.h"

// True when the system has Direct2D (Windows NT 6.0 or later): the one test behind the
// choice of renderer.
bool SystemHasDirect2D();

// The current drawing context, or null when nothing is being drawn on.
inline DrawingContext *CurrentDrawingContext() {
  return DrawingStack ? static_cast<DrawingContext *>(TkCurrentElement(DrawingStack)) : nullptr;
}

// The render target drawing operations go to, or null when there is none to draw on:
// no context, no Direct2D backend, or an image whose target could not be made.
inline ID2D1BitmapRenderTarget *CurrentTargetBitmap() {
  if (RenderBackend != RENDER_BACKEND_DIRECT2D) return nullptr;
  DrawingContext *context = CurrentDrawingContext();
  return context && context->target ? context->target->bitmap : nullptr;
}

// The record when the value is a live element of ImageList; never reads through it.
inline RenderImage *FindRenderImage(const void *handle) {
  if (!handle || !ImageList || !TkListContains(ImageList, handle)) return nullptr;
  return static_cast<RenderImage *>(const_cast<void *>(handle));
}

// Releases the Direct2D objects an image owns (its target and the bitmap kept for drawing)
// and leaves the record without them; the record itself stays in ImageList.
void ReleaseRenderImageObjects(RenderImage *image);

// The brush's Direct2D object when the Direct2D backend may be called with it.
inline ID2D1BitmapBrush *DirectBrush(const RenderBrush *brush) {
  return RenderBackend == RENDER_BACKEND_DIRECT2D && brush ? brush->brush : nullptr;
}

// Reads the pixels of a rectangle of an image into out (width x height RGBA values, row
// by row from the top): the stored premultiplied channels and the alpha in bits 24-31.
// False when the image has no pixels to read (no Direct2D backend, no render target).
bool ReadRenderImagePixels(RenderImage *image, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *out);

// Draws the image's pixels over opaque black into a device context through
// MainRenderTarget; false when nothing could be drawn.
bool PresentRenderImage(RenderImage *image, HDC dc);

// An icon made from a 32-bit bitmap of that size through an image list; the list takes the
// mask from the bitmap's alpha, so fully transparent pixels become transparent in the icon.
HICON IconFromBitmap(HBITMAP bitmap, int32_t width, int32_t height);
