// A small pool of threads that shares the pixel work of a frame between the cores. The pool
// starts on first use, one thread fewer than the machine has cores (the calling thread works
// too), and lives until the process ends.
#pragma once

#include <cstdint>
#include <vector>

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

// The one rule for sharing pixel work: work of fewer pixels than the band threshold, or on a
// single thread, is one band; otherwise it is cut into three bands per thread, so that a
// thread whose core is busy elsewhere holds up no one for long.
int D2dBandCount(int64_t pixels);

// Runs rows(y0, y1) for every band [edges[i], edges[i + 1]), i < bands, spread over the
// threads. Each band's rows must be independent of every other band's.
template <class Rows> void D2dForBandEdges(const int *edges, int bands, const Rows &rows) {
  struct Job {
    const Rows *rows;
    const int *edges;
  } job{&rows, edges};
  D2dParallelFor(
      bands,
      [](void *context, int index) {
        const Job &j = *static_cast<const Job *>(context);
        if (j.edges[index] < j.edges[index + 1]) (*j.rows)(j.edges[index], j.edges[index + 1]);
      },
      &job);
}

// Runs rows(y0, y1) over the rows [first, last) of work that touches `pixels` pixels, in
// D2dBandCount(pixels) bands of equal height.
template <class Rows> void D2dForRowBands(int first, int last, int64_t pixels, const Rows &rows) {
  int bands = D2dBandCount(pixels);
  if (bands < 2 || last - first < 2) {
    if (first < last) rows(first, last);
    return;
  }
  struct Job {
    const Rows *rows;
    int first, count, bands;
  } job{&rows, first, last - first, bands};
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

// Runs rows(y0, y1) over the rows [first, last), where row y holds rowWork[y - first] pixels
// of work and all rows `pixels`, in D2dBandCount(pixels) bands of about equal work rather
// than equal height (draws crowd some rows). `edges` keeps the cut between calls. May throw
// std::bad_alloc before any row has run.
void D2dCutBandsByWork(int first, int last, const int64_t *rowWork, int64_t pixels, int bands, std::vector<int> *edges);
template <class Rows>
void D2dForWorkBands(int first, int last, const int64_t *rowWork, int64_t pixels, std::vector<int> *edges,
                     const Rows &rows) {
  int bands = D2dBandCount(pixels);
  if (bands < 2 || last - first < 2) {
    if (first < last) rows(first, last);
    return;
  }
  D2dCutBandsByWork(first, last, rowWork, pixels, bands, edges);
  D2dForBandEdges(edges->data(), static_cast<int>(edges->size()) - 1, rows);
}
