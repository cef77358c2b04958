// On Linux the stand-in kernel hands each message to a sink of the test's choice.
#include "debug_output.h"

#include "kernel/kernel_hooks.h"

void CaptureDebugOutput(DebugMessageSink sink) { PlatformSetDebugOutputSink(sink); }
