// The bouncing balls: one record per ball in BallList, spawned by the GUI thread and
// moved one pixel per axis per frame by the render thread.
#pragma once

#include <cstdint>

struct Ball {
  int64_t image;  // BallImage, shared by every ball, not owned
  float alpha;    // drawing opacity, 0.1 .. 1.0, fixed at spawn
  int64_t width;  // BallWidth at spawn
  int64_t height; // BallHeight at spawn
  float x;        // left edge in MainWindow client pixels
  float y;        // top edge
  float dx;       // horizontal step per frame: +speed or -speed
  float dy;       // vertical step per frame
  float speed;    // step size, 1.0
};

// Where a spawned ball takes its numbers from. SpawnBall uses the toolkit's generator and
// MainWindow's client size; tests script both.
struct BallSpawnSource {
  int64_t (*random)(int64_t max); // 0 .. max inclusive
  int (*clientWidth)();
  int (*clientHeight)();
};

// Appends one ball with a random opacity, position and direction to BallList and leaves
// it current. Once the render thread runs, the caller holds ListMutex.
void SpawnBall();
void SpawnBallFrom(const BallSpawnSource &source);

// Moves every ball of BallList one step and bounces it off the edges of the
// ViewWidth x ViewHeight view. The caller holds ListMutex.
void MoveBalls();
