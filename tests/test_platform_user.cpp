// The painting bridge behind HWND (WM_PAINT through the window procedure, BeginPaint's back
// buffer, RedrawWindow from any thread) and the cursor, on toolkit windows.
#include "gdi/gdi_pixels.h"
#include "test_window_fixture.h"
#include "user/bridge/linux_window.h"

#include <atomic>
#include <thread>

namespace {

// The redraw the render thread asks for: the whole client area, painted without erasing
// before RedrawWindow returns.
constexpr UINT FrameRedraw = RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_NOFRAME;

// ---------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------

struct PaintLog {
  std::atomic<int> paints{0};
  std::atomic<int> finished{0};
  std::atomic<int> erases{0};
  std::thread::id thread;
  uint32_t colour = 0; // BGRA value written into every pixel
  LRESULT eraseResult = 1;
  PAINTSTRUCT last{};
  bool sawBackBuffer = false;
};
PaintLog Log;

int64_t PaintingCallback(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_ERASEBKGND) {
    Log.erases++;
    return Log.eraseResult;
  }
  if (message != WM_PAINT) return TK_DEFAULT_CALLBACK_RESULT;
  Log.paints++;
  Log.thread = std::this_thread::get_id();
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  GdiPixels pixels{};
  Log.sawBackBuffer = dc && GdiGetDcPixels(dc, &pixels) && pixels.bitsPerPixel == 32 && !pixels.bottomUp;
  if (Log.sawBackBuffer) {
    for (int y = 0; y < pixels.height; y++) {
      uint32_t *row = reinterpret_cast<uint32_t *>(GdiRow(pixels, y));
      for (int x = 0; x < pixels.width; x++) row[x] = Log.colour;
    }
  }
  Log.last = paint;
  EndPaint(window, &paint);
  Log.finished++;
  return 0;
}

void ResetLog() {
  Log.paints = 0;
  Log.finished = 0;
  Log.erases = 0;
  Log.thread = std::thread::id{};
  Log.colour = 0xFFFF8000; // orange: R 255, G 128, B 0 (B, G, R, A in memory)
  Log.eraseResult = 1;
  Log.sawBackBuffer = false;
}

guint32 ScreenPixel(int64_t window, int x, int y) {
  GdkWindow *gdkWindow = gtk_widget_get_window(TkFindWindow(window)->window);
  GdkPixbuf *pixbuf = gdk_pixbuf_get_from_window(gdkWindow, x, y, 1, 1);
  if (!pixbuf) return 0xFFFFFFFF;
  const guchar *p = gdk_pixbuf_get_pixels(pixbuf);
  guint32 rgb = (p[0] << 16) | (p[1] << 8) | p[2];
  g_object_unref(pixbuf);
  return rgb;
}

TEST_F(Window, FirstExposurePaintsThroughTheProcedureAndShowsTheBackBuffer) {
  ResetLog();
  Log.eraseResult = 0;
  TkOpenWindow(0, 0, 0, 64, 48, "paint", 0xCA0001);
  TkBindWindowCallback(PaintingCallback, 0);
  HWND handle = TkWindowHandle(0);
  ASSERT_TRUE(PumpUntil([&] { return LinuxWindowPresentCount(handle) > 0; }));
  EXPECT_EQ(Log.paints, 1);
  ASSERT_TRUE(Log.sawBackBuffer);
  // The first paint of a window is erased first; a callback that did not erase is told.
  EXPECT_EQ(Log.erases, 1);
  EXPECT_TRUE(Log.last.fErase);
  EXPECT_EQ(Log.last.rcPaint.right, 64);
  EXPECT_EQ(Log.last.rcPaint.bottom, 48);
  EXPECT_TRUE(PumpUntil([] { return ScreenPixel(0, 10, 10) == 0xFF8000; }));

  // Later paints write the same buffer and show it again; no second erase.
  Log.colour = 0xFF00FF00;
  int shown = LinuxWindowPresentCount(handle);
  ASSERT_TRUE(RedrawWindow(handle, nullptr, nullptr, FrameRedraw));
  EXPECT_EQ(Log.paints, 2);
  EXPECT_EQ(Log.erases, 1);
  EXPECT_TRUE(PumpUntil([&] { return LinuxWindowPresentCount(handle) > shown; }));
  EXPECT_TRUE(PumpUntil([] { return ScreenPixel(0, 63, 47) == 0x00FF00; }));
}

