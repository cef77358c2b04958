// The choice between instruction sets. The processor is probed once, here and nowhere else,
// with a plain test rather than an ifunc, so the kernels also run under sanitizers that
// start after the loader has resolved ifuncs. Adding a set is a file of its kernels with its
// table, and a row below.
#include "d2d_row_kernels.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

struct Candidate {
  const D2dRowKernels *set;
  bool (*runsHere)();
};

bool Always() { return true; }
bool HasAvx2() { return __builtin_cpu_supports("avx2"); }
bool HasAvx512() { return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"); }

// Widest first.
const Candidate Candidates[] = {{&D2dAvx512Set, HasAvx512}, {&D2dAvx2Set, HasAvx2}, {&D2dPortableSet, Always}};
constexpr int CandidateCount = sizeof Candidates / sizeof Candidates[0];

struct Sets {
  const D2dRowKernels *runs[CandidateCount]; // those the machine runs, widest first
  int count;
  const D2dRowKernels *chosen;
};

const Sets &Probed() {
  static const Sets sets = [] {
    __builtin_cpu_init();
    Sets s{{}, 0, nullptr};
    for (const Candidate &c : Candidates)
      if (c.runsHere()) s.runs[s.count++] = c.set;
    // DEMO_D2D_KERNELS names the widest set to use (avx2, portable), to compare sets on one
    // machine; a set the machine lacks, or any other value, leaves the widest it runs.
    const char *cap = std::getenv("DEMO_D2D_KERNELS");
    s.chosen = s.runs[0];
    for (int i = 0; cap != nullptr && i < s.count; ++i)
      if (std::strcmp(s.runs[i]->name, cap) == 0) s.chosen = s.runs[i];
    return s;
  }();
  return sets;
}

std::atomic<const D2dRowKernels *> inUse{nullptr};

} // namespace

const D2dRowKernels *const *D2dKernelSets(int *count) {
  *count = Probed().count;
  return Probed().runs;
}

const D2dRowKernels &D2dKernels() {
  const D2dRowKernels *set = inUse.load(std::memory_order_relaxed);
  return set != nullptr ? *set : *Probed().chosen;
}

const D2dRowKernels *D2dUseKernels(const D2dRowKernels *set) {
  const D2dRowKernels *before = inUse.exchange(set);
  return before != nullptr ? before : Probed().chosen;
}
