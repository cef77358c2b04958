// DIB sections for tests: making them from bytes, drawing into them through a memory
// device context, and reading any GDI bitmap back through GetDIBits, the way Windows
// programs see pixels. Shared by the tests of the toolkit, the backend and the Render API.
#pragma once

#include <windows.h>
#include <d2d1.h>

#include <cstdint>
#include <ostream>
#include <vector>

// One stored pixel, channels as 8-bit numbers.
struct Bgra {
  int b, g, r, a;
  bool operator==(const Bgra &other) const = default;
};
void PrintTo(const Bgra &pixel, std::ostream *out);

// A top-down 32-bit DIB section selected into a memory device context.
struct TestDib {
  HBITMAP bitmap;
  HDC dc;
  HGDIOBJ previous;
  uint32_t *pixels; // 0xAARRGGBB values, rows top first
  int width;
  int height;
};

// Every pixel set to fill.
TestDib MakeTestDib(int width, int height, uint32_t fill);
void FreeTestDib(TestDib *dib);

// The header of a DIB of the given depth; a negative height makes its rows top-down.
BITMAPINFO DibHeader(int width, int height, int bits);
// An empty DIB section of the given depth; a negative height makes its rows top-down, as
// in a BITMAPINFOHEADER. *pixels, when given, receives its memory.
HBITMAP MakeDibSection(int width, int height, int bits, uint8_t **pixels = nullptr);
// A DIB section of the given depth from top-down rows of B, G, R (, A) bytes, packed.
HBITMAP MakeBitmap(int width, int height, int bits, const std::vector<uint8_t> &topDown);
// A 32-bit reading of a bitmap's pixels, top row first; empty when it cannot be read.
std::vector<Bgra> ReadBitmap(HANDLE bitmap, int width, int height);
// Bits per pixel of a GDI bitmap, 0 for anything else.
int BitmapDepth(HANDLE bitmap);

// A Direct2D bitmap target's pixels as memory holds them (premultiplied, 0xAARRGGBB), read
// through a DIB section: the DC target is bound to it, cleared to transparent and the
// bitmap drawn 1:1 at full opacity, which keeps every pixel as it is.
std::vector<uint32_t> ReadTargetPixels(ID2D1DCRenderTarget *dcTarget, ID2D1BitmapRenderTarget *target, int width,
                                       int height);
