// Debug output (standard error and the test sink) and wvsprintfW.
#include <windows.h>

#include "kernel_hooks.h"
#include "kernel_internal.h"

#include <atomic>
#include <mutex>
#include <string>

#include <unistd.h>

// ---------------------------------------------------------------------------------------
// Debug output
// ---------------------------------------------------------------------------------------

namespace {

std::atomic<DebugOutputSink> Sink{nullptr};
std::mutex SinkMutex;

void WriteDebugMessage(const std::string &message) {
  // A debugger shows each message as one entry; on a terminal that is one line, written
  // with one call so that lines of two threads never interleave.
  std::string line = message + "\n";
  const char *data = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t written = write(STDERR_FILENO, data, left);
    if (written <= 0) break;
    data += written;
    left -= static_cast<size_t>(written);
  }
  std::lock_guard<std::mutex> lock(SinkMutex);
  DebugOutputSink sink = Sink.load();
  if (sink) sink(message);
}

} // namespace

void PlatformSetDebugOutputSink(DebugOutputSink sink) {
  std::lock_guard<std::mutex> lock(SinkMutex);
  Sink.store(sink);
}

void OutputDebugStringW(LPCWSTR text) { WriteDebugMessage(KernelWideToUtf8(text)); }

void OutputDebugStringA(LPCSTR text) { WriteDebugMessage(text ? text : ""); }

// ---------------------------------------------------------------------------------------
// wvsprintfW
// ---------------------------------------------------------------------------------------

namespace {

// Windows never writes more than 1024 characters, the terminator included.
constexpr int FormatLimit = 1024;

struct FormatOutput {
  LPWSTR buffer;
  int length;
};

void Put(FormatOutput &out, WCHAR c) {
  if (out.length < FormatLimit - 1) out.buffer[out.length++] = c;
}

struct FieldFormat {
  bool left = false;
  bool zero = false;
  bool alternate = false;
  int width = 0;
  int precision = -1;
};

// Writes body (with an optional sign/prefix kept ahead of zero padding) in its field.
void PutField(FormatOutput &out, const FieldFormat &field, const std::wstring &prefix, const std::wstring &body,
              bool numeric) {
  int length = static_cast<int>(prefix.size() + body.size());
  int pad = field.width > length ? field.width - length : 0;
  if (!field.left && !(field.zero && numeric)) {
    for (int i = 0; i < pad; ++i) Put(out, L' ');
  }
  for (WCHAR c : prefix) Put(out, c);
  if (!field.left && field.zero && numeric) {
    for (int i = 0; i < pad; ++i) Put(out, L'0');
  }
  for (WCHAR c : body) Put(out, c);
  if (field.left) {
    for (int i = 0; i < pad; ++i) Put(out, L' ');
  }
}

std::wstring Digits(uint64_t value, unsigned base, bool upper) {
  const wchar_t *digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring text;
  do {
    text.insert(text.begin(), digits[value % base]);
    value /= base;
  } while (value);
  return text;
}

} // namespace

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list arguments) {
  if (!buffer) return 0;
  FormatOutput out{buffer, 0};
  if (!format) {
    buffer[0] = 0;
    return 0;
  }
  va_list args;
  va_copy(args, arguments);
  for (const WCHAR *p = format; *p; ++p) {
    if (*p != L'%') {
      Put(out, *p);
      continue;
    }
    ++p;
    if (*p == 0) break;
    FieldFormat field;
    for (;; ++p) {
      if (*p == L'-') field.left = true;
      else if (*p == L'0') field.zero = true;
      else if (*p == L'#') field.alternate = true;
      else break;
    }
    while (*p >= L'0' && *p <= L'9') {
      if (field.width < 100000) field.width = field.width * 10 + (*p - L'0');
      ++p;
    }
    if (*p == L'.') {
      ++p;
      field.precision = 0;
      while (*p >= L'0' && *p <= L'9') {
        if (field.precision < 100000) field.precision = field.precision * 10 + (*p - L'0');
        ++p;
      }
    }
    bool wideText = true; // %s and %c of a W function take wide text
    bool longLong = false;
    if (*p == L'l') {
      ++p;
    } else if (*p == L'h') {
      wideText = false;
      ++p;
    } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
      longLong = true;
      p += 3;
    }
    WCHAR type = *p;
    if (type == 0) break;
    switch (type) {
    case L'd':
    case L'i': {
      int64_t value = longLong ? va_arg(args, long long) : va_arg(args, int);
      uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
      PutField(out, field, value < 0 ? L"-" : L"", Digits(magnitude, 10, false), true);
      break;
    }
    case L'u': {
      uint64_t value = longLong ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
      PutField(out, field, L"", Digits(value, 10, false), true);
      break;
    }
    case L'x':
    case L'X': {
      uint64_t value = longLong ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
      std::wstring prefix = field.alternate && value ? (type == L'x' ? L"0x" : L"0X") : L"";
      PutField(out, field, prefix, Digits(value, 16, type == L'X'), true);
      break;
    }
    case L'c': {
      int value = va_arg(args, int);
      WCHAR c = wideText ? static_cast<WCHAR>(value) : static_cast<WCHAR>(static_cast<unsigned char>(value));
      PutField(out, field, L"", std::wstring(1, c), false);
      break;
    }
    case L's':
    case L'S': {
      // %S swaps the width of the text argument, as in the Windows runtime.
      bool wide = type == L's' ? wideText : !wideText;
      std::wstring text;
      if (wide) {
        LPCWSTR value = va_arg(args, LPCWSTR);
        if (!value) value = L"(null)";
        for (; *value && (field.precision < 0 || static_cast<int>(text.size()) < field.precision); ++value)
          text += *value;
      } else {
        LPCSTR value = va_arg(args, LPCSTR);
        if (!value) value = "(null)";
        for (; *value && (field.precision < 0 || static_cast<int>(text.size()) < field.precision); ++value)
          text += static_cast<WCHAR>(static_cast<unsigned char>(*value));
      }
      PutField(out, field, L"", text, false);
      break;
    }
    default:
      // '%%' and any unknown conversion print the character itself.
      Put(out, type);
      break;
    }
  }
  va_end(args);
  buffer[out.length] = 0;
  return out.length;
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int length = wvsprintfW(buffer, format, arguments);
  va_end(arguments);
  return length;
}
