// The frame schedule of the render thread, driven by a performance counter the test
// controls, and the render thread's passes against the GUI thread's rebuilds.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <deque>
#include <string>
#include <thread>

#include "app_state.h"
#include "balls.h"
#include "kernel/kernel_hooks.h"
#include "render_thread.h"
#include "settings.h"
#include "toolkit.h"

namespace {

// The counter: scripted readings, the last one repeated once they run out, and a number
// of readings to fail first.
std::deque<int64_t> Readings;
int64_t LastReading = 0;
int FailuresLeft = 0;

bool ScriptedCounter(int64_t *value) {
  if (FailuresLeft > 0) {
    FailuresLeft--;
    return false;
  }
  if (!Readings.empty()) {
    LastReading = Readings.front();
    Readings.pop_front();
  }
  *value = LastReading;
  return true;
}

int64_t Frequency() {
  LARGE_INTEGER frequency;
  frequency.QuadPart = 0;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

void ResetFrameClock() {
  FrameClock.framesPerSecond = 60.0f;
  FrameClock.counterNow = 0;
  FrameClock.counterLast = 0;
  FrameClock.ticksPerFrame = 0;
  FrameClock.nextFrameDue = 0;
}

class FrameSchedule : public ::testing::Test {
protected:
  void SetUp() override {
    ResetFrameClock();
    Readings.clear();
    LastReading = 0;
    FailuresLeft = 0;
    PlatformSetPerformanceCounterHook(ScriptedCounter);
    if (BallList == nullptr) BallList = TkNewList(sizeof(Ball));
    if (ListMutex == nullptr) ListMutex = TkCreateMutex();
    TkClearList(BallList);
    ViewWidth = 800;
    ViewHeight = 600;
    // One ball in mid-view heading right: its x counts the motion passes.
    ball = static_cast<Ball *>(TkAddElement(BallList));
    *ball = Ball{0, 1.0f, 128, 128, 300.0f, 200.0f, 1.0f, 1.0f, 1.0f};
    ticks60 = TicksPerFrame(Frequency(), 60.0f);
    ticks30 = TicksPerFrame(Frequency(), 30.0f);
    ASSERT_GT(ticks60, 0);
  }
  void TearDown() override { PlatformSetPerformanceCounterHook(nullptr); }

  // One pass with the readings given (start reading first when the clock starts).
  bool Pass(std::initializer_list<int64_t> readings) {
    Readings.insert(Readings.end(), readings);
    return RenderThreadPass(&state);
  }
  int Moves() const { return static_cast<int>(ball->x - 300.0f); }

  RenderThreadState state{};
  Ball *ball = nullptr;
  int64_t ticks60 = 0;
  int64_t ticks30 = 0;
};

TEST(FramePeriod, RoundsToTheNearestTickTiesToEven) {
  EXPECT_EQ(TicksPerFrame(10000000, 60.0f), 166667);
  EXPECT_EQ(TicksPerFrame(10000000, 30.0f), 333333);
  EXPECT_EQ(TicksPerFrame(5, 2.0f), 2); // 2.5
  EXPECT_EQ(TicksPerFrame(7, 2.0f), 4); // 3.5
  EXPECT_EQ(TicksPerFrame(1000, 0.0f), 0);
}

TEST_F(FrameSchedule, FirstPassMovesOnceAndRequestsTheFirstFrame) {
  EXPECT_TRUE(Pass({1000, 1001}));
  EXPECT_EQ(Moves(), 1);
  EXPECT_EQ(state.frequency, Frequency());
  EXPECT_EQ(FrameClock.ticksPerFrame, ticks60);
  EXPECT_EQ(FrameClock.counterNow, 1001);
  EXPECT_EQ(FrameClock.counterLast, 1001);
  EXPECT_EQ(FrameClock.nextFrameDue, 1000 + ticks60);
  if (Frequency() == 10000000) {
    EXPECT_EQ(FrameClock.ticksPerFrame, 166667);
  }

  // The frame just requested is followed by exactly one motion pass.
  EXPECT_FALSE(Pass({1002}));
  EXPECT_EQ(Moves(), 2);
  EXPECT_FALSE(Pass({1003}));
  EXPECT_EQ(Moves(), 2);
}

TEST_F(FrameSchedule, AFrameIsDueOnlyOnceTheCounterPassesTheMark) {
  Pass({1000, 1001});
  const int64_t due = 1000 + ticks60;
  EXPECT_FALSE(Pass({due}));
  EXPECT_EQ(FrameClock.nextFrameDue, due);
  EXPECT_TRUE(Pass({due + 1}));
  EXPECT_EQ(FrameClock.nextFrameDue, due + ticks60);
}

TEST_F(FrameSchedule, BallsMoveOncePerRequestedFrame) {
  Pass({1000, 1001});
  int frames = 1;
  const int64_t step = ticks60 / 4;
  int64_t reading = 1001;
  for (int pass = 0; pass < 200; pass++) {
    reading += step;
    const int movesBefore = Moves();
    const bool frame = Pass({reading});
    // The start moves the balls once; after that they move once per requested frame, on
    // the pass after the request.
    EXPECT_EQ(Moves(), 1 + frames);
    EXPECT_LE(Moves() - movesBefore, 1);
    if (frame) frames++;
  }
  // Without stalls no frame is dropped: one per due point passed.
  const int64_t duePointsPassed = (reading - 1000 + ticks60 - 1) / ticks60;
  EXPECT_EQ(frames, duePointsPassed);
}

TEST_F(FrameSchedule, AStallRequestsOneFrameAndDropsTheMissedOnes) {
  Pass({1000, 1001});
  const int64_t afterStall = 1001 + Frequency() / 10; // 100 ms later
  EXPECT_TRUE(Pass({afterStall}));
  EXPECT_EQ(FrameClock.nextFrameDue, afterStall + ticks60);
  EXPECT_FALSE(Pass({afterStall + 1}));
  EXPECT_FALSE(Pass({afterStall + ticks60}));
  EXPECT_TRUE(Pass({afterStall + ticks60 + 1}));
  EXPECT_EQ(FrameClock.nextFrameDue, afterStall + 2 * ticks60);
  EXPECT_EQ(Moves(), 3);
}

TEST_F(FrameSchedule, ChangingTheRateCountsTheNewPeriodFromTheChange) {
  Pass({1000, 1001});
  Pass({1000 + ticks60 / 2});
  const int64_t switchedAt = 1000 + ticks60 / 2 + 10;
  Readings = {switchedAt};
  SetFrameRate(30.0f);
  EXPECT_EQ(FrameClock.framesPerSecond, 30.0f);
  EXPECT_EQ(FrameClock.counterNow, switchedAt);
  EXPECT_EQ(FrameClock.ticksPerFrame, ticks30);
  EXPECT_EQ(FrameClock.nextFrameDue, switchedAt + ticks30);
  if (Frequency() == 10000000) {
    EXPECT_EQ(ticks30, 333333);
  }
  // The render thread's clock keeps running; it is not restarted.
  EXPECT_EQ(FrameClock.counterLast, 1000 + ticks60 / 2);

  // The 60 fps frame that was due next is not requested any more.
  EXPECT_FALSE(Pass({1001 + ticks60}));
  EXPECT_FALSE(Pass({switchedAt + ticks30}));
  EXPECT_TRUE(Pass({switchedAt + ticks30 + 1}));
  EXPECT_EQ(FrameClock.nextFrameDue, switchedAt + 2 * ticks30);
  EXPECT_EQ(FrameClock.ticksPerFrame, ticks30);

  // Back to 60: one 60 fps period from the change.
  Readings = {switchedAt + ticks30 + 50};
  SetFrameRate(60.0f);
  EXPECT_EQ(FrameClock.nextFrameDue, switchedAt + ticks30 + 50 + ticks60);
}

TEST_F(FrameSchedule, AFailedStartReadingIsRetriedOnTheNextPass) {
  FailuresLeft = 1;
  Pass({5000});
  EXPECT_EQ(Moves(), 1); // the balls move even when the clock could not start
  EXPECT_EQ(FrameClock.ticksPerFrame, 0);

  Pass({5001, 5002});
  EXPECT_EQ(FrameClock.ticksPerFrame, ticks60);
  EXPECT_EQ(FrameClock.nextFrameDue, 5001 + ticks60);
  // From here on the schedule runs at the frame rate, not at every pass.
  EXPECT_FALSE(Pass({5003}));
  EXPECT_FALSE(Pass({5001 + ticks60}));
  EXPECT_TRUE(Pass({5002 + ticks60}));
}

TEST_F(FrameSchedule, APassWithoutAnyReadingRequestsNothing) {
  FailuresLeft = 2;
  EXPECT_FALSE(Pass({}));
  EXPECT_EQ(Moves(), 1);
  EXPECT_EQ(FrameClock.counterLast, 0);
  EXPECT_TRUE(Pass({7000, 7001}));
  EXPECT_EQ(FrameClock.nextFrameDue, 7000 + ticks60);
  EXPECT_EQ(Moves(), 2);
}

// ---------------------------------------------------------------------------------------
// The two threads together (run under ThreadSanitizer too)
// ---------------------------------------------------------------------------------------

std::atomic<int64_t> RunningCounter{0};
bool RunningCounterHook(int64_t *value) {
  *value = RunningCounter.fetch_add(50000, std::memory_order_relaxed) + 50000;
  return true;
}

TEST(RenderThreadAndGuiThread, MotionPassesRunSafelyAgainstRebuildsAndRateChanges) {
  ResetFrameClock();
  PlatformSetPerformanceCounterHook(RunningCounterHook);
  if (BallList == nullptr) BallList = TkNewList(sizeof(Ball));
  if (ListMutex == nullptr) ListMutex = TkCreateMutex();
  TkClearList(BallList);
  ViewWidth = 800;
  ViewHeight = 600;
  BallWidth = 64;
  BallHeight = 64;
  LastBallCountText = "10";

  std::atomic<bool> stop{false};
  std::atomic<int> frames{0};
  std::thread renderThread([&] {
    RenderThreadState state{};
    while (!stop.load()) {
      if (RenderThreadPass(&state)) frames.fetch_add(1);
    }
  });

  const char *counts[] = {"25", "0", "300", "7", "10000"};
  for (int round = 0; round < 40; round++) {
    ApplyBallCountText(counts[round % 5]);
    SetFrameRate(round % 2 ? 30.0f : 60.0f);
  }
  ApplyBallCountText("42");
  // Let the render thread see the final list before stopping it.
  const int framesBefore = frames.load();
  while (frames.load() < framesBefore + 20) std::this_thread::yield();
  stop = true;
  renderThread.join();
  PlatformSetPerformanceCounterHook(nullptr);

  EXPECT_EQ(TkListSize(BallList), 42);
  EXPECT_EQ(BallCount, 42);
  TkResetList(BallList);
  while (const Ball *ball = static_cast<const Ball *>(TkNextElement(BallList))) {
    EXPECT_LE(-32.0f, ball->x);
    EXPECT_LE(ball->x, 768.0f);
    EXPECT_LE(-32.0f, ball->y);
    EXPECT_LE(ball->y, 568.0f);
  }
}

} // namespace
