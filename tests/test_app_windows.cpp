// The demo's windows and event loop in this process, under the test's display: start-up
// up to the render thread, then events as the user would cause them. The real programs
// are started in test_programs.cpp.
#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <windows.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app_state.h"
#include "balls.h"
#include "compose.h"
#include "frame_clock.h"
#include "gtk_internal.h"
#include "paint.h"
#include "render_thread.h"
#include "startup.h"
#include "test_window_fixture.h"
#include "toolkit.h"
#include "user/user_internal.h"

namespace {

const std::string TitlePrefix = "Window test: rendering with ";

int ComposedFrames = 0;
int64_t BallsSeenByComposer = -1;
void CountingComposer(POINT) {
  ComposedFrames++;
  TkLockMutex(ListMutex);
  BallsSeenByComposer = TkListSize(BallList);
  TkUnlockMutex(ListMutex);
}

// The GTK widget of a Settings gadget, found by its kind and label.
GtkWidget *SettingsWidget(GType type, const char *label) {
  TkPortWindow *window = TkFindWindow(SettingsWindow);
  if (window == nullptr) return nullptr;
  GtkWidget *found = nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(window->fixed));
  for (GList *child = children; child != nullptr; child = child->next) {
    GtkWidget *widget = GTK_WIDGET(child->data);
    if (!G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) continue;
    if (label != nullptr &&
        (!GTK_IS_BUTTON(widget) || std::strcmp(gtk_button_get_label(GTK_BUTTON(widget)), label) != 0))
      continue;
    found = widget;
  }
  g_list_free(children);
  return found;
}

// Handles events until the condition holds; false when a close request came first.
template <typename Condition> bool ProcessEventsUntil(Condition condition) {
  while (!condition()) {
    if (!HandleWindowEvent(TkWaitWindowEvent())) return false;
  }
  return true;
}

void ExpectRect(int64_t gadget, LONG left, LONG top, LONG right, LONG bottom) {
  RECT rect{};
  ASSERT_TRUE(TkGadgetRect(gadget, &rect)) << gadget;
  EXPECT_EQ(rect.left, left) << gadget;
  EXPECT_EQ(rect.top, top) << gadget;
  EXPECT_EQ(rect.right, right) << gadget;
  EXPECT_EQ(rect.bottom, bottom) << gadget;
}

// Answers a window's request to be minimised as a window manager of the ICCCM kind does,
// on a display connection of its own: it takes the WM_CHANGE_STATE message that
// gtk_window_iconify sends to the root window and unmaps the window. The test's display
// runs no window manager, so nothing else would answer.
struct IconifyingManager {
  xcb_connection_t *connection;
  xcb_atom_t changeState;
};

bool StartManager(IconifyingManager *manager) {
  manager->connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(manager->connection)) return false;
  const char name[] = "WM_CHANGE_STATE";
  xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
      manager->connection, xcb_intern_atom(manager->connection, 0, sizeof name - 1, name), nullptr);
  if (atom == nullptr) return false;
  manager->changeState = atom->atom;
  free(atom);
  xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(manager->connection)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_void_cookie_t selected =
      xcb_change_window_attributes_checked(manager->connection, screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_generic_error_t *error = xcb_request_check(manager->connection, selected);
  free(error);
  return error == nullptr;
}

// True once a request to minimise a window has come and been answered.
bool AnswerIconifyRequest(IconifyingManager *manager) {
  constexpr uint32_t IconicState = 3;
  bool answered = false;
  while (xcb_generic_event_t *event = xcb_poll_for_event(manager->connection)) {
    if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
      auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
      if (message->type == manager->changeState && message->data.data32[0] == IconicState) {
        // Waited for, so that it is done before the connection closes.
        free(xcb_request_check(manager->connection, xcb_unmap_window_checked(manager->connection, message->window)));
        answered = true;
      }
    }
    free(event);
  }
  return answered;
}

bool IsIconified(GtkWidget *window) {
  return gdk_window_get_state(gtk_widget_get_window(window)) & GDK_WINDOW_STATE_ICONIFIED;
}

