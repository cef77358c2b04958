// The Windows version, which Linux does not have.
#include <windows.h>

#include <cstring>

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
  // Linux is no Windows version; callers treat an unreadable version as "unknown".
  if (info &&
      (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOW) || info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW))) {
    DWORD size = info->dwOSVersionInfoSize;
    std::memset(info, 0, size);
    info->dwOSVersionInfoSize = size;
  }
  SetLastError(ERROR_OLD_WIN_VERSION);
  return FALSE;
}
