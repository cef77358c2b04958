// The render thread: it moves the balls and asks for a repaint of MainWindow whenever the
// frame clock says a frame is due.
#pragma once

#include <cstdint>

#include "frame_clock.h"

// What the render thread keeps between its passes.
struct RenderThreadState {
  int64_t frequency; // counter ticks per second, read when the clock starts
  bool moveDue;      // the balls move on this pass
  bool clockStarted; // the start reading succeeded
};

// One pass of the render thread, without its delay: starts the clock, moves the balls
// when due (under ListMutex), and requests a synchronous repaint of MainWindow when a
// frame falls due. Returns true when a frame fell due on this pass.
bool RenderThreadPass(RenderThreadState *state);

// The render thread: passes about a millisecond apart, for the life of the process, or
// until StopRenderThread. The parameter is ignored.
void RenderThread(int64_t parameter);
// Starts RenderThread; false when no thread could be made.
bool StartRenderThread();
// Asks the render thread to end and waits until it has, running the GUI thread's loop
// meanwhile so that a repaint the thread waits for still happens. GUI thread.
void StopRenderThread();
