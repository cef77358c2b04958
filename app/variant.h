// What sets the two programs apart: their name, MainWindow's title prefix and the frame
// composition.
#pragma once

#include "compose.h"

struct DemoVariant {
  const char *programName; // as the stats lines name the program
  const char *titlePrefix; // followed directly by RendererName
  FrameComposer composeFrame;
};

extern const DemoVariant Variant;
