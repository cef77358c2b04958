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

// Runs rows(y0, y1) over the rows [first, last) of work that touches `pixels` pixels: in
// bands shared among the threads when the work reaches the band threshold, else in one
// call. Each band's rows must be independent of every other band's.
template <class Rows> void D2dForRowBands(int first, int last, int64_t pixels, const Rows &rows) {
  int threads = pixels >= D2dBandThreshold() ? D2dThreadCount() : 1;
  if (threads < 2 || last - first < 2) {
    if (first < last) rows(first, last);
    return;
  }
  struct Job {
    const Rows *rows;
    int first, count, bands;
  } job{&rows, first, last - first, threads * 3};
  D2dParallelFor(
      job.bands,
      [](void *context, int index) {
        const Job &j = *static_cast<const Job *>(context);
        int y0 = j.first + static_cast<int>(static_cast<int64_t>(j.count) * index / j.bands);
        int y1 = j.first + static_cast<int>(static_cast<int64_t>(j.count) * (index + 1) / j.bands);
        if (y0 < y1) (*j.rows)(y0, y1);
      },
      &job);
}
