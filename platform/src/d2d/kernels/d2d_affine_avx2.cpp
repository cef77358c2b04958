// The AVX2 row kernel of rotated bilinear brush fills: eight pixels a step. Positions step
// in 32-bit lanes exactly as the portable kernel steps them; wrap and mirror reduce a tap's
// index by a float quotient corrected by one either way (exact, as indices stay within
// +-2^15); the four taps are gathered and weighted with 16-bit multiply-adds, the sums
// truncated by 14 bits, then faded and blended with the arithmetic of the blit kernels.
#include "d2d_affine.h"

#include "d2d_pixel_avx2.h"

namespace {

// How one axis extends: size n, and the period the index is reduced by (n to wrap, 2n to
// mirror).
struct Axis {
  __m256i size, last, period;
  __m256 inversePeriod;
  D2D1_EXTEND_MODE mode;
};

D2D_AVX2_INLINE Axis MakeAxis(int n, D2D1_EXTEND_MODE mode) {
  int period = mode == D2D1_EXTEND_MODE_MIRROR ? 2 * n : n;
  return Axis{_mm256_set1_epi32(n), _mm256_set1_epi32(n - 1), _mm256_set1_epi32(period),
              _mm256_set1_ps(1.0f / static_cast<float>(period)), mode};
}

// i mod period, in [0, period).
D2D_AVX2_INLINE __m256i Reduce(__m256i i, const Axis &a) {
  __m256i q = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(i), a.inversePeriod)));
  __m256i r = _mm256_sub_epi32(i, _mm256_mullo_epi32(q, a.period));
  r = _mm256_add_epi32(r, _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), r), a.period));
  return _mm256_sub_epi32(r, _mm256_andnot_si256(_mm256_cmpgt_epi32(a.period, r), a.period));
}

// A reduced mirror index folded back into [0, n).
D2D_AVX2_INLINE __m256i Fold(__m256i m, const Axis &a) {
  __m256i back = _mm256_sub_epi32(_mm256_sub_epi32(a.period, _mm256_set1_epi32(1)), m);
  return _mm256_blendv_epi8(back, m, _mm256_cmpgt_epi32(a.size, m));
}

// The extended indices of taps i and i + 1.
D2D_AVX2_INLINE void Taps(__m256i i, const Axis &a, __m256i *first, __m256i *second) {
  const __m256i one = _mm256_set1_epi32(1);
  if (a.mode == D2D1_EXTEND_MODE_CLAMP) {
    const __m256i zero = _mm256_setzero_si256();
    *first = _mm256_min_epi32(_mm256_max_epi32(i, zero), a.last);
    *second = _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(i, one), zero), a.last);
    return;
  }
  __m256i m = Reduce(i, a);
  __m256i next = _mm256_add_epi32(m, one);
  next = _mm256_andnot_si256(_mm256_cmpeq_epi32(next, a.period), next); // period wraps to 0
  if (a.mode == D2D1_EXTEND_MODE_MIRROR) {
    m = Fold(m, a);
    next = Fold(next, a);
  }
  *first = m;
  *second = next;
}

// Eight bilinear samples from their four taps and 7-bit fractions (32-bit lanes).
D2D_AVX2_INLINE __m256i Bilinear(__m256i tl, __m256i tr, __m256i bl, __m256i br, __m256i fx, __m256i fy) {
  const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi32(128);
  __m256i gx = _mm256_sub_epi32(full, fx), gy = _mm256_sub_epi32(full, fy);
  // Products of 7-bit weights fit 16 bits; the upper halves of the lanes are zero.
  __m256i wtop = _mm256_or_si256(_mm256_mullo_epi16(gx, gy), _mm256_slli_epi32(_mm256_mullo_epi16(fx, gy), 16));
  __m256i wbottom = _mm256_or_si256(_mm256_mullo_epi16(gx, fy), _mm256_slli_epi32(_mm256_mullo_epi16(fx, fy), 16));
  // Channel pairs (left tap, right tap) as 16-bit lanes; pixel k of each 128-bit half lands
  // in the sum r(k), whose weights are that pixel's, spread over its four channels.
  __m256i top01 = _mm256_unpacklo_epi8(tl, tr), top23 = _mm256_unpackhi_epi8(tl, tr);
  __m256i bottom01 = _mm256_unpacklo_epi8(bl, br), bottom23 = _mm256_unpackhi_epi8(bl, br);
  __m256i r0 =
      _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi8(top01, zero), _mm256_shuffle_epi32(wtop, 0x00)),
                       _mm256_madd_epi16(_mm256_unpacklo_epi8(bottom01, zero), _mm256_shuffle_epi32(wbottom, 0x00)));
  __m256i r1 =
      _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi8(top01, zero), _mm256_shuffle_epi32(wtop, 0x55)),
                       _mm256_madd_epi16(_mm256_unpackhi_epi8(bottom01, zero), _mm256_shuffle_epi32(wbottom, 0x55)));
  __m256i r2 =
      _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi8(top23, zero), _mm256_shuffle_epi32(wtop, 0xaa)),
                       _mm256_madd_epi16(_mm256_unpacklo_epi8(bottom23, zero), _mm256_shuffle_epi32(wbottom, 0xaa)));
  __m256i r3 =
      _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi8(top23, zero), _mm256_shuffle_epi32(wtop, 0xff)),
                       _mm256_madd_epi16(_mm256_unpackhi_epi8(bottom23, zero), _mm256_shuffle_epi32(wbottom, 0xff)));
  r0 = _mm256_srli_epi32(r0, 14);
  r1 = _mm256_srli_epi32(r1, 14);
  r2 = _mm256_srli_epi32(r2, 14);
  r3 = _mm256_srli_epi32(r3, 14);
  return _mm256_packus_epi16(_mm256_packs_epi32(r0, r1), _mm256_packs_epi32(r2, r3));
}

