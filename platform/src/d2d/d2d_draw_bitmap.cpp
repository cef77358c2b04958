// DrawBitmap: a source rectangle of a bitmap, clipped to the bitmap, scaled into a
// destination rectangle, times an opacity, source-over; in the default antialias mode the
// pixels on the destination's edges are covered by their share of area inside it.
// Axis-aligned nearest-neighbour draws (the balls of a frame: unscaled or stretched, under an
// identity or translation transform) go through the row kernels; rotations and bilinear
// scaling go through pixman. The row-kernel draws are recorded and drawn later, in bands
// across the cores (d2d_batch.cpp).
#include "d2d_internal.h"
#include "d2d_batch.h"
#include "kernels/d2d_row_kernels.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

struct SourceRect {
  double left, top, right, bottom; // bitmap pixels
};

struct DipRect {
  double left, top, right, bottom; // device-independent pixels, before the target's transform
};

struct DeviceRect {
  double left, top, right, bottom; // target pixels
};

// The destination pixels of a draw along one axis: [wholeFrom, wholeTo) before clipping,
// [from, to) of them inside the clip.
struct AxisSpan {
  int wholeFrom, wholeTo, from, to;
};

// The axis's source index of destination pixel i, kept inside the source rectangle against
// rounding.
inline int64_t NearestIndex(int i, const D2dNearestAxis &axis) {
  double v = axis.origin + (i + 0.5 - axis.start) * axis.scale;
  // floor without a library call (this runs for every column and row of a scaled draw); far
  // beyond the source, and NaN, only need to land at an end.
  if (!(v > -4.0e18)) return axis.lo;
  if (!(v < 4.0e18)) return axis.hi;
  int64_t index = static_cast<int64_t>(v);
  if (static_cast<double>(index) > v) --index;
  return std::clamp(index, axis.lo, axis.hi);
}

// Fills table[i] with the source index of destination pixel `from + i`, for i < n; true when
// the indices are consecutive, so that no table is needed. The index only grows with i, so
// consecutive first and last indices mean every step is one.
bool NearestTable(std::vector<int32_t> *table, int from, int n, const D2dNearestAxis &axis) {
  int64_t first = NearestIndex(from, axis);
  if (axis.scale == 1.0 && NearestIndex(from + n - 1, axis) - first == n - 1) return true;
  if (table->size() < static_cast<size_t>(n)) table->resize(static_cast<size_t>(n));
  int32_t *out = table->data();
  // The index only grows with i: when its unclamped value stays well inside 32 bits at both
  // ends, the vector kernel computes the same values, eight or more at a time.
  constexpr double SafeIndexRange = 1073741824.0; // 2^30
  double firstRaw = axis.origin + (from + 0.5 - axis.start) * axis.scale;
  double lastRaw = axis.origin + (from + n - 1 + 0.5 - axis.start) * axis.scale;
  if (firstRaw > -SafeIndexRange && lastRaw < SafeIndexRange && axis.lo > -SafeIndexRange && axis.hi < SafeIndexRange) {
    D2dKernels().nearestIndices(out, from, n, axis);
    return false;
  }
  for (int i = 0; i < n; ++i) out[i] = static_cast<int32_t>(NearestIndex(from + i, axis));
  return false;
}

// The weights of a draw's pixels, its opacity times each pixel's coverage, when some pixel
// on its edges is covered in part; false when every pixel is covered whole.
bool EdgeWeights(const D2dCoverage &cover, uint32_t opacity8, D2dBlitEdges *edges) {
  if (cover.firstColumn == 1.0 && cover.lastColumn == 1.0 && cover.firstRow == 1.0 && cover.lastRow == 1.0)
    return false;
  const double columns[3] = {cover.firstColumn, 1.0, cover.lastColumn};
  const double rows[3] = {cover.firstRow, 1.0, cover.lastRow};
  edges->whole = cover.box;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      edges->weight[i][j] = static_cast<uint8_t>(D2dMul8(opacity8, D2dCoverage8(columns[j], rows[i])));
  return true;
}

