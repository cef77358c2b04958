// Threads over pthreads, critical sections over recursive pthread mutexes, and the
// per-thread last error.
#include <windows.h>

#include "handles.h"
#include "kernel_internal.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

// ---------------------------------------------------------------------------------------
// Threads
// ---------------------------------------------------------------------------------------

namespace {

// Windows callers ask for tiny stacks (4096 bytes) that would not even hold a Linux
// signal frame, so every thread gets at least this much.
constexpr size_t MinimumThreadStack = 1024 * 1024;

// Shared by the running thread and its handle; whoever lets go last frees it.
struct ThreadRecord {
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool finished = false;
  DWORD threadId = 0;
  DWORD exitCode = STILL_ACTIVE;
  std::atomic<int> references{2};
};

thread_local DWORD LastError = 0;

void ReleaseThreadRecord(ThreadRecord *record) {
  if (record->references.fetch_sub(1) == 1) delete record;
}

void *ThreadMain(void *argument) {
  ThreadRecord *record = static_cast<ThreadRecord *>(argument);
  {
    std::lock_guard<std::mutex> lock(record->mutex);
    record->threadId = GetCurrentThreadId();
    record->started = true;
  }
  record->changed.notify_all();
  DWORD code = record->start(record->parameter);
  {
    std::lock_guard<std::mutex> lock(record->mutex);
    record->exitCode = code;
    record->finished = true;
  }
  record->changed.notify_all();
  ReleaseThreadRecord(record);
  return nullptr;
}

} // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (creationFlags & CREATE_SUSPENDED) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  ThreadRecord *record = new (std::nothrow) ThreadRecord;
  if (!record) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  record->start = start;
  record->parameter = parameter;

  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (stackSize != 0) {
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t size = std::max<size_t>(stackSize, MinimumThreadStack);
    size = (size + page - 1) / page * page;
    pthread_attr_setstacksize(&attributes, size);
  }
  pthread_t thread;
  int failed = pthread_create(&thread, &attributes, ThreadMain, record);
  pthread_attr_destroy(&attributes);
  if (failed) {
    delete record;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId) {
    std::unique_lock<std::mutex> lock(record->mutex);
    record->changed.wait(lock, [record] { return record->started; });
    *threadId = record->threadId;
  }
  return HandleAdd(HandleKind::Thread, record);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  ThreadRecord *record = static_cast<ThreadRecord *>(HandleLookup(handle, HandleKind::Thread));
  if (!record) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  // The record stays alive while the handle is open; closing a handle that another
  // thread waits on is a caller error on Windows as well.
  std::unique_lock<std::mutex> lock(record->mutex);
  auto finished = [record] { return record->finished; };
  if (milliseconds == INFINITE) {
    record->changed.wait(lock, finished);
    return WAIT_OBJECT_0;
  }
  bool done = record->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), finished);
  return done ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  ThreadRecord *record = static_cast<ThreadRecord *>(HandleLookup(thread, HandleKind::Thread));
  if (!record || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(record->mutex);
  *exitCode = record->exitCode;
  return TRUE;
}

bool KernelCloseThreadHandle(HANDLE handle) {
  ThreadRecord *record = static_cast<ThreadRecord *>(HandleRemove(handle, HandleKind::Thread));
  if (!record) return false;
  ReleaseThreadRecord(record);
  return true;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

// ---------------------------------------------------------------------------------------
// Critical sections
// ---------------------------------------------------------------------------------------

static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::opaque));
static_assert(alignof(pthread_mutex_t) <= alignof(CRITICAL_SECTION));

static pthread_mutex_t *SectionMutex(LPCRITICAL_SECTION section) {
  return reinterpret_cast<pthread_mutex_t *>(section->opaque);
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(new (section->opaque) pthread_mutex_t, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

void EnterCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_lock(SectionMutex(section)); }

void LeaveCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_unlock(SectionMutex(section)); }

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  return pthread_mutex_trylock(SectionMutex(section)) == 0 ? TRUE : FALSE;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_destroy(SectionMutex(section)); }

// ---------------------------------------------------------------------------------------
// Last error
// ---------------------------------------------------------------------------------------

DWORD GetLastError() { return LastError; }

void SetLastError(DWORD error) { LastError = error; }
