// Events and window callbacks on GTK 3. Gadget activity and close requests become
// events in a queue; TkWaitWindowEvent runs GTK's main context until one is there, so
// window messages (and the bound callbacks) run on the waiting thread meanwhile.
#include "gtk_internal.h"
#include "port.h"

#include <cstdio>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

TkWindowCallback AllWindowsCallback = nullptr;

} // namespace

// ---------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------

int TkWaitWindowEvent() {
  if (!TkGtkReady()) {
    // Without a display no event can ever come; waiting would hang the program.
    std::fprintf(stderr, "No display: there are no window events to wait for\n");
    TkExitProcess(1);
  }
  while (!TkEventWaiting()) g_main_context_iteration(nullptr, TRUE);
  return TkTakeEvent();
}

int TkWindowEvent(int timeoutMilliseconds) {
  if (!TkGtkReady()) return 0;
  // A timer source of our own wakes the blocking iteration when the time is up.
  GSource *timer = g_timeout_source_new(static_cast<guint>(timeoutMilliseconds > 0 ? timeoutMilliseconds : 0));
  bool expired = false;
  g_source_set_callback(
      timer,
      [](gpointer data) -> gboolean {
        *static_cast<bool *>(data) = true;
        return G_SOURCE_REMOVE;
      },
      &expired, nullptr);
  g_source_attach(timer, nullptr);
  while (!TkEventWaiting() && !expired) g_main_context_iteration(nullptr, TRUE);
  g_source_destroy(timer);
  g_source_unref(timer);
  return !TkEventWaiting() ? 0 : TkTakeEvent();
}

// ---------------------------------------------------------------------------------------
// Callbacks
// ---------------------------------------------------------------------------------------

void TkBindWindowCallback(TkWindowCallback callback, int64_t window) {
  if (window == TK_ANY) {
    AllWindowsCallback = callback;
    return;
  }
  if (TkPortWindow *record = TkFindWindow(window)) record->callback = callback;
}

LRESULT TkGtkWindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  TkPortWindow *window = TkFindWindowByHandle(handle);
  if (!window) return DefWindowProcW(handle, message, wParam, lParam);
  int64_t number = window->number;
  TkWindowCallback callback = window->callback ? window->callback : AllWindowsCallback;
  if (callback) {
    int64_t result = callback(handle, message, wParam, lParam);
    if (result != TK_DEFAULT_CALLBACK_RESULT) return result;
  }
  if (message == WM_CLOSE) {
    // The window stays open: the program decides what a close request means.
    TkQueueEvent(TK_EVENT_CLOSE_WINDOW, number, TK_ANY);
    return 0;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}
