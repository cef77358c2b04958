// File sizes and whole-file reading.
#include "files.h"
#include "text_utf.h"
#include "toolkit.h"

int64_t TkFileSize(const std::string &fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(TkUtf8ToWide(fileName).c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -2;
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

std::string TkNoBytesReason(const std::string &fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(TkUtf8ToWide(fileName).c_str(), GetFileExInfoStandard, &data)) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return "missing";
    if (error == ERROR_ACCESS_DENIED) return "unreadable: access denied";
    if (error == ERROR_CANT_RESOLVE_FILENAME) return "unreadable: the name leads round a loop of links";
    return "unreadable: error " + std::to_string(error);
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "unreadable: a folder, not a file";
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return "unreadable: a device or pipe, not a file";
  return "not a picture: the file is empty";
}

bool TkReadWholeFile(const std::string &fileName, std::vector<uint8_t> *contents) {
  contents->clear();
  HANDLE file = CreateFileW(TkUtf8ToWide(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart >= 0 && size.QuadPart <= TkMaxPictureFileBytes) {
    contents->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    ok = true;
    while (done < contents->size()) {
      DWORD got = 0;
      DWORD want = static_cast<DWORD>(contents->size() - done);
      if (!ReadFile(file, contents->data() + done, want, &got, nullptr) || got == 0) {
        ok = false;
        break;
      }
      done += got;
    }
  }
  CloseHandle(file);
  if (!ok) contents->clear();
  return ok;
}
