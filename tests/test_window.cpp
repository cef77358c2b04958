// Toolkit windows, gadgets and events on GTK, and the painting bridge behind HWND.
// Runs under a virtual X display without a window manager (frame = client area).
#include "gdi/gdi_pixels.h"
#include "gtk_internal.h"
#include "user/bridge/linux_window.h"
#include "toolkit.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------------------

gboolean KeepAwake(gpointer) { return G_SOURCE_CONTINUE; }

// Runs GTK's main context until the condition holds; false when it never did. A ticking
// source keeps the loop from blocking when nothing else is pending.
template <class Condition> bool PumpUntil(Condition condition, int rounds = 3000) {
  guint tick = g_timeout_add(2, KeepAwake, nullptr);
  bool met = condition();
  for (int i = 0; i < rounds && !met; i++) {
    g_main_context_iteration(nullptr, TRUE);
    met = condition();
  }
  g_source_remove(tick);
  return met;
}

struct Event {
  int code;
  int64_t window;
  int64_t gadget;
};

Event NextEvent() {
  int code = TkWaitWindowEvent();
  return Event{code, TkEventWindow(), TkEventGadget()};
}

// Queues a close request through the window procedure: an event that marks "nothing
// came before this one" when it is the next one out of the queue.
void QueueMarker(int64_t window) { LinuxSendMessage(TkWindowHandle(window), WM_CLOSE, 0, 0); }

void ExpectMarkerNext(int64_t window) {
  Event event = NextEvent();
  EXPECT_EQ(event.code, TK_EVENT_CLOSE_WINDOW);
  EXPECT_EQ(event.window, window);
}

GdkRectangle ScreenArea() {
  GdkRectangle area{};
  GdkDisplay *display = gdk_display_get_default();
  GdkMonitor *monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  gdk_monitor_get_geometry(monitor, &area);
  return area;
}

bool Laid(int64_t window, int width, int height) {
  TkGtkWindow *record = TkGtkFindWindow(window);
  return record && gtk_widget_get_mapped(record->window) &&
         gtk_widget_get_allocated_width(record->fixed) == width &&
         gtk_widget_get_allocated_height(record->fixed) == height;
}

// The settings window of the demo, gadgets at their table positions.
constexpr int64_t Settings = 1;
void OpenSettings(int x, int y) {
  TkOpenWindow(Settings, x, y, 210, 61, "Settings", 0xCA0000);
  TkTextGadget(TK_ANY, 5, 7, 80, 20, "Frame Rate:");
  TkOptionGadget(3, 75, 5, 50, 20, "30 fps");
  TkOptionGadget(4, 125, 5, 50, 20, "60 fps");
  TkSetGadgetState(3, 1);
  TkTextGadget(TK_ANY, 5, 37, 100, 20, "Number of Balls:");
  TkStringGadget(5, 105, 35, 100, 20, "10", TK_STRING_NUMERIC);
  TkSetGadgetState(4, 1);
}

class Window : public ::testing::Test {
protected:
  static void SetUpTestSuite() { TkInit(); }
  static void TearDownTestSuite() { TkEnd(); }
  void SetUp() override {
    ASSERT_TRUE(TkGtkReady()) << "needs a display";
    TkBindWindowCallback(nullptr, TK_ANY);
  }
  void TearDown() override {
    TkGtkCloseAllWindows();
    TkBindWindowCallback(nullptr, TK_ANY);
  }
};

// ---------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------

