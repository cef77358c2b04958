#include "frame_clock.h"

#include <windows.h>

#include <cmath>

FrameClockState FrameClock;

constexpr auto Relaxed = std::memory_order_relaxed;

int64_t TicksPerFrame(int64_t frequency, float fps) {
  const double ticks = static_cast<double>(frequency) / static_cast<double>(fps);
  if (!std::isfinite(ticks)) return 0;
  // nearbyint rounds in the default mode: to nearest, ties to even.
  return static_cast<int64_t>(std::nearbyint(ticks));
}

int64_t CounterFrequency() {
  LARGE_INTEGER frequency;
  frequency.QuadPart = 0;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

void SetFrameRate(float fps) {
  FrameClock.framesPerSecond.store(fps, Relaxed);
  LARGE_INTEGER counter;
  counter.QuadPart = 0;
  QueryPerformanceCounter(&counter);
  FrameClock.counterNow.store(counter.QuadPart, Relaxed);
  const int64_t ticks = TicksPerFrame(CounterFrequency(), fps);
  FrameClock.ticksPerFrame.store(ticks, Relaxed);
  FrameClock.nextFrameDue.store(counter.QuadPart + ticks, Relaxed);
}
