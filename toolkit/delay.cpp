// Millisecond delay.
#include "toolkit.h"

#include <mutex>

namespace {
std::once_flag gTimerResolutionRaised;
}

void TkDelay(int milliseconds) {
  // Without a finer timer a Sleep(1) lasts a whole scheduler tick (about 15.6 ms on
  // Windows), far too long for a frame clock. Raised once; both threads may get here first.
  std::call_once(gTimerResolutionRaised, [] { timeBeginPeriod(1); });
  Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}