class AppWindows : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    TkInit();
    PrepareDemo(TitlePrefix, CountingComposer);
    // Let GTK lay the windows out and map them, as the event loop would; the toolkit's
    // events stay queued for the loop.
    while (gtk_events_pending()) gtk_main_iteration();
  }
  static void TearDownTestSuite() { TkEnd(); }
};

TEST_F(AppWindows, OpenBothWindowsWithTheirSizesTitlesAndPlacement) {
  ASSERT_TRUE(TkIsWindow(MainWindow));
  ASSERT_TRUE(TkIsWindow(SettingsWindow));
  EXPECT_EQ(TkWindowWidth(MainWindow, TK_WINDOW_INNER_SIZE), 800);
  EXPECT_EQ(TkWindowHeight(MainWindow, TK_WINDOW_INNER_SIZE), 600);
  EXPECT_EQ(TkWindowWidth(SettingsWindow, TK_WINDOW_INNER_SIZE), 210);
  EXPECT_EQ(TkWindowHeight(SettingsWindow, TK_WINDOW_INNER_SIZE), 61);

  EXPECT_EQ(RendererName, "Direct2D");
  EXPECT_EQ(TkWindowTitle(MainWindow), TitlePrefix + RendererName);
  EXPECT_EQ(TkWindowTitle(SettingsWindow), "Settings");

  // Over MainWindow's upper right corner.
  EXPECT_EQ(TkWindowX(SettingsWindow), TkWindowX(MainWindow) + 800 - 217);
  EXPECT_EQ(TkWindowY(SettingsWindow), TkWindowY(MainWindow) + 29);
}

TEST_F(AppWindows, SettingsGadgetsStartWithSixtyFpsAndTenBalls) {
  ExpectRect(FrameRate30Option, 75, 5, 125, 25);
  ExpectRect(FrameRate60Option, 125, 5, 175, 25);
  ExpectRect(BallCountField, 105, 35, 205, 55);
  EXPECT_EQ(TkGetGadgetText(FrameRate30Option), "30 fps");
  EXPECT_EQ(TkGetGadgetText(FrameRate60Option), "60 fps");
  EXPECT_EQ(TkGetGadgetState(FrameRate30Option), 0);
  EXPECT_EQ(TkGetGadgetState(FrameRate60Option), 1);
  EXPECT_EQ(TkGetGadgetText(BallCountField), "10");
  EXPECT_NE(SettingsWidget(GTK_TYPE_LABEL, nullptr), nullptr);

  EXPECT_EQ(TkListSize(BallList), 10);
  EXPECT_EQ(LastBallCountText, "10");
  EXPECT_NE(ListMutex, nullptr);
  EXPECT_EQ(FrameClock.framesPerSecond, 60.0f);
}

TEST_F(AppWindows, ARepaintRequestComposesAndPresentsOneFrame) {
  const int before = ComposedFrames;
  RedrawWindow(TkWindowHandle(MainWindow), nullptr, nullptr,
               RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_NOFRAME);
  EXPECT_EQ(ComposedFrames, before + 1);
  EXPECT_EQ(BallsSeenByComposer, 10);
  UserWindow *window = UserWindowFromHandle(TkWindowHandle(MainWindow));
  ASSERT_NE(window, nullptr);
  ASSERT_NE(window->backBits, nullptr);
  // The counting composer leaves the frame image empty (transparent), which is presented
  // over opaque black.
  uint32_t pixel;
  std::memcpy(&pixel, window->backBits + (599 * 800 + 799) * 4, 4);
  EXPECT_EQ(pixel, 0xFF000000u);
}

