// Random numbers: one xoshiro256** generator per thread, so the render thread and the
// GUI thread never share state.
#include "toolkit.h"

namespace {

struct RandomState {
  uint64_t s[4];
  bool seeded;
};

thread_local RandomState tRandom;

uint64_t SplitMix64(uint64_t *x) {
  uint64_t z = (*x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void Seed(RandomState *state, uint64_t seed) {
  // splitmix64 spreads any seed, zero included, over the whole state.
  for (uint64_t &word : state->s) word = SplitMix64(&seed);
  state->seeded = true;
}

uint64_t RotateLeft(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

uint64_t Next(RandomState *state) {
  if (!state->seeded) {
    // Two threads starting in the same counter tick still differ by thread id and by
    // the address of their own state.
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    uint64_t seed = static_cast<uint64_t>(counter.QuadPart);
    seed ^= static_cast<uint64_t>(GetCurrentThreadId()) * 0xD6E8FEB86659FD93ull;
    seed ^= static_cast<uint64_t>(reinterpret_cast<uintptr_t>(state));
    Seed(state, seed);
  }
  uint64_t *s = state->s;
  uint64_t result = RotateLeft(s[1] * 5, 7) * 9;
  uint64_t t = s[1] << 17;
  s[2] ^= s[0];
  s[3] ^= s[1];
  s[1] ^= s[2];
  s[0] ^= s[3];
  s[2] ^= t;
  s[3] = RotateLeft(s[3], 45);
  return result;
}

} // namespace

void TkRandomSeed(uint64_t seed) { Seed(&tRandom, seed); }

int64_t TkRandom(int64_t max) {
  if (max <= 0) return 0;
  uint64_t range = static_cast<uint64_t>(max) + 1;
  // Values below 2^64 mod range would be picked once more often than the rest; drawing
  // again in that case keeps every result equally likely.
  uint64_t threshold = (0 - range) % range;
  uint64_t value;
  do value = Next(&tRandom);
  while (value < threshold);
  return static_cast<int64_t>(value % range);
}
