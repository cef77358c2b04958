// Threads over CreateThread.
#include "toolkit.h"

#include <new>

namespace {

struct ThreadStart {
  TkThreadProc procedure;
  int64_t parameter;
};

DWORD WINAPI RunThread(LPVOID argument) {
  ThreadStart start = *static_cast<ThreadStart *>(argument);
  delete static_cast<ThreadStart *>(argument);
  start.procedure(start.parameter);
  return 0;
}

} // namespace

int64_t TkCreateThread(TkThreadProc procedure, int64_t parameter) {
  if (!procedure) return 0;
  ThreadStart *start = new (std::nothrow) ThreadStart{procedure, parameter};
  if (!start) return 0;
  DWORD id = 0;
  // The threads of this program need little stack; Windows rounds the request up to its
  // minimum anyway.
  HANDLE thread = CreateThread(nullptr, 4096, RunThread, start, 0, &id);
  if (!thread) {
    delete start;
    return 0;
  }
  // Nobody joins these threads; the handle is not needed to keep one running.
  CloseHandle(thread);
  return static_cast<int64_t>(id) != 0 ? static_cast<int64_t>(id) : 1;
}
