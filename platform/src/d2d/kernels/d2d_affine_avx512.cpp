// The AVX-512 row kernel of rotated bilinear brush fills (AVX512F and AVX512BW): sixteen
// pixels a step, step for step the AVX2 kernel (see d2d_affine_avx2.cpp) on registers twice
// as wide, the index corrections and the row's last 0..15 pixels under lane masks.
#include "d2d_affine.h"

#include "d2d_pixel_avx512.h"

// GCC 12's AVX-512 headers fill the unused merge operand of unmasked intrinsics (shifts,
// shuffles, conversions) from a deliberately undefined register, which the uninitialised-use
// analysis reports once those intrinsics are inlined here.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace {

struct Axis {
  __m512i size, last, period, periodLess1;
  __m512 inversePeriod;
  D2D1_EXTEND_MODE mode;
};

D2D_AVX512_INLINE Axis MakeAxis(int n, D2D1_EXTEND_MODE mode) {
  int period = mode == D2D1_EXTEND_MODE_MIRROR ? 2 * n : n;
  return Axis{_mm512_set1_epi32(n),
              _mm512_set1_epi32(n - 1),
              _mm512_set1_epi32(period),
              _mm512_set1_epi32(period - 1),
              _mm512_set1_ps(1.0f / static_cast<float>(period)),
              mode};
}

