// Layers: drawing confined to a rectangle of the current target and composed with an
// opacity and an opacity mask, either the caller's brush or one built from a border's
// mask border; the visible border is drawn over the layer when it ends.
#include "render_internal.h"

#include <cmath>

namespace {

// A piece's size, 0 for a piece that could not be cut (a picture too small for its slice
// lines): the mask is laid out with the pieces there are.
float PieceWidth(const RenderBrush *piece) { return piece ? static_cast<float>(piece->width) : 0.0f; }
float PieceHeight(const RenderBrush *piece) { return piece ? static_cast<float>(piece->height) : 0.0f; }

// Builds the layer's mask image and brush from a mask border: the border's pieces around
// the edge, opaque inside them. Returns the brush, or null when none could be made.
RenderBrush *BuildLayerMask(RenderLayer *layer, RenderBorder *maskBorder) {
  // An empty rectangle has no mask to draw on; without the Direct2D backend there is
  // nothing to draw the mask with.
  if (!(layer->width > 0.0f) || !(layer->height > 0.0f) || RenderBackend != RENDER_BACKEND_DIRECT2D) return nullptr;
  if (layer->width > layer->maskWidth || layer->height > layer->maskHeight) {
    if (layer->mask) FreeRenderImage(layer->mask);
    // Halves round to even, as the default rounding mode does.
    layer->mask = CreateRenderImage(static_cast<int32_t>(std::nearbyint(layer->width)),
                                    static_cast<int32_t>(std::nearbyint(layer->height)), 0);
    layer->maskWidth = layer->width;
    layer->maskHeight = layer->height;
  }
  if (!layer->mask) return nullptr;
  const RenderBrush *const *piece = maskBorder->piece;
  float w0 = PieceWidth(piece[BORDER_TOP_LEFT]);
  float w2 = PieceWidth(piece[BORDER_TOP_RIGHT]);
  float h0 = PieceHeight(piece[BORDER_TOP_LEFT]);
  float h5 = PieceHeight(piece[BORDER_BOTTOM_LEFT]);

  StartRenderDrawing(layer->mask);
  DrawRenderBox(0.0f, 0.0f, layer->width, layer->height, 0, 0.0f);
  DrawRenderBorder(maskBorder, 0.0f, 0.0f, layer->width, layer->height, 1.0f);
  DrawRenderBox(w0, h0, layer->width - (w0 + w2), layer->height - (h0 + h5), 0, 1.0f);
  StopRenderDrawing();

  layer->maskBrush = CreateRenderBrush(layer->mask);
  // The mask's pixels line up with the layer's rectangle on the target.
  SetRenderBrushOrigin(layer->maskBrush, layer->left, layer->top);
  return layer->maskBrush;
}

} // namespace

int StartRenderLayer(const RenderRect *rect, float opacity, RenderBrush *opacityBrush, RenderBorder *border) {
  // The layer belongs to the context current now, even though building a mask starts and
  // stops a context of its own.
  DrawingContext *context = CurrentDrawingContext();
  if (!context || !context->layers || !rect) return 0;
  RenderLayer *layer = static_cast<RenderLayer *>(TkAddElement(context->layers));
  if (!layer) return 0;
  layer->left = rect->left;
  layer->top = rect->top;
  layer->width = rect->right - rect->left;
  layer->height = rect->bottom - rect->top;
  layer->opacity = opacity;
  layer->border = border;

  // A border's mask shapes the layer in place of the caller's brush, even when the mask
  // could not be cut whole: the caller's brush is laid out for the target, not for this
  // rectangle, and taking it instead would hide the layer's content.
  if (border && border->mask) opacityBrush = BuildLayerMask(layer, border->mask);
  RenderImage *target = context->target;
  if (RenderBackend == RENDER_BACKEND_DIRECT2D && target && target->bitmap) {
    D2D1_RECT_F bounds = {rect->left, rect->top, rect->right, rect->bottom};
    ID2D1BitmapBrush *mask = opacityBrush ? opacityBrush->brush : nullptr;
    _D2D_PushLayer(target->bitmap, nullptr, &bounds, nullptr, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE, nullptr, opacity, mask,
                   D2D1_LAYER_OPTIONS_NONE);
  }
  return 0;
}

int StopRenderLayer() {
  DrawingContext *context = CurrentDrawingContext();
  if (!context || !context->layers) return 0;
  RenderLayer *layer = static_cast<RenderLayer *>(TkCurrentElement(context->layers));
  // A stop without a pushed layer in this context is ignored.
  if (!layer) return 0;
  RenderImage *target = context->target;
  if (RenderBackend == RENDER_BACKEND_DIRECT2D && target && target->bitmap) _D2D_PopLayer(target->bitmap);
  // Drawn after the pop, so neither clipped nor masked by the layer.
  if (layer->border)
    DrawRenderBorder(layer->border, layer->left, layer->top, layer->width, layer->height, layer->opacity);
  FreeRenderBrush(layer->maskBrush);
  FreeRenderImage(layer->mask);
  TkDeleteElement(context->layers);
  return 0;
}
