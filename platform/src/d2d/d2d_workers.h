// A small pool of threads that shares the pixel work of a frame between the cores. The pool
// starts on first use, one thread fewer than the machine has cores (the calling thread works
// too), and lives until the process ends.
#pragma once

#include <cstdint>

// Runs task(context, i) once for every i in [0, count) and returns when all have run. The
// calling thread takes part; indices go to whichever thread is free next, so a core that is
// busy with something else holds up nothing. Tasks must touch disjoint memory. Calls from
// several threads are served one after another.
void D2dParallelFor(int count, void (*task)(void *context, int index), void *context);

// Starts task(context, 0) on a helper thread and returns at once, so the caller goes on with
// other work meanwhile; false, starting nothing, when there is no helper or a job of the pool
// is under way. D2dBackgroundDone tells whether it has run; D2dWaitBackground waits until it
// has. One background task at a time: its starter waits for it before touching what it
// touches, and D2dParallelFor waits for it before handing out a job.
bool D2dStartBackground(void (*task)(void *context, int index), void *context);
bool D2dBackgroundDone();
void D2dWaitBackground();

// How many threads D2dParallelFor spreads work over, the caller included (at least 1).
int D2dThreadCount();

// Work of fewer pixels than this runs on the calling thread alone: waking the other threads
// would cost more than it saves.
int64_t D2dBandThreshold();
// Sets the threshold and returns the one it replaces; tests lower it to reach the banded paths.
int64_t D2dSetBandThreshold(int64_t pixels);
