#include "app_state.h"
#include "compose.h"
#include "scene.h"

// The logo brush turns about (420, 420) and tiles from (-28, -28).
constexpr float LogoCenter = 420.0f;
constexpr float LogoOffset = -28.0f;

void ComposeCrazyBackdrop(POINT cursor) {
  StartFrame();
  MarkBallPicture();

  // Moving the cursor down zooms the pattern (scale 0 at the top edge), moving it right
  // turns it.
  const float s = static_cast<float>(OuterSquareSide);
  const float scale = (1.0f / s) * static_cast<float>(cursor.y);
  SetRenderBrushTransform(LogoBrush, scale, scale, LogoCenter, LogoCenter, static_cast<float>(cursor.x) / 10.0f,
                          LogoOffset, LogoOffset);
  SetRenderBrushOpacity(LogoBrush, 0.2f);
  DrawRenderBrushBox(0.0f, 0.0f, static_cast<float>(ViewWidth), static_cast<float>(ViewHeight), LogoBrush);
  SetRenderBrushOpacity(LogoBrush, 1.0f);
}

// The plain frame plus the rotating logo pattern over everything, a logo fill inside the
// outer layer, a masked and skinned inner layer in blue and enlarged balls within it.
void ComposeCrazyFrame(POINT cursor) {
  ComposeCrazyBackdrop(cursor);

  RenderRect r = CursorSquare(cursor, OuterSquareSide);
  StartRenderLayer(&r, 0.8f, MaskBrush, WindowBorder);
  DrawRenderBoxRect(&r, FrameWhite, 1.0f);
  DrawBalls();

  const float s = static_cast<float>(OuterSquareSide);
  const float scale = (0.5f / s) * static_cast<float>(cursor.y);
  SetRenderBrushTransform(LogoBrush, scale, scale, LogoCenter, LogoCenter, static_cast<float>(cursor.x) / 20.0f,
                          LogoOffset, LogoOffset);
  DrawRenderBrushBox(220.0f, 220.0f, 400.0f, 400.0f, LogoBrush);
  DrawBorderFrames(cursor);

  r = CursorSquare(cursor, CrazyInnerSquareSide);
  StartRenderLayer(&r, 1.0f, nullptr, WindowBorder);
  DrawRenderBox(0.0f, 0.0f, 2000.0f, 2000.0f, FrameBlue, 1.0f);
  DrawEnlargedBalls();
  StopRenderLayer();
  StopRenderLayer();

  FinishFrame();
}