TEST_F(Window, DemoWindowsHaveExactClientSizesAndPlacement) {
  TkOpenWindow(0, 0, 0, 800, 600, "Main title", 0xCA0001);
  ASSERT_TRUE(TkIsWindow(0));
  int settingsX = TkWindowX(0) + TkWindowWidth(0) - 217;
  int settingsY = TkWindowY(0) + 29;
  OpenSettings(settingsX, settingsY);
  TkStickyWindow(Settings, 1);
  ASSERT_TRUE(PumpUntil([] { return Laid(0, 800, 600) && Laid(Settings, 210, 61); }));

  EXPECT_EQ(TkWindowWidth(0), 800);
  EXPECT_EQ(TkWindowHeight(0), 600);
  EXPECT_EQ(TkWindowWidth(Settings), 210);
  EXPECT_EQ(TkWindowHeight(Settings), 61);
  // The whole toplevel is the client area: nothing of GTK's own adds to it.
  TkGtkWindow *main = TkGtkFindWindow(0);
  EXPECT_EQ(gtk_widget_get_allocated_width(main->window), 800);
  EXPECT_EQ(gtk_widget_get_allocated_height(main->window), 600);
  EXPECT_EQ(gtk_widget_get_allocated_width(main->client), 800);
  EXPECT_EQ(gtk_widget_get_allocated_height(main->client), 600);
  RECT client{};
  ASSERT_TRUE(GetClientRect(TkWindowHandle(0), &client));
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);

  GdkRectangle screen = ScreenArea();
  EXPECT_EQ(TkWindowX(0), screen.x + (screen.width - 800) / 2);
  EXPECT_EQ(TkWindowY(0), screen.y + (screen.height - 600) / 2);
  EXPECT_EQ(TkWindowX(Settings), settingsX);
  EXPECT_EQ(TkWindowY(Settings), settingsY);
  EXPECT_EQ(TkWindowX(Settings) - TkWindowX(0), 583);
  EXPECT_EQ(TkWindowWidth(0, 0), 800); // outer size: no frame without a window manager

  EXPECT_EQ(TkWindowTitle(0), "Main title");
  EXPECT_EQ(TkWindowTitle(Settings), "Settings");
  EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(main->window)));
}

TEST_F(Window, NumbersArePickedReplacedAndFreed) {
  int64_t picked = TkOpenWindow(TK_ANY, 10, 10, 50, 40, "a", 0);
  EXPECT_GT(picked, 1);
  EXPECT_TRUE(TkIsWindow(picked));
  HWND first = TkWindowHandle(picked);
  ASSERT_TRUE(IsWindow(first));

  // Opening under a number in use replaces the window: the old handle dies.
  EXPECT_EQ(TkOpenWindow(picked, 20, 30, 60, 50, "b", 0), picked);
  HWND second = TkWindowHandle(picked);
  EXPECT_NE(second, first);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(TkWindowTitle(picked), "b");
  EXPECT_EQ(TkWindowX(picked), 20);
  EXPECT_EQ(TkWindowY(picked), 30);

  TkCloseWindow(picked);
  EXPECT_FALSE(TkIsWindow(picked));
  EXPECT_EQ(TkWindowHandle(picked), nullptr);
  EXPECT_FALSE(IsWindow(second));
  RECT rect{};
  EXPECT_FALSE(GetClientRect(second, &rect));
}

TEST_F(Window, ParentCentredWindowSitsInTheMiddleOfTheLastOne) {
  TkOpenWindow(0, 100, 80, 400, 300, "parent", 0);
  TkOpenWindow(1, 0, 0, 100, 50, "child", TK_WINDOW_PARENT_CENTERED);
  ASSERT_TRUE(PumpUntil([] { return Laid(0, 400, 300) && Laid(1, 100, 50); }));
  EXPECT_EQ(TkWindowX(1), 100 + (400 - 100) / 2);
  EXPECT_EQ(TkWindowY(1), 80 + (300 - 50) / 2);
}

// ---------------------------------------------------------------------------------------
// Gadgets
// ---------------------------------------------------------------------------------------

TEST_F(Window, SettingsGadgetsTakeExactlyTheirRectangles) {
  OpenSettings(50, 50);
  ASSERT_TRUE(PumpUntil([] { return Laid(Settings, 210, 61); }));
  struct Expected {
    int64_t gadget;
    RECT rect;
  } expected[] = {
      {3, {75, 5, 125, 25}},
      {4, {125, 5, 175, 25}},
      {5, {105, 35, 205, 55}},
  };
  for (const Expected &want : expected) {
    RECT got{};
    ASSERT_TRUE(TkGadgetRect(want.gadget, &got));
    EXPECT_EQ(got.left, want.rect.left) << "gadget " << want.gadget;
    EXPECT_EQ(got.top, want.rect.top) << "gadget " << want.gadget;
    EXPECT_EQ(got.right, want.rect.right) << "gadget " << want.gadget;
    EXPECT_EQ(got.bottom, want.rect.bottom) << "gadget " << want.gadget;
    GtkAllocation allocation;
    gtk_widget_get_allocation(TkGtkGadgetWidget(want.gadget), &allocation);
    EXPECT_EQ(allocation.width, want.rect.right - want.rect.left) << "gadget " << want.gadget;
    EXPECT_EQ(allocation.height, want.rect.bottom - want.rect.top) << "gadget " << want.gadget;
  }
  EXPECT_EQ(TkGetGadgetText(5), "10");
  EXPECT_EQ(TkGetGadgetText(3), "30 fps");
}

