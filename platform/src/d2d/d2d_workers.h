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

// How many threads D2dParallelFor spreads work over, the caller included (at least 1).
int D2dThreadCount();

// Work of fewer pixels than this runs on the calling thread alone: waking the other threads
// would cost more than it saves.
int64_t D2dBandThreshold();
// Sets the threshold and returns the one it replaces; tests lower it to reach the banded paths.
int64_t D2dSetBandThreshold(int64_t pixels);
