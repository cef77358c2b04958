// CoInitialize, CoInitializeEx and CoUninitialize: COM's per-thread initialisation count.
#include <windows.h>
#include <objbase.h>

#include "com_internal.h"

namespace {

// Each thread joins one apartment kind on its first successful initialisation and keeps it
// until the count falls back to zero.
struct ComThreadState {
  int initCount;
  DWORD apartment; // COINIT_APARTMENTTHREADED or COINIT_MULTITHREADED
};

thread_local ComThreadState ThreadState = {0, 0};

} // namespace

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit) {
  if (reserved != nullptr) return E_INVALIDARG;
  DWORD apartment = (coInit & COINIT_APARTMENTTHREADED) ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
  if (ThreadState.initCount == 0) {
    ThreadState.initCount = 1;
    ThreadState.apartment = apartment;
    return S_OK;
  }
  if (ThreadState.apartment != apartment) return RPC_E_CHANGED_MODE;
  ThreadState.initCount++;
  return S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (ThreadState.initCount > 0) ThreadState.initCount--;
}

bool ComIsInitialisedOnThread() { return ThreadState.initCount > 0; }
