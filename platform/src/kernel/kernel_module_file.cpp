// GetModuleFileNameW: the program's own file. Every module the program loads is built
// into it, so each one's file is the program's.
#include <windows.h>

#include "handles.h"

#include <glib.h>

#include <climits>
#include <unistd.h>

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  if (module && !HandleLookup(module, HandleKind::Module)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  path[length] = '\0';
  // Linux names are bytes; one that is no UTF-8 keeps its readable parts.
  gchar *valid = g_utf8_make_valid(path, length);
  glong count = 0;
  gunichar *wide = g_utf8_to_ucs4_fast(valid, -1, &count);
  g_free(valid);
  // As Windows does: a name that does not fit is cut to the buffer, still terminated, and
  // the result is the buffer's size.
  DWORD copied = 0;
  if (fileName && size > 0) {
    copied = static_cast<DWORD>(count) < size ? static_cast<DWORD>(count) : size - 1;
    for (DWORD i = 0; i < copied; i++) fileName[i] = static_cast<WCHAR>(wide[i]);
    fileName[copied] = L'\0';
  }
  g_free(wide);
  if (!fileName || static_cast<DWORD>(count) >= size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return fileName ? size : 0;
  }
  return copied;
}
