#include "memory_use.h"

#include <sys/resource.h>

int64_t PeakMemoryBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return int64_t{usage.ru_maxrss} * 1024; // kilobytes on Linux
}