TEST_F(Window, OptionsFormOneGroupAndCodeChangesAreSilent) {
  OpenSettings(50, 50);
  // The start-up sequence selected 3, then 4: only 4 stays selected.
  EXPECT_EQ(TkGetGadgetState(3), 0);
  EXPECT_EQ(TkGetGadgetState(4), 1);
  TkSetGadgetState(3, 1);
  EXPECT_EQ(TkGetGadgetState(3), 1);
  EXPECT_EQ(TkGetGadgetState(4), 0);
  TkSetGadgetState(3, 0);
  EXPECT_EQ(TkGetGadgetState(3), 0);
  EXPECT_EQ(TkGetGadgetState(4), 0);

  // Options after another gadget start a group of their own.
  TkOptionGadget(6, 5, 40, 40, 20, "a");
  TkOptionGadget(7, 50, 40, 40, 20, "b");
  EXPECT_EQ(TkGetGadgetState(6), 0);
  EXPECT_EQ(TkGetGadgetState(7), 0);
  TkSetGadgetState(4, 1);
  TkSetGadgetState(7, 1);
  EXPECT_EQ(TkGetGadgetState(4), 1);
  EXPECT_EQ(TkGetGadgetState(7), 1);
  TkSetGadgetState(6, 1);
  EXPECT_EQ(TkGetGadgetState(7), 0);
  EXPECT_EQ(TkGetGadgetState(4), 1);

  // None of that was the user's doing: no gadget event is queued.
  QueueMarker(Settings);
  ExpectMarkerNext(Settings);
}

TEST_F(Window, ClickingAnOptionReportsOnlyThatOption) {
  OpenSettings(50, 50);
  gtk_button_clicked(GTK_BUTTON(TkGtkGadgetWidget(3)));
  Event event = NextEvent();
  EXPECT_EQ(event.code, TK_EVENT_GADGET);
  EXPECT_EQ(event.window, Settings);
  EXPECT_EQ(event.gadget, 3);
  EXPECT_EQ(TkGetGadgetState(3), 1);
  EXPECT_EQ(TkGetGadgetState(4), 0);

  // A click on the selected option is reported again; the cleared one never is.
  gtk_button_clicked(GTK_BUTTON(TkGtkGadgetWidget(3)));
  gtk_button_clicked(GTK_BUTTON(TkGtkGadgetWidget(4)));
  QueueMarker(Settings);
  event = NextEvent();
  EXPECT_EQ(event.gadget, 3);
  event = NextEvent();
  EXPECT_EQ(event.gadget, 4);
  ExpectMarkerNext(Settings);
  EXPECT_EQ(TkGetGadgetState(3), 0);
  EXPECT_EQ(TkGetGadgetState(4), 1);
}

TEST_F(Window, DigitsOnlyFieldRefusesLettersAndReportsChanges) {
  OpenSettings(50, 50);
  GtkEditable *field = GTK_EDITABLE(TkGtkGadgetWidget(5));
  int position = 2;
  gtk_editable_insert_text(field, "5a", -1, &position);
  gtk_editable_insert_text(field, "x", -1, &position);
  EXPECT_EQ(TkGetGadgetText(5), "10");
  QueueMarker(Settings); // the refused insertions changed nothing and reported nothing
  ExpectMarkerNext(Settings);

  position = 2;
  gtk_editable_insert_text(field, "7", -1, &position);
  EXPECT_EQ(TkGetGadgetText(5), "107");
  Event event = NextEvent();
  EXPECT_EQ(event.code, TK_EVENT_GADGET);
  EXPECT_EQ(event.window, Settings);
  EXPECT_EQ(event.gadget, 5);

  gtk_editable_delete_text(field, 0, -1);
  EXPECT_EQ(TkGetGadgetText(5), "");
  EXPECT_EQ(NextEvent().gadget, 5);

  TkSetGadgetText(5, "10000");
  EXPECT_EQ(TkGetGadgetText(5), "10000");
  EXPECT_EQ(NextEvent().gadget, 5);

  // A field without the flag takes any text.
  TkStringGadget(8, 5, 5, 60, 20, "", 0);
  position = 0;
  gtk_editable_insert_text(GTK_EDITABLE(TkGtkGadgetWidget(8)), "ab1", -1, &position);
  EXPECT_EQ(TkGetGadgetText(8), "ab1");
}

