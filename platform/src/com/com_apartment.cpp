// CoInitialize: COM's per-thread initialisation.
#include <windows.h>
#include <objbase.h>

#include "com_internal.h"

namespace {

// Set by the thread's first CoInitialize; COM is never uninitialised here, so it stays.
thread_local bool ThreadInitialised = false;

} // namespace

HRESULT CoInitialize(LPVOID reserved) {
  if (reserved != nullptr) return E_INVALIDARG;
  if (ThreadInitialised) return S_FALSE;
  ThreadInitialised = true;
  return S_OK;
}

bool ComIsInitialisedOnThread() { return ThreadInitialised; }
