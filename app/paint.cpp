#include "paint.h"

#include "app_state.h"
#include "frame_stats.h"
#include "toolkit.h"

FrameComposer ComposeFrame = nullptr;

POINT ReadFrameCursor() {
  POINT cursor = {0, 0};
  GetCursorPos(&cursor);
  // The toolkit's handle of window 0, asked afresh for every paint.
  ScreenToClient(TkWindowHandle(MainWindow), &cursor);
  return cursor;
}

static void PaintFrame() {
  if (ComposeFrame != nullptr) ComposeFrame(ReadFrameCursor());
  HWND window = TkWindowHandle(MainWindow);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc != nullptr) PresentFrame(dc);
  EndPaint(window, &paint);
  NotePaintedFrame();
}

int64_t MainWindowCallback(HWND, UINT message, WPARAM, LPARAM) {
  switch (message) {
  case WM_ERASEBKGND: return 1;
  case WM_PAINT: PaintFrame(); return 0;
  default: return TK_DEFAULT_CALLBACK_RESULT;
  }
}
