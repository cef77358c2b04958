#include "text_utf.h"

#include <cwchar>

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void AppendUtf8(std::string *out, char32_t code) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

void AppendWide(std::wstring *out, char32_t code) {
  if constexpr (sizeof(WCHAR) == 2) {
    if (code >= 0x10000) {
      code -= 0x10000;
      out->push_back(static_cast<WCHAR>(0xD800 + (code >> 10)));
      out->push_back(static_cast<WCHAR>(0xDC00 + (code & 0x3FF)));
      return;
    }
  }
  out->push_back(static_cast<WCHAR>(code));
}

} // namespace

char32_t TkNextUtf8CodePoint(const std::string &text, size_t *position) {
  size_t i = *position;
  unsigned char lead = static_cast<unsigned char>(text[i]);
  int length = 0;
  char32_t code = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    *position = i + 1;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    *position = i + 1;
    return Replacement;
  }
  if (i + length > text.size()) {
    *position = i + 1;
    return Replacement;
  }
  for (int k = 1; k < length; ++k) {
    unsigned char byte = static_cast<unsigned char>(text[i + k]);
    if (!IsContinuation(byte)) {
      *position = i + 1;
      return Replacement;
    }
    code = (code << 6) | (byte & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode's end are not characters.
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    *position = i + 1;
    return Replacement;
  }
  *position = i + length;
  return code;
}

std::wstring TkUtf8ToWide(const std::string &text) {
  std::wstring out;
  out.reserve(text.size());
  size_t position = 0;
  while (position < text.size()) AppendWide(&out, TkNextUtf8CodePoint(text, &position));
  return out;
}

std::string TkWideToUtf8(const WCHAR *text, size_t length) {
  std::string out;
  if (!text) return out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t code = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(WCHAR) == 2) {
      code &= 0xFFFF;
      if (code >= 0xD800 && code <= 0xDBFF && i + 1 < length) {
        char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
        if (low >= 0xDC00 && low <= 0xDFFF) {
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = Replacement;
    AppendUtf8(&out, code);
  }
  return out;
}

std::string TkWideToUtf8(const WCHAR *text) {
  if (!text) return std::string();
  return TkWideToUtf8(text, std::wcslen(text));
}
