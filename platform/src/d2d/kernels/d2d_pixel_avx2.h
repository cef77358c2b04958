// Pixel arithmetic shared by the AVX2 kernels (bitmap rows and brush samples): bytes are
// widened to 16-bit lanes only where a product is needed, and x * a / 255 is rounded as
// (x * a + 128) * 257 >> 16, which equals pixman's rounding for every product of two bytes.
// Include only from files whose functions carry the AVX2 target attribute.
#pragma once

#include <immintrin.h>

#define D2D_AVX2 __attribute__((target("avx2")))
#define D2D_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

// a * b / 255 rounded, per 16-bit lane, for lanes 0..255.
D2D_AVX2_INLINE __m256i MulUn8(__m256i a, __m256i b) {
  __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(a, b), _mm256_set1_epi16(128));
  return _mm256_mulhi_epu16(t, _mm256_set1_epi16(257));
}

// Each byte of eight pixels times opacity / 255; opacity repeated in every 16-bit lane.
D2D_AVX2_INLINE __m256i Fade(__m256i s, __m256i opacity) {
  const __m256i zero = _mm256_setzero_si256();
  return _mm256_packus_epi16(MulUn8(_mm256_unpacklo_epi8(s, zero), opacity),
                             MulUn8(_mm256_unpackhi_epi8(s, zero), opacity));
}

// s over d for eight pixels; s already carries its opacity.
D2D_AVX2_INLINE __m256i Over(__m256i s, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  // 255 - alpha is the alpha byte of ~s; spread it over the four 16-bit lanes of its pixel,
  // laid out as unpacklo / unpackhi lay out the destination.
  const __m256i low = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1, //
                                       3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  const __m256i high = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, //
                                        11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
  __m256i inverse = _mm256_xor_si256(s, _mm256_set1_epi32(-1));
  __m256i kept = _mm256_packus_epi16(MulUn8(_mm256_unpacklo_epi8(d, zero), _mm256_shuffle_epi8(inverse, low)),
                                     MulUn8(_mm256_unpackhi_epi8(d, zero), _mm256_shuffle_epi8(inverse, high)));
  return _mm256_adds_epu8(s, kept);
}
