// Version, heaps and process exit.
#include <windows.h>

#include "handles.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

#include <unistd.h>

// ---------------------------------------------------------------------------------------
// Version
// ---------------------------------------------------------------------------------------

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
  // Linux is no Windows version; callers treat an unreadable version as "unknown".
  if (info && (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOW) ||
               info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW))) {
    DWORD size = info->dwOSVersionInfoSize;
    std::memset(info, 0, size);
    info->dwOSVersionInfoSize = size;
  }
  SetLastError(ERROR_OLD_WIN_VERSION);
  return FALSE;
}

// ---------------------------------------------------------------------------------------
// Heaps: every block remembers its size so HeapReAlloc/HeapSize work, and a private heap
// knows its blocks so HeapDestroy frees them all.
// ---------------------------------------------------------------------------------------

namespace {

struct HeapRecord {
  std::mutex mutex;
  std::unordered_map<void *, size_t> blocks;
};

HeapRecord *HeapOf(HANDLE heap) { return static_cast<HeapRecord *>(HandleLookup(heap, HandleKind::Heap)); }

} // namespace

// The process heap lives as long as the process; the record is kept here too, since the
// handle table is torn down at exit before the leak checker looks.
static HeapRecord *ProcessHeapRecord;

HANDLE GetProcessHeap() {
  static HANDLE processHeap = HandleAdd(HandleKind::Heap, ProcessHeapRecord = new HeapRecord);
  return processHeap;
}

HANDLE HeapCreate(DWORD, SIZE_T, SIZE_T) {
  HeapRecord *record = new (std::nothrow) HeapRecord;
  if (!record) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return HandleAdd(HandleKind::Heap, record);
}

BOOL HeapDestroy(HANDLE heap) {
  if (heap == GetProcessHeap()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  HeapRecord *record = static_cast<HeapRecord *>(HandleRemove(heap, HandleKind::Heap));
  if (!record) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (auto &block : record->blocks) std::free(block.first);
  delete record;
  return TRUE;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  HeapRecord *record = HeapOf(heap);
  if (!record) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // A zero-byte request still gives a distinct block, as on Windows.
  void *block = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (!block) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(record->mutex);
  record->blocks[block] = bytes;
  return block;
}

LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes) {
  HeapRecord *record = HeapOf(heap);
  if (!record || !block) {
    SetLastError(record ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(record->mutex);
  auto found = record->blocks.find(block);
  if (found == record->blocks.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t oldSize = found->second;
  void *moved = std::realloc(block, bytes ? bytes : 1);
  if (!moved) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & HEAP_ZERO_MEMORY) && bytes > oldSize)
    std::memset(static_cast<char *>(moved) + oldSize, 0, bytes - oldSize);
  record->blocks.erase(block);
  record->blocks[moved] = bytes;
  return moved;
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID block) {
  HeapRecord *record = HeapOf(heap);
  if (!record) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!block) return TRUE;
  std::lock_guard<std::mutex> lock(record->mutex);
  if (record->blocks.erase(block) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::free(block);
  return TRUE;
}

SIZE_T HeapSize(HANDLE heap, DWORD, LPCVOID block) {
  HeapRecord *record = HeapOf(heap);
  if (!record) return static_cast<SIZE_T>(-1);
  std::lock_guard<std::mutex> lock(record->mutex);
  auto found = record->blocks.find(const_cast<void *>(block));
  return found == record->blocks.end() ? static_cast<SIZE_T>(-1) : found->second;
}

// ---------------------------------------------------------------------------------------
// Process
// ---------------------------------------------------------------------------------------

void ExitProcess(UINT exitCode) {
  // Other threads may be in the middle of anything; skip static destructors and leave
  // at once, as Windows does, after the buffered output is out.
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(static_cast<int>(exitCode));
}
