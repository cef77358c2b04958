// The AVX2 row kernels: eight pixels a step. Bytes are widened to 16-bit lanes only where a
// product is needed (the destination times the source's inverse alpha, and the source times
// a fading opacity); x * a / 255 is rounded as (x * a + 128) * 257 >> 16, which equals
// pixman's ((t + (t >> 8)) >> 8) for every product of two bytes, and the final add saturates
// per byte, as pixman's does. Eight transparent source pixels leave the destination as it is
// and are skipped; eight opaque ones at full opacity replace it. The last 0..7 pixels of a row
// go through masked loads and stores, so no pixel past the row is touched.
#include "d2d_row_kernels.h"

#include "d2d_pixel_avx2.h"

namespace {

// Lanes [0, left) of eight, for the masked tail of a row.
D2D_AVX2_INLINE __m256i TailMask(int left) {
  return _mm256_cmpgt_epi32(_mm256_set1_epi32(left), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// One step of eight pixels whose source is already loaded.
template <bool Faded> D2D_AVX2_INLINE void Step(uint32_t *dst, __m256i s, __m256i opacity) {
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xff000000u));
  if (_mm256_testz_si256(s, s)) return; // all transparent: nothing changes
  __m256i *at = reinterpret_cast<__m256i *>(dst);
  if (!Faded && _mm256_testc_si256(s, alpha)) { // all opaque: the source replaces
    _mm256_storeu_si256(at, s);
    return;
  }
  if (Faded) s = Fade(s, opacity);
  _mm256_storeu_si256(at, Over(s, _mm256_loadu_si256(at)));
}

template <bool Faded> D2D_AVX2_INLINE void Tail(uint32_t *dst, __m256i s, __m256i mask, __m256i opacity) {
  int *at = reinterpret_cast<int *>(dst);
  if (Faded) s = Fade(s, opacity);
  _mm256_maskstore_epi32(at, mask, Over(s, _mm256_maskload_epi32(at, mask)));
}

template <bool Faded>
D2D_AVX2_INLINE void BlendRow(uint32_t *__restrict dst, const uint32_t *__restrict src, int n, __m256i opacity) {
  int i = 0;
  for (; i + 8 <= n; i += 8)
    Step<Faded>(dst + i, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(src + i)), opacity);
  if (i < n) {
    __m256i mask = TailMask(n - i);
    Tail<Faded>(dst + i, _mm256_maskload_epi32(reinterpret_cast<const int *>(src + i), mask), mask, opacity);
  }
}

template <bool Faded>
D2D_AVX2_INLINE void BlendColumnsRow(uint32_t *__restrict dst, const uint32_t *__restrict srcRow,
                                     const int32_t *__restrict columns, int n, __m256i opacity) {
  const int *base = reinterpret_cast<const int *>(srcRow);
  int i = 0;
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  for (; i + 8 <= n; i += 8) {
    __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(columns + i));
    // Columns only grow, so when the eighth is at most seven past the first, all eight lie
    // in the eight source pixels from the first on (always so when enlarging): one masked
    // load, which reads nothing past the last of them, and a lane permute. Otherwise a gather.
    int first = columns[i], span = columns[i + 7] - first;
    __m256i s;
    if (span <= 7) {
      __m256i within = _mm256_cmpgt_epi32(_mm256_set1_epi32(span + 1), lanes);
      s = _mm256_permutevar8x32_epi32(_mm256_maskload_epi32(base + first, within),
                                      _mm256_sub_epi32(index, _mm256_set1_epi32(first)));
    } else {
      s = _mm256_i32gather_epi32(base, index, 4);
    }
    Step<Faded>(dst + i, s, opacity);
  }
  if (i < n) {
    __m256i mask = TailMask(n - i);
    __m256i index = _mm256_maskload_epi32(columns + i, mask);
    __m256i s = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, index, mask, 4);
    Tail<Faded>(dst + i, s, mask, opacity);
  }
}

D2D_AVX2 void BlendAvx2(uint32_t *__restrict dst, const uint32_t *__restrict src, int n, uint32_t opacity8) {
  __m256i opacity = _mm256_set1_epi16(static_cast<short>(opacity8));
  if (opacity8 >= 255)
    BlendRow<false>(dst, src, n, opacity);
  else
    BlendRow<true>(dst, src, n, opacity);
}

D2D_AVX2 void BlendRectAvx2(uint32_t *__restrict dst, ptrdiff_t dstStride, const uint32_t *__restrict src,
                            ptrdiff_t srcStride, int n, int rows, uint32_t opacity8) {
  __m256i opacity = _mm256_set1_epi16(static_cast<short>(opacity8));
  for (int y = 0; y < rows; ++y, dst += dstStride, src += srcStride) {
    if (opacity8 >= 255)
      BlendRow<false>(dst, src, n, opacity);
    else
      BlendRow<true>(dst, src, n, opacity);
  }
}

D2D_AVX2 void BlendColumnsAvx2(uint32_t *__restrict dst, const uint32_t *__restrict srcRow,
                               const int32_t *__restrict columns, int n, uint32_t opacity8) {
  __m256i opacity = _mm256_set1_epi16(static_cast<short>(opacity8));
  if (opacity8 >= 255)
    BlendColumnsRow<false>(dst, srcRow, columns, n, opacity);
  else
    BlendColumnsRow<true>(dst, srcRow, columns, n, opacity);
}

D2D_AVX2 void FillAvx2(uint32_t *__restrict dst, int n, uint32_t color) {
  __m256i s = _mm256_set1_epi32(static_cast<int>(color));
  int i = 0;
  if ((color >> 24) == 255) {
    for (; i + 8 <= n; i += 8) _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + i), s);
    for (; i < n; ++i) dst[i] = color;
    return;
  }
  if (color == 0) return;
  for (; i + 8 <= n; i += 8) {
    __m256i *at = reinterpret_cast<__m256i *>(dst + i);
    _mm256_storeu_si256(at, Over(s, _mm256_loadu_si256(at)));
  }
  if (i < n) Tail<false>(dst + i, s, TailMask(n - i), s);
}

} // namespace

// The portable index loop serves here too.
const D2dRowKernels D2dAvx2Set{.name = "avx2",
                               .blend = BlendAvx2,
                               .blendRect = BlendRectAvx2,
                               .blendColumns = BlendColumnsAvx2,
                               .fill = FillAvx2,
                               .nearestIndices = D2dNearestIndicesPortable,
                               .affineRow = D2dAffineRowAvx2};
