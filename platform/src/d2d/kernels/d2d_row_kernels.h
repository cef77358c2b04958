// Row kernels for the draws a frame makes most: premultiplied source-over with a constant
// opacity, the index tables of nearest-neighbour scaling, and the rows of rotated bitmap-brush
// fills. One table per instruction set; the machine's processor is probed once, the first
// time a kernel is asked for (d2d_kernel_sets.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "d2d_affine.h"

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

// One axis of a nearest-neighbour scale: destination pixel x takes the source index
// floor(origin + (x + 0.5 - start) * scale), clamped to [lo, hi].
struct D2dNearestAxis {
  double start;   // where the draw begins on the destination axis
  double origin;  // the source position there
  double scale;   // source pixels per destination pixel
  int64_t lo, hi; // the source indices the draw may read
};

// One instruction set's row kernels. Every set gives the same result to the bit.
struct D2dRowKernels {
  const char *name; // as DEMO_D2D_KERNELS names it
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
  // out[i] = the axis's source index of destination pixel from + i, for i < n, in double
  // arithmetic, each step rounded as written (no fused multiply-add). The caller makes sure
  // the unclamped values at i = 0 and i = n - 1, and lo and hi, lie within +-2^30.
  void (*nearestIndices)(int32_t *out, int from, int n, const D2dNearestAxis &axis);
  // One row of a rotated bilinear bitmap-brush fill (d2d_affine.h); null leaves those fills
  // to pixman.
  D2dAffineRowKernel affineRow;
};

// The portable nearestIndices, which the AVX2 set shares.
void D2dNearestIndicesPortable(int32_t *out, int from, int n, const D2dNearestAxis &axis);

// Each instruction set's table (kernels/d2d_blit_*.cpp). A set runs only on a machine that
// has its instructions: pick among D2dKernelSets(), never name a set directly.
extern const D2dRowKernels D2dPortableSet, D2dAvx2Set, D2dAvx512Set;

// The sets this machine runs, widest first, and how many there are.
const D2dRowKernels *const *D2dKernelSets(int *count);
// The set in use: the widest the machine runs, unless DEMO_D2D_KERNELS (avx2 or portable,
// read once) holds the choice lower to compare sets on one machine.
const D2dRowKernels &D2dKernels();
// Makes `set` the one in use (null: the choice above again) and returns the one it replaces;
// tests use it to run each set, or a table of their own making, through the drawing.
const D2dRowKernels *D2dUseKernels(const D2dRowKernels *set);

inline void D2dBlendRowOver(uint32_t *dst, const uint32_t *src, int n, uint32_t opacity8) {
  D2dKernels().blend(dst, src, n, opacity8);
}
inline void D2dFillRowOver(uint32_t *dst, int n, uint32_t color) { D2dKernels().fill(dst, n, color); }
