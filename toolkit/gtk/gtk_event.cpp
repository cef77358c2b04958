// Events and window callbacks on GTK 3. Gadget activity and close requests become
// events in a queue; TkWaitWindowEvent runs GTK's main context until one is there, so
// window messages (and the bound callbacks) run on the waiting thread meanwhile.
#include "gtk_internal.h"

#include <cstdio>
#include <deque>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

struct TkEvent {
  int code;
  int64_t window;
  int64_t gadget;
};

std::deque<TkEvent> &Queue() {
  static std::deque<TkEvent> *queue = new std::deque<TkEvent>;
  return *queue;
}

int64_t EventWindow = TK_ANY;
int64_t EventGadget = TK_ANY;
TkWindowCallback AllWindowsCallback = nullptr;

} // namespace

// ---------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------

void TkGtkQueueEvent(int code, int64_t window, int64_t gadget) { Queue().push_back(TkEvent{code, window, gadget}); }

void TkGtkDropEventsOf(int64_t window) {
  auto &queue = Queue();
  std::erase_if(queue, [window](const TkEvent &event) { return event.window == window; });
}

int TkWaitWindowEvent() {
  if (!TkGtkReady()) {
    // Without a display no event can ever come; waiting would hang the program.
    std::fprintf(stderr, "No display: there are no window events to wait for\n");
    TkExitProcess(1);
  }
  while (Queue().empty()) g_main_context_iteration(nullptr, TRUE);
  TkEvent event = Queue().front();
  Queue().pop_front();
  EventWindow = event.window;
  EventGadget = event.gadget;
  return event.code;
}

int64_t TkEventWindow() { return EventWindow; }
int64_t TkEventGadget() { return EventGadget; }

// ---------------------------------------------------------------------------------------
// Callbacks
// ---------------------------------------------------------------------------------------

void TkBindWindowCallback(TkWindowCallback callback, int64_t window) {
  if (window == TK_ANY) {
    AllWindowsCallback = callback;
    return;
  }
  if (TkGtkWindow *record = TkGtkFindWindow(window)) record->callback = callback;
}

LRESULT TkGtkWindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  TkGtkWindow *window = TkGtkFindWindowByHandle(handle);
  if (!window) return DefWindowProcW(handle, message, wParam, lParam);
  int64_t number = window->number;
  TkWindowCallback callback = window->callback ? window->callback : AllWindowsCallback;
  if (callback) {
    int64_t result = callback(handle, message, wParam, lParam);
    if (result != TK_DEFAULT_CALLBACK_RESULT) return result;
  }
  if (message == WM_CLOSE) {
    // The window stays open: the program decides what a close request means.
    TkGtkQueueEvent(TK_EVENT_CLOSE_WINDOW, number, TK_ANY);
    return 0;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}
