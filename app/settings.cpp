#include "settings.h"

#include "app_state.h"
#include "balls.h"
#include "frame_clock.h"
#include "frame_stats.h"
#include "toolkit.h"

void UpdateBallCount() { ApplyBallCountText(TkGetGadgetText(BallCountField)); }

void ApplyBallCountText(const std::string &text) {
  BallCountText = text;
  // Focus changes and re-entered text arrive as gadget events too; they must not rebuild.
  if (BallCountText == LastBallCountText) return;

  // TkVal saturates, so any length of digits stays in range before the clamp.
  BallCount = TkVal(BallCountText);
  if (BallCount < 0) BallCount = 0;
  if (BallCount > MaxBallCount) {
    BallCount = MaxBallCount;
    TkSetGadgetText(BallCountField, TkStr(BallCount));
  }

  TkLockMutex(ListMutex);
  TkClearList(BallList);
  for (int64_t count = 1; count <= BallCount; count++) SpawnBall();
  TkUnlockMutex(ListMutex);
  RestartPaintedFrameStats();

  // The text as read, not as clamped: reading the clamped text back later rebuilds once more.
  LastBallCountText = BallCountText;
}

void HandleSettingsGadget(int64_t gadget) {
  // Any event of a selected option counts, a click on the one already selected included:
  // it restarts the schedule at that rate.
  if (gadget == FrameRate30Option && TkGetGadgetState(FrameRate30Option) == 1) {
    SetFrameRate(30.0f);
    RestartPaintedFrameStats();
  } else if (gadget == FrameRate60Option && TkGetGadgetState(FrameRate60Option) == 1) {
    SetFrameRate(60.0f);
    RestartPaintedFrameStats();
  } else if (gadget == BallCountField) {
    UpdateBallCount();
  }
}
