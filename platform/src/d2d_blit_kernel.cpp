// Source-over row kernels. Four pixels at a time in 16-bit lanes (GCC vector extensions, so
// the same source becomes SSE2 or AVX2 code); target_clones builds an AVX2 copy beside the
// baseline one and the loader picks the one the machine runs. The arithmetic is exactly
// that of D2dMulUn8x4 / D2dOver, so the vector body and the scalar tail agree to the bit.
#include "d2d_blit_kernel.h"

#include <cstring>

// The helpers below are always inlined into the clones; no vector value crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

#define D2D_KERNEL __attribute__((target_clones("avx2", "default")))

namespace {

typedef uint8_t U8x16 __attribute__((vector_size(16)));
typedef uint16_t U16x16 __attribute__((vector_size(32)));

// a * b / 255 rounded, per lane, for lanes 0..255.
__attribute__((always_inline)) inline U16x16 MulUn8(U16x16 a, U16x16 b) {
  U16x16 t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

__attribute__((always_inline)) inline U16x16 Load4(const uint32_t *p) {
  U8x16 bytes;
  std::memcpy(&bytes, p, 16);
  return __builtin_convertvector(bytes, U16x16);
}

__attribute__((always_inline)) inline void Store4(uint32_t *p, U16x16 v) {
  U8x16 bytes = __builtin_convertvector(v, U8x16);
  std::memcpy(p, &bytes, 16);
}

// src over dst for four pixels; src already carries its opacity.
__attribute__((always_inline)) inline U16x16 Over4(U16x16 src, U16x16 dst) {
  const U16x16 full = U16x16{} + 255;
  U16x16 alpha = __builtin_shuffle(src, U16x16{3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15});
  U16x16 sum = src + MulUn8(dst, full - alpha);
  return sum > full ? full : sum; // saturate, as pixman does for malformed premultiplied input
}

} // namespace

D2D_KERNEL void D2dBlendRowOver(uint32_t *__restrict dst, const uint32_t *__restrict src, int n,
                                uint32_t opacity8) {
  int i = 0;
  if (opacity8 >= 255) {
    for (; i + 4 <= n; i += 4) Store4(dst + i, Over4(Load4(src + i), Load4(dst + i)));
    for (; i < n; ++i) dst[i] = D2dOver(src[i], dst[i]);
    return;
  }
  const U16x16 opacity = U16x16{} + static_cast<uint16_t>(opacity8);
  for (; i + 4 <= n; i += 4) Store4(dst + i, Over4(MulUn8(Load4(src + i), opacity), Load4(dst + i)));
  for (; i < n; ++i) dst[i] = D2dOver(D2dMulUn8x4(src[i], opacity8), dst[i]);
}

D2D_KERNEL void D2dFillRowOver(uint32_t *__restrict dst, int n, uint32_t color) {
  if ((color >> 24) == 255) {
    for (int i = 0; i < n; ++i) dst[i] = color;
    return;
  }
  const uint32_t four[4] = {color, color, color, color};
  const U16x16 src = Load4(four);
  int i = 0;
  for (; i + 4 <= n; i += 4) Store4(dst + i, Over4(src, Load4(dst + i)));
  for (; i < n; ++i) dst[i] = D2dOver(color, dst[i]);
}

void D2dGatherRow(uint32_t *__restrict dst, const uint32_t *__restrict srcRow, const int32_t *__restrict columns,
                  int n) {
  for (int i = 0; i < n; ++i) dst[i] = srcRow[columns[i]];
}
