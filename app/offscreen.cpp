#include "offscreen.h"

#include "app_state.h"
#include "balls.h"
#include "paint.h"
#include "scene.h"
#include "toolkit.h"

// ---------------------------------------------------------------------------------------
// Set-up and balls
// ---------------------------------------------------------------------------------------

void PrepareOffscreenDemo() {
  if (BallList != nullptr) return;
  BallList = TkNewList(sizeof(Ball));
  ViewWidth = 800;
  ViewHeight = 600;
  SetUpScene();
  ListMutex = TkCreateMutex();
}

FrameComposer FindFrameComposer(const std::string &variant) {
  if (variant == "plain") return ComposePlainFrame;
  if (variant == "crazy") return ComposeCrazyFrame;
  return nullptr;
}

// With no window the view stands in for MainWindow's client area, which is 800 x 600
// while the window is shown.
static int ViewClientWidth() { return static_cast<int>(ViewWidth); }
static int ViewClientHeight() { return static_cast<int>(ViewHeight); }

void SpawnOffscreenBalls(int64_t count, uint64_t seed) {
  const BallSpawnSource source = {TkRandom, ViewClientWidth, ViewClientHeight};
  TkLockMutex(ListMutex);
  TkClearList(BallList);
  TkRandomSeed(seed);
  for (int64_t i = 0; i < count; i++) SpawnBallFrom(source);
  TkUnlockMutex(ListMutex);
}

void MoveOffscreenBalls() {
  TkLockMutex(ListMutex);
  MoveBalls();
  TkUnlockMutex(ListMutex);
}

// ---------------------------------------------------------------------------------------
// Target and frames
// ---------------------------------------------------------------------------------------

bool CreateOffscreenTarget(OffscreenTarget *target) {
  *target = {};
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(ViewWidth);
  info.bmiHeader.biHeight = -static_cast<LONG>(ViewHeight); // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    return false;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    DeleteObject(bitmap);
    return false;
  }
  target->dc = dc;
  target->bitmap = bitmap;
  target->previous = SelectObject(dc, bitmap);
  target->pixels = static_cast<uint32_t *>(bits);
  target->width = static_cast<int>(ViewWidth);
  target->height = static_cast<int>(ViewHeight);
  return true;
}

void FreeOffscreenTarget(OffscreenTarget *target) {
  if (target->dc != nullptr) {
    SelectObject(target->dc, target->previous);
    DeleteDC(target->dc);
  }
  if (target->bitmap != nullptr) DeleteObject(target->bitmap);
  *target = {};
}

void ComposeOffscreenFrame(FrameComposer compose, POINT cursor, OffscreenTarget *target) {
  compose(cursor);
  PresentFrame(target->dc);
}

uint32_t OffscreenPixel(const OffscreenTarget *target, int x, int y) {
  if (target->pixels == nullptr || x < 0 || y < 0 || x >= target->width || y >= target->height) return 0;
  return target->pixels[static_cast<size_t>(y) * target->width + x];
}
