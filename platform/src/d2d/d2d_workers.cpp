// The worker pool behind D2dParallelFor. One job runs at a time. Each job gets a new
// generation number; indices are claimed from one 64-bit word holding the generation above
// the next index, so a thread that wakes late, after its job is over, can claim nothing of
// the next job by mistake: its compare-and-swap sees another generation and it goes back to
// sleep. The caller waits until every index it handed out has been run, so the job's context
// outlives every use of it.
//
// The pool is never destroyed: its threads sleep on its condition variable until the process
// exits, and tearing it down from a static destructor would race with them.
#include "d2d_workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

struct Pool {
  std::mutex callers; // one job at a time
  std::mutex lock;    // guards the fields below that are not atomic
  std::condition_variable wake, finished;
  uint32_t generation = 0;
  int count = 0;
  void (*task)(void *, int) = nullptr;
  void *context = nullptr;
  std::atomic<uint64_t> claim{0}; // generation << 32 | next index
  std::atomic<int> done{0};       // indices of this generation that have run
  int threads = 1;                // the caller included
};

// Takes the next index of generation `generation`, or -1 when there is none left.
int Claim(Pool *pool, uint32_t generation, int count) {
  uint64_t current = pool->claim.load(std::memory_order_relaxed);
  for (;;) {
    if (static_cast<uint32_t>(current >> 32) != generation) return -1;
    int index = static_cast<int>(current & 0xffffffffu);
    if (index >= count) return -1;
    if (pool->claim.compare_exchange_weak(current, current + 1, std::memory_order_acquire, std::memory_order_relaxed))
      return index;
  }
}

// Runs indices until none is left; true when this thread ran the job's last one.
bool RunShare(Pool *pool, uint32_t generation, int count, void (*task)(void *, int), void *context) {
  bool last = false;
  for (int index; (index = Claim(pool, generation, count)) >= 0;) {
    task(context, index);
    if (pool->done.fetch_add(1, std::memory_order_acq_rel) + 1 == count) last = true;
  }
  return last;
}

void WorkerLoop(Pool *pool) {
  uint32_t seen = 0;
  for (;;) {
    uint32_t generation;
    int count;
    void (*task)(void *, int);
    void *context;
    {
      std::unique_lock<std::mutex> hold(pool->lock);
      pool->wake.wait(hold, [&] { return pool->generation != seen; });
      seen = generation = pool->generation;
      count = pool->count;
      task = pool->task;
      context = pool->context;
    }
    if (RunShare(pool, generation, count, task, context)) {
      std::lock_guard<std::mutex> hold(pool->lock);
      pool->finished.notify_all();
    }
  }
}

int ThreadsWanted() {
  // DEMO_D2D_THREADS=1 keeps all drawing on the calling thread (for measuring one core).
  if (const char *text = std::getenv("DEMO_D2D_THREADS")) {
    int wanted = std::atoi(text);
    if (wanted >= 1) return std::min(wanted, 64);
  }
  unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 16u));
}

Pool *ThePool() {
  static Pool *pool = [] {
    Pool *made = new Pool;
    int wanted = ThreadsWanted();
    for (int i = 1; i < wanted; ++i) {
      try {
        std::thread(WorkerLoop, made).detach();
        ++made->threads;
      } catch (const std::system_error &) {
        break; // fewer helpers; the caller still does all the work there is
      }
    }
    return made;
  }();
  return pool;
}

// Waking a helper costs some tens of microseconds; below about 16000 pixels the work is over
// sooner on one thread.
std::atomic<int64_t> bandThreshold{16 * 1024};

} // namespace

int64_t D2dBandThreshold() { return bandThreshold.load(std::memory_order_relaxed); }
int64_t D2dSetBandThreshold(int64_t pixels) { return bandThreshold.exchange(pixels, std::memory_order_relaxed); }

int D2dThreadCount() { return ThePool()->threads; }

int D2dBandCount(int64_t pixels) {
  int threads = pixels >= D2dBandThreshold() ? D2dThreadCount() : 1;
  return threads > 1 ? threads * 3 : 1;
}

void D2dCutBandsByWork(int first, int last, const int64_t *rowWork, int64_t pixels, int bands,
                       std::vector<int> *edges) {
  edges->assign(1, first);
  int64_t done = 0;
  for (int y = first, band = 1; y < last && band < bands; ++y) {
    done += rowWork[y - first];
    if (done * bands >= pixels * band) {
      edges->push_back(y + 1);
      ++band;
    }
  }
  if (edges->back() != last) edges->push_back(last);
}

void D2dParallelFor(int count, void (*task)(void *context, int index), void *context) {
  if (count <= 0) return;
  Pool *pool = ThePool();
  if (pool->threads == 1 || count == 1) {
    for (int i = 0; i < count; ++i) task(context, i);
    return;
  }
  std::lock_guard<std::mutex> one(pool->callers);
  uint32_t generation;
  {
    std::lock_guard<std::mutex> hold(pool->lock);
    generation = ++pool->generation;
    if (generation == 0) generation = ++pool->generation; // 0 is what a fresh worker has seen
    pool->count = count;
    pool->task = task;
    pool->context = context;
    pool->done.store(0, std::memory_order_relaxed);
    pool->claim.store(static_cast<uint64_t>(generation) << 32, std::memory_order_release);
  }
  pool->wake.notify_all();
  RunShare(pool, generation, count, task, context);
  std::unique_lock<std::mutex> hold(pool->lock);
  pool->finished.wait(hold, [&] { return pool->done.load(std::memory_order_acquire) == count; });
}