TEST_F(AppWindows, TypingACountRebuildsTheBalls) {
  GtkWidget *entry = SettingsWidget(GTK_TYPE_ENTRY, nullptr);
  ASSERT_NE(entry, nullptr);
  // Typed as the user would: through the field's insertion, where letters are refused.
  gtk_editable_delete_text(GTK_EDITABLE(entry), 0, -1);
  gint position = 0;
  gtk_editable_insert_text(GTK_EDITABLE(entry), "2x", 2, &position);
  gtk_editable_insert_text(GTK_EDITABLE(entry), "25", 2, &position);
  EXPECT_EQ(TkGetGadgetText(BallCountField), "25");
  ASSERT_TRUE(ProcessEventsUntil([] { return TkListSize(BallList) == 25; }));
  EXPECT_EQ(LastBallCountText, "25");
  EXPECT_EQ(BallCount, 25);
}

// Balls spawned while the main window is minimised see no client area: each starts at
// minus half its size, then heads back in.
TEST_F(AppWindows, BallsSpawnedWhileMinimisedStartAtMinusHalfTheirSize) {
  GtkWidget *main = TkFindWindow(MainWindow)->window;
  GtkWidget *entry = SettingsWidget(GTK_TYPE_ENTRY, nullptr);
  ASSERT_NE(entry, nullptr);
  IconifyingManager manager{};
  ASSERT_TRUE(StartManager(&manager));
  gtk_window_iconify(GTK_WINDOW(main));
  const bool answered = PumpUntil([&] { return AnswerIconifyRequest(&manager); });
  xcb_disconnect(manager.connection);
  ASSERT_TRUE(answered) << "no request to minimise reached the root window";
  ASSERT_TRUE(PumpUntil([&] { return IsIconified(main); }));
  EXPECT_EQ(TkWindowWidth(MainWindow, TK_WINDOW_INNER_SIZE), 0);
  EXPECT_EQ(TkWindowHeight(MainWindow, TK_WINDOW_INNER_SIZE), 0);

  gtk_editable_delete_text(GTK_EDITABLE(entry), 0, -1);
  gint position = 0;
  gtk_editable_insert_text(GTK_EDITABLE(entry), "7", 1, &position);
  ASSERT_TRUE(ProcessEventsUntil([] { return TkListSize(BallList) == 7; }));
  ASSERT_GT(BallWidth, 0);
  TkResetList(BallList);
  while (Ball *ball = static_cast<Ball *>(TkNextElement(BallList))) {
    EXPECT_EQ(ball->x, -BallWidth / 2.0f);
    EXPECT_EQ(ball->y, -BallHeight / 2.0f);
  }
  MoveBalls();
  TkResetList(BallList);
  while (Ball *ball = static_cast<Ball *>(TkNextElement(BallList))) {
    EXPECT_GT(ball->dx, 0.0f);
    EXPECT_GT(ball->dy, 0.0f);
  }

  gtk_window_deiconify(GTK_WINDOW(main));
  ASSERT_TRUE(PumpUntil([&] { return !IsIconified(main) && Laid(MainWindow, 800, 600); }));
  EXPECT_EQ(TkWindowWidth(MainWindow, TK_WINDOW_INNER_SIZE), 800);
  EXPECT_EQ(TkWindowHeight(MainWindow, TK_WINDOW_INNER_SIZE), 600);
}

TEST_F(AppWindows, TheFrameRateOptionsSetTheRate) {
  GtkWidget *option30 = SettingsWidget(GTK_TYPE_RADIO_BUTTON, "30 fps");
  GtkWidget *option60 = SettingsWidget(GTK_TYPE_RADIO_BUTTON, "60 fps");
  ASSERT_NE(option30, nullptr);
  ASSERT_NE(option60, nullptr);
  gtk_button_clicked(GTK_BUTTON(option30));
  ASSERT_TRUE(ProcessEventsUntil([] { return FrameClock.framesPerSecond == 30.0f; }));
  EXPECT_EQ(TkGetGadgetState(FrameRate60Option), 0);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  EXPECT_EQ(FrameClock.ticksPerFrame, TicksPerFrame(frequency.QuadPart, 30.0f));

  // A click on the selected option starts the schedule over at the same rate.
  FrameClock.nextFrameDue = 0;
  gtk_button_clicked(GTK_BUTTON(option30));
  ASSERT_TRUE(ProcessEventsUntil([] { return FrameClock.nextFrameDue != 0; }));
  EXPECT_EQ(FrameClock.framesPerSecond, 30.0f);

  gtk_button_clicked(GTK_BUTTON(option60));
  ASSERT_TRUE(ProcessEventsUntil([] { return FrameClock.framesPerSecond == 60.0f; }));
  EXPECT_EQ(TkGetGadgetState(FrameRate30Option), 0);
}

