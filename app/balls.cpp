#include "balls.h"

#include <bit>
#include <cmath>

#include "app_state.h"
#include "toolkit.h"

// ---------------------------------------------------------------------------------------
// Spawning
// ---------------------------------------------------------------------------------------

static int MainWindowClientWidth() { return TkWindowWidth(MainWindow, TK_WINDOW_INNER_SIZE); }
static int MainWindowClientHeight() { return TkWindowHeight(MainWindow, TK_WINDOW_INNER_SIZE); }

constexpr BallSpawnSource ToolkitSpawnSource = {TkRandom, MainWindowClientWidth, MainWindowClientHeight};

// The 32-bit float nearest to 0.1: the lowest opacity a ball may have.
constexpr float MinBallAlpha = std::bit_cast<float>(0x3DCCCCCDu);

void SpawnBall() { SpawnBallFrom(ToolkitSpawnSource); }

void SpawnBallFrom(const BallSpawnSource &source) {
  Ball *ball = static_cast<Ball *>(TkAddElement(BallList));
  if (ball == nullptr) return;
  ball->image = BallImage;
  ball->width = BallWidth;
  ball->height = BallHeight;

  // Divided in double so that the largest draw rounds to exactly 1.0 at the float store.
  ball->alpha = static_cast<float>(static_cast<double>(source.random(2147483647)) / 2147483648.0);
  if (static_cast<double>(ball->alpha) < 0.1) ball->alpha = MinBallAlpha;

  // The order of the draws is part of the behaviour: a seeded generator gives the same
  // balls every run.
  ball->x = static_cast<float>(source.random(source.clientWidth()));
  ball->y = static_cast<float>(source.random(source.clientHeight()));
  ball->speed = 1.0f;
  ball->dx = source.random(1) != 0 ? -ball->speed : ball->speed;
  ball->dy = source.random(1) != 0 ? -ball->speed : ball->speed;

  // Keep the centre inside the client area; the size is asked again, as it may have
  // changed while the numbers were drawn.
  const double halfWidth = static_cast<double>(ball->width) / 2.0;
  const double halfHeight = static_cast<double>(ball->height) / 2.0;
  const double limitX = source.clientWidth();
  const double limitY = source.clientHeight();
  if (-halfWidth > ball->x) ball->x = static_cast<float>(-halfWidth);
  if (-halfHeight > ball->y) ball->y = static_cast<float>(-halfHeight);
  if (ball->x + halfWidth > limitX) ball->x = static_cast<float>(limitX - halfWidth);
  if (ball->y + halfHeight > limitY) ball->y = static_cast<float>(limitY - halfHeight);
}

// ---------------------------------------------------------------------------------------
// Motion
// ---------------------------------------------------------------------------------------

// Turns a step round; a zero step stays zero.
static float ReverseStep(float step) { return TkSign(step) == 1 ? -step : std::fabs(step); }

void MoveBalls() {
  const double limitX = static_cast<double>(ViewWidth);
  const double limitY = static_cast<double>(ViewHeight);
  TkResetList(BallList);
  while (Ball *ball = static_cast<Ball *>(TkNextElement(BallList))) {
    ball->x = ball->x + ball->dx;
    ball->y = ball->y + ball->dy;
    const double halfWidth = static_cast<double>(ball->width) / 2.0;
    const double halfHeight = static_cast<double>(ball->height) / 2.0;
    // Strict tests: a ball exactly on a limit keeps its direction. One that crosses it is
    // put back onto the limit in the same pass, so it is never drawn outside.
    if (-halfWidth > ball->x) {
      ball->x = static_cast<float>(-halfWidth);
      ball->dx = ReverseStep(ball->dx);
    }
    if (-halfHeight > ball->y) {
      ball->y = static_cast<float>(-halfHeight);
      ball->dy = ReverseStep(ball->dy);
    }
    if (ball->x + halfWidth > limitX) {
      ball->x = static_cast<float>(limitX - halfWidth);
      ball->dx = ReverseStep(ball->dx);
    }
    if (ball->y + halfHeight > limitY) {
      ball->y = static_cast<float>(limitY - halfHeight);
      ball->dy = ReverseStep(ball->dy);
    }
  }
}
