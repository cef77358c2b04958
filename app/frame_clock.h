// The frame schedule on the performance counter and the render thread that keeps it.
#pragma once

#include <atomic>
#include <cstdint>

// Shared by the GUI thread (SetFrameRate) and the render thread without a lock. Each field
// is atomic so the two threads never race on it; relaxed order is enough, because a rate
// change that interleaves with a pass may only move one frame, never stop the schedule.
struct FrameClockState {
  std::atomic<float> framesPerSecond{60.0f};
  std::atomic<int64_t> counterNow{0};    // latest counter reading, by either thread
  std::atomic<int64_t> counterLast{0};   // the render thread's previous reading
  std::atomic<int64_t> ticksPerFrame{0}; // counter ticks per frame at framesPerSecond
  std::atomic<int64_t> nextFrameDue{0};  // a frame is requested once the counter passes this
};

extern FrameClockState FrameClock;

// What the render thread keeps between its passes.
struct RenderThreadState {
  int64_t frequency;  // counter ticks per second, read when the clock starts
  bool moveDue;       // the balls move on this pass
  bool clockStarted;  // the start reading succeeded
};

// Counter ticks per frame: frequency / fps rounded to the nearest integer, ties to even.
int64_t TicksPerFrame(int64_t frequency, float fps);

// GUI thread: switches to fps (30 or 60); the next frame comes one new period from now.
void SetFrameRate(float fps);

// One pass of the render thread, without its delay: starts the clock, moves the balls
// when due (under ListMutex), and requests a synchronous repaint of MainWindow when a
// frame falls due. Returns true when a frame fell due on this pass.
bool RenderThreadPass(RenderThreadState *state);

// The render thread: passes about a millisecond apart, for the life of the process.
// The parameter is ignored.
void RenderThread(int64_t parameter);