// The source indices of the destination pixels span.from..span.to along one axis; null when
// they are consecutive. A draw whose edge `axis.start` is a whole number (then wholeFrom ==
// start) takes its indices from a table shared with the draws of the same scale before it,
// made once, and says so in *shared; any other draw makes its own in `scratch` (then
// shared->values stays null). May throw std::bad_alloc.
const int32_t *AxisIndices(D2dIndexMemo *memo, std::vector<int32_t> *scratch, const D2dNearestAxis &axis,
                           const AxisSpan &span, D2dSharedTable *shared) {
  // Longer tables are rare enough to be made each time.
  constexpr int MaxSharedCount = 1 << 16;
  *shared = D2dSharedTable{nullptr, 0, 0};
  int count = span.wholeTo - span.wholeFrom;
  if (axis.scale == 1.0 || axis.start != std::floor(axis.start) || count > MaxSharedCount)
    return NearestTable(scratch, span.from, span.to - span.from, axis) ? nullptr : scratch->data();
  // Index k of such a draw is floor(origin + (k + 0.5) * scale) whatever its position: every
  // step of the arithmetic on whole numbers and halves is exact.
  if (memo->tag == 0 || memo->scale != axis.scale || memo->origin != axis.origin || memo->lo != axis.lo ||
      memo->hi != axis.hi || memo->count != count) {
    memo->tag = 0;
    NearestTable(&memo->values, span.wholeFrom, count, axis);
    *memo = D2dIndexMemo{axis.scale, axis.origin, axis.lo, axis.hi, count, D2dNewTableTag(), std::move(memo->values)};
  }
  *shared = D2dSharedTable{memo->values.data(), count, memo->tag};
  return memo->values.data() + (span.from - span.wholeFrom);
}

// Draws a resolved blit now or records it, with the shared tables its tables are parts of.
void PlaceBlit(D2dTarget *target, const D2dSurface &source, const D2dBlit &blit,
               const D2dSharedTable *columnTable = nullptr, const D2dSharedTable *rowTable = nullptr) {
  D2dSurface *dst = D2dDrawSurface(target);
  if (source.pixels == dst->pixels) {
    // A target drawing its own bitmap reads what it writes: that draw cannot wait or be
    // split into bands.
    D2dFlushDeferred();
    D2dRunBlit(dst->pixels, dst->stride, blit, blit.box.y0, blit.box.y1);
    return;
  }
  D2dDeferBlit(*dst, blit, columnTable, rowTable);
}

// Resolves the source pixels of a draw of the source rectangle into the device rectangle d,
// which covers the pixels `whole` (`box` of them inside the clip, not empty), and draws or
// records it.
void PlaceNearest(D2dTarget *target, const D2dSurface &source, const SourceRect &s, const DeviceRect &d,
                  const D2dBox &whole, const D2dBox &box, uint32_t opacity8, const D2dBlitEdges *edges) {
  // Edge pixels whose centres lie outside the rectangle take the nearest pixel of the
  // source rectangle.
  const D2dNearestAxis across{d.left, s.left, (s.right - s.left) / (d.right - d.left),
                              static_cast<int64_t>(std::floor(s.left)), static_cast<int64_t>(std::ceil(s.right)) - 1};
  const D2dNearestAxis down{d.top, s.top, (s.bottom - s.top) / (d.bottom - d.top),
                            static_cast<int64_t>(std::floor(s.top)), static_cast<int64_t>(std::ceil(s.bottom)) - 1};
  D2dBlit blit{.box = box,
               .source = source.pixels,
               .sourceStride = source.stride,
               .opacity8 = opacity8,
               .firstColumn = static_cast<int32_t>(NearestIndex(box.x0, across)),
               .firstRow = static_cast<int32_t>(NearestIndex(box.y0, down)),
               .columns = nullptr,
               .rows = nullptr,
               .edges = edges};
  // Unscaled draws read consecutive source pixels and need no tables.
  D2dSharedTable columnTable, rowTable;
  try {
    blit.columns = AxisIndices(&target->columnMemo, &target->columns, across,
                               AxisSpan{whole.x0, whole.x1, box.x0, box.x1}, &columnTable);
    blit.rows =
        AxisIndices(&target->rowMemo, &target->rows, down, AxisSpan{whole.y0, whole.y1, box.y0, box.y1}, &rowTable);
  } catch (const std::bad_alloc &) {
    D2dFail(target, E_OUTOFMEMORY);
    return;
  }
  PlaceBlit(target, source, blit, columnTable.values != nullptr ? &columnTable : nullptr,
            rowTable.values != nullptr ? &rowTable : nullptr);
}

