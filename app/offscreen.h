// Frames composed with no window and no display: the demo's scene and balls set up as at
// start-up, each frame composed by the programs' own compositions and presented into a
// memory device context, as MainWindow's paint presents it. Used by the benchmark and the
// composition tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "compose.h"

// A 32-bit top-down DIB section of the view's size, selected into a memory device context.
struct OffscreenTarget {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous; // what the device context held before the bitmap
  uint32_t *pixels; // B, G, R, A in memory order, row after row from the top
  int width;
  int height;
};

// Start-up without windows: BallList, the 800 x 600 view, the scene, ListMutex. Once per
// process; later calls do nothing.
void PrepareOffscreenDemo();

// The composition of "plain" or "crazy"; null for any other name.
FrameComposer FindFrameComposer(const std::string &variant);

// Replaces the balls with count new ones from the generator seeded with seed, spawned into
// a ViewWidth x ViewHeight client area. Same count and seed, same balls.
void SpawnOffscreenBalls(int64_t count, uint64_t seed);

// Moves every ball one step under ListMutex, as the render thread does once per frame.
void MoveOffscreenBalls();

// A view-sized target; false (and nothing to free) when it could not be made.
bool CreateOffscreenTarget(OffscreenTarget *target);
void FreeOffscreenTarget(OffscreenTarget *target);

// Composes one frame for the cursor and presents it into the target.
void ComposeOffscreenFrame(FrameComposer compose, POINT cursor, OffscreenTarget *target);

// The presented pixel at (x, y) as 0xAARRGGBB, 0 outside the target.
uint32_t OffscreenPixel(const OffscreenTarget *target, int x, int y);
