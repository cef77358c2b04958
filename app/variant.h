// What sets the two programs apart: MainWindow's title prefix and the frame composition.
#pragma once

#include "compose.h"

struct DemoVariant {
  const char *titlePrefix; // followed directly by RendererName
  FrameComposer composeFrame;
};

extern const DemoVariant Variant;
