// A bitmap brush whose two axes extend differently (say wrap across, clamp down, as a
// border's edge pieces are): pixman has one repeat mode for both axes, so these brushes are
// sampled here, pixel by pixel. Such fills cover small areas.
#include "d2d_internal.h"
#include "kernels/d2d_row_kernels.h"

#include <cmath>

namespace {

int Extend(int64_t i, int n, D2D1_EXTEND_MODE mode) {
  switch (mode) {
  case D2D1_EXTEND_MODE_WRAP: {
    int64_t m = i % n;
    return static_cast<int>(m < 0 ? m + n : m);
  }
  case D2D1_EXTEND_MODE_MIRROR: {
    int64_t period = 2 * static_cast<int64_t>(n), m = i % period;
    if (m < 0) m += period;
    return static_cast<int>(m < n ? m : period - 1 - m);
  }
  default: return static_cast<int>(i < 0 ? 0 : (i >= n ? n - 1 : i));
  }
}

int64_t Floor(double v) {
  // Far-away coordinates only need to land somewhere sensible, never overflow.
  if (!(v > -4.0e18)) return INT64_C(-4000000000000000000);
  if (!(v < 4.0e18)) return INT64_C(4000000000000000000);
  return static_cast<int64_t>(std::floor(v));
}

// Weighted sum of two pixels, weight w (0..256) on b.
uint32_t Lerp(uint32_t a, uint32_t b, uint32_t w) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t ca = (a >> shift) & 0xff, cb = (b >> shift) & 0xff;
    out |= ((ca * (256 - w) + cb * w + 128) >> 8) << shift;
  }
  return out;
}

struct Sampler {
  const D2dSurface *bitmap;
  D2D1_EXTEND_MODE modeX, modeY;
  bool nearest;

  uint32_t At(int64_t x, int64_t y) const {
    return D2dRow(*bitmap, Extend(y, bitmap->height, modeY))[Extend(x, bitmap->width, modeX)];
  }
  uint32_t Sample(double u, double v) const {
    if (nearest) return At(Floor(u), Floor(v));
    // Bilinear around the pixel centres nearest to (u, v).
    double fu = u - 0.5, fv = v - 0.5;
    int64_t x = Floor(fu), y = Floor(fv);
    uint32_t wx = static_cast<uint32_t>(std::lround((fu - static_cast<double>(x)) * 256.0));
    uint32_t wy = static_cast<uint32_t>(std::lround((fv - static_cast<double>(y)) * 256.0));
    uint32_t top = Lerp(At(x, y), At(x + 1, y), wx);
    uint32_t bottom = Lerp(At(x, y + 1), At(x + 1, y + 1), wx);
    return Lerp(top, bottom, wy);
  }
};

} // namespace

void D2dSampleBitmapBrush(D2dSurface *dst, const D2dBox &area, const pixman_region32_t *clip,
                          const D2dBrushState &brush, const D2D1_MATRIX_3X2_F &pixelToDevice, uint32_t opacity8,
                          bool replace) {
  D2D1_MATRIX_3X2_F inverse;
  if (!D2dInvert(pixelToDevice, &inverse)) return;
  Sampler sampler{D2dBitmapSurface(brush.bitmap), brush.extendX, brush.extendY,
                  brush.interpolation == D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR};
  auto paint = [&](const D2dBox &b) {
    for (int y = b.y0; y < b.y1; ++y) {
      uint32_t *row = D2dRow(*dst, y);
      for (int x = b.x0; x < b.x1; ++x) {
        double cx = x + 0.5, cy = y + 0.5;
        double u = cx * inverse._11 + cy * inverse._21 + inverse._31;
        double v = cx * inverse._12 + cy * inverse._22 + inverse._32;
        uint32_t pixel = D2dMulUn8x4(sampler.Sample(u, v), opacity8);
        row[x] = replace ? pixel : D2dOver(pixel, row[x]);
      }
    }
  };
  if (clip == nullptr) {
    paint(area);
    return;
  }
  int count = 0;
  const pixman_box32_t *boxes = pixman_region32_rectangles(const_cast<pixman_region32_t *>(clip), &count);
  for (int i = 0; i < count; ++i) {
    D2dBox b = D2dIntersect(area, D2dBox{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
    if (!D2dEmpty(b)) paint(b);
  }
}
