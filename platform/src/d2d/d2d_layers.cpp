// Layers: PushLayer redirects drawing into a buffer of its own, clipped to the content
// bounds; PopLayer composes that buffer onto whatever lies below, multiplied by the layer's
// opacity and, with an opacity brush, by the brush's alpha at each pixel. Large layers are
// composed in bands across the worker threads.
#include "d2d_render_target.h"
#include "kernels/d2d_row_kernels.h"
#include "d2d_workers.h"

#include <algorithm>
#include <new>

// ---------------------------------------------------------------------------------------
// ID2D1Layer: nothing but its size; the pixels live in the target's level buffers.
// ---------------------------------------------------------------------------------------

struct D2dLayer final : public D2dResource<ID2D1Layer, IID_ID2D1Layer> {
  D2D1_SIZE_F size{0, 0};

  D2D1_SIZE_F STDMETHODCALLTYPE GetSize() const override { return size; }
};

ID2D1Layer *D2dLayerCreate(ID2D1Factory *factory, const D2D1_SIZE_F *size) {
  D2dLayer *layer = new (std::nothrow) D2dLayer;
  if (layer == nullptr) return nullptr;
  layer->HoldFactory(factory);
  if (size != nullptr) layer->size = *size;
  return layer;
}

// ---------------------------------------------------------------------------------------
// Push and pop
// ---------------------------------------------------------------------------------------

namespace {

// A layer's content composed onto the surface below, in bands of rows that the worker
// threads compose at once: with the layer opacity alone through the row kernel, or through
// a mask with pixman (each band with pixman images of its own over the same memory).
void ComposeBox(const D2dSurface &content, const D2dSurface *mask, const D2dSurface &below, const D2dBox &box,
                uint32_t opacity8) {
  int width = box.x1 - box.x0;
  D2dForRowBands(box.y0, box.y1, static_cast<int64_t>(width) * (box.y1 - box.y0), [&](int y0, int y1) {
    if (mask == nullptr) {
      for (int y = y0; y < y1; ++y)
        D2dBlendRowOver(D2dRow(below, y) + box.x0, D2dRow(content, y) + box.x0, width, opacity8);
      return;
    }
    auto image = [](const D2dSurface &s) {
      return pixman_image_create_bits(PIXMAN_a8r8g8b8, s.width, s.height, s.pixels, s.stride * 4);
    };
    pixman_image_t *source = image(content), *weights = image(*mask), *out = image(below);
    if (source != nullptr && weights != nullptr && out != nullptr)
      pixman_image_composite32(PIXMAN_OP_OVER, source, weights, out, box.x0, y0, box.x0, y0, box.x0, y0, width,
                               y1 - y0);
    for (pixman_image_t *made : {source, weights, out})
      if (made != nullptr) pixman_image_unref(made);
  });
}

void Compose(D2dTarget *target, D2dLayerLevel *level) {
  D2dBox box = level->box;
  if (D2dEmpty(box)) return;
  D2dSurface *below = D2dDrawSurface(target); // the level under this one is current again
  const D2dBrushState *brush = D2dBrushStateOf(level->opacityBrush);
  if (brush == nullptr) {
    uint32_t opacity8 = D2dOpacity8(level->opacity);
    if (opacity8 != 0) ComposeBox(level->surface, nullptr, *below, box, opacity8);
    return;
  }
  // The brush's alpha, times the layer opacity, becomes the mask through which the layer
  // goes onto the surface below.
  if (!D2dScratchSurface(&target->maskScratch, &target->maskSurface, target->surface)) {
    D2dFail(target, E_OUTOFMEMORY);
    return;
  }
  D2dRenderBrushMask(&target->maskSurface, box, *brush, level->brushDevice, level->opacity);
  ComposeBox(level->surface, &target->maskSurface, *below, box, 255);
}

void ReleaseBrush(D2dLayerLevel *level) {
  if (level->opacityBrush != nullptr) level->opacityBrush->Release();
  level->opacityBrush = nullptr;
}

// Composes the innermost layer onto what lies below it and forgets it.
void PopInnermost(D2dTarget *target) {
  D2dLayerLevel *level = &target->levels[--target->depth];
  Compose(target, level);
  ReleaseBrush(level);
}

} // namespace

void D2dPushLayer(D2dTarget *target, const D2D1_LAYER_PARAMETERS *parameters) {
  if (!D2dMayDraw(target)) return;
  if (parameters == nullptr ||
      (parameters->opacityBrush != nullptr && D2dBrushStateOf(parameters->opacityBrush) == nullptr) ||
      (parameters->maskAntialiasMode != D2D1_ANTIALIAS_MODE_PER_PRIMITIVE &&
       parameters->maskAntialiasMode != D2D1_ANTIALIAS_MODE_ALIASED) ||
      (parameters->layerOptions != D2D1_LAYER_OPTIONS_NONE &&
       parameters->layerOptions != D2D1_LAYER_OPTIONS_INITIALIZE_FOR_CLEARTYPE)) {
    D2dFail(target, E_INVALIDARG);
    return;
  }
  if (target->depth == target->levels.size()) {
    try {
      target->levels.emplace_back();
    } catch (const std::bad_alloc &) {
      D2dFail(target, E_OUTOFMEMORY);
      return;
    }
    target->levels.back().surface = D2dSurface{nullptr, 0, 0, 0, nullptr};
  }
  D2dLayerLevel *level = &target->levels[target->depth];
  D2dBox clip = D2dClipBox(target);
  // Content bounds carry no antialias mode of their own (only a geometric mask does): they
  // clip by the pixel-centre rule whatever the target's mode.
  level->box = D2dIntersect(D2dTransformedBox(parameters->contentBounds, target->device), clip);
  if (D2dEmpty(level->box)) level->box = D2dBox{0, 0, 0, 0};
  if (!D2dEmpty(level->box) && !D2dScratchSurface(&level->buffer, &level->surface, target->surface)) {
    // Nothing of the layer can be kept: it stays empty, and EndDraw says why.
    D2dFail(target, E_OUTOFMEMORY);
    level->box = D2dBox{0, 0, 0, 0};
  }
  level->opacity = parameters->opacity;
  level->opacityBrush = parameters->opacityBrush;
  if (level->opacityBrush != nullptr) level->opacityBrush->AddRef();
  level->brushDevice = target->device;
  // The layer starts transparent; only its box is ever read back.
  for (int y = level->box.y0; y < level->box.y1; ++y)
    std::fill(D2dRow(level->surface, y) + level->box.x0, D2dRow(level->surface, y) + level->box.x1, 0u);
  ++target->depth;
}

void D2dPopLayer(D2dTarget *target) {
  if (!D2dMayDraw(target)) return;
  if (target->depth == 0) {
    D2dFail(target, D2DERR_PUSH_POP_UNBALANCED);
    return;
  }
  PopInnermost(target);
}

bool D2dPopAllLayers(D2dTarget *target) {
  bool any = target->depth > 0;
  while (target->depth > 0) PopInnermost(target);
  return any;
}

void D2dDropLayers(D2dTarget *target) {
  while (target->depth > 0) ReleaseBrush(&target->levels[--target->depth]);
}
