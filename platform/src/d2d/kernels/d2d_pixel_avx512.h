// Pixel arithmetic shared by the AVX-512 kernels (byte and word instructions, AVX512BW):
// the same arithmetic as the AVX2 kernels (d2d_pixel_avx2.h), sixteen pixels at a time.
// Include only from files whose functions carry the AVX-512 target attribute.
#pragma once

#include <immintrin.h>

#include <cstdint>

#define D2D_AVX512 __attribute__((target("avx512f,avx512bw")))
#define D2D_AVX512_INLINE __attribute__((target("avx512f,avx512bw"), always_inline)) inline

// a * b / 255 rounded, per 16-bit lane, for lanes 0..255.
D2D_AVX512_INLINE __m512i MulUn8(__m512i a, __m512i b) {
  __m512i t = _mm512_add_epi16(_mm512_mullo_epi16(a, b), _mm512_set1_epi16(128));
  return _mm512_mulhi_epu16(t, _mm512_set1_epi16(257));
}

D2D_AVX512_INLINE __m512i Fade(__m512i s, __m512i opacity) {
  const __m512i zero = _mm512_setzero_si512();
  return _mm512_packus_epi16(MulUn8(_mm512_unpacklo_epi8(s, zero), opacity),
                             MulUn8(_mm512_unpackhi_epi8(s, zero), opacity));
}

// 255 - alpha is the alpha byte of ~s; these spread it over the 16-bit lanes of its pixel as
// unpacklo / unpackhi lay out the destination (the same pattern in each 128-bit lane; -1
// makes a zero byte).
#define D2D_SPREAD(a, b) a, -1, a, -1, a, -1, a, -1, b, -1, b, -1, b, -1, b, -1
alignas(64) const int8_t SpreadLow[64] = {D2D_SPREAD(3, 7), D2D_SPREAD(3, 7), D2D_SPREAD(3, 7), D2D_SPREAD(3, 7)};
alignas(64) const int8_t SpreadHigh[64] = {D2D_SPREAD(11, 15), D2D_SPREAD(11, 15), D2D_SPREAD(11, 15),
                                           D2D_SPREAD(11, 15)};
#undef D2D_SPREAD

// s over d for sixteen pixels; s already carries its opacity.
D2D_AVX512_INLINE __m512i Over(__m512i s, __m512i d) {
  const __m512i zero = _mm512_setzero_si512();
  __m512i inverse = _mm512_xor_si512(s, _mm512_set1_epi32(-1));
  __m512i kept = _mm512_packus_epi16(
      MulUn8(_mm512_unpacklo_epi8(d, zero), _mm512_shuffle_epi8(inverse, _mm512_load_si512(SpreadLow))),
      MulUn8(_mm512_unpackhi_epi8(d, zero), _mm512_shuffle_epi8(inverse, _mm512_load_si512(SpreadHigh))));
  return _mm512_adds_epu8(s, kept);
}
