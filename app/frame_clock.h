// The frame schedule on the performance counter, kept by the render thread (render_thread.h).
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

// Counter ticks per frame: frequency / fps rounded to the nearest integer, ties to even.
int64_t TicksPerFrame(int64_t frequency, float fps);

// Ticks per second of the performance counter (0 when it cannot be read).
int64_t CounterFrequency();

// GUI thread: switches to fps (30 or 60); the next frame comes one new period from now.
void SetFrameRate(float fps);
