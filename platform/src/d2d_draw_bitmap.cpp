// DrawBitmap: a source rectangle of a bitmap scaled into a destination rectangle, times an
// opacity, source-over. Axis-aligned nearest-neighbour draws (the balls of a frame: unscaled
// or stretched, under an identity or translation transform) go through the row kernels;
// rotations and bilinear scaling go through pixman.
#include "d2d_internal.h"
#include "d2d_blit_kernel.h"

#include <algorithm>
#include <cmath>

namespace {

struct SourceRect {
  double left, top, right, bottom; // bitmap pixels
};

// Nearest source index for each destination pixel: index = floor(from + (i + 0.5 - start) *
// scale), kept inside the source rectangle against rounding.
inline int64_t NearestIndex(int i, double start, double from, double scale, int64_t lo, int64_t hi) {
  int64_t index = static_cast<int64_t>(std::floor(from + (i + 0.5 - start) * scale));
  return std::clamp(index, lo, hi);
}

void DrawNearest(D2dTarget *target, const D2dSurface &source, const SourceRect &s, double left, double top,
                 double right, double bottom, uint32_t opacity8) {
  D2dBox box = D2dIntersect(D2dCoveredBox(left, top, right, bottom), D2dClipBox(target));
  if (D2dEmpty(box)) return;
  double scaleX = (s.right - s.left) / (right - left), scaleY = (s.bottom - s.top) / (bottom - top);
  int64_t colLo = static_cast<int64_t>(std::floor(s.left)), colHi = static_cast<int64_t>(std::ceil(s.right)) - 1;
  int64_t rowLo = static_cast<int64_t>(std::floor(s.top)), rowHi = static_cast<int64_t>(std::ceil(s.bottom)) - 1;

  // Columns whose source lies outside the bitmap draw nothing; the index only grows with x,
  // so those columns sit at the two ends and are trimmed off.
  while (box.x0 < box.x1 && NearestIndex(box.x0, left, s.left, scaleX, colLo, colHi) < 0) ++box.x0;
  while (box.x0 < box.x1 && NearestIndex(box.x1 - 1, left, s.left, scaleX, colLo, colHi) >= source.width) --box.x1;
  if (box.x0 >= box.x1) return;
  int n = box.x1 - box.x0;
  int32_t firstColumn = static_cast<int32_t>(NearestIndex(box.x0, left, s.left, scaleX, colLo, colHi));
  int32_t *columns = nullptr;
  // Unscaled draws read consecutive source pixels and need no column table.
  bool contiguous = scaleX == 1.0 &&
                    NearestIndex(box.x1 - 1, left, s.left, scaleX, colLo, colHi) - firstColumn == n - 1;
  if (!contiguous) {
    if (target->columns.size() < static_cast<size_t>(n)) target->columns.resize(static_cast<size_t>(n));
    if (target->rowScratch.size() < static_cast<size_t>(n)) target->rowScratch.resize(static_cast<size_t>(n));
    columns = target->columns.data();
    for (int i = 0; i < n; ++i)
      columns[i] = static_cast<int32_t>(NearestIndex(box.x0 + i, left, s.left, scaleX, colLo, colHi));
  }

  D2dSurface *dst = D2dDrawSurface(target);
  int64_t gathered = -1; // the source row now in rowScratch
  for (int y = box.y0; y < box.y1; ++y) {
    int64_t row = NearestIndex(y, top, s.top, scaleY, rowLo, rowHi);
    if (row < 0 || row >= source.height) continue;
    const uint32_t *srcRow = D2dRow(source, static_cast<int>(row));
    uint32_t *dstRow = D2dRow(*dst, y) + box.x0;
    if (contiguous) {
      D2dBlendRowOver(dstRow, srcRow + firstColumn, n, opacity8);
      continue;
    }
    if (row != gathered) {
      D2dGatherRow(target->rowScratch.data(), srcRow, columns, n);
      gathered = row;
    }
    D2dBlendRowOver(dstRow, target->rowScratch.data(), n, opacity8);
  }
}

void DrawGeneral(D2dTarget *target, D2dSurface *source, const SourceRect &s, const D2D1_RECT_F &dest,
                 uint32_t opacity8, bool nearest) {
  const D2D1_MATRIX_3X2_F &device = target->device;
  D2dBox box = D2dIntersect(D2dTransformedBox(dest, device), D2dClipBox(target));
  if (D2dEmpty(box)) return;
  float scaleX = static_cast<float>((dest.right - dest.left) / (s.right - s.left));
  float scaleY = static_cast<float>((dest.bottom - dest.top) / (s.bottom - s.top));
  D2D1_MATRIX_3X2_F pixelToDest{scaleX, 0, 0, scaleY, static_cast<float>(dest.left - s.left * scaleX),
                                static_cast<float>(dest.top - s.top * scaleY)};
  D2D1_MATRIX_3X2_F pixelToDevice = D2dMultiply(pixelToDest, device);
  D2D1_MATRIX_3X2_F inverse;
  if (!D2dInvert(pixelToDevice, &inverse)) return;
  pixman_f_transform f;
  f.m[0][0] = inverse._11; f.m[0][1] = inverse._21; f.m[0][2] = inverse._31;
  f.m[1][0] = inverse._12; f.m[1][1] = inverse._22; f.m[1][2] = inverse._32;
  f.m[2][0] = 0; f.m[2][1] = 0; f.m[2][2] = 1;
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
    double left = static_cast<double>(dest.left) * m._11 + m._31, right = static_cast<double>(dest.right) * m._11 + m._31;
    double top = static_cast<double>(dest.top) * m._22 + m._32, bottom = static_cast<double>(dest.bottom) * m._22 + m._32;
    // Linear filtering of an unscaled draw on whole pixels samples exactly one pixel each.
    bool wholePixels = right - left == s.right - s.left && bottom - top == s.bottom - s.top &&
                       left - s.left == std::floor(left - s.left) && top - s.top == std::floor(top - s.top);
    if (interpolation == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR || wholePixels) {
      DrawNearest(target, *source, s, left, top, right, bottom, opacity8);
      return;
    }
  }
  DrawGeneral(target, source, s, dest, opacity8, interpolation == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
}
