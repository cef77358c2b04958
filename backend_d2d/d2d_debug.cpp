// Debug output of the backend: one formatted message per call, nothing added.
#include "d2d_backend.h"

#include <cstdarg>

void _D2D_DebugPrint(const WCHAR *format, ...) {
  if (format == nullptr) return;
  // wvsprintfW may write up to 1024 characters whatever buffer it is given, so it formats
  // into room of that size; the message itself is cut to 511 characters.
  WCHAR formatted[1024];
  va_list arguments;
  va_start(arguments, format);
  wvsprintfW(formatted, format, arguments);
  va_end(arguments);
  formatted[1023] = 0;

  WCHAR message[512];
  int length = 0;
  while (length < 511 && formatted[length] != 0) {
    message[length] = formatted[length];
    length++;
  }
  message[length] = 0;
  OutputDebugStringW(message);
}
