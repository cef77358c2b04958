// Kernel stand-ins: counter, modules, formatting, debug output, threads, critical
// sections and files.
#include <windows.h>

#include "kernel/kernel_hooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

// ---------------------------------------------------------------------------------------
// Performance counter and timer period
// ---------------------------------------------------------------------------------------

int64_t HookValue = 0;
bool HookSucceeds = true;
bool CounterHook(int64_t *value) {
  *value = HookValue;
  return HookSucceeds;
}

TEST(KernelCounter, HookSteersTheCounterAndNullRestoresTheClock) {
  LARGE_INTEGER frequency;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 10000000);

  PlatformSetPerformanceCounterHook(CounterHook);
  LARGE_INTEGER count;
  HookValue = 123456789;
  HookSucceeds = true;
  ASSERT_TRUE(QueryPerformanceCounter(&count));
  EXPECT_EQ(count.QuadPart, 123456789);
  HookSucceeds = false;
  EXPECT_FALSE(QueryPerformanceCounter(&count));
  PlatformSetPerformanceCounterHook(nullptr);

  LARGE_INTEGER first, second;
  ASSERT_TRUE(QueryPerformanceCounter(&first));
  Sleep(2);
  ASSERT_TRUE(QueryPerformanceCounter(&second));
  // Two milliseconds are at least 20000 ticks of 100 ns.
  EXPECT_GE(second.QuadPart - first.QuadPart, 20000);
}

TEST(KernelCounter, TimeBeginPeriodIsCounted) {
  int before = PlatformTimeBeginPeriodCalls();
  EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(PlatformTimeBeginPeriodCalls(), before + 1);
}

// ---------------------------------------------------------------------------------------
// Modules
// ---------------------------------------------------------------------------------------

TEST(KernelModules, NamesCompareWithoutCase) {
  HMODULE gdi = LoadLibraryW(L"Gdi32.dll");
  ASSERT_NE(gdi, nullptr);
  EXPECT_EQ(LoadLibraryW(L"GDI32.DLL"), gdi);
  EXPECT_EQ(LoadLibraryW(L"gdi32"), gdi);
  EXPECT_EQ(GetModuleHandleW(L"gdi32.dll"), gdi);
  EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(gdi, "GdiAlphaBlend")), reinterpret_cast<void *>(&GdiAlphaBlend));
  EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(gdi, "GdiTransparentBlt")),
            reinterpret_cast<void *>(&GdiTransparentBlt));
  // Export names are exact.
  EXPECT_EQ(GetProcAddress(gdi, "gdialphablend"), nullptr);
  EXPECT_EQ(GetProcAddress(gdi, "BitBlt"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(gdi));
  EXPECT_TRUE(FreeLibrary(gdi));
  EXPECT_TRUE(FreeLibrary(gdi));
  EXPECT_FALSE(FreeLibrary(gdi)); // loaded three times, freed three times
}

TEST(KernelModules, BuiltInModulesLoadAndOthersFail) {
  EXPECT_NE(LoadLibraryW(L"D2D1.DLL"), nullptr);
  EXPECT_NE(LoadLibraryW(L"dwrite.dll"), nullptr);
  EXPECT_NE(LoadLibraryW(L"d2d1.dll"), LoadLibraryW(L"DWRITE.DLL"));
  EXPECT_EQ(LoadLibraryW(L"ntdll.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryW(L"gdi32.dll.bak"), nullptr);
  EXPECT_EQ(LoadLibraryW(L""), nullptr);
  EXPECT_EQ(GetModuleHandleW(L"ntdll.dll"), nullptr);
}

TEST(KernelModules, Direct2DAndDirectWriteExportsResolve) {
  // Nothing in this program calls them directly: the table alone must keep them linked in.
  HMODULE d2d = LoadLibraryW(L"D2D1.DLL");
  HMODULE dwrite = LoadLibraryW(L"DWRITE.DLL");
  EXPECT_NE(GetProcAddress(d2d, "D2D1CreateFactory"), nullptr);
  EXPECT_NE(GetProcAddress(d2d, "D2D1MakeRotateMatrix"), nullptr);
  EXPECT_NE(GetProcAddress(dwrite, "DWriteCreateFactory"), nullptr);
  EXPECT_EQ(GetProcAddress(d2d, "DWriteCreateFactory"), nullptr);
  EXPECT_EQ(GetProcAddress(dwrite, "D2D1CreateFactory"), nullptr);
  FreeLibrary(d2d);
  FreeLibrary(dwrite);
}

TEST(KernelModules, ForeignHandlesAndOrdinalsFindNothing) {
  HMODULE program = GetModuleHandleW(nullptr);
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(GetModuleHandleW(nullptr), program);
  EXPECT_EQ(GetProcAddress(program, "GdiAlphaBlend"), nullptr);
  int notAModule = 0;
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&notAModule), "GdiAlphaBlend"), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "GdiAlphaBlend"), nullptr);
  HMODULE gdi = LoadLibraryW(L"gdi32.dll");
  EXPECT_EQ(GetProcAddress(gdi, reinterpret_cast<LPCSTR>(1)), nullptr);
  FreeLibrary(gdi);
}

