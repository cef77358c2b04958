// The toolkit's delay raises the system timer resolution once per process; the Linux
// kernel stand-in counts the timeBeginPeriod calls.
#include "kernel/kernel_hooks.h"
#include "toolkit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(TkDelay, RaisesTheTimerResolutionOnce) {
  std::atomic<bool> go{false};
  auto first = [&] {
    while (!go.load()) std::this_thread::yield();
    TkDelay(1);
  };
  std::thread a(first), b(first);
  go = true;
  TkDelay(0);
  a.join();
  b.join();
  TkDelay(1);
  TkDelay(-5); // no endless sleep
  EXPECT_EQ(PlatformTimeBeginPeriodCalls(), 1);
}

} // namespace
