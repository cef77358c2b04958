// What the other Linux stand-ins (Direct2D's DC render target, WIC, the painting bridge)
// need to know about GDI's bitmaps and device contexts.
#pragma once

#include <windows.h>

// The pixels of a bitmap. Rows are `stride` bytes apart in memory; `bottomUp` says the
// first row in memory is the bottom row of the picture (a DIB with positive height).
struct GdiPixels {
  uint8_t *bits;
  int width;
  int height;
  int stride;
  int bitsPerPixel; // 1, 24 or 32
  bool bottomUp;
};

// The pixels of a live bitmap handle; false for anything else.
bool GdiGetBitmapPixels(HBITMAP bitmap, GdiPixels *pixels);
// The pixels of the bitmap currently selected into a live device context; false when the
// value is not a device context or it holds no bitmap.
bool GdiGetDcPixels(HDC dc, GdiPixels *pixels);
// Address of row y (0 = top row of the picture) whatever the orientation.
inline uint8_t *GdiRow(const GdiPixels &pixels, int y) {
  int memoryRow = pixels.bottomUp ? pixels.height - 1 - y : y;
  return pixels.bits + static_cast<ptrdiff_t>(memoryRow) * pixels.stride;
}
