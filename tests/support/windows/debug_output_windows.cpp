// On Windows OutputDebugString raises an exception that a debugger, when there is one,
// takes as the message: DBG_PRINTEXCEPTION_WIDE_C with the wide text (Windows 10 and
// later), or DBG_PRINTEXCEPTION_C with the 8-bit text (older Windows, and Wine). A
// vectored handler sees it first and takes the message as a debugger would.
#include "debug_output.h"

#include "text_utf.h"

#include <windows.h>

namespace {

constexpr DWORD PrintException = 0x40010006;     // DBG_PRINTEXCEPTION_C
constexpr DWORD PrintWideException = 0x4001000A; // DBG_PRINTEXCEPTION_WIDE_C

DebugMessageSink Sink = nullptr;
PVOID Handler = nullptr;

// The message text without the terminating zero that its length counts.
std::string MessageOf(const EXCEPTION_RECORD &record) {
  size_t length = static_cast<size_t>(record.ExceptionInformation[0]);
  if (length > 0) length--;
  if (record.ExceptionCode == PrintWideException)
    return TkWideToUtf8(reinterpret_cast<const WCHAR *>(record.ExceptionInformation[1]), length);
  return std::string(reinterpret_cast<const char *>(record.ExceptionInformation[1]), length);
}

LONG CALLBACK OnException(EXCEPTION_POINTERS *pointers) {
  const EXCEPTION_RECORD &record = *pointers->ExceptionRecord;
  bool print = record.ExceptionCode == PrintException || record.ExceptionCode == PrintWideException;
  if (!print || !Sink || record.NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
  Sink(MessageOf(record));
  // Taken, as by a debugger: OutputDebugString returns without another form of the same
  // message.
  return EXCEPTION_CONTINUE_EXECUTION;
}

} // namespace

void CaptureDebugOutput(DebugMessageSink sink) {
  Sink = sink;
  if (sink && !Handler) Handler = AddVectoredExceptionHandler(1, OnException);
  if (!sink && Handler) {
    RemoveVectoredExceptionHandler(Handler);
    Handler = nullptr;
  }
}