TEST_F(Window, RedrawFromAnotherThreadPaintsOnTheGuiThreadBeforeReturning) {
  ResetLog();
  TkOpenWindow(0, 0, 0, 80, 60, "paint", 0xCA0001);
  TkBindWindowCallback(PaintingCallback, 0);
  HWND handle = TkWindowHandle(0);
  ASSERT_TRUE(PumpUntil([&] { return Log.paints == 1; })); // the first exposure

  std::atomic<bool> returned{false};
  std::atomic<int> finishedAtReturn{-1};
  BOOL result = FALSE;
  std::thread render([&] {
    result = RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_NOFRAME);
    finishedAtReturn = Log.finished.load();
    returned = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
  render.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(finishedAtReturn, 2); // the paint had finished when RedrawWindow returned
  EXPECT_EQ(Log.thread, std::this_thread::get_id());
  EXPECT_EQ(Log.erases, 1); // RDW_NOERASE: only the first exposure erased
}

TEST_F(Window, RedrawReturnsWhenTheWindowClosesOrTheLoopStops) {
  ResetLog();
  TkOpenWindow(0, 0, 0, 40, 40, "paint", 0);
  TkBindWindowCallback(PaintingCallback, 0);
  HWND handle = TkWindowHandle(0);

  // The GUI thread closes the window instead of painting: the waiter is let go.
  std::atomic<bool> returned{false};
  std::thread render([&] {
    RedrawWindow(handle, nullptr, nullptr, FrameRedraw);
    returned = true;
  });
  TkCloseWindow(0);
  render.join();
  EXPECT_TRUE(returned);
  EXPECT_FALSE(RedrawWindow(handle, nullptr, nullptr, FrameRedraw)); // a dead window: at once

  // The loop stops while a request is waiting: the waiter is let go too.
  TkOpenWindow(0, 0, 0, 40, 40, "paint", 0);
  handle = TkWindowHandle(0);
  std::atomic<bool> started{false};
  std::thread late([&] {
    started = true;
    RedrawWindow(handle, nullptr, nullptr, FrameRedraw);
  });
  while (!started) std::this_thread::yield();
  LinuxUserStop();
  late.join();
  LinuxUserStart();
  EXPECT_TRUE(RedrawWindow(handle, nullptr, nullptr, FrameRedraw)); // GUI thread: painted directly
}

TEST_F(Window, RedrawOnTheGuiThreadPaintsAtOnceAndOnlyWhenInvalid) {
  ResetLog();
  TkOpenWindow(0, 0, 0, 40, 40, "paint", 0);
  TkBindWindowCallback(PaintingCallback, 0);
  HWND handle = TkWindowHandle(0);
  ASSERT_TRUE(RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW));
  EXPECT_EQ(Log.paints, 1);
  EXPECT_EQ(Log.thread, std::this_thread::get_id());
  ASSERT_TRUE(RedrawWindow(handle, nullptr, nullptr, RDW_UPDATENOW)); // valid: nothing to do
  EXPECT_EQ(Log.paints, 1);
  // Invalidating alone paints later, from the loop.
  ASSERT_TRUE(RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE));
  EXPECT_EQ(Log.paints, 1);
  EXPECT_TRUE(PumpUntil([] { return Log.paints == 2; }));
  EXPECT_FALSE(RedrawWindow(reinterpret_cast<HWND>(0x1234), nullptr, nullptr, FrameRedraw));
}

TEST_F(Window, PaintingNeedsALiveWindow) {
  PAINTSTRUCT paint{};
  EXPECT_EQ(BeginPaint(reinterpret_cast<HWND>(0x10000), &paint), nullptr);
  EXPECT_FALSE(EndPaint(reinterpret_cast<HWND>(0x10000), &paint));
  TkOpenWindow(0, 0, 0, 40, 40, "paint", 0);
  EXPECT_FALSE(EndPaint(TkWindowHandle(0), &paint)); // no BeginPaint before
}

// ---------------------------------------------------------------------------------------
// Cursor and coordinates
// ---------------------------------------------------------------------------------------

TEST_F(Window, CursorAndClientCoordinates) {
  TkOpenWindow(0, 100, 150, 300, 200, "cursor", 0);
  ASSERT_TRUE(PumpUntil([] { return Laid(0, 300, 200); }));
  HWND handle = TkWindowHandle(0);
  ASSERT_TRUE(SetCursorPos(130, 170));
  POINT cursor{};
  ASSERT_TRUE(GetCursorPos(&cursor));
  EXPECT_EQ(cursor.x, 130);
  EXPECT_EQ(cursor.y, 170);
  ASSERT_TRUE(ScreenToClient(handle, &cursor));
  EXPECT_EQ(cursor.x, 30);
  EXPECT_EQ(cursor.y, 20);
  POINT outside{90, 140};
  ASSERT_TRUE(ScreenToClient(handle, &outside));
  EXPECT_EQ(outside.x, -10);
  EXPECT_EQ(outside.y, -10);
  EXPECT_FALSE(ScreenToClient(reinterpret_cast<HWND>(0x10), &outside));
}

// ---------------------------------------------------------------------------------------

} // namespace
