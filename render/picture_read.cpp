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

bool ReadBitmapAsBmp(HBITMAP bitmap, int32_t width, int32_t height, int32_t bitsPerPixel, BmpBuffer *buffer) {
  std::memset(buffer, 0, sizeof(*buffer));
  if (!bitmap || width < 1 || height < 1 || (bitsPerPixel != 24 && bitsPerPixel != 32)) return false;
  int64_t rowData = static_cast<int64_t>(width) * (bitsPerPixel / 8);
  int64_t rowBytes = rowData + (4 - rowData % 4) % 4;
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
  // The header is copied out rather than aliased: the file layout leaves it unaligned.
  BITMAPINFO header{};
  std::memcpy(&header.bmiHeader, info, InfoHeaderSize);
  int lines = dc ? GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels, &header, DIB_RGB_COLORS) : 0;
  if (dc) DeleteDC(dc);
  if (lines <= 0) {
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