// The thread repaints through the GUI thread's loop; stopping it waits for it to end
// while that loop keeps running, so a repaint it waits for cannot hold it up.
TEST_F(AppWindows, TheRenderThreadRepaintsUntilItIsStopped) {
  const int before = ComposedFrames;
  ASSERT_TRUE(StartRenderThread());
  while (ComposedFrames < before + 3) TkWindowEvent(1);
  StopRenderThread();
  const int stopped = ComposedFrames;
  // Three frame periods at 60 fps: a thread still running would have asked for frames.
  for (int i = 0; i < 50; i++) TkWindowEvent(1);
  EXPECT_EQ(ComposedFrames, stopped);
}

// Counter readings at the start and the end of each paint of the slow composer, whose
// first paint lasts SlowPaintTicks: a frame's work far longer than its period.
struct PaintSpan {
  int64_t start;
  int64_t end;
};
std::vector<PaintSpan> PaintSpans;
int64_t SlowPaintTicks = 0;

int64_t CounterNow() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

void SlowFirstComposer(POINT) {
  PaintSpan span = {CounterNow(), 0};
  if (PaintSpans.empty()) {
    while (CounterNow() - span.start < SlowPaintTicks) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  span.end = CounterNow();
  PaintSpans.push_back(span);
}

// While a paint runs ten periods long, the render thread waits inside its repaint request
// instead of asking again every period: afterwards one frame follows at once (the one it
// was late for) and the next keeps the period, with no queue of repaints run back to back.
TEST_F(AppWindows, ASlowPaintLeavesNoRepaintsQueuedBehindIt) {
  const int64_t period = TicksPerFrame(CounterFrequency(), 60.0f);
  SlowPaintTicks = 10 * period;
  PaintSpans.clear();
  PaintSpans.reserve(64);
  const FrameComposer previous = ComposeFrame;
  ComposeFrame = SlowFirstComposer;
  FrameClock.framesPerSecond = 60.0f;

  std::atomic<bool> stop{false};
  std::atomic<bool> stopped{false};
  std::thread render([&] {
    RenderThreadState state{};
    while (!stop.load()) {
      RenderThreadPass(&state);
      TkDelay(1);
    }
    stopped = true;
  });
  // The GUI thread's loop runs the paints the render thread asks for.
  const bool painted = PumpUntil([] { return PaintSpans.size() >= 5; });
  stop = true;
  ASSERT_TRUE(PumpUntil([&] { return stopped.load(); }));
  render.join();
  ComposeFrame = previous;
  ASSERT_TRUE(painted) << PaintSpans.size() << " paints";

  ASSERT_GE(PaintSpans[0].end - PaintSpans[0].start, SlowPaintTicks);
  int soonAfterTheSlowPaint = 0;
  for (size_t i = 1; i < PaintSpans.size(); i++)
    if (PaintSpans[i].start < PaintSpans[0].end + period) soonAfterTheSlowPaint++;
  EXPECT_LE(soonAfterTheSlowPaint, 1);
}

TEST_F(AppWindows, ACloseRequestOfEitherWindowEndsTheLoop) {
  for (int64_t number : {SettingsWindow, MainWindow}) {
    TkPortWindow *window = TkFindWindow(number);
    ASSERT_NE(window, nullptr);
    gtk_window_close(GTK_WINDOW(window->window));
    RunEventLoop(); // returns only on a close request of window 0 or 1
    EXPECT_EQ(TkEventWindow(), number);
  }
}

} // namespace
