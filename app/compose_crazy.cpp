#include "compose.h"

// The plain frame plus the rotating logo pattern, a masked inner layer and enlarged balls.
void ComposeCrazyFrame() {}
