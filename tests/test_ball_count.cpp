// The ball-count field: when BallList is rebuilt, how text becomes a count, and the clamp
// written back into the field.
#include <gtest/gtest.h>

#include <string>

#include "app_state.h"
#include "balls.h"
#include "startup.h"
#include "settings.h"
#include "toolkit.h"

namespace {

// Marks every ball so a test can tell a rebuilt list from an untouched one.
void MarkBalls() {
  TkResetList(BallList);
  while (Ball *ball = static_cast<Ball *>(TkNextElement(BallList))) ball->alpha = 5.0f;
}
int64_t MarkedBalls() {
  int64_t marked = 0;
  TkResetList(BallList);
  while (const Ball *ball = static_cast<const Ball *>(TkNextElement(BallList))) marked += ball->alpha == 5.0f;
  return marked;
}

class BallCountUpdate : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    TkInit();
    BallList = TkNewList(sizeof(Ball));
    ListMutex = TkCreateMutex();
    ViewWidth = 800;
    ViewHeight = 600;
    OpenSettingsWindow();
    CreateSettingsGadgets();
  }
  static void TearDownTestSuite() { TkEnd(); }
  void SetUp() override {
    BallWidth = 128;
    BallHeight = 128;
    TkClearList(BallList);
    for (int i = 0; i < 10; i++) SpawnBall();
    LastBallCountText = "10";
    BallCount = 0;
    TkSetGadgetText(BallCountField, "10");
  }
};

TEST_F(BallCountUpdate, StartsWithTenAndTheSameTextChangesNothing) {
  EXPECT_EQ(TkGetGadgetText(BallCountField), "10");
  MarkBalls();
  UpdateBallCount();
  EXPECT_EQ(BallCountText, "10");
  EXPECT_EQ(MarkedBalls(), 10);
  EXPECT_EQ(TkListSize(BallList), 10);
  EXPECT_EQ(BallCount, 0); // not even converted
}

TEST_F(BallCountUpdate, ANewCountRebuildsTheList) {
  TkSetGadgetText(BallCountField, "25");
  UpdateBallCount();
  EXPECT_EQ(BallCount, 25);
  EXPECT_EQ(TkListSize(BallList), 25);
  EXPECT_EQ(LastBallCountText, "25");

  MarkBalls();
  ApplyBallCountText("25");
  EXPECT_EQ(MarkedBalls(), 25);
  // "025" is another text, so it rebuilds, with the same count.
  ApplyBallCountText("025");
  EXPECT_EQ(MarkedBalls(), 0);
  EXPECT_EQ(TkListSize(BallList), 25);
}

TEST_F(BallCountUpdate, TooManyIsClampedAndWrittenBackWhileTheTextAsReadIsKept) {
  TkSetGadgetText(BallCountField, "20000");
  UpdateBallCount();
  EXPECT_EQ(BallCount, 10000);
  EXPECT_EQ(TkListSize(BallList), 10000);
  EXPECT_EQ(TkGetGadgetText(BallCountField), "10000");
  EXPECT_EQ(LastBallCountText, "20000");

  // The clamped text differs from the text as read: reading it rebuilds once more.
  MarkBalls();
  UpdateBallCount();
  EXPECT_EQ(MarkedBalls(), 0);
  EXPECT_EQ(TkListSize(BallList), 10000);
  EXPECT_EQ(LastBallCountText, "10000");

  MarkBalls();
  UpdateBallCount();
  EXPECT_EQ(MarkedBalls(), 10000);
}

TEST_F(BallCountUpdate, TextThatIsNotAPositiveNumberGivesNoBalls) {
  for (const char *text : {"-5", "abc", "", "-99999999999999999999", "0"}) {
    SCOPED_TRACE(text);
    TkClearList(BallList);
    SpawnBall();
    LastBallCountText = "10";
    TkSetGadgetText(BallCountField, "10");
    ApplyBallCountText(text);
    EXPECT_EQ(BallCount, 0);
    EXPECT_EQ(TkListSize(BallList), 0);
    EXPECT_EQ(LastBallCountText, text);
    EXPECT_EQ(TkGetGadgetText(BallCountField), "10"); // only a clamp from above writes back
  }
}

TEST_F(BallCountUpdate, AnyLengthOfDigitsClampsWithoutOverflow) {
  const std::string huge(100000, '9');
  for (const std::string &text : {std::string("99999999999999999999"), std::string("18446744073709551617"), huge}) {
    TkSetGadgetText(BallCountField, "10");
    LastBallCountText = "10";
    ApplyBallCountText(text);
    EXPECT_EQ(BallCount, 10000);
    EXPECT_EQ(TkListSize(BallList), 10000);
    EXPECT_EQ(TkGetGadgetText(BallCountField), "10000");
    EXPECT_EQ(LastBallCountText, text);
  }
}

TEST_F(BallCountUpdate, ReadsTheNumberAtTheStartOfTheText) {
  ApplyBallCountText(" \t42abc");
  EXPECT_EQ(BallCount, 42);
  EXPECT_EQ(TkListSize(BallList), 42);
  ApplyBallCountText("10000");
  EXPECT_EQ(TkListSize(BallList), 10000);
  EXPECT_EQ(TkGetGadgetText(BallCountField), "10"); // in range: the field is left alone
}

} // namespace
