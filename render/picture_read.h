// Reading the pixels of pictures handed in as GDI bitmaps or icons: shared by the alpha
// conversion, the margin search and the colour effects.
#pragma once

#include <windows.h>

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

// Reads width x height pixels of a bitmap, converted to bitsPerPixel (24 or 32), into a
// new in-memory BMP. False (and nothing to free) when the bitmap cannot be read.
bool ReadBitmapAsBmp(HBITMAP bitmap, int32_t width, int32_t height, int32_t bitsPerPixel, BmpBuffer *buffer);
void FreeBmpBuffer(BmpBuffer *buffer);

// Reads an icon's mask as 32 bits per pixel (B = G = R = 0 where the icon is opaque, 255
// where it is transparent) when it covers exactly width x height; false otherwise.
bool ReadIconMask(HBITMAP mask, int32_t width, int32_t height, BmpBuffer *buffer);

// A new bitmap holding a copy of a toolkit image's pixels (a DIB section of the image's
// depth, made compatible with its device context), or null.
HBITMAP CopyToolkitImageToBitmap(int64_t image);
