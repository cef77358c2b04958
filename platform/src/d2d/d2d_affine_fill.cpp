// Rotated bilinear bitmap-brush fills (see d2d_affine.h): which fills we take and the
// sharing of rows among the worker threads.
#include "d2d_internal.h"
#include "kernels/d2d_affine.h"
#include "kernels/d2d_row_kernels.h"
#include "d2d_workers.h"

#include <cmath>

namespace {

struct AffineJob {
  D2dSurface *dst;
  D2dBox area;
  const pixman_region32_t *clip;
  const pixman_transform *transform;
  D2dAffineSource source;
  uint32_t opacity8;
  D2dAffineRowKernel row;
};

// Rows [y0, y1) of the columns [x0, x1): each row starts from its first pixel mapped afresh,
// as pixman starts every run of a composite.
void PaintRuns(const AffineJob &job, int x0, int x1, int y0, int y1) {
  const pixman_transform &t = *job.transform;
  for (int y = y0; y < y1; ++y) {
    pixman_vector v{
        {pixman_int_to_fixed(x0) + pixman_fixed_1 / 2, pixman_int_to_fixed(y) + pixman_fixed_1 / 2, pixman_fixed_1}};
    if (!pixman_transform_point_3d(&t, &v)) continue; // ruled out by the bounds checked up front
    job.row(D2dRow(*job.dst, y) + x0, x1 - x0, v.vector[0] - pixman_fixed_1 / 2, v.vector[1] - pixman_fixed_1 / 2,
            t.matrix[0][0], t.matrix[1][0], job.source, job.opacity8);
  }
}

// Rows [y0, y1) of the fill, cut by the clip's boxes.
void PaintRows(const AffineJob &job, int y0, int y1) {
  if (job.clip == nullptr) {
    PaintRuns(job, job.area.x0, job.area.x1, y0, y1);
    return;
  }
  int count = 0;
  const pixman_box32_t *boxes = pixman_region32_rectangles(const_cast<pixman_region32_t *>(job.clip), &count);
  for (int i = 0; i < count; ++i) {
    D2dBox b = D2dIntersect(D2dBox{job.area.x0, y0, job.area.x1, y1},
                            D2dBox{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
    if (!D2dEmpty(b)) PaintRuns(job, b.x0, b.x1, b.y0, b.y1);
  }
}

// The source position, in 16.16 fixed point, of the centre of device pixel (x, y).
void MapCentre(const pixman_transform &t, int x, int y, double *u, double *v) {
  double cx = (x + 0.5) * 65536.0, cy = (y + 0.5) * 65536.0;
  *u = (t.matrix[0][0] * cx + t.matrix[0][1] * cy + t.matrix[0][2] * 65536.0) / 65536.0;
  *v = (t.matrix[1][0] * cx + t.matrix[1][1] * cy + t.matrix[1][2] * 65536.0) / 65536.0;
}

} // namespace

bool D2dAffineBrushFill(D2dSurface *dst, const D2dBox &area, const pixman_region32_t *clip, const D2dSurface &bitmap,
                        const pixman_transform &t, D2D1_EXTEND_MODE extend, uint32_t opacity8) {
  D2dAffineRowKernel row = D2dKernels().affineRow;
  if (row == nullptr) return false;
  if (D2dEmpty(area) || bitmap.pixels == nullptr || bitmap.width <= 0 || bitmap.height <= 0) return false;
  // Without rotation or skew pixman takes its scaling paths, which round otherwise.
  if (t.matrix[0][1] == 0 && t.matrix[1][0] == 0) return false;
  if (t.matrix[2][0] != 0 || t.matrix[2][1] != 0 || t.matrix[2][2] != pixman_fixed_1) return false;
  // Bitmap offsets must fit the kernels' 32-bit indices.
  if (static_cast<int64_t>(bitmap.stride) * bitmap.height >= (INT64_C(1) << 31) || bitmap.width >= (1 << 28) ||
      bitmap.height >= (1 << 28))
    return false;
  // Every source position of the fill lies within those of the area's corner pixels (give
  // or take the rounding of a run's start); with steps of at most 2^24, sixteen steps past a
  // row's end stay within +-2^30 as well.
  const double limit = 536870912.0; // 2^29
  if (std::abs(t.matrix[0][0]) > (1 << 24) || std::abs(t.matrix[1][0]) > (1 << 24)) return false;
  const int xs[2] = {area.x0, area.x1 - 1}, ys[2] = {area.y0, area.y1 - 1};
  for (int x : xs)
    for (int y : ys) {
      double u, v;
      MapCentre(t, x, y, &u, &v);
      if (!(std::abs(u) < limit) || !(std::abs(v) < limit)) return false;
    }

  AffineJob job{
      dst,      area, clip, &t, D2dAffineSource{bitmap.pixels, bitmap.stride, bitmap.width, bitmap.height, extend},
      opacity8, row};
  int64_t pixels = static_cast<int64_t>(area.x1 - area.x0) * (area.y1 - area.y0);
  D2dForRowBands(area.y0, area.y1, pixels, [&job](int y0, int y1) { PaintRows(job, y0, y1); });
  return true;
}
