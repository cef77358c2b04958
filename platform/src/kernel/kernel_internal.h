// Text conversions shared by the kernel stand-ins: wide text (UTF-32 on Linux) to UTF-8,
// and Windows file names to Linux paths.
#pragma once

#include <windows.h>

#include <string>

// UTF-8 of a null-terminated wide string (null gives ""). Values that are no Unicode
// scalar become U+FFFD.
std::string KernelWideToUtf8(LPCWSTR text);
// A Windows file name as a Linux path: each backslash becomes a slash.
std::string KernelPathFromWide(LPCWSTR fileName);
