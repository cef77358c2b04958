// Requests to end the program on Linux: SIGTERM (kill, a session ending), SIGINT (Ctrl+C
// in a terminal) and SIGHUP (the terminal or the session closing). Each reaches the
// program as a close request to each of its windows, as Windows sends WM_CLOSE to a
// program's windows when it is asked to end, so the program ends as if the user had
// closed one. A request that comes before the windows exist is kept for start-up to see.
#include "gtk_internal.h"

#include <glib-unix.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

// ---------------------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------------------

namespace {

const int EndSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Requests so far. Lock-free, so the signal handler may touch it.
std::atomic<int> EndRequests{0};
static_assert(std::atomic<int>::is_always_lock_free);

// The handler writes a byte into the pipe, which wakes the GUI thread's loop wherever it
// waits; the loop then asks the windows to close on its own thread.
int WakePipe[2] = {-1, -1};

// ---------------------------------------------------------------------------------------
// Procedures
// ---------------------------------------------------------------------------------------

// Only async-signal-safe calls: another request may already be under way on the GUI
// thread, or none of the program's own state may exist yet.
void OnEndSignal(int number) {
  const int savedErrno = errno;
  if (EndRequests.fetch_add(1) > 0) {
    // A second request ends the process at once: the first has not ended it, so the
    // program may be stuck.
    std::signal(number, SIG_DFL);
    std::raise(number);
  }
  const char byte = 1;
  if (write(WakePipe[1], &byte, 1) < 0) {
    // The pipe is full of earlier wake-ups, which do the same.
  }
  errno = savedErrno;
}

gboolean OnWake(gint fd, GIOCondition, gpointer) {
  char bytes[64];
  while (read(fd, bytes, sizeof bytes) > 0) {
  }
  // With no window open yet, start-up sees the request through TkEndRequested.
  TkGtkAskEveryWindowToClose();
  return G_SOURCE_CONTINUE;
}

} // namespace

void TkCatchEndRequests() {
  if (WakePipe[0] >= 0 || pipe2(WakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_unix_fd_add(WakePipe[0], G_IO_IN, OnWake, nullptr);
  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  // A read or a wait that the signal interrupts carries on.
  action.sa_flags = SA_RESTART;
  sigset_t unblock;
  sigemptyset(&unblock);
  for (int number : EndSignals) {
    struct sigaction previous {};
    sigaction(number, nullptr, &previous);
    // An ignored signal stays ignored: that is how nohup, or a shell starting a program in
    // the background, asks that the program outlive the terminal or its Ctrl+C.
    if (previous.sa_handler == SIG_IGN) continue;
    sigaction(number, &action, nullptr);
    sigaddset(&unblock, number);
  }
  // A request blocked since before the program started (by whoever started it) would
  // otherwise wait for ever; it is taken now, as one arriving this instant.
  pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
}

bool TkEndRequested() { return EndRequests.load() > 0; }
