// What the kernel stand-ins share: text conversions (wide text, UTF-32 on Linux, to UTF-8;
// Windows file names to Linux paths), which other components use too, and the closing of
// thread handles for CloseHandle.
#pragma once

#include <windows.h>

#include <string>

// UTF-8 of a null-terminated wide string (null gives ""). Values that are no Unicode
// scalar become U+FFFD.
std::string KernelWideToUtf8(LPCWSTR text);
// A Windows file name as a Linux path: each backslash becomes a slash.
std::string KernelPathFromWide(LPCWSTR fileName);

// Closes a thread handle (the thread runs on); false for anything else. CloseHandle, which
// lives with the files, asks this for every handle that is no file.
bool KernelCloseThreadHandle(HANDLE handle);
