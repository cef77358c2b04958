// Operating system version code.
#include "os_version.h"
#include "toolkit.h"

namespace {

constexpr uint32_t kPlatform9x = 1; // VER_PLATFORM_WIN32_WINDOWS
constexpr uint32_t kPlatformNT = 2; // VER_PLATFORM_WIN32_NT
constexpr uint8_t kWorkstation = 1; // VER_NT_WORKSTATION
constexpr int kUnknown = 200;

// RtlGetVersion tells the truth where GetVersionExW, without a manifest, reports 6.2
// for every later Windows.
typedef LONG(WINAPI *RtlGetVersionProc)(OSVERSIONINFOEXW *);

bool ReadVersion(OSVERSIONINFOEXW *info) {
  *info = OSVERSIONINFOEXW{};
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  if (HMODULE ntdll = LoadLibraryW(L"ntdll.dll")) {
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionProc>(
        reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlGetVersion")));
    bool ok = rtlGetVersion && rtlGetVersion(info) >= 0;
    FreeLibrary(ntdll);
    if (ok)
      return true;
    *info = OSVERSIONINFOEXW{};
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  }
  return GetVersionExW(reinterpret_cast<OSVERSIONINFOW *>(info)) != 0;
}

} // namespace

int TkOSVersionCode(uint32_t platformId, uint32_t major, uint32_t minor, uint8_t productType) {
  bool workstation = productType == kWorkstation;
  if (platformId == kPlatform9x) {
    switch (minor) {
    case 0: return 10;  // 95
    case 10: return 30; // 98
    case 90: return 40; // Me
    default: return kUnknown;
    }
  }
  if (platformId != kPlatformNT)
    return kUnknown;
  if (major == 3)
    return 5;
  if (major == 4)
    return minor == 0 ? 20 : kUnknown;
  if (major == 5) {
    switch (minor) {
    case 0: return 50;
    case 1: return 60;
    case 2: return workstation ? 60 : 65;
    default: return kUnknown;
    }
  }
  if (major == 6) {
    switch (minor) {
    case 0: return workstation ? 70 : 75;
    case 1: return workstation ? 80 : 85;
    case 2: return workstation ? 90 : 95;
    case 3: return workstation ? 100 : 105;
    default: return kUnknown;
    }
  }
  if (major == 10 && minor == 0)
    return 110;
  return kUnknown;
}

int TkOSVersion() {
  OSVERSIONINFOEXW info;
  if (!ReadVersion(&info))
    return kUnknown;
  return TkOSVersionCode(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}
