// The records behind GDI handles and the pixel helpers shared by the GDI and icon files.
// Every GDI entry point holds GdiLock() while it touches records, so a handle deleted on
// one thread never disappears under another.
#pragma once

#include <windows.h>

#include <mutex>

// ---------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------

struct GdiBitmap {
  int width;
  int height;
  int bitsPerPixel; // 1, 24 or 32
  int stride;       // bytes per row: DWORD-aligned for DIB sections, WORD-aligned otherwise
  bool bottomUp;    // only DIB sections with a positive height
  bool dibSection;
  bool stock;         // the 1 x 1 monochrome bitmap of new memory DCs: never deleted
  uint8_t *bits;      // owned, zero-filled at creation
  RGBQUAD palette[2]; // colours of the two values of a 1-bit bitmap
  HDC selectedInto;   // the memory DC holding it, or null (the stock bitmap: always null)
};

struct GdiDc {
  HBITMAP bitmap;
};

std::recursive_mutex &GdiLock();

// The live record of a handle, or null. Hold GdiLock() while using the record.
GdiBitmap *GdiBitmapOf(const void *handle);
GdiDc *GdiDcOf(const void *handle);

// Makes a bitmap record and its handle; null when the size is unusable or memory is short.
// DDBs are top-down with WORD-aligned rows, DIB sections DWORD-aligned rows.
HBITMAP GdiNewBitmap(int width, int height, int bitsPerPixel, bool dibSection, bool bottomUp);

// ---------------------------------------------------------------------------------------
// Pixels. A surface is a bitmap's memory or a caller's DIB buffer; a pixel travels as
// 0xAARRGGBB (bytes B, G, R, A in memory).
// ---------------------------------------------------------------------------------------

struct GdiSurface {
  uint8_t *bits;
  int width;
  int height;
  int stride;
  int bitsPerPixel;
  bool bottomUp;
  const RGBQUAD *palette; // two entries, for 1 bit per pixel
};

GdiSurface GdiSurfaceOf(GdiBitmap *bitmap);
// Row y of the picture (0 = top) whatever the memory order.
uint8_t *GdiSurfaceRow(const GdiSurface &surface, int y);
// 24-bit and palette pixels read with alpha 0, as GDI does.
uint32_t GdiReadPixel(const GdiSurface &surface, const uint8_t *row, int x);
// A colour becomes one bit as BitBlt makes it: set for the background colour (white)
// only.
void GdiWritePixel(const GdiSurface &surface, uint8_t *row, int x, uint32_t pixel);
// Bytes per DWORD-aligned row of a DIB.
inline int GdiDibStride(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }
