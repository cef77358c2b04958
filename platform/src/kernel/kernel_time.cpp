// Performance counter, sleeping and the multimedia timer period.
#include <windows.h>

#include "kernel_hooks.h"

#include <atomic>
#include <cerrno>
#include <ctime>

#include <sched.h>

namespace {

constexpr int64_t CounterFrequency = 10'000'000; // 100 ns ticks

std::atomic<PerformanceCounterHook> CounterHook{nullptr};
std::atomic<int> TimeBeginPeriodCalls{0};

int64_t MonotonicNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

void PlatformSetPerformanceCounterHook(PerformanceCounterHook hook) { CounterHook.store(hook); }

int PlatformTimeBeginPeriodCalls() { return TimeBeginPeriodCalls.load(); }

BOOL QueryPerformanceCounter(LARGE_INTEGER *count) {
  if (!count) return FALSE;
  PerformanceCounterHook hook = CounterHook.load();
  if (hook) {
    int64_t value = 0;
    if (!hook(&value)) return FALSE;
    count->QuadPart = value;
    return TRUE;
  }
  count->QuadPart = MonotonicNanoseconds() / (1'000'000'000 / CounterFrequency);
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
  if (!frequency) return FALSE;
  frequency->QuadPart = CounterFrequency;
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) {
      timespec day{86400, 0};
      nanosleep(&day, nullptr);
    }
  }
  timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

MMRESULT timeBeginPeriod(UINT period) {
  TimeBeginPeriodCalls.fetch_add(1);
  return period >= 1 ? TIMERR_NOERROR : TIMERR_NOCANDO;
}
