// DrawBitmap: a source rectangle of a bitmap scaled into a destination rectangle, times an
// opacity, source-over. Axis-aligned nearest-neighbour draws (the balls of a frame: unscaled
// or stretched, under an identity or translation transform) go through the row kernels;
// rotations and bilinear scaling go through pixman. The row-kernel draws are recorded and
// drawn later, in bands across the cores (d2d_batch.cpp).
#include "d2d_internal.h"
#include "d2d_batch.h"
#include "kernels/d2d_blit_kernel.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

struct SourceRect {
  double left, top, right, bottom; // bitmap pixels
};

// Nearest source index for each destination pixel: index = floor(from + (i + 0.5 - start) *
// scale), kept inside the source rectangle against rounding.
inline int64_t NearestIndex(int i, double start, double from, double scale, int64_t lo, int64_t hi) {
  double v = from + (i + 0.5 - start) * scale;
  // floor without a library call (this runs for every column and row of a scaled draw); far
  // beyond the source, and NaN, only need to land at an end.
  if (!(v > -4.0e18)) return lo;
  if (!(v < 4.0e18)) return hi;
  int64_t index = static_cast<int64_t>(v);
  if (static_cast<double>(index) > v) --index;
  return std::clamp(index, lo, hi);
}

// Fills table[i] with the source index of destination pixel `from + i`, for i < n; true when
// the indices are consecutive, so that no table is needed. The index only grows with i, so
// consecutive first and last indices mean every step is one.
bool NearestTable(std::vector<int32_t> *table, int from, int n, double start, double origin, double scale, int64_t lo,
                  int64_t hi) {
  int64_t first = NearestIndex(from, start, origin, scale, lo, hi);
  if (scale == 1.0 && NearestIndex(from + n - 1, start, origin, scale, lo, hi) - first == n - 1) return true;
  if (table->size() < static_cast<size_t>(n)) table->resize(static_cast<size_t>(n));
  int32_t *out = table->data();
  // The index only grows with i: when its unclamped value stays well inside 32 bits at both
  // ends, the vector kernel computes the same values, eight or more at a time.
  constexpr double SafeIndexRange = 1073741824.0; // 2^30
  double firstRaw = origin + (from + 0.5 - start) * scale, lastRaw = origin + (from + n - 1 + 0.5 - start) * scale;
  if (firstRaw > -SafeIndexRange && lastRaw < SafeIndexRange && lo > -SafeIndexRange && hi < SafeIndexRange) {
    D2dKernels().nearestIndices(out, from, n, start, origin, scale, static_cast<int32_t>(lo), static_cast<int32_t>(hi));
    return false;
  }
  for (int i = 0; i < n; ++i) out[i] = static_cast<int32_t>(NearestIndex(from + i, start, origin, scale, lo, hi));
  return false;
}

void DrawNearest(D2dTarget *target, const D2dSurface &source, const SourceRect &s, double left, double top,
                 double right, double bottom, uint32_t opacity8) {
  D2dBox box = D2dIntersect(D2dCoveredBox(left, top, right, bottom), D2dClipBox(target));
  if (D2dEmpty(box)) return;
  // A source edge that is not a number draws nothing; edges far beyond any bitmap are held
  // to a range whose conversion to an integer is defined (the indices clamp to them).
  if (!std::isfinite(s.left) || !std::isfinite(s.top) || !std::isfinite(s.right) || !std::isfinite(s.bottom)) return;
  static constexpr double EdgeLimit = 1099511627776.0; // 2^40
  auto edge = [](double v) { return static_cast<int64_t>(std::clamp(v, -EdgeLimit, EdgeLimit)); };
  double scaleX = (s.right - s.left) / (right - left), scaleY = (s.bottom - s.top) / (bottom - top);
  int64_t colLo = edge(std::floor(s.left)), colHi = edge(std::ceil(s.right)) - 1;
  int64_t rowLo = edge(std::floor(s.top)), rowHi = edge(std::ceil(s.bottom)) - 1;

  // Columns and rows whose source lies outside the bitmap draw nothing; the index only grows
  // with x and y, so those sit at the ends and are trimmed off.
  while (box.x0 < box.x1 && NearestIndex(box.x0, left, s.left, scaleX, colLo, colHi) < 0) ++box.x0;
  while (box.x0 < box.x1 && NearestIndex(box.x1 - 1, left, s.left, scaleX, colLo, colHi) >= source.width) --box.x1;
  while (box.y0 < box.y1 && NearestIndex(box.y0, top, s.top, scaleY, rowLo, rowHi) < 0) ++box.y0;
  while (box.y0 < box.y1 && NearestIndex(box.y1 - 1, top, s.top, scaleY, rowLo, rowHi) >= source.height) --box.y1;
  if (D2dEmpty(box)) return;

  D2dBlit blit{box, source.pixels, source.stride, opacity8, 0, 0, nullptr, nullptr};
  // Unscaled draws read consecutive source pixels and need no tables.
  try {
    if (!NearestTable(&target->columns, box.x0, box.x1 - box.x0, left, s.left, scaleX, colLo, colHi))
      blit.columns = target->columns.data();
    if (!NearestTable(&target->rows, box.y0, box.y1 - box.y0, top, s.top, scaleY, rowLo, rowHi))
      blit.rows = target->rows.data();
  } catch (const std::bad_alloc &) {
    return;
  }
  blit.firstColumn = static_cast<int32_t>(NearestIndex(box.x0, left, s.left, scaleX, colLo, colHi));
  blit.firstRow = static_cast<int32_t>(NearestIndex(box.y0, top, s.top, scaleY, rowLo, rowHi));

  D2dSurface *dst = D2dDrawSurface(target);
  if (source.pixels == dst->pixels) {
    // A target drawing its own bitmap reads what it writes: that draw cannot wait or be
    // split into bands.
    D2dFlushDeferred();
    D2dRunBlit(dst->pixels, dst->stride, blit, box.y0, box.y1);
    return;
  }
  D2dDeferBlit(*dst, blit);
}

