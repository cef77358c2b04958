// The frame compositions of the two programs. Each composes one frame into FrameImage on
// the GUI thread, for a cursor position in MainWindow client pixels (which may lie outside
// the window), and holds ListMutex while it walks BallList. MainWindow's paint and the
// benchmark call the same procedures.
#pragma once

#include <windows.h>

#include <cstdint>

#include "render_api.h"

typedef void (*FrameComposer)(POINT cursor);

void ComposePlainFrame(POINT cursor);
void ComposeCrazyFrame(POINT cursor);

// ---------------------------------------------------------------------------------------
// Steps shared by both compositions (compose_steps.cpp)
// ---------------------------------------------------------------------------------------

constexpr uint32_t FrameRed = TkRGB(255, 0, 0);
constexpr uint32_t FrameWhite = TkRGB(255, 255, 255);
constexpr uint32_t FrameGreen = TkRGB(0, 255, 0);
constexpr uint32_t FrameBlue = TkRGB(0, 50, 255);

// Side of the layer square that follows the cursor, and of the inner squares.
constexpr int64_t OuterSquareSide = 300;
constexpr int64_t PlainInnerSquareSide = 100;
constexpr int64_t CrazyInnerSquareSide = 200;

// The side x side square centred on the cursor, in float arithmetic.
RenderRect CursorSquare(POINT cursor, int64_t side);

// Starts drawing on FrameImage and replaces all of it with the background's top-left
// corner (a copy, not a scaled draw).
void StartFrame();
// Marks the shared ball picture with an opaque red square in its top-left corner.
void MarkBallPicture();
// Every ball at its natural size with its own opacity, in list order, under ListMutex.
void DrawBalls();
// Every ball's whole picture stretched to 150 x 150 at its position, under ListMutex.
void DrawEnlargedBalls();
// The two border frames inside the outer layer: a fixed one and one whose size is the
// cursor position.
void DrawBorderFrames(POINT cursor);
// Ends drawing on FrameImage.
void FinishFrame();

// The crazy frame up to its outer layer: the background under the 20 % logo pattern.
// Also the first part of ComposeCrazyFrame, so tests can see what the layers lie on.
void ComposeCrazyBackdrop(POINT cursor);