// The program's file, whole, cut to a short buffer (still terminated), and refused for a
// handle that is no module.
TEST(KernelModules, ModuleFileNameIsTheProgramsFile) {
  const std::wstring program = std::filesystem::read_symlink("/proc/self/exe").wstring();
  WCHAR name[4096];
  EXPECT_EQ(GetModuleFileNameW(nullptr, name, 4096), program.size());
  EXPECT_EQ(std::wstring(name), program);
  HMODULE gdi = LoadLibraryW(L"gdi32.dll");
  EXPECT_EQ(GetModuleFileNameW(gdi, name, 4096), program.size()); // built into the program
  FreeLibrary(gdi);

  WCHAR shortName[6];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, shortName, 6), 6u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::wstring(shortName), program.substr(0, 5));

  int notAModule = 0;
  EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(&notAModule), name, 4096), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

// ---------------------------------------------------------------------------------------
// Formatting and debug output
// ---------------------------------------------------------------------------------------

std::wstring Format(LPCWSTR format, ...) {
  WCHAR buffer[1024];
  va_list arguments;
  va_start(arguments, format);
  int length = wvsprintfW(buffer, format, arguments);
  va_end(arguments);
  EXPECT_EQ(length, static_cast<int>(std::wstring(buffer).size()));
  return buffer;
}

TEST(KernelFormat, DecimalsAndPercentSigns) {
  EXPECT_EQ(Format(L"pTempRenderTarget created!!!! %dx%d", 800, 600), L"pTempRenderTarget created!!!! 800x600");
  EXPECT_EQ(Format(L"%d %d %d", -42, 0, 7), L"-42 0 7");
  EXPECT_EQ(Format(L"100%%"), L"100%");
  EXPECT_EQ(Format(L"%d", INT32_MIN), L"-2147483648");
  EXPECT_EQ(Format(L"%d", INT32_MAX), L"2147483647");
}

// Formats into a buffer larger than the limit, to see that nothing is written past it.
int FormatInto(WCHAR *buffer, LPCWSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int length = wvsprintfW(buffer, format, arguments);
  va_end(arguments);
  return length;
}

TEST(KernelFormat, OutputStopsAt1024CharactersWithTheTerminator) {
  std::wstring longFormat = L"x" + std::wstring(3000, L'a') + L"y";
  std::vector<WCHAR> buffer(2048, L'#');
  int length = FormatInto(buffer.data(), longFormat.c_str());
  EXPECT_EQ(length, 1023);
  EXPECT_EQ(buffer[0], L'x');
  EXPECT_EQ(buffer[1022], L'a');
  EXPECT_EQ(buffer[1023], L'\0');
  EXPECT_EQ(buffer[1024], L'#'); // nothing written past the limit
  // A number that reaches the limit is cut after its first digits.
  std::wstring nearlyFull = std::wstring(1020, L'b') + L"%d";
  length = FormatInto(buffer.data(), nearlyFull.c_str(), 123456);
  EXPECT_EQ(length, 1023);
  EXPECT_EQ(std::wstring(buffer.data() + 1020), L"123");
  EXPECT_EQ(buffer[1024], L'#');
}

std::vector<std::string> DebugMessages;
void CollectDebugOutput(const std::string &message) { DebugMessages.push_back(message); }

TEST(KernelDebugOutput, MessagesReachTheSinkAsUtf8WithoutLineEnds) {
  DebugMessages.clear();
  PlatformSetDebugOutputSink(CollectDebugOutput);
  OutputDebugStringW(L"Direct2D started");
  OutputDebugStringW(L"Gr\u00FC\u00DFe \u20AC");
  PlatformSetDebugOutputSink(nullptr);
  OutputDebugStringW(L"not collected");
  ASSERT_EQ(DebugMessages.size(), 2u);
  EXPECT_EQ(DebugMessages[0], "Direct2D started");
  EXPECT_EQ(DebugMessages[1], "Gr\xC3\xBC\xC3\x9F"
                              "e \xE2\x82\xAC");
}

TEST(KernelDebugOutput, EachMessageIsOneLineOnStandardError) {
  testing::internal::CaptureStderr();
  OutputDebugStringW(L"first");
  OutputDebugStringW(L"second");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "first\nsecond\n");
}

// ---------------------------------------------------------------------------------------
// Threads and critical sections
// ---------------------------------------------------------------------------------------

