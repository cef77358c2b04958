// Capturing the process's debug output (OutputDebugStringW), one message per call.
#pragma once

#include <string>

typedef void (*DebugMessageSink)(const std::string &message);
// From now on every debug message is handed to the sink (as UTF-8) instead of going out;
// null ends the capture.
void CaptureDebugOutput(DebugMessageSink sink);
