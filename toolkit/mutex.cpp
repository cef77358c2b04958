// Re-entrant mutexes over critical sections.
#include "toolkit.h"

#include <new>

struct TkMutex {
  CRITICAL_SECTION section;
};

TkMutex *TkCreateMutex() {
  TkMutex *mutex = new (std::nothrow) TkMutex;
  if (mutex) InitializeCriticalSection(&mutex->section);
  return mutex;
}

void TkFreeMutex(TkMutex *mutex) {
  if (!mutex) return;
  DeleteCriticalSection(&mutex->section);
  delete mutex;
}

void TkLockMutex(TkMutex *mutex) {
  if (mutex) EnterCriticalSection(&mutex->section);
}

void TkUnlockMutex(TkMutex *mutex) {
  if (mutex) LeaveCriticalSection(&mutex->section);
}