// A source rectangle already inside its bitmap, drawn into the device rectangle d.
void DrawNearest(D2dTarget *target, const D2dSurface &source, const SourceRect &s, const DeviceRect &d,
                 uint32_t opacity8) {
  D2dCoverage cover =
      D2dCover(d.left, d.top, d.right, d.bottom, target->antialias == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  D2dBox box = D2dIntersect(cover.box, D2dClipBox(target));
  if (D2dEmpty(box)) return;
  D2dBlitEdges edges;
  bool edged = EdgeWeights(cover, opacity8, &edges);
  PlaceNearest(target, source, s, d, cover.box, box, opacity8, edged ? &edges : nullptr);
}

// A whole number within +-2^24, where every float is exact and sums of a few stay in an int.
bool WholeNumber(float v, int *out) {
  constexpr float Limit = 16777216.0f;
  if (!(v >= -Limit && v <= Limit)) return false;
  *out = static_cast<int>(v);
  return static_cast<float>(*out) == v;
}

// A draw of whole pixels: a bitmap at 96 DPI, its source rectangle (if any) and its
// destination edges whole numbers in order, under a transform that only moves by whole
// pixels (the balls of a frame, plain and enlarged). Every pixel is then covered whole, in
// either antialias mode. Unscaled, in either interpolation, the source pixels are
// consecutive: the draw is a box and its first source pixel, worked out in integers. Scaled
// by nearest neighbour, the rest is what DrawNearest does, without its coverage. False,
// doing nothing, for any other draw.
bool DrawWholePixels(D2dTarget *target, D2dBitmap *bitmap, const D2dSurface &source, const D2D1_RECT_F *destRect,
                     const D2D1_RECT_F *sourceRect, uint32_t opacity8, D2D1_BITMAP_INTERPOLATION_MODE interpolation) {
  const D2D1_MATRIX_3X2_F &m = target->device;
  float dpiX, dpiY;
  D2dBitmapDpi(bitmap, &dpiX, &dpiY);
  int tx, ty;
  if (m._11 != 1.0f || m._22 != 1.0f || m._12 != 0.0f || m._21 != 0.0f || dpiX != 96.0f || dpiY != 96.0f ||
      !WholeNumber(m._31, &tx) || !WholeNumber(m._32, &ty))
    return false;
  D2dBox src{0, 0, source.width, source.height};
  if (sourceRect != nullptr &&
      (!WholeNumber(sourceRect->left, &src.x0) || !WholeNumber(sourceRect->top, &src.y0) ||
       !WholeNumber(sourceRect->right, &src.x1) || !WholeNumber(sourceRect->bottom, &src.y1) || src.x0 < 0 ||
       src.y0 < 0 || src.x1 > source.width || src.y1 > source.height || D2dEmpty(src)))
    return false;
  D2dBox dest{0, 0, source.width, source.height};
  if (destRect != nullptr &&
      (!WholeNumber(destRect->left, &dest.x0) || !WholeNumber(destRect->top, &dest.y0) ||
       !WholeNumber(destRect->right, &dest.x1) || !WholeNumber(destRect->bottom, &dest.y1) || D2dEmpty(dest)))
    return false;
  bool unscaled = dest.x1 - dest.x0 == src.x1 - src.x0 && dest.y1 - dest.y0 == src.y1 - src.y0;
  if (!unscaled && interpolation != D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR) return false;
  D2dBox moved{dest.x0 + tx, dest.y0 + ty, dest.x1 + tx, dest.y1 + ty};
  D2dBox box = D2dIntersect(moved, D2dClipBox(target));
  if (D2dEmpty(box)) return true;
  if (!unscaled) {
    SourceRect s{double(src.x0), double(src.y0), double(src.x1), double(src.y1)};
    DeviceRect d{double(moved.x0), double(moved.y0), double(moved.x1), double(moved.y1)};
    PlaceNearest(target, source, s, d, moved, box, opacity8, nullptr);
    return true;
  }
  D2dBlit blit{.box = box,
               .source = source.pixels,
               .sourceStride = source.stride,
               .opacity8 = opacity8,
               .firstColumn = src.x0 + (box.x0 - moved.x0),
               .firstRow = src.y0 + (box.y0 - moved.y0),
               .columns = nullptr,
               .rows = nullptr,
               .edges = nullptr};
  PlaceBlit(target, source, blit);
  return true;
}

// Any other draw, through pixman: the destination rectangle in DIPs, under the target's
// transform.
void DrawGeneral(D2dTarget *target, D2dSurface *source, const SourceRect &s, const DipRect &dest, uint32_t opacity8,
                 bool nearest) {
  const D2D1_MATRIX_3X2_F &device = target->device;
  double scaleX = (dest.right - dest.left) / (s.right - s.left), scaleY = (dest.bottom - dest.top) / (s.bottom - s.top);
  // Matrices are laid out row by row.
  // clang-format off
  D2D1_MATRIX_3X2_F pixelToDest{static_cast<float>(scaleX), 0, 0, static_cast<float>(scaleY),
                                static_cast<float>(dest.left - s.left * scaleX),
                                static_cast<float>(dest.top - s.top * scaleY)};
  // clang-format on
  pixman_transform transform;
  pixman_image_t *image = D2dSurfaceImage(source);
  if (image == nullptr || !D2dPixmanSourceTransform(D2dMultiply(pixelToDest, device), &transform)) return;
  pixman_image_set_transform(image, &transform);
  pixman_image_set_filter(image, nearest ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(image, PIXMAN_REPEAT_PAD);
  pixman_image_t *out = D2dSurfaceImage(D2dDrawSurface(target));
  auto composite = [&](const D2dBox &box, uint32_t weight8) {
    pixman_image_t *mask = nullptr;
    if (weight8 < 255) {
      pixman_color_t color{0, 0, 0, static_cast<uint16_t>(weight8 * 257)};
      mask = pixman_image_create_solid_fill(&color);
    }
    pixman_image_composite32(PIXMAN_OP_OVER, image, mask, out, box.x0, box.y0, 0, 0, box.x0, box.y0, box.x1 - box.x0,
                             box.y1 - box.y0);
    if (mask != nullptr) pixman_image_unref(mask);
  };

  D2dBox clip = D2dClipBox(target);
  if (device._12 == 0.0f && device._21 == 0.0f) {
    double x0 = dest.left * device._11 + device._31, x1 = dest.right * device._11 + device._31;
    double y0 = dest.top * device._22 + device._32, y1 = dest.bottom * device._22 + device._32;
    D2dCoverage cover = D2dCover(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1),
                                 target->antialias == D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
    D2dForEachCoveredPart(
        cover, clip, [&](const D2dBox &part, uint32_t coverage8) { composite(part, D2dMul8(opacity8, coverage8)); });
    return;
  }
  // Rotated and skewed draws keep the pixel-centre rule in both modes.
  D2D1_RECT_F rect{static_cast<float>(dest.left), static_cast<float>(dest.top), static_cast<float>(dest.right),
                   static_cast<float>(dest.bottom)};
  D2dBox box = D2dIntersect(D2dTransformedBox(rect, device), clip);
  if (D2dEmpty(box)) return;
  pixman_region32_t region;
  D2dQuadRegion(rect, device, box, &region);
  pixman_image_set_clip_region32(out, &region);
  composite(box, opacity8);
  pixman_image_set_clip_region32(out, nullptr);
  pixman_region32_fini(&region);
}

// Clips the source rectangle (bitmap pixels) to the bitmap, so that nothing outside it is
// ever sampled. What is left is stretched over the whole destination, as Direct2D draws it:
// the destination keeps its edges. False when nothing of the source is left.
bool ClipSource(SourceRect *s, int width, int height) {
  s->left = std::max(s->left, 0.0);
  s->top = std::max(s->top, 0.0);
  s->right = std::min(s->right, static_cast<double>(width));
  s->bottom = std::min(s->bottom, static_cast<double>(height));
  return s->right > s->left && s->bottom > s->top;
}

} // namespace

void D2dDrawBitmap(D2dTarget *target, ID2D1Bitmap *bitmapInterface, const D2D1_RECT_F *destRect, float opacity,
                   D2D1_BITMAP_INTERPOLATION_MODE interpolation, const D2D1_RECT_F *sourceRect) {
  if (!D2dMayDraw(target)) return;
  D2dBitmap *bitmap = D2dBitmapFrom(bitmapInterface);
  if (bitmap == nullptr || (interpolation != D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR &&
                            interpolation != D2D1_BITMAP_INTERPOLATION_MODE_LINEAR)) {
    D2dFail(target, E_INVALIDARG);
    return;
  }
  D2dSurface *source = D2dBitmapSurface(bitmap);
  uint32_t opacity8 = D2dOpacity8(opacity);
  if (source->pixels == nullptr || opacity8 == 0) return;
  if (DrawWholePixels(target, bitmap, *source, destRect, sourceRect, opacity8, interpolation)) return;
  float dpiX, dpiY;
  D2dBitmapDpi(bitmap, &dpiX, &dpiY);
  D2D1_RECT_F whole{0, 0, source->width * 96.0f / dpiX, source->height * 96.0f / dpiY};
  D2D1_RECT_F src = D2dOrdered(sourceRect != nullptr ? *sourceRect : whole);
  D2D1_RECT_F d = D2dOrdered(destRect != nullptr ? *destRect : whole);
  if (!(src.right > src.left && src.bottom > src.top && d.right > d.left && d.bottom > d.top)) return;
  // A source edge that is not a finite number draws nothing.
  if (!std::isfinite(src.left) || !std::isfinite(src.top) || !std::isfinite(src.right) || !std::isfinite(src.bottom))
    return;
  SourceRect s{src.left * dpiX / 96.0, src.top * dpiY / 96.0, src.right * dpiX / 96.0, src.bottom * dpiY / 96.0};
  DipRect dest{d.left, d.top, d.right, d.bottom};
  if (!ClipSource(&s, source->width, source->height)) return;

  const D2D1_MATRIX_3X2_F &m = target->device;
  if (D2dIsAxisAligned(m)) {
    double left = dest.left * m._11 + m._31, right = dest.right * m._11 + m._31;
    double top = dest.top * m._22 + m._32, bottom = dest.bottom * m._22 + m._32;
    // Linear filtering of an unscaled draw on whole pixels samples exactly one pixel each.
    bool wholePixels = right - left == s.right - s.left && bottom - top == s.bottom - s.top &&
                       left - s.left == std::floor(left - s.left) && top - s.top == std::floor(top - s.top);
    if (interpolation == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR || wholePixels) {
      DrawNearest(target, *source, s, DeviceRect{left, top, right, bottom}, opacity8);
      return;
    }
  }
  D2dFlushDeferred();
  DrawGeneral(target, source, s, dest, opacity8, interpolation == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
}
