// Source-over row kernels. Plain loops over whole pixels, written so the compiler turns them
// into vector code; target_clones builds an AVX2 copy beside the baseline one.
#include "d2d_blit_kernel.h"

#define D2D_KERNEL __attribute__((target_clones("avx2", "default"), optimize("tree-vectorize")))

D2D_KERNEL void D2dBlendRowOver(uint32_t *__restrict dst, const uint32_t *__restrict src, int n,
                                uint32_t opacity8) {
  if (opacity8 >= 255) {
    for (int i = 0; i < n; ++i) dst[i] = D2dOver(src[i], dst[i]);
  } else {
    for (int i = 0; i < n; ++i) dst[i] = D2dOver(D2dMulUn8x4(src[i], opacity8), dst[i]);
  }
}

D2D_KERNEL void D2dFillRowOver(uint32_t *__restrict dst, int n, uint32_t color) {
  if ((color >> 24) == 255) {
    for (int i = 0; i < n; ++i) dst[i] = color;
    return;
  }
  uint32_t keep = 255u - (color >> 24);
  for (int i = 0; i < n; ++i) dst[i] = D2dAddSatUn8x4(color, D2dMulUn8x4(dst[i], keep));
}

void D2dGatherRow(uint32_t *__restrict dst, const uint32_t *__restrict srcRow, const int32_t *__restrict columns,
                  int n) {
  for (int i = 0; i < n; ++i) dst[i] = srcRow[columns[i]];
}
