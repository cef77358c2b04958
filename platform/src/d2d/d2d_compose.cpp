// The general painting cases: bitmap brushes under any transform, rotated shapes, opacity
// masks, through pixman, except rotated bilinear brush fills, which our own sampler draws to
// the same bits (d2d_affine.h). Large bitmap-brush fills are shared among the worker
// threads. The hot draws (solid boxes, unscaled and nearest-scaled bitmaps) never come here.
#include "d2d_internal.h"
#include "kernels/d2d_row_kernels.h"
#include "d2d_workers.h"

#include <algorithm>
#include <cmath>

namespace {

pixman_repeat_t RepeatOf(D2D1_EXTEND_MODE mode) {
  switch (mode) {
  case D2D1_EXTEND_MODE_WRAP: return PIXMAN_REPEAT_NORMAL;
  case D2D1_EXTEND_MODE_MIRROR: return PIXMAN_REPEAT_REFLECT;
  default: return PIXMAN_REPEAT_PAD;
  }
}

bool SetSourceTransform(pixman_image_t *image, const D2D1_MATRIX_3X2_F &sourceToDevice) {
  pixman_transform t;
  return D2dPixmanSourceTransform(sourceToDevice, &t) && pixman_image_set_transform(image, &t) != 0;
}

pixman_image_t *OpacityMask(uint32_t opacity8) {
  if (opacity8 >= 255) return nullptr;
  pixman_color_t color{0, 0, 0, static_cast<uint16_t>(opacity8 * 257)};
  return pixman_image_create_solid_fill(&color);
}

void FillBoxes(D2dSurface *dst, const D2dBox &area, const pixman_region32_t *clip, uint32_t color) {
  auto fill = [&](const D2dBox &b) {
    for (int y = b.y0; y < b.y1; ++y) D2dFillRowOver(D2dRow(*dst, y) + b.x0, b.x1 - b.x0, color);
  };
  if (clip == nullptr) {
    fill(area);
    return;
  }
  int count = 0;
  const pixman_box32_t *boxes = pixman_region32_rectangles(const_cast<pixman_region32_t *>(clip), &count);
  for (int i = 0; i < count; ++i) {
    D2dBox b = D2dIntersect(area, D2dBox{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
    if (!D2dEmpty(b)) fill(b);
  }
}

// A bitmap brush through pixman, in bands of rows that the worker threads paint at once.
// Each band makes its own pixman images over the same memory (an image's lazily computed
// state must not be shared between threads); pixman transforms each row's first pixel
// afresh, so a band's rows come out exactly as they do in one composite.
struct BrushFill {
  D2dSurface *dst;
  D2dBox area;
  const pixman_region32_t *clip;
  const D2dSurface *bitmap;
  pixman_transform transform;
  pixman_filter_t filter;
  pixman_repeat_t repeat;
  uint32_t opacity8;
};

void PaintBrushRows(const BrushFill &job, int y0, int y1) {
  pixman_image_t *source = pixman_image_create_bits(PIXMAN_a8r8g8b8, job.bitmap->width, job.bitmap->height,
                                                    job.bitmap->pixels, job.bitmap->stride * 4);
  pixman_image_t *target =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, job.dst->width, job.dst->height, job.dst->pixels, job.dst->stride * 4);
  pixman_image_t *mask = OpacityMask(job.opacity8);
  if (source != nullptr && target != nullptr && (mask != nullptr || job.opacity8 >= 255) &&
      pixman_image_set_transform(source, &job.transform)) {
    pixman_image_set_filter(source, job.filter, nullptr, 0);
    pixman_image_set_repeat(source, job.repeat);
    if (job.clip == nullptr || pixman_image_set_clip_region32(target, const_cast<pixman_region32_t *>(job.clip)))
      pixman_image_composite32(PIXMAN_OP_OVER, source, mask, target, job.area.x0, y0, 0, 0, job.area.x0, y0,
                               job.area.x1 - job.area.x0, y1 - y0);
  }
  if (mask != nullptr) pixman_image_unref(mask);
  if (target != nullptr) pixman_image_unref(target);
  if (source != nullptr) pixman_image_unref(source);
}

} // namespace

// A bitmap's pixels in device space: its pixels become DIPs, then the brush transform,
// then the target's.
D2D1_MATRIX_3X2_F D2dBrushPixelToDevice(const D2dBrushState &brush, const D2D1_MATRIX_3X2_F &device) {
  float dpiX = 96.0f, dpiY = 96.0f;
  D2dBitmapInterface(brush.bitmap)->GetDpi(&dpiX, &dpiY);
  D2D1_MATRIX_3X2_F pixelToDip{96.0f / dpiX, 0, 0, 96.0f / dpiY, 0, 0};
  return D2dMultiply(D2dMultiply(pixelToDip, brush.transform), device);
}

void D2dQuadRegion(const D2D1_RECT_F &rect, const D2D1_MATRIX_3X2_F &m, const D2dBox &within,
                   pixman_region32_t *region) {
  pixman_region32_init(region);
  if (D2dEmpty(within)) return;
  D2D1_POINT_2F p[4] = {D2dTransformPoint(m, rect.left, rect.top), D2dTransformPoint(m, rect.right, rect.top),
                        D2dTransformPoint(m, rect.right, rect.bottom), D2dTransformPoint(m, rect.left, rect.bottom)};
  std::vector<pixman_box32_t> rows;
  rows.reserve(static_cast<size_t>(within.y1 - within.y0));
  for (int y = within.y0; y < within.y1; ++y) {
    // The row's centre line cuts the convex quad in one span.
    double cy = y + 0.5, lo = INFINITY, hi = -INFINITY;
    for (int i = 0; i < 4; ++i) {
      const D2D1_POINT_2F &a = p[i], &b = p[(i + 1) % 4];
      if ((a.y <= cy && b.y > cy) || (b.y <= cy && a.y > cy)) {
        double x = a.x + (cy - a.y) * (static_cast<double>(b.x) - a.x) / (static_cast<double>(b.y) - a.y);
        lo = std::min(lo, x);
        hi = std::max(hi, x);
      }
    }
    if (!(hi > lo)) continue;
    D2dBox span = D2dIntersect(D2dCoveredBox(lo, y, hi, y + 1), within);
    if (!D2dEmpty(span)) rows.push_back(pixman_box32_t{span.x0, y, span.x1, y + 1});
  }
  if (!rows.empty()) {
    pixman_region32_fini(region);
    pixman_region32_init_rects(region, rows.data(), static_cast<int>(rows.size()));
  }
}

void D2dPaintBrush(D2dSurface *dst, const D2dBox &area, const pixman_region32_t *clip, const D2dBrushState &brush,
                   const D2D1_MATRIX_3X2_F &device, float opacity, uint32_t coverage8) {
  if (D2dEmpty(area) || dst->pixels == nullptr) return;
  if (brush.kind == D2dBrushKind::Solid) {
    uint32_t color = D2dPremultiply(brush.color, brush.opacity * opacity);
    if (coverage8 < 255) color = D2dMulUn8x4(color, coverage8);
    if ((color >> 24) != 0) FillBoxes(dst, area, clip, color);
    return;
  }
  if (brush.bitmap == nullptr) return;
  D2dSurface *bitmap = D2dBitmapSurface(brush.bitmap);
  uint32_t opacity8 = D2dMul8(D2dOpacity8(brush.opacity * opacity), coverage8);
  if (bitmap->pixels == nullptr || opacity8 == 0) return;
  D2D1_MATRIX_3X2_F pixelToDevice = D2dBrushPixelToDevice(brush, device);
  if (brush.extendX != brush.extendY) {
    D2dSampleBitmapBrush(dst, area, clip, brush, pixelToDevice, opacity8, false);
    return;
  }
  pixman_filter_t filter = brush.interpolation == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR
                               ? PIXMAN_FILTER_NEAREST
                               : PIXMAN_FILTER_BILINEAR;
  BrushFill job{dst, area, clip, bitmap, {}, filter, RepeatOf(brush.extendX), opacity8};
  if (!D2dPixmanSourceTransform(pixelToDevice, &job.transform)) return;
  // Rotated bilinear fills (the logo brushes of a frame) have a sampler of their own.
  if (filter == PIXMAN_FILTER_BILINEAR &&
      D2dAffineBrushFill(dst, area, clip, *bitmap, job.transform, brush.extendX, opacity8))
    return;
  int64_t pixels = static_cast<int64_t>(area.x1 - area.x0) * (area.y1 - area.y0);
  D2dForRowBands(area.y0, area.y1, pixels, [&job](int y0, int y1) { PaintBrushRows(job, y0, y1); });
}

void D2dRenderBrushMask(D2dSurface *dst, const D2dBox &area, const D2dBrushState &brush,
                        const D2D1_MATRIX_3X2_F &device, float opacity) {
  if (D2dEmpty(area)) return;
  for (int y = area.y0; y < area.y1; ++y) std::fill(D2dRow(*dst, y) + area.x0, D2dRow(*dst, y) + area.x1, 0u);
  D2dPaintBrush(dst, area, nullptr, brush, device, opacity, 255);
}

void D2dFillOpacityMask(D2dTarget *target, ID2D1Bitmap *maskBitmap, ID2D1Brush *brushInterface,
                        D2D1_OPACITY_MASK_CONTENT content, const D2D1_RECT_F *destRect, const D2D1_RECT_F *sourceRect) {
  if (!D2dMayDraw(target)) return;
  D2dBitmap *maskOwner = D2dBitmapFrom(maskBitmap);
  const D2dBrushState *brush = D2dBrushStateOf(brushInterface);
  if (maskOwner == nullptr || brush == nullptr ||
      static_cast<uint32_t>(content) > D2D1_OPACITY_MASK_CONTENT_TEXT_GDI_COMPATIBLE) {
    D2dFail(target, E_INVALIDARG);
    return;
  }
  // Opacity masks are only filled on an aliased target.
  if (target->antialias != D2D1_ANTIALIAS_MODE_ALIASED) {
    D2dFail(target, D2DERR_WRONG_STATE);
    return;
  }
  D2dSurface *mask = D2dBitmapSurface(maskOwner);
  if (mask->pixels == nullptr) return;
  D2D1_SIZE_F size = maskBitmap->GetSize();
  D2D1_RECT_F dest = D2dOrdered(destRect != nullptr ? *destRect : D2D1_RECT_F{0, 0, size.width, size.height});
  D2D1_RECT_F src = D2dOrdered(sourceRect != nullptr ? *sourceRect : D2D1_RECT_F{0, 0, size.width, size.height});
  if (!(dest.right > dest.left) || !(dest.bottom > dest.top) || !(src.right > src.left) || !(src.bottom > src.top))
    return;
  D2dBox box = D2dIntersect(D2dTransformedBox(dest, target->device), D2dClipBox(target));
  if (D2dEmpty(box)) return;

  // The brush goes into the scratch buffer first, then through the mask onto the target.
  if (!D2dScratchSurface(&target->maskScratch, &target->maskSurface, target->surface)) {
    D2dFail(target, E_OUTOFMEMORY);
    return;
  }
  D2dSurface *painted = &target->maskSurface;
  D2dRenderBrushMask(painted, box, *brush, target->device, 1.0f);

  float dpiX = 96.0f, dpiY = 96.0f;
  maskBitmap->GetDpi(&dpiX, &dpiY);
  float sx = (dest.right - dest.left) / (src.right - src.left), sy = (dest.bottom - dest.top) / (src.bottom - src.top);
  // mask pixel -> mask DIP -> destination rectangle -> device
  D2D1_MATRIX_3X2_F pixelToDest{96.0f / dpiX * sx,      0, 0, 96.0f / dpiY * sy, dest.left - src.left * sx,
                                dest.top - src.top * sy};
  pixman_image_t *maskImage = D2dSurfaceImage(mask);
  if (!SetSourceTransform(maskImage, D2dMultiply(pixelToDest, target->device))) return;
  pixman_image_set_filter(maskImage, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_set_repeat(maskImage, PIXMAN_REPEAT_PAD);
  pixman_region32_t region;
  bool rotated = !D2dIsAxisAligned(target->device);
  if (rotated) D2dQuadRegion(dest, target->device, box, &region);
  pixman_image_t *out = D2dSurfaceImage(D2dDrawSurface(target));
  if (rotated) pixman_image_set_clip_region32(out, &region);
  pixman_image_composite32(PIXMAN_OP_OVER, D2dSurfaceImage(painted), maskImage, out, box.x0, box.y0, box.x0, box.y0,
                           box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
  if (rotated) {
    pixman_image_set_clip_region32(out, nullptr);
    pixman_region32_fini(&region);
  }
}
