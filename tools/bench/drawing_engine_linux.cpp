#include "drawing_engine.h"

#include "d2d/d2d_workers.h"
#include "d2d/kernels/d2d_row_kernels.h"

const char *BenchKernelSet() { return D2dKernels().name; }
int BenchDrawingThreads() { return D2dThreadCount(); }
