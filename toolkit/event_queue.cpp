// The queue of window events that both ports fill (gadget activity, close requests) and
// TkWaitWindowEvent empties. GUI thread only.
#include "port.h"
#include "toolkit.h"

#include <algorithm>
#include <deque>

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

} // namespace

void TkQueueEvent(int code, int64_t window, int64_t gadget) { Queue().push_back(TkEvent{code, window, gadget}); }

void TkDropEventsOf(int64_t window) {
  std::erase_if(Queue(), [window](const TkEvent &event) { return event.window == window; });
}

bool TkEventWaiting() { return !Queue().empty(); }

int TkTakeEvent() {
  TkEvent event = Queue().front();
  Queue().pop_front();
  EventWindow = event.window;
  EventGadget = event.gadget;
  return event.code;
}

int64_t TkEventWindow() { return EventWindow; }
int64_t TkEventGadget() { return EventGadget; }
