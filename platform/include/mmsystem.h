// Multimedia timer services.
#pragma once

#include <windef.h>

typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// Asks for a timer resolution in milliseconds. Linux timers are already fine-grained, so
// nothing changes; the call is counted and succeeds for any period of at least 1.
MMRESULT timeBeginPeriod(UINT period);
