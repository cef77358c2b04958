// The portable row kernels: four pixels at a time in 16-bit lanes (GCC vector extensions:
// SSE2 code on any x86-64). The arithmetic is exactly that of D2dMulUn8x4 / D2dOver, so the
// vector body and the scalar tail agree to the bit.
#include "d2d_row_kernels.h"

#include <cstring>

// The helpers below are always inlined; no vector value crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

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

void BlendPortable(uint32_t *__restrict dst, const uint32_t *__restrict src, int n, uint32_t opacity8) {
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

void BlendRectPortable(uint32_t *__restrict dst, ptrdiff_t dstStride, const uint32_t *__restrict src,
                       ptrdiff_t srcStride, int n, int rows, uint32_t opacity8) {
  for (int y = 0; y < rows; ++y) BlendPortable(dst + y * dstStride, src + y * srcStride, n, opacity8);
}

void BlendColumnsPortable(uint32_t *__restrict dst, const uint32_t *__restrict srcRow,
                          const int32_t *__restrict columns, int n, uint32_t opacity8) {
  // Gathered a piece at a time into a small buffer on the stack, then blended.
  uint32_t gathered[256];
  for (int at = 0; at < n; at += 256) {
    int piece = n - at < 256 ? n - at : 256;
    for (int i = 0; i < piece; ++i) gathered[i] = srcRow[columns[at + i]];
    BlendPortable(dst + at, gathered, piece, opacity8);
  }
}

void FillPortable(uint32_t *__restrict dst, int n, uint32_t color) {
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

} // namespace

void D2dNearestIndicesPortable(int32_t *out, int from, int n, const D2dNearestAxis &axis) {
  const auto lo = static_cast<int32_t>(axis.lo), hi = static_cast<int32_t>(axis.hi);
  for (int i = 0; i < n; ++i) {
    double v = axis.origin + (from + i + 0.5 - axis.start) * axis.scale;
    int32_t index = static_cast<int32_t>(v);
    index -= static_cast<double>(index) > v ? 1 : 0; // truncation rounds negative values up
    out[i] = index < lo ? lo : (index > hi ? hi : index);
  }
}

// Rotated fills stay with pixman here: the portable row kernel is no faster than pixman, so
// only tests run it (in a table of their own).
const D2dRowKernels D2dPortableSet{.name = "portable",
                                   .blend = BlendPortable,
                                   .blendRect = BlendRectPortable,
                                   .blendColumns = BlendColumnsPortable,
                                   .fill = FillPortable,
                                   .nearestIndices = D2dNearestIndicesPortable,
                                   .affineRow = nullptr};
