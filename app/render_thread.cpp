#include "render_thread.h"

#include <windows.h>

#include "app_state.h"
#include "balls.h"
#include "toolkit.h"

// The whole client area is painted, without erasing, before RedrawWindow returns.
constexpr UINT FrameRedrawFlags = RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_NOFRAME;

constexpr auto Relaxed = std::memory_order_relaxed;

// The render thread's life, for a program that ends by returning from main.
std::atomic<bool> RenderThreadRunning{false};
std::atomic<bool> RenderThreadStopping{false};

bool RenderThreadPass(RenderThreadState *state) {
  LARGE_INTEGER counter;

  // Start of the clock. It counts as started only when this reading succeeded: the later
  // reading of the pass also writes counterLast, and would otherwise leave the clock
  // without a frame period.
  if (!state->clockStarted || FrameClock.counterLast.load(Relaxed) == 0) {
    if (QueryPerformanceCounter(&counter)) {
      FrameClock.counterNow.store(counter.QuadPart, Relaxed);
      state->frequency = CounterFrequency();
      FrameClock.ticksPerFrame.store(TicksPerFrame(state->frequency, FrameClock.framesPerSecond.load(Relaxed)),
                                     Relaxed);
      FrameClock.nextFrameDue.store(counter.QuadPart, Relaxed);
      FrameClock.counterLast.store(counter.QuadPart, Relaxed);
      state->clockStarted = true;
    }
    state->moveDue = true;
  }

  if (state->moveDue) {
    TkLockMutex(ListMutex);
    MoveBalls();
    TkUnlockMutex(ListMutex);
    state->moveDue = false;
  }

  if (QueryPerformanceCounter(&counter)) {
    FrameClock.counterNow.store(counter.QuadPart, Relaxed);
    FrameClock.counterLast.store(counter.QuadPart, Relaxed);
  }

  const int64_t now = FrameClock.counterNow.load(Relaxed);
  if (now <= FrameClock.nextFrameDue.load(Relaxed)) return false;

  // ListMutex is free here: the repaint waits for the GUI thread, which may itself be
  // waiting for the mutex while it rebuilds BallList.
  if (TkIsWindow(MainWindow)) {
    // The window may close between the two questions; a null handle would mean the
    // whole desktop to RedrawWindow.
    HWND window = TkWindowHandle(MainWindow);
    if (window != nullptr) RedrawWindow(window, nullptr, nullptr, FrameRedrawFlags);
  }
  state->moveDue = true;
  const int64_t ticks = FrameClock.ticksPerFrame.load(Relaxed);
  int64_t due = FrameClock.nextFrameDue.load(Relaxed) + ticks;
  // Frames missed during a stall are dropped, never replayed.
  if (due < now) due = now + ticks;
  FrameClock.nextFrameDue.store(due, Relaxed);
  return true;
}

void RenderThread(int64_t) {
  RenderThreadState state{};
  while (!RenderThreadStopping.load(std::memory_order_acquire)) {
    RenderThreadPass(&state);
    TkDelay(1);
  }
  RenderThreadRunning.store(false, std::memory_order_release);
}

bool StartRenderThread() {
  RenderThreadStopping.store(false, std::memory_order_release);
  RenderThreadRunning.store(true, std::memory_order_release);
  if (TkCreateThread(RenderThread, 0)) return true;
  RenderThreadRunning.store(false, std::memory_order_release);
  return false;
}

void StopRenderThread() {
  RenderThreadStopping.store(true, std::memory_order_release);
  while (RenderThreadRunning.load(std::memory_order_acquire)) TkWindowEvent(1);
}
