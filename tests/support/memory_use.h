// How much memory the test process has held at its peak, for tests of inputs that must
// not make a decoder take more than they could hold.
#pragma once

#include <cstdint>

// The largest resident set (working set, on Windows) of the process so far, in bytes.
int64_t PeakMemoryBytes();
