// Bilinear bitmap-brush fills under a rotating or skewing transform, sampled by our own row
// kernels rather than by pixman's general path, with pixman's arithmetic to the bit:
//
// - the source transform is pixman's 16.16 fixed-point matrix; each run of pixels starts
//   from its first pixel centre mapped afresh (rounded to the nearest 1/65536), then steps
//   by the matrix's first column, in 32-bit fixed point, half a pixel moved back for the
//   bilinear taps;
// - the taps are the pixels at floor(u), floor(u) + 1 (and likewise v), each extended on its
//   own (clamp, wrap or mirror), weighted by the top 7 bits of the fractions:
//   sum(c * wx * wy) >> 14 per channel, truncated;
// - the sample times the opacity (x * a / 255 rounded), then source-over with a saturating
//   add.
//
// Transforms without rotation or skew keep pixman (its scaling paths round differently), as
// do far-away coordinates, nearest-neighbour filtering and machines without AVX2.
#pragma once

#include <d2d1.h>

#include <cstdint>

// The bitmap a row kernel reads and how it extends beyond its edges.
struct D2dAffineSource {
  const uint32_t *pixels;
  int stride; // in pixels
  int width, height;
  D2D1_EXTEND_MODE extend; // the same both ways
};

// One row: n pixels of dst from the fixed-point source position (x, y) of the first pixel
// (already moved back half a pixel), stepping (ux, uy) per pixel. The caller makes sure every
// position within sixteen steps past the row stays inside +-2^30.
typedef void (*D2dAffineRowKernel)(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy,
                                   const D2dAffineSource &source, uint32_t opacity8);

// The row kernel of each instruction set; the vector ones run only where the machine has
// their instructions (the set tables in d2d_row_kernels.h say which).
void D2dAffineRowPortable(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy,
                          const D2dAffineSource &source, uint32_t opacity8);
void D2dAffineRowAvx2(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy, const D2dAffineSource &source,
                      uint32_t opacity8);
void D2dAffineRowAvx512(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy,
                        const D2dAffineSource &source, uint32_t opacity8);
