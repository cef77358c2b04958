// UTF-8 <-> wide text for the Windows "W" functions. WCHAR is 16 bits (UTF-16) on
// Windows and 32 bits (UTF-32) elsewhere; the conversion picks its form from the size.
#pragma once

#include <windows.h>

#include <string>

// Malformed UTF-8 becomes U+FFFD, one per bad byte.
std::wstring TkUtf8ToWide(const std::string &text);
// Unpaired surrogates and values beyond U+10FFFF become U+FFFD.
std::string TkWideToUtf8(const WCHAR *text, size_t length);
std::string TkWideToUtf8(const WCHAR *text);
// Decodes one code point at text[*position] and advances *position past it.
char32_t TkNextUtf8CodePoint(const std::string &text, size_t *position);
