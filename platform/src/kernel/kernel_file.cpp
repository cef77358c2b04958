// Files: attributes, reading through handles, and CloseHandle for every kernel handle
// kind. Windows names such as "Icons\boingball.png" work: a backslash is a folder
// separator.
#include <windows.h>

#include "handles.h"
#include "kernel_internal.h"

#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileRecord {
  int descriptor;
};

DWORD ErrorFromErrno(int error) {
  switch (error) {
  case ENOENT: return ERROR_FILE_NOT_FOUND;
  case ENOTDIR: return ERROR_PATH_NOT_FOUND;
  case EACCES:
  case EPERM:
  case EISDIR: return ERROR_ACCESS_DENIED;
  case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
  case ELOOP: return ERROR_CANT_RESOLVE_FILENAME; // what Windows says of a loop of links
  default: return ERROR_INVALID_PARAMETER;
  }
}

// 100 ns intervals since 1601-01-01, the Windows file time.
FILETIME FileTimeOf(const timespec &time) {
  constexpr uint64_t SecondsFrom1601To1970 = 11644473600ULL;
  uint64_t ticks = (static_cast<uint64_t>(time.tv_sec) + SecondsFrom1601To1970) * 10000000ULL +
                   static_cast<uint64_t>(time.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

DWORD AttributesOf(const struct stat &info) {
  DWORD attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  // Pipes, sockets and device nodes: reading one may never end, so callers are told.
  if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) attributes |= FILE_ATTRIBUTE_DEVICE;
  if (!(info.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

FileRecord *FileOf(HANDLE file) { return static_cast<FileRecord *>(HandleLookup(file, HandleKind::File)); }

} // namespace

BOOL GetFileAttributesExW(LPCWSTR fileName, GET_FILEEX_INFO_LEVELS level, LPVOID information) {
  if (!fileName || !information || level != GetFileExInfoStandard) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct stat info;
  if (stat(KernelPathFromWide(fileName).c_str(), &info) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  WIN32_FILE_ATTRIBUTE_DATA *data = static_cast<WIN32_FILE_ATTRIBUTE_DATA *>(information);
  data->dwFileAttributes = AttributesOf(info);
  data->ftCreationTime = FileTimeOf(info.st_ctim);
  data->ftLastAccessTime = FileTimeOf(info.st_atim);
  data->ftLastWriteTime = FileTimeOf(info.st_mtim);
  // Windows reports no size for a folder.
  uint64_t size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size);
  return TRUE;
}

HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD, HANDLE) {
  if (!fileName || access != GENERIC_READ || creation != OPEN_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path = KernelPathFromWide(fileName);
  struct stat info;
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    // Windows opens folders only with a special flag; plain reads of them fail.
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  FileRecord *record = new (std::nothrow) FileRecord{descriptor};
  if (!record) {
    close(descriptor);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  return HandleAdd(HandleKind::File, record);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
  FileRecord *record = FileOf(file);
  if (bytesRead) *bytesRead = 0;
  if (!record || overlapped || (!buffer && bytesToRead)) {
    SetLastError(record ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD total = 0;
  while (total < bytesToRead) {
    ssize_t got = read(record->descriptor, static_cast<char *>(buffer) + total, bytesToRead - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastError(ErrorFromErrno(errno));
      if (bytesRead) *bytesRead = total;
      return FALSE;
    }
    if (got == 0) break; // end of file: success with fewer bytes
    total += static_cast<DWORD>(got);
  }
  if (bytesRead) *bytesRead = total;
  return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
  FileRecord *record = FileOf(file);
  struct stat info;
  if (!record || !size || fstat(record->descriptor, &info) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  size->QuadPart = info.st_size;
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (FileRecord *record = static_cast<FileRecord *>(HandleRemove(handle, HandleKind::File))) {
    close(record->descriptor);
    delete record;
    return TRUE;
  }
  if (KernelCloseThreadHandle(handle)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
