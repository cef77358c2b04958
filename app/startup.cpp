#include "startup.h"

#include <windows.h>

#include "app_state.h"
#include "balls.h"
#include "paint.h"
#include "render_thread.h"
#include "scene.h"
#include "settings.h"
#include "toolkit.h"

// ---------------------------------------------------------------------------------------
// Windows and gadgets
// ---------------------------------------------------------------------------------------

constexpr uint32_t MainWindowFlags =
    TK_WINDOW_CAPTION | TK_WINDOW_SYSTEM_MENU | TK_WINDOW_MINIMIZE_BOX | TK_WINDOW_SCREEN_CENTERED;
constexpr uint32_t SettingsWindowFlags = TK_WINDOW_CAPTION | TK_WINDOW_SYSTEM_MENU | TK_WINDOW_MINIMIZE_BOX;
constexpr int SettingsWidth = 210;
constexpr int SettingsHeight = 61;

static void OpenGdi32() {
  Gdi32Library = TkOpenLibrary(TK_ANY, "Gdi32.dll");
  if (Gdi32Library == 0) {
    TkMessageBox("Error!", "Can't open Gdi32.dll", MB_ICONERROR);
    return;
  }
  GdiAlphaBlendProc = TkGetFunction(Gdi32Library, "GdiAlphaBlend");
  GdiTransparentBltProc = TkGetFunction(Gdi32Library, "GdiTransparentBlt");
}

void OpenMainWindow(const std::string &titlePrefix) {
  TkOpenWindow(MainWindow, 0, 0, static_cast<int>(ViewWidth), static_cast<int>(ViewHeight), titlePrefix + RendererName,
               MainWindowFlags);
}

// Over MainWindow's upper right corner, so the settings stay in view beside the frames.
void OpenSettingsWindow() {
  const int x = TkWindowX(MainWindow) + TkWindowWidth(MainWindow, TK_WINDOW_INNER_SIZE) - 217;
  const int y = TkWindowY(MainWindow) + 29;
  TkOpenWindow(SettingsWindow, x, y, SettingsWidth, SettingsHeight, "Settings", SettingsWindowFlags);
  TkStickyWindow(SettingsWindow, 1);
}

void CreateSettingsGadgets() {
  int x = 5;
  int y = 5;
  TkTextGadget(TK_ANY, x, y + 2, 80, 20, "Frame Rate:");
  x += 70;
  TkOptionGadget(FrameRate30Option, x, y, 50, 20, "30 fps");
  x += 50;
  TkOptionGadget(FrameRate60Option, x, y, 50, 20, "60 fps");
  TkSetGadgetState(FrameRate30Option, 1);
  x = 5;
  y += 30;
  TkTextGadget(TK_ANY, x, y + 2, 100, 20, "Number of Balls:");
  x += 100;
  TkStringGadget(BallCountField, x, y, 100, 20, TkStr(InitialBallCount), TK_STRING_NUMERIC);
  // Selecting 60 clears 30: the program starts at the clock's initial 60 fps.
  TkSetGadgetState(FrameRate60Option, 1);
}

// ---------------------------------------------------------------------------------------
// Start-up and event loop
// ---------------------------------------------------------------------------------------

void PrepareDemo(const std::string &titlePrefix, FrameComposer composeFrame) {
  OpenGdi32();
  BallList = TkNewList(sizeof(Ball));
  ViewWidth = 800;
  ViewHeight = 600;
  SetUpScene();
  // The pictures take most of start-up; a request to end that came meanwhile stops it
  // before the windows open.
  if (TkEndRequested()) return;

  OpenMainWindow(titlePrefix);
  OpenSettingsWindow();
  CreateSettingsGadgets();

  ListMutex = TkCreateMutex();
  LastBallCountText = TkStr(InitialBallCount);
  // No render thread exists yet, so the list needs no lock.
  for (int64_t count = 1; count <= InitialBallCount; count++) SpawnBall();

  ComposeFrame = composeFrame;
  TkBindWindowCallback(MainWindowCallback, MainWindow);
}

bool HandleWindowEvent(int event) {
  if (event == TK_EVENT_GADGET) {
    HandleSettingsGadget(TkEventGadget());
  } else if (event == TK_EVENT_CLOSE_WINDOW) {
    const int64_t window = TkEventWindow();
    if (window == MainWindow || window == SettingsWindow) return false;
  }
  return true;
}

void RunEventLoop() {
  while (HandleWindowEvent(TkWaitWindowEvent())) {
  }
}

void RunDemo(const std::string &titlePrefix, FrameComposer composeFrame) {
  // A request to end that comes during start-up ends the program at the next step, as
  // closing a window would end it; once the loop runs, it arrives as a close request.
  if (TkEndRequested()) return;
  PrepareDemo(titlePrefix, composeFrame);
  if (TkEndRequested()) return;
  // The thread lives until the process exits; nothing waits for it.
  StartRenderThread();
  RunEventLoop();
}

void ReleaseDemo() {
  StopRenderThread();
  TkFreeList(BallList);
  BallList = nullptr;
  TkFreeMutex(ListMutex);
  ListMutex = nullptr;
  StopRenderAPI();
}