struct SharedCounter {
  CRITICAL_SECTION section;
  int64_t value;
  int rounds;
};

DWORD WINAPI AddUnderNestedLock(LPVOID parameter) {
  SharedCounter *shared = static_cast<SharedCounter *>(parameter);
  for (int i = 0; i < shared->rounds; ++i) {
    EnterCriticalSection(&shared->section);
    EnterCriticalSection(&shared->section); // re-entrant
    int64_t value = shared->value;
    shared->value = value + 1;
    LeaveCriticalSection(&shared->section);
    LeaveCriticalSection(&shared->section);
  }
  return 7;
}

TEST(KernelThreads, ReentrantCriticalSectionGuardsBetweenThreads) {
  SharedCounter shared{};
  shared.rounds = 20000;
  InitializeCriticalSection(&shared.section);
  DWORD id = 0;
  HANDLE threads[3];
  for (HANDLE &thread : threads) {
    thread = CreateThread(nullptr, 4096, AddUnderNestedLock, &shared, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, GetCurrentThreadId());
  }
  for (HANDLE thread : threads) {
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(thread));
  }
  EXPECT_EQ(shared.value, 3 * 20000);
  DeleteCriticalSection(&shared.section);
}

struct TryState {
  CRITICAL_SECTION *section;
  BOOL tookIt;
};

DWORD WINAPI TryFromOtherThread(LPVOID parameter) {
  TryState *state = static_cast<TryState *>(parameter);
  state->tookIt = TryEnterCriticalSection(state->section);
  if (state->tookIt) LeaveCriticalSection(state->section);
  return 0;
}

TEST(KernelThreads, TryEnterFailsOnlyForAnotherThreadsSection) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section)); // the owner may enter again
  LeaveCriticalSection(&section);
  TryState state{&section, TRUE};
  HANDLE thread = CreateThread(nullptr, 0, TryFromOtherThread, &state, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_FALSE(state.tookIt);
  CloseHandle(thread);
  LeaveCriticalSection(&section);
  thread = CreateThread(nullptr, 0, TryFromOtherThread, &state, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(state.tookIt);
  CloseHandle(thread);
  DeleteCriticalSection(&section);
}

TEST(KernelThreads, HandlesOfOtherKindsAreRefused) {
  int notAHandle = 0;
  EXPECT_EQ(WaitForSingleObject(&notAHandle, 0), static_cast<DWORD>(WAIT_FAILED));
  EXPECT_FALSE(CloseHandle(&notAHandle));
  EXPECT_FALSE(CloseHandle(nullptr));
  SetLastError(1234);
  EXPECT_EQ(GetLastError(), 1234u);
}

// ---------------------------------------------------------------------------------------
// Version and files
// ---------------------------------------------------------------------------------------

TEST(KernelVersion, LinuxIsNoWindowsVersion) {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  info.dwMajorVersion = 99;
  EXPECT_FALSE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info)));
  EXPECT_EQ(info.dwMajorVersion, 0u);
}

TEST(KernelFiles, BackslashPathsOpenReadAndSize) {
  std::string folder = std::string(TEST_BINARY_DIR) + "/kernel_files";
  mkdir(folder.c_str(), 0755);
  std::ofstream(folder + "/data.bin", std::ios::binary) << "hello, file";
  std::string windowsName = folder + "\\data.bin";
  std::wstring wideName(windowsName.begin(), windowsName.end());
  std::wstring wideFolder(folder.begin(), folder.end());

  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(wideName.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 11u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_FALSE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(GetFileAttributesExW(wideFolder.c_str(), GetFileExInfoStandard, &data));
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(GetFileAttributesExW((wideFolder + L"\\missing").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  HANDLE file = CreateFileW(wideName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 11);
  char buffer[32] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(file, buffer, 5, &got, nullptr));
  EXPECT_EQ(got, 5u);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), ", file");
  ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &got, nullptr)); // end of file
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file)); // stale
  EXPECT_FALSE(ReadFile(file, buffer, 1, &got, nullptr));

  EXPECT_EQ(CreateFileW((wideFolder + L"\\missing").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileW(wideFolder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  // Files are only ever read: asking to create or write one is refused and leaves it alone.
  EXPECT_EQ(CreateFileW(wideName.c_str(), GENERIC_READ, 0, nullptr, 2 /* CREATE_ALWAYS */, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(CreateFileW(wideName.c_str(), GENERIC_READ | 0x40000000 /* GENERIC_WRITE */, 0, nullptr, OPEN_EXISTING, 0,
                        nullptr),
            INVALID_HANDLE_VALUE);
  ASSERT_TRUE(GetFileAttributesExW(wideName.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 11u);
}

} // namespace
