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

// ---------------------------------------------------------------------------------------
// wvsprintfW, for what the system formats: text, %d and %%
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

void PutDecimal(FormatOutput &out, int value) {
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  WCHAR digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<WCHAR>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) Put(out, L'-');
  while (count > 0) Put(out, digits[--count]);
}

} // namespace

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list arguments) {
  if (!buffer) return 0;
  FormatOutput out{buffer, 0};
  if (format) {
    va_list args;
    va_copy(args, arguments);
    for (const WCHAR *p = format; *p; ++p) {
      if (*p != L'%') {
        Put(out, *p);
        continue;
      }
      WCHAR type = *++p;
      if (type == 0) break;
      // '%%', and any conversion the system does not use, writes the character itself.
      if (type == L'd') {
        PutDecimal(out, va_arg(args, int));
      } else {
        Put(out, type);
      }
    }
    va_end(args);
  }
  buffer[out.length] = 0;
  return out.length;
}
