// The stack of drawing contexts: which image drawing operations go to.
#include "render_internal.h"

int StartRenderDrawing(RenderImage *image) {
  if (!DrawingStack) return 0;
  DrawingContext *context = static_cast<DrawingContext *>(TkAddElement(DrawingStack));
  if (!context) return 0;
  context->target = image;
  context->layers = TkNewList(sizeof(RenderLayer));
  if (RenderBackend == RENDER_BACKEND_DIRECT2D && image && image->bitmap) _D2D_BeginDraw(image->bitmap);
  return 0;
}

int StopRenderDrawing() {
  DrawingContext *context = CurrentDrawingContext();
  // An unpaired stop has nothing to end.
  if (!context) return 0;
  RenderImage *image = context->target;
  if (RenderBackend == RENDER_BACKEND_DIRECT2D && image && image->bitmap) _D2D_EndDraw(image->bitmap);
  // Layers still pushed here are the caller's mistake; only their records go with the
  // context, as their masks may still be referred to.
  if (context->layers) TkFreeList(context->layers);
  context->layers = nullptr;
  TkDeleteElement(DrawingStack);
  return 0;
}

int CopyRenderImageArea(RenderImage *image, int32_t x, int32_t y, int32_t width, int32_t height, int32_t destX,
                        int32_t destY) {
  ID2D1BitmapRenderTarget *target = CurrentTargetBitmap();
  if (!target || !image || !image->bitmap) return 0;
  // An empty rectangle copies nothing; within one image it would also ask the backend
  // for a temporary target with an empty side.
  if (width < 1 || height < 1) return 0;
  _D2D_CopyRenderTargetArea(image->bitmap, static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                            static_cast<float>(height), target, static_cast<float>(destX), static_cast<float>(destY));
  return 0;
}
