// Integer-hash value noise. No global random state: every value is a pure function of
// its coordinates and a seed, so the pictures come out byte-identical on every run.
#pragma once

#include <cmath>
#include <cstdint>

namespace icons {

inline std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B9u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

// Uniform value in [0, 1) for a lattice point.
inline double Random01(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  return (Hash(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

inline double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// Smoothly interpolated lattice noise in [0, 1).
inline double ValueNoise(double x, double y, std::uint32_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy);
  double tx = Fade(x - fx), ty = Fade(y - fy);
  double a = Random01(ix, iy, seed), b = Random01(ix + 1, iy, seed);
  double c = Random01(ix, iy + 1, seed), d = Random01(ix + 1, iy + 1, seed);
  double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

// Fractal sum of octaves, normalised back to [0, 1). Each octave is rotated a little
// so the lattice does not show as horizontal and vertical streaks.
inline double Fbm(double x, double y, int octaves, std::uint32_t seed, double gain = 0.5) {
  double sum = 0, amp = 1, norm = 0;
  const double cs = 0.8, sn = 0.6;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 101u) * amp;
    norm += amp;
    amp *= gain;
    double nx = (x * cs - y * sn) * 2.03 + 17.1;
    double ny = (x * sn + y * cs) * 2.03 - 9.7;
    x = nx;
    y = ny;
  }
  return sum / norm;
}

// Ridged variant: sharp crests where the noise crosses its middle, as mountain ridges.
inline double RidgedFbm(double x, double y, int octaves, std::uint32_t seed, double gain = 0.5) {
  double sum = 0, amp = 1, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    double n = ValueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 131u);
    n = 1 - std::fabs(2 * n - 1);
    sum += n * n * amp;
    norm += amp;
    amp *= gain;
    x = x * 2.07 + 3.3;
    y = y * 2.07 - 5.1;
  }
  return sum / norm;
}

// Roughly Gaussian per-pixel noise with zero mean and unit spread, for film grain.
inline double Grain(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  double s = 0;
  for (std::uint32_t k = 0; k < 4; ++k) s += Random01(x, y, seed + k * 7919u);
  return (s - 2.0) * 1.732;
}

} // namespace icons
