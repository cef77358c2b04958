// The AVX-512 row kernels (byte and word instructions, AVX512BW): sixteen pixels a step,
// the same arithmetic as the AVX2 kernels (see d2d_blit_avx2.cpp), and the row's last 0..15
// pixels through masked loads and stores.
#include "d2d_row_kernels.h"

#include "d2d_pixel_avx512.h"

namespace {

D2D_AVX512_INLINE __mmask16 TailMask(int left) { return static_cast<__mmask16>((1u << left) - 1); }

template <bool Faded> D2D_AVX512_INLINE void Step(uint32_t *dst, __m512i s, __m512i opacity) {
  const __m512i alpha = _mm512_set1_epi32(static_cast<int>(0xff000000u));
  if (_mm512_test_epi32_mask(s, s) == 0) return; // all transparent: nothing changes
  if (!Faded && _mm512_cmpeq_epi32_mask(_mm512_and_si512(s, alpha), alpha) == 0xffff) {
    _mm512_storeu_si512(dst, s); // all opaque: the source replaces
    return;
  }
  if (Faded) s = Fade(s, opacity);
  _mm512_storeu_si512(dst, Over(s, _mm512_loadu_si512(dst)));
}

template <bool Faded> D2D_AVX512_INLINE void Tail(uint32_t *dst, __m512i s, __mmask16 mask, __m512i opacity) {
  if (Faded) s = Fade(s, opacity);
  _mm512_mask_storeu_epi32(dst, mask, Over(s, _mm512_maskz_loadu_epi32(mask, dst)));
}

template <bool Faded>
D2D_AVX512_INLINE void BlendRow(uint32_t *__restrict dst, const uint32_t *__restrict src, int n, __m512i opacity) {
  int i = 0;
  for (; i + 16 <= n; i += 16) Step<Faded>(dst + i, _mm512_loadu_si512(src + i), opacity);
  if (i < n) {
    __mmask16 mask = TailMask(n - i);
    Tail<Faded>(dst + i, _mm512_maskz_loadu_epi32(mask, src + i), mask, opacity);
  }
}

template <bool Faded>
D2D_AVX512_INLINE void BlendColumnsRow(uint32_t *__restrict dst, const uint32_t *__restrict srcRow,
                                       const int32_t *__restrict columns, int n, __m512i opacity) {
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    __m512i index = _mm512_loadu_si512(columns + i);
    // Columns only grow: when the sixteenth is at most fifteen past the first, all sixteen
    // lie in the sixteen source pixels from the first on (always so when enlarging).
    int first = columns[i], span = columns[i + 15] - first;
    __m512i s;
    if (span <= 15) {
      // (The masked forms with every lane on: GCC 12's plain forms warn about their
      // deliberately undefined start value.)
      s = _mm512_maskz_permutexvar_epi32(0xffff, _mm512_sub_epi32(index, _mm512_set1_epi32(first)),
                                         _mm512_maskz_loadu_epi32(TailMask(span + 1), srcRow + first));
    } else {
      s = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), 0xffff, index, srcRow, 4);
    }
    Step<Faded>(dst + i, s, opacity);
  }
  if (i < n) {
    __mmask16 mask = TailMask(n - i);
    __m512i index = _mm512_maskz_loadu_epi32(mask, columns + i);
    __m512i s = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), mask, index, srcRow, 4);
    Tail<Faded>(dst + i, s, mask, opacity);
  }
}

D2D_AVX512 void BlendAvx512(uint32_t *__restrict dst, const uint32_t *__restrict src, int n, uint32_t opacity8) {
  __m512i opacity = _mm512_set1_epi16(static_cast<short>(opacity8));
  if (opacity8 >= 255)
    BlendRow<false>(dst, src, n, opacity);
  else
    BlendRow<true>(dst, src, n, opacity);
}

