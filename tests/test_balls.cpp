// The ball model: spawning (draw order, opacity floor, clamps) and motion (bounces).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <deque>
#include <vector>

#include "app_state.h"
#include "balls.h"
#include "toolkit.h"

namespace {

// Numbers for SpawnBallFrom: each draw records the bound it was asked for and returns the
// next scripted value.
std::deque<int64_t> ScriptedValues;
std::vector<int64_t> AskedBounds;

int64_t ScriptedRandom(int64_t max) {
  AskedBounds.push_back(max);
  if (ScriptedValues.empty()) return 0;
  int64_t value = ScriptedValues.front();
  ScriptedValues.pop_front();
  return value;
}
int ScriptedWidth() { return 800; }
int ScriptedHeight() { return 600; }

const BallSpawnSource Scripted = {ScriptedRandom, ScriptedWidth, ScriptedHeight};
const BallSpawnSource SeededWithScriptedSize = {TkRandom, ScriptedWidth, ScriptedHeight};

// Draws in spawn order: alpha, x, y, dx (non-zero = left), dy (non-zero = up).
Ball *Spawn(int64_t alpha, int64_t x, int64_t y, int64_t left, int64_t up) {
  ScriptedValues = {alpha, x, y, left, up};
  SpawnBallFrom(Scripted);
  return static_cast<Ball *>(TkCurrentElement(BallList));
}

std::vector<Ball *> Balls() {
  std::vector<Ball *> balls;
  TkResetList(BallList);
  while (Ball *ball = static_cast<Ball *>(TkNextElement(BallList))) balls.push_back(ball);
  return balls;
}

uint32_t Bits(float value) { return std::bit_cast<uint32_t>(value); }

class BallModel : public ::testing::Test {
protected:
  void SetUp() override {
    if (BallList == nullptr) BallList = TkNewList(sizeof(Ball));
    TkClearList(BallList);
    ViewWidth = 800;
    ViewHeight = 600;
    BallImage = 77;
    BallWidth = 128;
    BallHeight = 128;
    ScriptedValues.clear();
    AskedBounds.clear();
  }
};

// ---------------------------------------------------------------------------------------
// Spawning
// ---------------------------------------------------------------------------------------

TEST_F(BallModel, SpawnDrawsFiveNumbersInOrderAndFillsTheRecord) {
  Ball *ball = Spawn(1073741824, 100, 200, 1, 0);
  ASSERT_NE(ball, nullptr);
  EXPECT_EQ(AskedBounds, (std::vector<int64_t>{2147483647, 800, 600, 1, 1}));
  EXPECT_EQ(TkListSize(BallList), 1);
  EXPECT_EQ(ball->image, 77);
  EXPECT_EQ(ball->width, 128);
  EXPECT_EQ(ball->height, 128);
  EXPECT_EQ(ball->alpha, 0.5f);
  EXPECT_EQ(ball->x, 100.0f);
  EXPECT_EQ(ball->y, 200.0f);
  EXPECT_EQ(ball->dx, -1.0f);
  EXPECT_EQ(ball->dy, 1.0f);
  EXPECT_EQ(ball->speed, 1.0f);

  // Appended at the end and made current.
  Ball *second = Spawn(1073741824, 5, 6, 0, 1);
  EXPECT_EQ(TkCurrentElement(BallList), second);
  EXPECT_EQ(Balls(), (std::vector<Ball *>{ball, second}));
  EXPECT_EQ(second->dx, 1.0f);
  EXPECT_EQ(second->dy, -1.0f);
}

TEST_F(BallModel, SpawnKeepsTheCentreInsideTheClientArea) {
  Ball *ball = Spawn(1073741824, 800, 600, 0, 0);
  EXPECT_EQ(ball->x, 736.0f); // 800 - 64
  EXPECT_EQ(ball->y, 536.0f);

  ball = Spawn(1073741824, 0, 0, 0, 0);
  EXPECT_EQ(ball->x, 0.0f);
  EXPECT_EQ(ball->y, 0.0f);

  // An odd size keeps its half pixel.
  BallWidth = 127;
  BallHeight = 33;
  ball = Spawn(1073741824, 800, 600, 0, 0);
  EXPECT_EQ(ball->x, 736.5f);
  EXPECT_EQ(ball->y, 583.5f);

  // The clamp asks for the client size again: a window that shrank while the numbers were
  // drawn still holds the centre.
  BallWidth = 128;
  ScriptedValues = {1073741824, 800, 600, 0, 0};
  struct Shrinking {
    static int Width() { return AskedBounds.size() >= 2 ? 400 : 800; }
  };
  SpawnBallFrom({ScriptedRandom, Shrinking::Width, ScriptedHeight});
  ball = static_cast<Ball *>(TkCurrentElement(BallList));
  EXPECT_EQ(ball->x, 336.0f);
}

TEST_F(BallModel, OpacityNeverFallsBelowTheFloatNearestToOneTenth) {
  EXPECT_EQ(Bits(Spawn(0, 0, 0, 0, 0)->alpha), 0x3DCCCCCDu);
  EXPECT_EQ(Bits(Spawn(1, 0, 0, 0, 0)->alpha), 0x3DCCCCCDu);
  EXPECT_EQ(Bits(Spawn(200000000, 0, 0, 0, 0)->alpha), 0x3DCCCCCDu); // 0.093
  // Divided in double, the largest draw rounds to exactly 1.0.
  EXPECT_EQ(Spawn(2147483647, 0, 0, 0, 0)->alpha, 1.0f);
  EXPECT_EQ(Spawn(429496730, 0, 0, 0, 0)->alpha, 0.2f);
  EXPECT_EQ(Spawn(1610612736, 0, 0, 0, 0)->alpha, 0.75f);
}

// ---------------------------------------------------------------------------------------
// Motion
// ---------------------------------------------------------------------------------------

TEST_F(BallModel, EachEdgeBouncesInTheSamePassItIsCrossed) {
  Ball *right = Spawn(1073741824, 0, 300, 0, 0);
  right->x = 735.5f; // centre at 799.5
  Ball *bottom = Spawn(1073741824, 300, 0, 0, 0);
  bottom->y = 535.5f;
  Ball *left = Spawn(1073741824, 0, 300, 1, 0);
  left->x = -63.5f;
  Ball *top = Spawn(1073741824, 300, 0, 0, 1);
  top->y = -63.5f;

  MoveBalls();
  EXPECT_EQ(right->x, 736.0f);
  EXPECT_EQ(right->dx, -1.0f);
  EXPECT_EQ(right->dy, 1.0f);
  EXPECT_EQ(bottom->y, 536.0f);
  EXPECT_EQ(bottom->dy, -1.0f);
  EXPECT_EQ(left->x, -64.0f);
  EXPECT_EQ(left->dx, 1.0f);
  EXPECT_EQ(top->y, -64.0f);
  EXPECT_EQ(top->dy, 1.0f);

  MoveBalls();
  EXPECT_EQ(right->x, 735.0f);
  EXPECT_EQ(left->x, -63.0f);
}

TEST_F(BallModel, ABallLandingExactlyOnALimitKeepsItsDirection) {
  Ball *right = Spawn(1073741824, 0, 0, 0, 0);
  right->x = 735.0f;
  right->y = 535.0f;
  Ball *left = Spawn(1073741824, 0, 0, 1, 1);
  left->x = -63.0f;
  left->y = -63.0f;
  MoveBalls();
  EXPECT_EQ(right->x, 736.0f);
  EXPECT_EQ(right->y, 536.0f);
  EXPECT_EQ(right->dx, 1.0f);
  EXPECT_EQ(right->dy, 1.0f);
  EXPECT_EQ(left->x, -64.0f);
  EXPECT_EQ(left->dx, -1.0f);
  EXPECT_EQ(left->dy, -1.0f);
}

TEST_F(BallModel, AZeroStepStaysZeroAtALimit) {
  Ball *ball = Spawn(1073741824, 0, 0, 0, 0);
  ball->x = -70.0f;
  ball->dx = 0.0f;
  ball->dy = -0.0f;
  ball->y = 700.0f;
  MoveBalls();
  EXPECT_EQ(ball->x, -64.0f);
  EXPECT_EQ(ball->y, 536.0f);
  EXPECT_EQ(Bits(ball->dx), 0u);
  EXPECT_EQ(Bits(ball->dy), 0u); // |-0| is +0, never a NaN or a flip
}

TEST_F(BallModel, MovingAnEmptyListDoesNothing) {
  MoveBalls();
  EXPECT_EQ(TkListSize(BallList), 0);
  EXPECT_EQ(TkCurrentElement(BallList), nullptr);
}

TEST_F(BallModel, InvariantsHoldOverManyPasses) {
  TkRandomSeed(12345);
  const int64_t widths[] = {128, 127, 1, 0, 1000};
  for (int i = 0; i < 250; i++) {
    BallWidth = widths[i % 5];
    BallHeight = widths[(i + 2) % 5];
    SpawnBallFrom(SeededWithScriptedSize);
  }
  std::vector<Ball *> balls = Balls();
  ASSERT_EQ(balls.size(), 250u);

  auto checkInvariants = [](const Ball *ball) {
    const double w = ball->width / 2.0;
    const double h = ball->height / 2.0;
    EXPECT_LE(-w, ball->x);
    EXPECT_LE(ball->x, 800 - w);
    EXPECT_LE(-h, ball->y);
    EXPECT_LE(ball->y, 600 - h);
    EXPECT_EQ(std::fabs(ball->dx), ball->speed);
    EXPECT_EQ(std::fabs(ball->dy), ball->speed);
    EXPECT_GE(ball->alpha, 0.1f);
    EXPECT_LE(ball->alpha, 1.0f);
  };
  for (const Ball *ball : balls) checkInvariants(ball);

  for (int pass = 0; pass < 2000; pass++) {
    std::vector<std::pair<float, float>> before;
    for (const Ball *ball : balls) before.emplace_back(ball->x, ball->y);
    MoveBalls();
    for (size_t i = 0; i < balls.size(); i++) {
      const Ball *ball = balls[i];
      // One pixel per axis per pass; less only where a limit stopped it.
      EXPECT_LE(std::fabs(ball->x - before[i].first), 1.0f);
      EXPECT_LE(std::fabs(ball->y - before[i].second), 1.0f);
      checkInvariants(ball);
    }
    if (HasFailure()) break;
  }
}

} // namespace
