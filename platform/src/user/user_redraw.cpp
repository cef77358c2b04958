// RedrawWindow from any thread. Painting runs the window procedure, which only the GUI
// thread may do, so another thread's request is handed to GTK's main context and the
// caller waits until the GUI thread has painted, the window has gone, or the GUI loop
// has stopped (then it must not wait for a paint that will never come).
#include "bridge/linux_window.h"
#include "user_internal.h"

#include <glib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// ---------------------------------------------------------------------------------------
// Types and globals
// ---------------------------------------------------------------------------------------

namespace {

struct PaintRequest {
  HWND window;
  UINT flags;
  bool done; // guarded by RedrawState::mutex
};

struct RedrawState {
  std::mutex mutex;
  std::condition_variable finished;
  std::vector<std::shared_ptr<PaintRequest>> pending;
  bool stopped = false;
};

// Never destroyed: a render thread may still wait on it while the process exits.
RedrawState &State() {
  static RedrawState *state = new RedrawState;
  return *state;
}

std::atomic<std::thread::id> GuiThread{};

// Marks a request finished and wakes its waiter. Caller holds the state's mutex.
void FinishLocked(RedrawState &state, const std::shared_ptr<PaintRequest> &request) {
  request->done = true;
  auto &pending = state.pending;
  pending.erase(std::remove(pending.begin(), pending.end(), request), pending.end());
  state.finished.notify_all();
}

// ---------------------------------------------------------------------------------------
// GUI-thread side
// ---------------------------------------------------------------------------------------

BOOL RedrawOnGuiThread(HWND handle, UINT flags);

gboolean RunQueuedPaint(gpointer data) {
  HWND handle = static_cast<HWND>(data);
  UserWindow *window = UserWindowFromHandle(handle);
  if (window) {
    window->paintQueued = false;
    if (window->invalid) UserPaintNow(window);
  }
  return G_SOURCE_REMOVE;
}

// Defers a paint to the GUI loop, as Windows does for an invalidated window.
void QueuePaint(UserWindow *window) {
  if (window->paintQueued) return;
  window->paintQueued = true;
  GSource *source = g_idle_source_new();
  g_source_set_callback(source, RunQueuedPaint, window->handle, nullptr);
  g_source_attach(source, nullptr);
  g_source_unref(source);
}

BOOL RedrawOnGuiThread(HWND handle, UINT flags) {
  UserWindow *window = UserWindowFromHandle(handle);
  if (!window) return FALSE;
  if (flags & RDW_INVALIDATE) {
    window->invalid = true;
    if (flags & RDW_ERASE) window->erasePending = true;
  }
  if (flags & RDW_NOERASE) window->erasePending = false;
  if (flags & RDW_VALIDATE) window->invalid = false;
  if (flags & RDW_UPDATENOW) {
    if (window->invalid) UserPaintNow(window);
  } else if (window->invalid) {
    QueuePaint(window);
  }
  return TRUE;
}

gboolean RunPaintRequest(gpointer data) {
  auto request = *static_cast<std::shared_ptr<PaintRequest> *>(data);
  RedrawState &state = State();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (request->done) return G_SOURCE_REMOVE; // cancelled meanwhile
  }
  RedrawOnGuiThread(request->window, request->flags);
  std::lock_guard<std::mutex> lock(state.mutex);
  FinishLocked(state, request);
  return G_SOURCE_REMOVE;
}

void FreePaintRequest(gpointer data) { delete static_cast<std::shared_ptr<PaintRequest> *>(data); }

} // namespace

// ---------------------------------------------------------------------------------------
// GUI thread and the loop's life
// ---------------------------------------------------------------------------------------

void UserAdoptGuiThread() {
  std::thread::id none{};
  GuiThread.compare_exchange_strong(none, std::this_thread::get_id());
}

bool UserOnGuiThread() { return GuiThread.load() == std::this_thread::get_id(); }

void LinuxUserStart() {
  GuiThread.store(std::this_thread::get_id());
  RedrawState &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.stopped = false;
}

void LinuxUserStop() {
  RedrawState &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.stopped = true;
  for (auto &request : state.pending) request->done = true;
  state.pending.clear();
  state.finished.notify_all();
}

void UserCancelPaintRequests(HWND window) {
  RedrawState &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  for (auto &request : std::vector<std::shared_ptr<PaintRequest>>(state.pending))
    if (request->window == window) FinishLocked(state, request);
}

// ---------------------------------------------------------------------------------------
// Win32
// ---------------------------------------------------------------------------------------

BOOL RedrawWindow(HWND window, const RECT *, HRGN, UINT flags) {
  // The whole client area is always repainted: the back buffer is redrawn as one piece.
  if (UserOnGuiThread()) return RedrawOnGuiThread(window, flags);
  if (!UserIsWindow(window)) return FALSE;

  auto request = std::make_shared<PaintRequest>(PaintRequest{window, flags, false});
  RedrawState &state = State();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.stopped) return FALSE;
    state.pending.push_back(request);
  }
  GSource *source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_callback(source, RunPaintRequest, new std::shared_ptr<PaintRequest>(request), FreePaintRequest);
  g_source_attach(source, nullptr);
  g_source_unref(source);

  if (!(flags & RDW_UPDATENOW)) return TRUE;
  std::unique_lock<std::mutex> lock(state.mutex);
  state.finished.wait(lock, [&] { return request->done || state.stopped; });
  return TRUE;
}
