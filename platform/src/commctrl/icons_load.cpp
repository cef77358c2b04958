// LoadImageW: icons read from .ico files.
#include <windows.h>

#include "commctrl_internal.h"
// The kernel's reading of Windows file names as Linux paths.
#include "kernel/kernel_internal.h"

#include <cstdio>
#include <vector>

namespace {

// .ico files are small; anything above this is not an icon worth reading.
constexpr long MaximumIconFile = 64L * 1024 * 1024;

enum class IconFile { Read, Missing, NoIcon };

// Reads a .ico file whole. A file that does not start as one (reserved 0, type 1) is left
// after its first bytes: the pictures tried as icons first are mostly PNG and JPEG files,
// which are read again by their own decoder.
IconFile ReadIconFile(const std::string &path, std::vector<uint8_t> *data) {
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) return IconFile::Missing;
  uint8_t header[4] = {};
  bool ok = std::fread(header, 1, sizeof header, file) == sizeof header && header[0] == 0 && header[1] == 0 &&
            header[2] == 1 && header[3] == 0;
  ok = ok && std::fseek(file, 0, SEEK_END) == 0;
  long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && size <= MaximumIconFile && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    data->resize(static_cast<size_t>(size));
    ok = std::fread(data->data(), 1, data->size(), file) == data->size();
  }
  std::fclose(file);
  return ok ? IconFile::Read : IconFile::NoIcon;
}

} // namespace

HANDLE LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int width, int height, UINT flags) {
  // Resources are not built into programs on Linux; only files load.
  if (!(flags & LR_LOADFROMFILE) || type != IMAGE_ICON || !name || width < 0 || height < 0) return nullptr;
  // Names below 64 KiB are resource numbers, not strings.
  if (reinterpret_cast<uintptr_t>(name) <= 0xFFFF) return nullptr;
  std::vector<uint8_t> data;
  IconFile read = ReadIconFile(KernelPathFromWide(name), &data);
  if (read == IconFile::Missing) SetLastError(ERROR_FILE_NOT_FOUND);
  if (read != IconFile::Read) return nullptr;
  if ((flags & LR_DEFAULTSIZE) && width == 0) width = 32;
  if ((flags & LR_DEFAULTSIZE) && height == 0) height = 32;
  return IcoLoad(data.data(), data.size(), width, height);
}
