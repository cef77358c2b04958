// What draws the benchmark's frames, for its report: the row-kernel set and worker threads
// of the Linux Direct2D, or Windows' own Direct2D (the build picks the file).
#pragma once

// The instruction set of the row kernels in use ("avx512", "avx2", "portable"), or
// "windows" where the system's Direct2D draws.
const char *BenchKernelSet();
// How many threads share the pixel work of a frame, or 0 where the system decides.
int BenchDrawingThreads();
