// The Windows API as the system uses it, supplied natively on Linux.
// Only what the system calls is declared; names and signatures follow the published API.
#pragma once

#include <windef.h>
#include <winbase.h>
#include <wingdi.h>
#include <winuser.h>
#include <mmsystem.h>
