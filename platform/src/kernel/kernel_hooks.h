// Test seams of the Linux kernel stand-ins: tests steer the performance counter and read
// the debug output without a debugger.
#pragma once

#include <cstdint>
#include <string>

// Replaces QueryPerformanceCounter's source: the hook writes the value and returns false
// to make the reading fail. Null restores the monotonic clock.
typedef bool (*PerformanceCounterHook)(int64_t *value);
void PlatformSetPerformanceCounterHook(PerformanceCounterHook hook);

// Every OutputDebugStringW message (as UTF-8, without a line end) also goes to the sink
// while one is set. Null removes it.
typedef void (*DebugOutputSink)(const std::string &message);
void PlatformSetDebugOutputSink(DebugOutputSink sink);

// How many times timeBeginPeriod has been called in this process.
int PlatformTimeBeginPeriodCalls();
