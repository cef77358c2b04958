// MainWindow's callback: paints each frame that the render thread (or the system) asks for.
#pragma once

#include <windows.h>

#include <cstdint>

#include "compose.h"

// The composition of the running program, chosen at start-up.
extern FrameComposer ComposeFrame;

// Bound to MainWindow only. WM_ERASEBKGND counts as done (the frame covers the whole
// client area, so no background may flicker through); WM_PAINT composes and presents one
// frame; everything else is left to the toolkit.
int64_t MainWindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The mouse position in MainWindow client pixels; outside the window it lies beyond the
// client area or is negative.
POINT ReadFrameCursor();

// Shows the composed frame (FrameImage) at the top left of a device context, over opaque
// black, the way the paint does.
void PresentFrame(HDC dc);
