// Toolkit windows, gadgets and events on GTK (the painting bridge behind HWND is in
// test_platform_user.cpp).
#include "test_window_fixture.h"
#include "user/bridge/linux_window.h"
#include "user/user_internal.h"

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------------------

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
  TkPortWindow *main = TkFindWindow(0);
  EXPECT_EQ(gtk_widget_get_allocated_width(main->window), 800);
  EXPECT_EQ(gtk_widget_get_allocated_height(main->window), 600);
  EXPECT_EQ(gtk_widget_get_allocated_width(main->client), 800);
  EXPECT_EQ(gtk_widget_get_allocated_height(main->client), 600);
  UserWindow *client = UserWindowFromHandle(TkWindowHandle(0));
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(client->width, 800);
  EXPECT_EQ(client->height, 600);

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
  ASSERT_NE(UserWindowFromHandle(first), nullptr);

  // Opening under a number in use replaces the window: the old handle dies.
  EXPECT_EQ(TkOpenWindow(picked, 20, 30, 60, 50, "b", 0), picked);
  HWND second = TkWindowHandle(picked);
  EXPECT_NE(second, first);
  EXPECT_EQ(UserWindowFromHandle(first), nullptr);
  EXPECT_EQ(TkWindowTitle(picked), "b");
  EXPECT_EQ(TkWindowX(picked), 20);
  EXPECT_EQ(TkWindowY(picked), 30);

  TkCloseWindow(picked);
  EXPECT_FALSE(TkIsWindow(picked));
  EXPECT_EQ(TkWindowHandle(picked), nullptr);
  EXPECT_EQ(UserWindowFromHandle(second), nullptr);
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

// Typing goes through the field's input method, which replaces the selection: a deletion
// first, then the insertion.
void Type(GtkWidget *field, guint keyval) {
  GdkEvent *event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(field)));
  event->key.keyval = keyval;
  gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_entry_im_context_filter_keypress(GTK_ENTRY(field), &event->key);
  gdk_event_free(event);
}

TEST_F(Window, RefusedKeyOverASelectionLeavesTheTextAndTheSelection) {
  OpenSettings(50, 50);
  GtkWidget *field = TkGtkGadgetWidget(5);
  gtk_widget_realize(field);
  struct Case {
    int selectFrom, selectTo;
    guint key;
    const char *after;
  } cases[] = {
      {0, -1, GDK_KEY_a, "10"},    // the whole count selected, as after a double click
      {1, 2, GDK_KEY_minus, "10"}, // part of it
      {0, -1, GDK_KEY_7, "7"},     // a digit still replaces the selection
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.after);
    TkSetGadgetText(5, "10");
    while (gtk_events_pending()) gtk_main_iteration();
    gtk_editable_select_region(GTK_EDITABLE(field), c.selectFrom, c.selectTo);
    Type(field, c.key);
    while (gtk_events_pending()) gtk_main_iteration();
    EXPECT_EQ(TkGetGadgetText(5), c.after);
    int from = 0, to = 0;
    bool selected = gtk_editable_get_selection_bounds(GTK_EDITABLE(field), &from, &to);
    EXPECT_EQ(selected, std::string(c.after) == "10");
    if (selected) {
      EXPECT_EQ(from, c.selectFrom);
      EXPECT_EQ(to, c.selectTo < 0 ? 2 : c.selectTo);
    }
  }
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
  gtk_window_close(GTK_WINDOW(TkFindWindow(Settings)->window));
  Event event = NextEvent();
  EXPECT_EQ(event.code, TK_EVENT_CLOSE_WINDOW);
  EXPECT_EQ(event.window, Settings);
  EXPECT_TRUE(TkIsWindow(Settings));

  gtk_window_close(GTK_WINDOW(TkFindWindow(0)->window));
  event = NextEvent();
  EXPECT_EQ(event.code, TK_EVENT_CLOSE_WINDOW);
  EXPECT_EQ(event.window, 0);
}

TEST_F(Window, TimedWaitGivesUpWithoutAnEventAndTakesOneThatComes) {
  TkOpenWindow(0, 0, 0, 100, 100, "zero", 0xCA0001);
  EXPECT_EQ(TkWindowEvent(30), 0);
  gtk_window_close(GTK_WINDOW(TkFindWindow(0)->window));
  EXPECT_EQ(TkWindowEvent(5000), TK_EVENT_CLOSE_WINDOW);
  EXPECT_EQ(TkEventWindow(), 0);
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
          RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_NOFRAME);
        }).detach();
        while (!waiting) std::this_thread::yield();
        TkExitProcess(3);
      },
      ::testing::ExitedWithCode(3), "");
}

} // namespace