TEST_F(Window, GadgetsNeedAWindowAndDieWithIt) {
  EXPECT_EQ(TkTextGadget(TK_ANY, 0, 0, 10, 10, "x"), 0);
  OpenSettings(50, 50);
  EXPECT_TRUE(TkGtkGadgetWidget(5) != nullptr);
  TkCloseWindow(Settings);
  EXPECT_EQ(TkGtkGadgetWidget(5), nullptr);
  EXPECT_EQ(TkGetGadgetText(5), "");
  RECT rect{};
  EXPECT_FALSE(TkGadgetRect(3, &rect));
}

// ---------------------------------------------------------------------------------------
// Events and callbacks
// ---------------------------------------------------------------------------------------

TEST_F(Window, CloseRequestBecomesAnEventAndTheWindowStays) {
  TkOpenWindow(0, 0, 0, 100, 100, "zero", 0xCA0001);
  OpenSettings(50, 50);
  gtk_window_close(GTK_WINDOW(TkGtkFindWindow(Settings)->window));
  Event event = NextEvent();
  EXPECT_EQ(event.code, TK_EVENT_CLOSE_WINDOW);
  EXPECT_EQ(event.window, Settings);
  EXPECT_TRUE(TkIsWindow(Settings));

  gtk_window_close(GTK_WINDOW(TkGtkFindWindow(0)->window));
  event = NextEvent();
  EXPECT_EQ(event.code, TK_EVENT_CLOSE_WINDOW);
  EXPECT_EQ(event.window, 0);
}

std::vector<UINT> SeenMessages;
int64_t HandledCloseCallback(HWND, UINT message, WPARAM, LPARAM) {
  SeenMessages.push_back(message);
  return message == WM_CLOSE ? 0 : TK_DEFAULT_CALLBACK_RESULT;
}
int64_t DefaultCallback(HWND, UINT message, WPARAM, LPARAM) {
  SeenMessages.push_back(message);
  return TK_DEFAULT_CALLBACK_RESULT;
}

TEST_F(Window, CallbackResultDecidesWhetherTheToolkitHandlesTheMessage) {
  SeenMessages.clear();
  OpenSettings(50, 50);
  TkOpenWindow(2, 0, 0, 50, 50, "two", 0);
  TkBindWindowCallback(HandledCloseCallback, Settings);
  TkBindWindowCallback(DefaultCallback, TK_ANY);

  // Handled by the callback: no close event. Left to the toolkit: the event comes.
  LinuxSendMessage(TkWindowHandle(Settings), WM_CLOSE, 0, 0);
  LinuxSendMessage(TkWindowHandle(2), WM_CLOSE, 0, 0);
  Event event = NextEvent();
  EXPECT_EQ(event.code, TK_EVENT_CLOSE_WINDOW);
  EXPECT_EQ(event.window, 2);
  ASSERT_EQ(SeenMessages.size(), 2u);

  // An unhandled paint and erase fall back to the default handling.
  HWND two = TkWindowHandle(2);
  EXPECT_EQ(LinuxSendMessage(two, WM_ERASEBKGND, 0, 0), 0);
  EXPECT_TRUE(RedrawWindow(two, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW));
  EXPECT_EQ(SeenMessages.back(), static_cast<UINT>(WM_PAINT));
}

// ---------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------

