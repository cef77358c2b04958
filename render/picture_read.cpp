// Opening icons and bitmaps and reading their pixels into in-memory BMP files.
#include "picture_read.h"

#include "toolkit.h"

#include <cstring>

namespace {

constexpr int32_t FileHeaderSize = 14;
constexpr int32_t InfoHeaderSize = 40;

void PutU16(uint8_t *at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t *at, uint32_t value) {
  for (int i = 0; i < 4; i++) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool ReadBitmapSize(HBITMAP bitmap, BITMAP *info) {
  std::memset(info, 0, sizeof(*info));
  return bitmap && GetObjectW(bitmap, sizeof(BITMAP), info) != 0;
}

} // namespace

bool OpenPicture(HANDLE handle, PictureSource *picture) {
  std::memset(picture, 0, sizeof(*picture));
  if (!handle) return false;
  ICONINFO icon{};
  if (GetIconInfo(static_cast<HICON>(handle), &icon)) {
    picture->iconColour = icon.hbmColor;
    picture->iconMask = icon.hbmMask;
    picture->colour = icon.hbmColor;
  } else {
    picture->colour = static_cast<HBITMAP>(handle);
  }
  BITMAP info;
  if (!ReadBitmapSize(picture->colour, &info)) {
    // A monochrome icon has no colour bitmap; a foreign value is no picture at all.
    bool wasIcon = picture->iconColour || picture->iconMask;
    ClosePicture(picture);
    return wasIcon;
  }
  picture->width = info.bmWidth;
  picture->height = info.bmHeight;
  picture->bitsPerPixel = info.bmBitsPixel;
  return true;
}

void ClosePicture(PictureSource *picture) {
  if (picture->iconColour) DeleteObject(picture->iconColour);
  if (picture->iconMask) DeleteObject(picture->iconMask);
  picture->iconColour = nullptr;
  picture->iconMask = nullptr;
  picture->colour = nullptr;
  picture->width = 0;
  picture->height = 0;
}

int32_t BmpRowBytes(int32_t width, int32_t bitsPerPixel) {
  int64_t rowData = static_cast<int64_t>(width) * (bitsPerPixel / 8);
  return static_cast<int32_t>(rowData + (4 - rowData % 4) % 4);
}

bool ReadBitmapRows(HDC dc, HBITMAP bitmap, int32_t width, int32_t height, int32_t bitsPerPixel, int32_t first,
                    int32_t count, uint8_t *rows) {
  if (!dc || !bitmap || !rows || first < 0 || count < 1 || first + count > height) return false;
  BITMAPINFO header{};
  header.bmiHeader.biSize = InfoHeaderSize;
  header.bmiHeader.biWidth = width;
  header.bmiHeader.biHeight = height; // positive: bottom-up rows
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  header.bmiHeader.biCompression = BI_RGB;
  header.bmiHeader.biSizeImage = static_cast<DWORD>(static_cast<int64_t>(BmpRowBytes(width, bitsPerPixel)) * height);
  // Scan lines count from the bottom row.
  UINT startScan = static_cast<UINT>(height - first - count);
  return GetDIBits(dc, bitmap, startScan, static_cast<UINT>(count), rows, &header, DIB_RGB_COLORS) > 0;
}

bool ReadBitmapAsBmp(HBITMAP bitmap, int32_t width, int32_t height, int32_t bitsPerPixel, BmpBuffer *buffer) {
  std::memset(buffer, 0, sizeof(*buffer));
  if (!bitmap || width < 1 || height < 1 || (bitsPerPixel != 24 && bitsPerPixel != 32)) return false;
  int64_t rowBytes = BmpRowBytes(width, bitsPerPixel);
  int64_t imageSize = rowBytes * height;
  if (imageSize > 0x7FFFFFFF - FileHeaderSize - InfoHeaderSize) return false;

  uint8_t *block = static_cast<uint8_t *>(TkAllocateMemory(FileHeaderSize + InfoHeaderSize + imageSize));
  if (!block) return false;
  block[0] = 'B';
  block[1] = 'M';
  PutU32(block + 2, static_cast<uint32_t>(FileHeaderSize + InfoHeaderSize + imageSize));
  PutU32(block + 10, FileHeaderSize + InfoHeaderSize);
  uint8_t *info = block + FileHeaderSize;
  PutU32(info + 0, InfoHeaderSize);
  PutU32(info + 4, static_cast<uint32_t>(width));
  PutU32(info + 8, static_cast<uint32_t>(height)); // positive: bottom-up rows
  PutU16(info + 12, 1);
  PutU16(info + 14, static_cast<uint16_t>(bitsPerPixel));
  PutU32(info + 16, BI_RGB);
  PutU32(info + 20, static_cast<uint32_t>(imageSize));

  // Any device context serves GetDIBits for 24 and 32 bits (no colour table is involved).
  HDC dc = CreateCompatibleDC(nullptr);
  uint8_t *pixels = info + InfoHeaderSize;
  bool read = ReadBitmapRows(dc, bitmap, width, height, bitsPerPixel, 0, height, pixels);
  if (dc) DeleteDC(dc);
  if (!read) {
    TkFreeMemory(block);
    return false;
  }
  buffer->block = block;
  buffer->pixels = pixels;
  buffer->width = width;
  buffer->height = height;
  buffer->bitsPerPixel = bitsPerPixel;
  buffer->rowBytes = static_cast<int32_t>(rowBytes);
  return true;
}

void FreeBmpBuffer(BmpBuffer *buffer) {
  if (buffer->block) TkFreeMemory(buffer->block);
  std::memset(buffer, 0, sizeof(*buffer));
}

bool ReadIconMask(HBITMAP mask, int32_t width, int32_t height, BmpBuffer *buffer) {
  std::memset(buffer, 0, sizeof(*buffer));
  BITMAP info;
  if (!ReadBitmapSize(mask, &info) || info.bmWidth < 1 || info.bmHeight < 1) return false;
  // The mask is walked pixel for pixel beside the colour bitmap, so it must match it.
  if (info.bmWidth != width || info.bmHeight != height) return false;
  return ReadBitmapAsBmp(mask, width, height, 32, buffer);
}

HBITMAP CreateUprightBitmap(int32_t width, int32_t height, uint8_t **pixels) {
  *pixels = nullptr;
  if (width < 1 || height < 1) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // negative: top-down, so the rows go on to Direct2D in one piece
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && !bits) {
    DeleteObject(bitmap);
    bitmap = nullptr;
  }
  *pixels = static_cast<uint8_t *>(bits);
  return bitmap;
}
