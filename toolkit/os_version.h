// The toolkit's OS version code from the fields of a Windows version record.
#pragma once

#include <cstdint>

// platformId: VER_PLATFORM_WIN32_WINDOWS (1) for the 9x family, VER_PLATFORM_WIN32_NT (2);
// productType: VER_NT_WORKSTATION (1), otherwise a server or domain controller.
// 200 for any version not in the table.
int TkOSVersionCode(uint32_t platformId, uint32_t major, uint32_t minor, uint8_t productType);