// i mod period, in [0, period): a float quotient, then one correction either way.
D2D_AVX512_INLINE __m512i Reduce(__m512i i, const Axis &a) {
  __m512 quotient = _mm512_roundscale_ps(_mm512_mul_ps(_mm512_cvtepi32_ps(i), a.inversePeriod),
                                         _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  __m512i r = _mm512_sub_epi32(i, _mm512_mullo_epi32(_mm512_cvttps_epi32(quotient), a.period));
  r = _mm512_mask_add_epi32(r, _mm512_cmplt_epi32_mask(r, _mm512_setzero_si512()), r, a.period);
  return _mm512_mask_sub_epi32(r, _mm512_cmpge_epi32_mask(r, a.period), r, a.period);
}

// A reduced mirror index folded back into [0, n).
D2D_AVX512_INLINE __m512i Fold(__m512i m, const Axis &a) {
  return _mm512_mask_sub_epi32(m, _mm512_cmpge_epi32_mask(m, a.size), a.periodLess1, m);
}

D2D_AVX512_INLINE void Taps(__m512i i, const Axis &a, __m512i *first, __m512i *second) {
  const __m512i one = _mm512_set1_epi32(1), zero = _mm512_setzero_si512();
  if (a.mode == D2D1_EXTEND_MODE_CLAMP) {
    *first = _mm512_min_epi32(_mm512_max_epi32(i, zero), a.last);
    *second = _mm512_min_epi32(_mm512_max_epi32(_mm512_add_epi32(i, one), zero), a.last);
    return;
  }
  __m512i m = Reduce(i, a);
  __m512i next = _mm512_add_epi32(m, one);
  next = _mm512_maskz_mov_epi32(_mm512_cmpneq_epi32_mask(next, a.period), next); // period wraps to 0
  if (a.mode == D2D1_EXTEND_MODE_MIRROR) {
    m = Fold(m, a);
    next = Fold(next, a);
  }
  *first = m;
  *second = next;
}

// Sixteen bilinear samples; the same lane plan as the AVX2 kernel's, in each 128-bit lane.
D2D_AVX512_INLINE __m512i Bilinear(__m512i tl, __m512i tr, __m512i bl, __m512i br, __m512i fx, __m512i fy) {
  const __m512i zero = _mm512_setzero_si512(), full = _mm512_set1_epi32(128);
  __m512i gx = _mm512_sub_epi32(full, fx), gy = _mm512_sub_epi32(full, fy);
  __m512i wtop = _mm512_or_si512(_mm512_mullo_epi16(gx, gy), _mm512_slli_epi32(_mm512_mullo_epi16(fx, gy), 16));
  __m512i wbottom = _mm512_or_si512(_mm512_mullo_epi16(gx, fy), _mm512_slli_epi32(_mm512_mullo_epi16(fx, fy), 16));
  __m512i top01 = _mm512_unpacklo_epi8(tl, tr), top23 = _mm512_unpackhi_epi8(tl, tr);
  __m512i bottom01 = _mm512_unpacklo_epi8(bl, br), bottom23 = _mm512_unpackhi_epi8(bl, br);
  __m512i r0 = _mm512_add_epi32(
      _mm512_madd_epi16(_mm512_unpacklo_epi8(top01, zero), _mm512_shuffle_epi32(wtop, _MM_PERM_AAAA)),
      _mm512_madd_epi16(_mm512_unpacklo_epi8(bottom01, zero), _mm512_shuffle_epi32(wbottom, _MM_PERM_AAAA)));
  __m512i r1 = _mm512_add_epi32(
      _mm512_madd_epi16(_mm512_unpackhi_epi8(top01, zero), _mm512_shuffle_epi32(wtop, _MM_PERM_BBBB)),
      _mm512_madd_epi16(_mm512_unpackhi_epi8(bottom01, zero), _mm512_shuffle_epi32(wbottom, _MM_PERM_BBBB)));
  __m512i r2 = _mm512_add_epi32(
      _mm512_madd_epi16(_mm512_unpacklo_epi8(top23, zero), _mm512_shuffle_epi32(wtop, _MM_PERM_CCCC)),
      _mm512_madd_epi16(_mm512_unpacklo_epi8(bottom23, zero), _mm512_shuffle_epi32(wbottom, _MM_PERM_CCCC)));
  __m512i r3 = _mm512_add_epi32(
      _mm512_madd_epi16(_mm512_unpackhi_epi8(top23, zero), _mm512_shuffle_epi32(wtop, _MM_PERM_DDDD)),
      _mm512_madd_epi16(_mm512_unpackhi_epi8(bottom23, zero), _mm512_shuffle_epi32(wbottom, _MM_PERM_DDDD)));
  r0 = _mm512_srli_epi32(r0, 14);
  r1 = _mm512_srli_epi32(r1, 14);
  r2 = _mm512_srli_epi32(r2, 14);
  r3 = _mm512_srli_epi32(r3, 14);
  return _mm512_packus_epi16(_mm512_packs_epi32(r0, r1), _mm512_packs_epi32(r2, r3));
}

template <bool Faded>
D2D_AVX512_INLINE void Row(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy,
                           const D2dAffineSource &source, uint32_t opacity8) {
  const Axis across = MakeAxis(source.width, source.extend), down = MakeAxis(source.height, source.extend);
  const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i seven = _mm512_set1_epi32(127), stride = _mm512_set1_epi32(source.stride);
  const __m512i opacity = _mm512_set1_epi16(static_cast<short>(opacity8));
  const int *base = reinterpret_cast<const int *>(source.pixels);
  __m512i px = _mm512_add_epi32(_mm512_set1_epi32(x), _mm512_mullo_epi32(_mm512_set1_epi32(ux), lanes));
  __m512i py = _mm512_add_epi32(_mm512_set1_epi32(y), _mm512_mullo_epi32(_mm512_set1_epi32(uy), lanes));
  const __m512i stepX = _mm512_set1_epi32(ux * 16), stepY = _mm512_set1_epi32(uy * 16);
  for (int i = 0; i < n; i += 16) {
    __m512i c0, c1, r0, r1;
    Taps(_mm512_srai_epi32(px, 16), across, &c0, &c1);
    Taps(_mm512_srai_epi32(py, 16), down, &r0, &r1);
    r0 = _mm512_mullo_epi32(r0, stride);
    r1 = _mm512_mullo_epi32(r1, stride);
    __m512i tl = _mm512_i32gather_epi32(_mm512_add_epi32(r0, c0), base, 4);
    __m512i tr = _mm512_i32gather_epi32(_mm512_add_epi32(r0, c1), base, 4);
    __m512i bl = _mm512_i32gather_epi32(_mm512_add_epi32(r1, c0), base, 4);
    __m512i br = _mm512_i32gather_epi32(_mm512_add_epi32(r1, c1), base, 4);
    __m512i s = Bilinear(tl, tr, bl, br, _mm512_and_si512(_mm512_srli_epi32(px, 9), seven),
                         _mm512_and_si512(_mm512_srli_epi32(py, 9), seven));
    px = _mm512_add_epi32(px, stepX);
    py = _mm512_add_epi32(py, stepY);
    if (Faded) s = Fade(s, opacity);
    if (_mm512_test_epi32_mask(s, s) == 0) continue; // all transparent: nothing changes
    if (i + 16 <= n) {
      _mm512_storeu_si512(dst + i, Over(s, _mm512_loadu_si512(dst + i)));
    } else {
      __mmask16 mask = static_cast<__mmask16>((1u << (n - i)) - 1);
      _mm512_mask_storeu_epi32(dst + i, mask, Over(s, _mm512_maskz_loadu_epi32(mask, dst + i)));
    }
  }
}

} // namespace

D2D_AVX512 void D2dAffineRowAvx512(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy,
                                   const D2dAffineSource &source, uint32_t opacity8) {
  if (opacity8 >= 255)
    Row<false>(dst, n, x, y, ux, uy, source, opacity8);
  else
    Row<true>(dst, n, x, y, ux, uy, source, opacity8);
}
