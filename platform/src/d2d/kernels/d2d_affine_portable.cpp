// The portable bilinear row kernel of rotated bitmap-brush fills, to pixman's arithmetic to
// the bit (see d2d_affine.h); the vector kernels are checked against it.
#include "d2d_affine.h"
#include "d2d_row_kernels.h"

namespace {

// Index of pixel i of a line of n pixels after extending; i within +-2^15.
inline int Extend(int i, int n, D2D1_EXTEND_MODE mode) {
  switch (mode) {
  case D2D1_EXTEND_MODE_WRAP: {
    int m = i % n;
    return m < 0 ? m + n : m;
  }
  case D2D1_EXTEND_MODE_MIRROR: {
    int period = 2 * n, m = i % period;
    if (m < 0) m += period;
    return m < n ? m : period - 1 - m;
  }
  default: return i < 0 ? 0 : (i >= n ? n - 1 : i);
  }
}

// Four taps weighted by 7-bit fractions fx, fy (of the right and lower taps), per channel
// sum(c * wx * wy) >> 14, truncated.
inline uint32_t Bilinear(uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br, uint32_t fx, uint32_t fy) {
  uint32_t wtl = (128 - fx) * (128 - fy), wtr = fx * (128 - fy), wbl = (128 - fx) * fy, wbr = fx * fy;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t sum = ((tl >> shift) & 0xff) * wtl + ((tr >> shift) & 0xff) * wtr + ((bl >> shift) & 0xff) * wbl +
                   ((br >> shift) & 0xff) * wbr;
    out |= (sum >> 14) << shift;
  }
  return out;
}

} // namespace

void D2dAffineRowPortable(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy,
                          const D2dAffineSource &source, uint32_t opacity8) {
  // Unsigned steps: the same bits as pixman's 32-bit fixed-point additions.
  uint32_t px = static_cast<uint32_t>(x), py = static_cast<uint32_t>(y);
  for (int i = 0; i < n; ++i, px += static_cast<uint32_t>(ux), py += static_cast<uint32_t>(uy)) {
    int32_t sx = static_cast<int32_t>(px), sy = static_cast<int32_t>(py);
    int x1 = sx >> 16, y1 = sy >> 16;
    uint32_t fx = (static_cast<uint32_t>(sx) >> 9) & 127, fy = (static_cast<uint32_t>(sy) >> 9) & 127;
    int c0 = Extend(x1, source.width, source.extend), c1 = Extend(x1 + 1, source.width, source.extend);
    const uint32_t *top =
        source.pixels + static_cast<ptrdiff_t>(Extend(y1, source.height, source.extend)) * source.stride;
    const uint32_t *bottom =
        source.pixels + static_cast<ptrdiff_t>(Extend(y1 + 1, source.height, source.extend)) * source.stride;
    uint32_t pixel = Bilinear(top[c0], top[c1], bottom[c0], bottom[c1], fx, fy);
    if (opacity8 < 255) pixel = D2dMulUn8x4(pixel, opacity8);
    dst[i] = D2dOver(pixel, dst[i]);
  }
}