struct PaintLog {
  std::atomic<int> paints{0};
  std::atomic<int> finished{0};
  std::atomic<int> erases{0};
  std::thread::id thread;
  uint32_t colour = 0;   // BGRA value written into every pixel
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
  GdkWindow *gdkWindow = gtk_widget_get_window(TkGtkFindWindow(window)->window);
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
  ASSERT_TRUE(RedrawWindow(handle, nullptr, nullptr, 0x921));
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
    RedrawWindow(handle, nullptr, nullptr, 0x921);
    returned = true;
  });
  TkCloseWindow(0);
  render.join();
  EXPECT_TRUE(returned);
  EXPECT_FALSE(RedrawWindow(handle, nullptr, nullptr, 0x921)); // a dead window: at once

  // The loop stops while a request is waiting: the waiter is let go too.
  TkOpenWindow(0, 0, 0, 40, 40, "paint", 0);
  handle = TkWindowHandle(0);
  std::atomic<bool> started{false};
  std::thread late([&] {
    started = true;
    RedrawWindow(handle, nullptr, nullptr, 0x921);
  });
  while (!started) std::this_thread::yield();
  LinuxUserStop();
  late.join();
  LinuxUserStart();
  EXPECT_TRUE(RedrawWindow(handle, nullptr, nullptr, 0x921)); // GUI thread: painted directly
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
  EXPECT_FALSE(RedrawWindow(reinterpret_cast<HWND>(0x1234), nullptr, nullptr, 0x921));
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
  ASSERT_TRUE(ClientToScreen(handle, &outside));
  EXPECT_EQ(outside.x, 90);
  EXPECT_EQ(outside.y, 140);
  EXPECT_FALSE(ScreenToClient(reinterpret_cast<HWND>(0x10), &outside));
}

// ---------------------------------------------------------------------------------------
// Message box
// ---------------------------------------------------------------------------------------

struct FoundDialog {
  std::string title;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  bool modal = false;
};
FoundDialog Dialog;

gboolean AnswerDialog(gpointer) {
  GList *toplevels = gtk_window_list_toplevels();
  bool answered = false;
  for (GList *item = toplevels; item; item = item->next) {
    if (!GTK_IS_MESSAGE_DIALOG(item->data) || !gtk_widget_get_visible(GTK_WIDGET(item->data))) continue;
    GtkWindow *dialog = GTK_WINDOW(item->data);
    Dialog.title = gtk_window_get_title(dialog);
    GtkMessageType type;
    g_object_get(dialog, "message-type", &type, nullptr);
    Dialog.type = type;
    Dialog.modal = gtk_window_get_modal(dialog);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    answered = true;
  }
  g_list_free(toplevels);
  return answered ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

TEST_F(Window, MessageBoxIsAModalErrorDialog) {
  Dialog = FoundDialog{};
  g_timeout_add(5, AnswerDialog, nullptr);
  EXPECT_EQ(MessageBoxW(nullptr, L"Can't open Gdi32.dll", L"Error!", MB_ICONERROR), IDOK);
  EXPECT_EQ(Dialog.title, "Error!");
  EXPECT_EQ(Dialog.type, GTK_MESSAGE_ERROR);
  EXPECT_TRUE(Dialog.modal);
}

// ---------------------------------------------------------------------------------------
// Threads
// ---------------------------------------------------------------------------------------

TEST_F(Window, WindowTableIsSafeToReadFromAnotherThread) {
  std::mutex createdMutex;
  std::set<HWND> created;
  std::atomic<bool> stop{false};
  std::vector<HWND> seen;
  std::thread reader([&] {
    while (!stop) {
      if (TkIsWindow(0) || TkIsWindow(1)) {
        HWND handle = TkWindowHandle(0);
        if (handle) seen.push_back(handle);
      }
    }
  });
  for (int i = 0; i < 60; i++) {
    TkOpenWindow(i % 2, 0, 0, 20, 20, "t", 0);
    {
      std::lock_guard<std::mutex> lock(createdMutex);
      created.insert(TkWindowHandle(i % 2));
    }
    if (i % 3 == 0) TkCloseWindow(0);
    g_main_context_iteration(nullptr, FALSE);
  }
  stop = true;
  reader.join();
  for (HWND handle : seen) EXPECT_TRUE(created.count(handle)) << handle;
}

// ---------------------------------------------------------------------------------------
// Program end
// ---------------------------------------------------------------------------------------

TEST(WindowDeathTest, ExitProcessEndsAtOnceWhileAnotherThreadWaitsForAPaint) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TkInit();
        TkOpenWindow(0, 0, 0, 20, 20, "exit", 0);
        HWND handle = TkWindowHandle(0);
        std::atomic<bool> waiting{false};
        // Nobody runs the loop: this paint request waits for good.
        std::thread([&] {
          waiting = true;
          RedrawWindow(handle, nullptr, nullptr, 0x921);
        }).detach();
        while (!waiting) std::this_thread::yield();
        TkExitProcess(3);
      },
      ::testing::ExitedWithCode(3), "");
}

} // namespace
