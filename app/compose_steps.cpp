#include "app_state.h"
#include "balls.h"
#include "compose.h"
#include "scene.h"
#include "toolkit.h"

RenderRect CursorSquare(POINT cursor, int64_t side) {
  const float s = static_cast<float>(side);
  RenderRect r;
  r.left = static_cast<float>(cursor.x) - s / 2.0f;
  r.top = static_cast<float>(cursor.y) - s / 2.0f;
  r.right = s + r.left;
  r.bottom = s + r.top;
  return r;
}

void StartFrame() {
  StartRenderDrawing(FrameImage);
  CopyRenderImageArea(BackgroundImage, 0, 0, static_cast<int32_t>(ViewWidth), static_cast<int32_t>(ViewHeight), 0, 0);
}

void MarkBallPicture() {
  // The picture is shared by every ball, so from the first frame on each ball carries
  // the square; drawing it again every frame keeps that true whatever happened between.
  StartRenderDrawing(BallPicture());
  DrawRenderBox(0.0f, 0.0f, 20.0f, 20.0f, FrameRed, 1.0f);
  StopRenderDrawing();
}

// The render thread moves the balls under ListMutex; a paint the system starts on its own
// may fall inside such a pass, and the list has one shared cursor.
void DrawBalls() {
  TkLockMutex(ListMutex);
  TkResetList(BallList);
  while (const Ball *ball = static_cast<const Ball *>(TkNextElement(BallList)))
    DrawRenderImage(reinterpret_cast<RenderImage *>(ball->image), ball->x, ball->y, -1.0f, -1.0f, ball->alpha);
  TkUnlockMutex(ListMutex);
}

void DrawEnlargedBalls() {
  TkLockMutex(ListMutex);
  TkResetList(BallList);
  while (const Ball *ball = static_cast<const Ball *>(TkNextElement(BallList)))
    DrawRenderImagePart(reinterpret_cast<RenderImage *>(ball->image), 0.0f, 0.0f, -1.0f, -1.0f, ball->x, ball->y,
                        150.0f, 150.0f, ball->alpha);
  TkUnlockMutex(ListMutex);
}

void DrawBorderFrames(POINT cursor) {
  DrawRenderBorder(WindowBorder, 220.0f, 200.0f, 400.0f, 400.0f, 1.0f);
  DrawRenderBorder(WindowBorder, 120.0f, 100.0f, static_cast<float>(cursor.x), static_cast<float>(cursor.y), 1.0f);
}

void FinishFrame() { StopRenderDrawing(); }
