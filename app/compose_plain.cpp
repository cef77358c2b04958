#include "compose.h"

// The plain frame: background, cursor layers and one pass of balls.
void ComposePlainFrame() {}
