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

// Makes the level's buffer cover the whole target; the memory is kept for later frames.
bool PrepareLevel(D2dLayerLevel *level, const D2dSurface &target) {
  size_t needed = static_cast<size_t>(target.width) * target.height;
  try {
    if (level->buffer.size() < needed) level->buffer.resize(needed);
  } catch (const std::bad_alloc &) {
    return false;
  }
  D2dSurface &s = level->surface;
  if (s.pixels != level->buffer.data() || s.width != target.width || s.height != target.height) {
    D2dSurfaceSet(&s, level->buffer.data(), target.width, target.height, target.width);
  }
  return true;
}

// A layer's content composed onto the surface below, in bands of rows that the worker
// threads compose at once: with the layer opacity alone through the row kernel, or through
// a mask with pixman (each band with pixman images of its own over the same memory).
struct ComposeBands {
  const D2dSurface *content, *mask, *below;
  D2dBox box;
  uint32_t opacity8;
  int bands;
};

void ComposeBand(void *context, int index) {
  const ComposeBands &job = *static_cast<const ComposeBands *>(context);
  int height = job.box.y1 - job.box.y0;
  int y0 = job.box.y0 + static_cast<int>(static_cast<int64_t>(height) * index / job.bands);
  int y1 = job.box.y0 + static_cast<int>(static_cast<int64_t>(height) * (index + 1) / job.bands);
  if (y0 >= y1) return;
  int width = job.box.x1 - job.box.x0;
  if (job.mask == nullptr) {
    for (int y = y0; y < y1; ++y)
      D2dBlendRowOver(D2dRow(*job.below, y) + job.box.x0, D2dRow(*job.content, y) + job.box.x0, width, job.opacity8);
    return;
  }
  auto image = [](const D2dSurface *s) {
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, s->width, s->height, s->pixels, s->stride * 4);
  };
  pixman_image_t *content = image(job.content), *mask = image(job.mask), *below = image(job.below);
  if (content != nullptr && mask != nullptr && below != nullptr)
    pixman_image_composite32(PIXMAN_OP_OVER, content, mask, below, job.box.x0, y0, job.box.x0, y0, job.box.x0, y0,
                             width, y1 - y0);
  for (pixman_image_t *made : {content, mask, below})
    if (made != nullptr) pixman_image_unref(made);
}

void RunCompose(ComposeBands *job) {
  int64_t pixels = static_cast<int64_t>(job->box.x1 - job->box.x0) * (job->box.y1 - job->box.y0);
  int threads = pixels >= D2dBandThreshold() ? D2dThreadCount() : 1;
  job->bands = threads > 1 ? threads * 3 : 1;
  D2dParallelFor(job->bands, ComposeBand, job);
}

void Compose(D2dTarget *target, D2dLayerLevel *level) {
  D2dBox box = level->box;
  if (D2dEmpty(box)) return;
  D2dSurface *below = D2dDrawSurface(target); // the level under this one is current again
  const D2dBrushState *brush = D2dBrushStateOf(level->opacityBrush);
  if (brush == nullptr) {
    uint32_t opacity8 = D2dOpacity8(level->opacity);
    if (opacity8 == 0) return;
    ComposeBands job{&level->surface, nullptr, below, box, opacity8, 1};
    RunCompose(&job);
    return;
  }
  // The brush's alpha, times the layer opacity, becomes the mask through which the layer
  // goes onto the surface below. The mask buffer is kept between frames too.
  const D2dSurface &whole = target->surface;
  size_t needed = static_cast<size_t>(whole.width) * whole.height;
  try {
    if (target->maskScratch.size() < needed) target->maskScratch.resize(needed);
  } catch (const std::bad_alloc &) {
    return;
  }
  D2dSurface *mask = &target->maskSurface;
  if (mask->pixels != target->maskScratch.data() || mask->width != whole.width || mask->height != whole.height)
    D2dSurfaceSet(mask, target->maskScratch.data(), whole.width, whole.height, whole.width);
  D2dRenderBrushMask(mask, box, *brush, level->brushDevice, level->opacity);
  ComposeBands job{&level->surface, mask, below, box, 255, 1};
  RunCompose(&job);
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
  if (!D2dEmpty(level->box) && !PrepareLevel(level, target->surface)) level->box = D2dBox{0, 0, 0, 0};
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
