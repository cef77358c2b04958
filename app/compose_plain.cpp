#include "compose.h"
#include "scene.h"

// The plain frame: the background, and around the cursor a masked, skinned 300 x 300
// layer holding the balls, the two border frames and a green 100 x 100 square.
void ComposePlainFrame(POINT cursor) {
  StartFrame();
  MarkBallPicture();

  RenderRect r = CursorSquare(cursor, OuterSquareSide);
  // The mask border of WindowBorder shapes the layer instead of MaskBrush, and the border
  // is drawn around the square when the layer ends.
  StartRenderLayer(&r, 0.8f, MaskBrush, WindowBorder);
  DrawRenderBoxRect(&r, FrameWhite, 1.0f);
  DrawBalls();
  DrawBorderFrames(cursor);

  r = CursorSquare(cursor, PlainInnerSquareSide);
  StartRenderLayer(&r, 1.0f, nullptr, nullptr);
  // Clipped by the inner layer: fills just its square.
  DrawRenderBox(0.0f, 0.0f, 2000.0f, 2000.0f, FrameGreen, 1.0f);
  StopRenderLayer();
  StopRenderLayer();

  FinishFrame();
}