D2D_AVX512 void BlendRectAvx512(uint32_t *__restrict dst, ptrdiff_t dstStride, const uint32_t *__restrict src,
                                ptrdiff_t srcStride, int n, int rows, uint32_t opacity8) {
  __m512i opacity = _mm512_set1_epi16(static_cast<short>(opacity8));
  for (int y = 0; y < rows; ++y, dst += dstStride, src += srcStride) {
    if (opacity8 >= 255)
      BlendRow<false>(dst, src, n, opacity);
    else
      BlendRow<true>(dst, src, n, opacity);
  }
}

D2D_AVX512 void BlendColumnsAvx512(uint32_t *__restrict dst, const uint32_t *__restrict srcRow,
                                   const int32_t *__restrict columns, int n, uint32_t opacity8) {
  __m512i opacity = _mm512_set1_epi16(static_cast<short>(opacity8));
  if (opacity8 >= 255)
    BlendColumnsRow<false>(dst, srcRow, columns, n, opacity);
  else
    BlendColumnsRow<true>(dst, srcRow, columns, n, opacity);
}

D2D_AVX512 void FillAvx512(uint32_t *__restrict dst, int n, uint32_t color) {
  __m512i s = _mm512_set1_epi32(static_cast<int>(color));
  int i = 0;
  if ((color >> 24) == 255) {
    for (; i + 16 <= n; i += 16) _mm512_storeu_si512(dst + i, s);
    if (i < n) _mm512_mask_storeu_epi32(dst + i, TailMask(n - i), s);
    return;
  }
  if (color == 0) return;
  for (; i + 16 <= n; i += 16) _mm512_storeu_si512(dst + i, Over(s, _mm512_loadu_si512(dst + i)));
  if (i < n) Tail<false>(dst + i, s, TailMask(n - i), s);
}

// Eight indices a step. The empty asm keeps each product a value of its own, so the compiler
// cannot fuse it with the addition into one differently rounded multiply-add.
D2D_AVX512 void NearestIndicesAvx512(int32_t *out, int from, int n, const D2dNearestAxis &axis) {
  const double start = axis.start, origin = axis.origin, scale = axis.scale;
  const auto lo = static_cast<int32_t>(axis.lo), hi = static_cast<int32_t>(axis.hi);
  const __m512d half = _mm512_set1_pd(0.5), first = _mm512_set1_pd(start), factor = _mm512_set1_pd(scale),
                offset = _mm512_set1_pd(origin);
  const __m256i low = _mm256_set1_epi32(lo), high = _mm256_set1_epi32(hi);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i at = _mm256_add_epi32(_mm256_set1_epi32(from + i), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    // (Masked forms with every lane on: GCC 12's plain forms warn about their deliberately
    // undefined start value.)
    __m512d exact = _mm512_mask_cvtepi32_pd(_mm512_setzero_pd(), 0xff, at);
    __m512d product = _mm512_mul_pd(_mm512_sub_pd(_mm512_add_pd(exact, half), first), factor);
    __asm__("" : "+v"(product));
    __m512d v = _mm512_mask_roundscale_pd(_mm512_setzero_pd(), 0xff, _mm512_add_pd(offset, product),
                                          _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    __m256i index = _mm512_mask_cvttpd_epi32(_mm256_setzero_si256(), 0xff, v);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_min_epi32(_mm256_max_epi32(index, low), high));
  }
  for (; i < n; ++i) {
    double product = (from + i + 0.5 - start) * scale;
    __asm__("" : "+x"(product));
    double v = origin + product;
    int32_t index = static_cast<int32_t>(v);
    index -= static_cast<double>(index) > v ? 1 : 0;
    out[i] = index < lo ? lo : (index > hi ? hi : index);
  }
}

} // namespace

const D2dRowKernels D2dAvx512Set{.name = "avx512",
                                 .blend = BlendAvx512,
                                 .blendRect = BlendRectAvx512,
                                 .blendColumns = BlendColumnsAvx512,
                                 .fill = FillAvx512,
                                 .nearestIndices = NearestIndicesAvx512,
                                 .affineRow = D2dAffineRowAvx512};
