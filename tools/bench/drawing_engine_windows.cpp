#include "drawing_engine.h"

const char *BenchKernelSet() { return "windows"; }
int BenchDrawingThreads() { return 0; }
