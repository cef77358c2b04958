// Operating system version code.
#include "os_version.h"
#include "toolkit.h"

namespace {

constexpr uint32_t Platform9x = 1; // VER_PLATFORM_WIN32_WINDOWS
constexpr uint32_t PlatformNT = 2; // VER_PLATFORM_WIN32_NT
constexpr uint8_t Workstation = 1; // VER_NT_WORKSTATION
constexpr int UnknownSystem = 200;

// RtlGetVersion tells the truth where GetVersionExW, without a manifest, reports 6.2
// for every later Windows.
typedef LONG(WINAPI *RtlGetVersionProc)(OSVERSIONINFOEXW *);

bool ReadVersion(OSVERSIONINFOEXW *info) {
  *info = OSVERSIONINFOEXW{};
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  if (HMODULE ntdll = LoadLibraryW(L"ntdll.dll")) {
    auto rtlGetVersion =
        reinterpret_cast<RtlGetVersionProc>(reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlGetVersion")));
    bool ok = rtlGetVersion && rtlGetVersion(info) >= 0;
    FreeLibrary(ntdll);
    if (ok) return true;
    *info = OSVERSIONINFOEXW{};
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  }
  return GetVersionExW(reinterpret_cast<OSVERSIONINFOW *>(info)) != 0;
}

} // namespace

int TkOSVersionCode(uint32_t platformId, uint32_t major, uint32_t minor, uint8_t productType) {
  bool workstation = productType == Workstation;
  if (platformId == Platform9x) {
    switch (minor) {
    case 0: return 10;  // 95
    case 10: return 30; // 98
    case 90: return 40; // Me
    default: return UnknownSystem;
    }
  }
  if (platformId != PlatformNT) return UnknownSystem;
  if (major == 3) return 5;
  if (major == 4) return minor == 0 ? 20 : UnknownSystem;
  if (major == 5) {
    switch (minor) {
    case 0: return 50;
    case 1: return 60;
    case 2: return workstation ? 60 : 65;
    default: return UnknownSystem;
    }
  }
  if (major == 6) {
    switch (minor) {
    case 0: return workstation ? 70 : 75;
    case 1: return workstation ? 80 : 85;
    case 2: return workstation ? 90 : 95;
    case 3: return workstation ? 100 : 105;
    default: return UnknownSystem;
    }
  }
  if (major == 10 && minor == 0) return 110;
  return UnknownSystem;
}

int TkOSVersion() {
  OSVERSIONINFOEXW info;
  if (!ReadVersion(&info)) return UnknownSystem;
  return TkOSVersionCode(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType);
}
