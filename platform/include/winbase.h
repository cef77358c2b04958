// Kernel services: performance counter, sleeping, threads, critical sections, errors,
// modules, debug output, formatted text, version and reading files.
#pragma once

#include <windef.h>

#include <cstdarg>

// ---------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------

#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000
#define WAIT_TIMEOUT 0x00000102
#define WAIT_FAILED 0xFFFFFFFF
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define CREATE_SUSPENDED 0x00000004
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000

#define ERROR_SUCCESS 0
#define NO_ERROR 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_OUTOFMEMORY 14
#define ERROR_NOT_SUPPORTED 50
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_OLD_WIN_VERSION 1150
#define ERROR_CANT_RESOLVE_FILENAME 1921

// ---------------------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------------------

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef DWORD(WINAPI *PTHREAD_START_ROUTINE)(LPVOID parameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

// A re-entrant lock. The storage is opaque: the lock lives inside it, so a critical
// section must not be copied or moved once initialised.
typedef struct _RTL_CRITICAL_SECTION {
  alignas(16) unsigned char opaque[64];
} CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION, RTL_CRITICAL_SECTION;

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

typedef struct _OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

typedef enum _GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard, GetFileExMaxInfoLevel } GET_FILEEX_INFO_LEVELS;

typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA, *LPWIN32_FILE_ATTRIBUTE_DATA;

typedef struct _OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *POSVERSIONINFOW, *LPOSVERSIONINFOW, RTL_OSVERSIONINFOW, *PRTL_OSVERSIONINFOW;

typedef struct _OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
} OSVERSIONINFOEXW, *POSVERSIONINFOEXW, *LPOSVERSIONINFOEXW, RTL_OSVERSIONINFOEXW, *PRTL_OSVERSIONINFOEXW;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
#define VER_NT_WORKSTATION 0x1
#define VER_NT_DOMAIN_CONTROLLER 0x2
#define VER_NT_SERVER 0x3

// File access and attributes.
#define GENERIC_READ 0x80000000
#define FILE_SHARE_READ 0x00000001
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#define FILE_ATTRIBUTE_NORMAL 0x00000080

// ---------------------------------------------------------------------------------------
// Time
// ---------------------------------------------------------------------------------------

// Reads the high-resolution counter (ticks of QueryPerformanceFrequency); FALSE on failure.
BOOL QueryPerformanceCounter(LARGE_INTEGER *count);
// Ticks per second of the counter (10,000,000 on Linux).
BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency);
// Suspends the calling thread for at least the given milliseconds (0 yields).
void Sleep(DWORD milliseconds);

// ---------------------------------------------------------------------------------------
// Threads and critical sections
// ---------------------------------------------------------------------------------------

// Starts a thread running start(parameter). A stack size of 0 takes the default; small
// requests are raised to what the platform needs.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId);
// Waits for a thread handle to end (other handle kinds fail).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// The exit code of a thread (STILL_ACTIVE while it runs).
#define STILL_ACTIVE 259
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// Closes a thread or file handle. A thread keeps running after its handle is closed.
BOOL CloseHandle(HANDLE handle);
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
// Takes the section when it is free or already held by this thread; never waits.
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

// ---------------------------------------------------------------------------------------
// Errors
// ---------------------------------------------------------------------------------------

// The calling thread's last error code.
DWORD GetLastError();
void SetLastError(DWORD error);

// ---------------------------------------------------------------------------------------
// Modules: the built-in "D2D1.DLL", "DWRITE.DLL" and "Gdi32.dll"
// ---------------------------------------------------------------------------------------

HMODULE LoadLibraryW(LPCWSTR fileName);
// The address of an export, or null (also for an ordinal).
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
// Null gives the program's own module; a name gives a module already loaded.
HMODULE GetModuleHandleW(LPCWSTR moduleName);
// The full file name of a module's program (null: the program itself). A name longer
// than the buffer is cut, terminated, and gives size with ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

// ---------------------------------------------------------------------------------------
// Debug output and formatted text
// ---------------------------------------------------------------------------------------

// Writes one debug message (standard error on Linux, one message per line).
void OutputDebugStringW(LPCWSTR text);
// Formats into buffer, which must hold 1024 characters. The system formats only %d (a
// 32-bit signed int) and %%; any other character after % is written as it is. Output
// stops at 1023 characters plus the terminator. Returns the number of characters written,
// without the terminator.
int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list arguments);

// ---------------------------------------------------------------------------------------
// Version
// ---------------------------------------------------------------------------------------

// Fills an OSVERSIONINFOW or OSVERSIONINFOEXW; FALSE on Linux, which is no Windows version.
BOOL GetVersionExW(LPOSVERSIONINFOW info);

// ---------------------------------------------------------------------------------------
// Files, for reading. A backslash in a name is a folder separator.
// ---------------------------------------------------------------------------------------

BOOL GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS level, LPVOID information);
// Opens an existing file for reading (GENERIC_READ, OPEN_EXISTING: the only way files are
// opened here); any other access or creation is refused with ERROR_INVALID_PARAMETER.
HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes, DWORD creation,
                   DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