void DrawGeneral(D2dTarget *target, D2dSurface *source, const SourceRect &s, const D2D1_RECT_F &dest, uint32_t opacity8,
                 bool nearest) {
  const D2D1_MATRIX_3X2_F &device = target->device;
  D2dBox box = D2dIntersect(D2dTransformedBox(dest, device), D2dClipBox(target));
  if (D2dEmpty(box)) return;
  float scaleX = static_cast<float>((dest.right - dest.left) / (s.right - s.left));
  float scaleY = static_cast<float>((dest.bottom - dest.top) / (s.bottom - s.top));
  // Matrices are laid out row by row.
  // clang-format off
  D2D1_MATRIX_3X2_F pixelToDest{scaleX, 0, 0, scaleY, static_cast<float>(dest.left - s.left * scaleX),
                                static_cast<float>(dest.top - s.top * scaleY)};
  D2D1_MATRIX_3X2_F pixelToDevice = D2dMultiply(pixelToDest, device);
  D2D1_MATRIX_3X2_F inverse;
  if (!D2dInvert(pixelToDevice, &inverse)) return;
  pixman_f_transform f;
  f.m[0][0] = inverse._11; f.m[0][1] = inverse._21; f.m[0][2] = inverse._31;
  f.m[1][0] = inverse._12; f.m[1][1] = inverse._22; f.m[1][2] = inverse._32;
  f.m[2][0] = 0; f.m[2][1] = 0; f.m[2][2] = 1;
  // clang-format on
  pixman_transform transform;
  pixman_image_t *image = D2dSurfaceImage(source);
  if (image == nullptr || !pixman_transform_from_pixman_f_transform(&transform, &f)) return;
  pixman_image_set_transform(image, &transform);
  pixman_image_set_filter(image, nearest ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(image, PIXMAN_REPEAT_PAD);

  pixman_region32_t region;
  bool rotated = !D2dIsAxisAligned(device);
  if (rotated) D2dQuadRegion(dest, device, box, &region);
  pixman_image_t *mask = nullptr;
  if (opacity8 < 255) {
    pixman_color_t color{0, 0, 0, static_cast<uint16_t>(opacity8 * 257)};
    mask = pixman_image_create_solid_fill(&color);
  }
  pixman_image_t *out = D2dSurfaceImage(D2dDrawSurface(target));
  if (rotated) pixman_image_set_clip_region32(out, &region);
  pixman_image_composite32(PIXMAN_OP_OVER, image, mask, out, box.x0, box.y0, 0, 0, box.x0, box.y0, box.x1 - box.x0,
                           box.y1 - box.y0);
  if (rotated) {
    pixman_image_set_clip_region32(out, nullptr);
    pixman_region32_fini(&region);
  }
  if (mask != nullptr) pixman_image_unref(mask);
}

bool Positive(const D2D1_RECT_F &r) { return r.right > r.left && r.bottom > r.top; }

} // namespace

void D2dDrawBitmap(D2dTarget *target, ID2D1Bitmap *bitmapInterface, const D2D1_RECT_F *destRect, float opacity,
                   D2D1_BITMAP_INTERPOLATION_MODE interpolation, const D2D1_RECT_F *sourceRect) {
  D2dBitmap *bitmap = D2dBitmapFrom(bitmapInterface);
  if (bitmap == nullptr) return;
  D2dSurface *source = D2dBitmapSurface(bitmap);
  uint32_t opacity8 = D2dOpacity8(opacity);
  if (source->pixels == nullptr || opacity8 == 0) return;
  float dpiX = 96.0f, dpiY = 96.0f;
  bitmapInterface->GetDpi(&dpiX, &dpiY);
  D2D1_RECT_F whole{0, 0, source->width * 96.0f / dpiX, source->height * 96.0f / dpiY};
  D2D1_RECT_F src = sourceRect != nullptr ? *sourceRect : whole;
  D2D1_RECT_F dest = destRect != nullptr ? *destRect : whole;
  if (!Positive(src) || !Positive(dest)) return;
  SourceRect s{src.left * dpiX / 96.0, src.top * dpiY / 96.0, src.right * dpiX / 96.0, src.bottom * dpiY / 96.0};

  const D2D1_MATRIX_3X2_F &m = target->device;
  if (D2dIsAxisAligned(m)) {
    double left = static_cast<double>(dest.left) * m._11 + m._31,
           right = static_cast<double>(dest.right) * m._11 + m._31;
    double top = static_cast<double>(dest.top) * m._22 + m._32,
           bottom = static_cast<double>(dest.bottom) * m._22 + m._32;
    // Linear filtering of an unscaled draw on whole pixels samples exactly one pixel each.
    bool wholePixels = right - left == s.right - s.left && bottom - top == s.bottom - s.top &&
                       left - s.left == std::floor(left - s.left) && top - s.top == std::floor(top - s.top);
    if (interpolation == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR || wholePixels) {
      DrawNearest(target, *source, s, left, top, right, bottom, opacity8);
      return;
    }
  }
  D2dFlushDeferred();
  DrawGeneral(target, source, s, dest, opacity8, interpolation == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
}
