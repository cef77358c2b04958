// Reading the pixels of pictures handed in as GDI bitmaps or icons: shared by the alpha
// conversion, the margin search and the colour effects.
#pragma once

#include <windows.h>

#include "toolkit.h"

#include <algorithm>
#include <cstdint>

// A picture opened for reading: the bitmap whose colours are read and, for an icon, the
// two bitmaps that GetIconInfo made, which ClosePicture deletes.
struct PictureSource {
  HBITMAP colour;
  HBITMAP iconColour;
  HBITMAP iconMask;
  int32_t width;
  int32_t height;
  int32_t bitsPerPixel; // as the bitmap stores it
};

// Opens an icon (its colour bitmap) or a bitmap. False for anything else; an opened
// picture must be closed even when its size is 0.
bool OpenPicture(HANDLE handle, PictureSource *picture);
// Deletes the icon bitmaps that OpenPicture obtained.
void ClosePicture(PictureSource *picture);

// A bitmap's pixels laid out as a BMP file in memory: bottom-up rows, B, G, R (and A)
// per pixel, each row padded to a multiple of 4 bytes.
struct BmpBuffer {
  uint8_t *block;  // the whole file: headers, then pixels
  uint8_t *pixels; // first pixel of the bottom row
  int32_t width;
  int32_t height;
  int32_t bitsPerPixel;
  int32_t rowBytes; // bytes per row, padding included
};

// Bytes per row of a BMP of that width and depth: whole pixels, padded to 4 bytes.
int32_t BmpRowBytes(int32_t width, int32_t bitsPerPixel);
// Reads width x height pixels of a bitmap, converted to bitsPerPixel (24 or 32), into a
// new in-memory BMP. False (and nothing to free) when the bitmap cannot be read.
bool ReadBitmapAsBmp(HBITMAP bitmap, int32_t width, int32_t height, int32_t bitsPerPixel, BmpBuffer *buffer);
void FreeBmpBuffer(BmpBuffer *buffer);
// Reads `count` rows from row `first` on (rows counted from the picture's top) of a
// bitmap width x height, converted to bitsPerPixel (24 or 32), into rows: count BMP rows,
// the lowest first as in a BMP file. False when the bitmap cannot be read.
bool ReadBitmapRows(HDC dc, HBITMAP bitmap, int32_t width, int32_t height, int32_t bitsPerPixel, int32_t first,
                    int32_t count, uint8_t *rows);

// Reads an icon's mask as 32 bits per pixel (B = G = R = 0 where the icon is opaque, 255
// where it is transparent) when it covers exactly width x height; false otherwise.
bool ReadIconMask(HBITMAP mask, int32_t width, int32_t height, BmpBuffer *buffer);

// A new 32-bit top-down DIB section of that size, zero-filled, and its pixels (B, G, R, A,
// rows top first, 4 * width bytes apart); null when it cannot be made.
HBITMAP CreateUprightBitmap(int32_t width, int32_t height, uint8_t **pixels);

// The frame of the alpha conversion and the colour effects: reads the picture a band of
// rows at a time and writes every pixel, upright, into a new 32-bit bitmap. rgba(r, g, b, a)
// gives the value written (an RGBA value, red in the low byte), where a is the pixel's
// alpha as pictures carry it: its own for 32 bits, opaque for 24 bits, and for an icon
// pixel whose alpha is 0 the icon's mask decides. Besides the picture and the result, only
// the band of rows is held. Returns the bitmap (the caller deletes it), or null.
template <typename PixelToRgba> HBITMAP ConvertPictureUpright(const PictureSource &picture, PixelToRgba rgba) {
  int32_t width = picture.width;
  int32_t height = picture.height;
  // Depths other than 24 and 32 are read as 24 bits: GetDIBits converts them, and such
  // pictures carry no alpha of their own.
  int32_t bits = picture.bitsPerPixel == 32 ? 32 : 24;
  uint8_t *out = nullptr;
  HBITMAP result = width > 0 && height > 0 ? CreateUprightBitmap(width, height, &out) : nullptr;
  if (!result) return nullptr;
  BmpBuffer mask;
  bool hasMask = picture.iconMask && ReadIconMask(picture.iconMask, width, height, &mask);
  int32_t rowBytes = BmpRowBytes(width, bits);
  // About a megabyte of rows at a time.
  int32_t bandRows = std::max<int32_t>(1, std::min<int32_t>(height, (1 << 20) / rowBytes));
  uint8_t *band = static_cast<uint8_t *>(TkAllocateMemory(static_cast<int64_t>(rowBytes) * bandRows));
  HDC dc = CreateCompatibleDC(nullptr);
  bool ok = band && dc;
  for (int32_t first = 0; ok && first < height; first += bandRows) {
    int32_t count = std::min(bandRows, height - first);
    ok = ReadBitmapRows(dc, picture.colour, width, height, bits, first, count, band);
    for (int32_t y = first; ok && y < first + count; y++) {
      // The band's rows and the mask's run bottom-up, as in a BMP file.
      const uint8_t *p = band + static_cast<int64_t>(first + count - 1 - y) * rowBytes;
      const uint8_t *m = hasMask ? mask.pixels + static_cast<int64_t>(height - 1 - y) * mask.rowBytes : nullptr;
      uint8_t *o = out + static_cast<int64_t>(y) * width * 4;
      for (int32_t x = 0; x < width; x++) {
        // A 24-bit icon takes its transparency from the mask, as a 32-bit one without
        // alpha does; a plain 24-bit bitmap is opaque.
        uint32_t a = bits == 32 ? p[3] : m ? 0 : 255;
        if (a == 0 && m) a = m[0] == 0 ? 255 : 0;
        uint32_t value = rgba(p[2], p[1], p[0], a);
        o[0] = static_cast<uint8_t>(value >> 16);
        o[1] = static_cast<uint8_t>(value >> 8);
        o[2] = static_cast<uint8_t>(value);
        o[3] = static_cast<uint8_t>(value >> 24);
        p += bits / 8;
        o += 4;
        if (m) m += 4;
      }
    }
  }
  if (dc) DeleteDC(dc);
  if (band) TkFreeMemory(band);
  if (hasMask) FreeBmpBuffer(&mask);
  if (!ok) {
    DeleteObject(result);
    result = nullptr;
  }
  return result;
}