template <bool Faded>
D2D_AVX2_INLINE void Row(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy,
                         const D2dAffineSource &source, uint32_t opacity8) {
  const Axis across = MakeAxis(source.width, source.extend), down = MakeAxis(source.height, source.extend);
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), seven = _mm256_set1_epi32(127);
  const __m256i stride = _mm256_set1_epi32(source.stride);
  const __m256i opacity = _mm256_set1_epi16(static_cast<short>(opacity8));
  const int *base = reinterpret_cast<const int *>(source.pixels);
  // Positions stay within +-2^30 (the caller's promise), so these 32-bit additions are the
  // same as pixman's.
  __m256i px = _mm256_add_epi32(_mm256_set1_epi32(x), _mm256_mullo_epi32(_mm256_set1_epi32(ux), lanes));
  __m256i py = _mm256_add_epi32(_mm256_set1_epi32(y), _mm256_mullo_epi32(_mm256_set1_epi32(uy), lanes));
  const __m256i stepX = _mm256_set1_epi32(ux * 8), stepY = _mm256_set1_epi32(uy * 8);
  for (int i = 0; i < n; i += 8) {
    __m256i c0, c1, r0, r1;
    Taps(_mm256_srai_epi32(px, 16), across, &c0, &c1);
    Taps(_mm256_srai_epi32(py, 16), down, &r0, &r1);
    r0 = _mm256_mullo_epi32(r0, stride);
    r1 = _mm256_mullo_epi32(r1, stride);
    __m256i tl = _mm256_i32gather_epi32(base, _mm256_add_epi32(r0, c0), 4);
    __m256i tr = _mm256_i32gather_epi32(base, _mm256_add_epi32(r0, c1), 4);
    __m256i bl = _mm256_i32gather_epi32(base, _mm256_add_epi32(r1, c0), 4);
    __m256i br = _mm256_i32gather_epi32(base, _mm256_add_epi32(r1, c1), 4);
    __m256i s = Bilinear(tl, tr, bl, br, _mm256_and_si256(_mm256_srli_epi32(px, 9), seven),
                         _mm256_and_si256(_mm256_srli_epi32(py, 9), seven));
    px = _mm256_add_epi32(px, stepX);
    py = _mm256_add_epi32(py, stepY);
    if (Faded) s = Fade(s, opacity);
    if (i + 8 <= n) {
      if (_mm256_testz_si256(s, s)) continue; // all transparent: nothing changes
      __m256i *at = reinterpret_cast<__m256i *>(dst + i);
      _mm256_storeu_si256(at, Over(s, _mm256_loadu_si256(at)));
    } else {
      int *at = reinterpret_cast<int *>(dst + i);
      __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(n - i), lanes);
      _mm256_maskstore_epi32(at, mask, Over(s, _mm256_maskload_epi32(at, mask)));
    }
  }
}

} // namespace

D2D_AVX2 void D2dAffineRowAvx2(uint32_t *dst, int n, int32_t x, int32_t y, int32_t ux, int32_t uy,
                               const D2dAffineSource &source, uint32_t opacity8) {
  if (opacity8 >= 255)
    Row<false>(dst, n, x, y, ux, uy, source, opacity8);
  else
    Row<true>(dst, n, x, y, ux, uy, source, opacity8);
}
