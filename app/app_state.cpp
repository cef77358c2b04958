#include "app_state.h"

int64_t ViewWidth = 0;
int64_t ViewHeight = 0;
std::string RendererName;

TkList *BallList = nullptr;
TkMutex *ListMutex = nullptr;

std::string BallCountText;
std::string LastBallCountText = std::to_string(InitialBallCount);
int64_t BallCount = 0;

int64_t BallImage = 0;
int64_t BallWidth = 0;
int64_t BallHeight = 0;

int64_t Gdi32Library = 0;
void *GdiAlphaBlendProc = nullptr;
void *GdiTransparentBltProc = nullptr;
