// Row kernels for the draws a frame makes most: premultiplied source-over with a constant
// opacity. Built for several instruction sets; the best one for the machine is picked once,
// the first time a kernel is asked for.
#pragma once

#include <cstddef>
#include <cstdint>

// Each byte of x times a / 255, rounded as pixman rounds (exact for 0..255 inputs).
inline uint32_t D2dMulUn8x4(uint32_t x, uint32_t a) {
  uint32_t rb = (x & 0x00ff00ffu) * a + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
  uint32_t ag = ((x >> 8) & 0x00ff00ffu) * a + 0x00800080u;
  ag = (ag + ((ag >> 8) & 0x00ff00ffu)) & 0xff00ff00u;
  return rb | ag;
}

// Byte-wise x + y, each byte saturating at 255.
inline uint32_t D2dAddSatUn8x4(uint32_t x, uint32_t y) {
  uint32_t rb = (x & 0x00ff00ffu) + (y & 0x00ff00ffu);
  rb |= 0x01000100u - ((rb >> 8) & 0x00ff00ffu);
  uint32_t ag = ((x >> 8) & 0x00ff00ffu) + ((y >> 8) & 0x00ff00ffu);
  ag |= 0x01000100u - ((ag >> 8) & 0x00ff00ffu);
  return (rb & 0x00ff00ffu) | ((ag & 0x00ff00ffu) << 8);
}

// One pixel of source-over: src already multiplied by its opacity.
inline uint32_t D2dOver(uint32_t src, uint32_t dst) {
  return D2dAddSatUn8x4(src, D2dMulUn8x4(dst, 255u - (src >> 24)));
}

// One instruction set's row kernels. Every set gives the same result to the bit.
struct D2dRowKernels {
  // dst[i] = (src[i] * opacity8 / 255) over dst[i], for i < n.
  void (*blend)(uint32_t *dst, const uint32_t *src, int n, uint32_t opacity8);
  // blend on `rows` rows, each n pixels: the next row of dst and of src `dstStride` and
  // `srcStride` pixels on (a whole unscaled draw in one call).
  void (*blendRect)(uint32_t *dst, ptrdiff_t dstStride, const uint32_t *src, ptrdiff_t srcStride, int n, int rows,
                    uint32_t opacity8);
  // dst[i] = (srcRow[columns[i]] * opacity8 / 255) over dst[i]: one row of a nearest-neighbour
  // scale. The columns never decrease along the row.
  void (*blendColumns)(uint32_t *dst, const uint32_t *srcRow, const int32_t *columns, int n, uint32_t opacity8);
  // dst[i] = color over dst[i]; color is premultiplied.
  void (*fill)(uint32_t *dst, int n, uint32_t color);
  // out[i] = floor(origin + (from + i + 0.5 - start) * scale) clamped to [lo, hi], for i < n:
  // the source indices of a nearest-neighbour scale, in double arithmetic, each step rounded
  // as written (no fused multiply-add). The caller makes sure the unclamped values at i = 0
  // and i = n - 1 (and lo, hi) lie within +-2^30.
  void (*nearestIndices)(int32_t *out, int from, int n, double start, double origin, double scale, int32_t lo,
                         int32_t hi);
};

// The portable nearestIndices, which the AVX2 set shares.
void D2dNearestIndicesPortable(int32_t *out, int from, int n, double start, double origin, double scale, int32_t lo,
                               int32_t hi);

// The kernels for this machine.
const D2dRowKernels &D2dKernels();
// The portable kernels (SSE2 on x86-64), whatever the machine; tests compare against them.
const D2dRowKernels &D2dPortableKernels();
// The AVX2 kernels, or null when the machine lacks AVX2.
const D2dRowKernels *D2dAvx2Kernels();
// The AVX-512 kernels (AVX512F and AVX512BW), or null when the machine lacks them.
const D2dRowKernels *D2dAvx512Kernels();

inline void D2dBlendRowOver(uint32_t *dst, const uint32_t *src, int n, uint32_t opacity8) {
  D2dKernels().blend(dst, src, n, opacity8);
}
inline void D2dFillRowOver(uint32_t *dst, int n, uint32_t color) { D2dKernels().fill(dst, n, color); }
