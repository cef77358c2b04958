// The pixel store shared by the platform's WIC bitmaps and format converters, and the
// procedures that create them.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <vector>

// A picture in one WIC pixel format, top row first, rows `stride` bytes apart.
struct WicPixels {
  UINT width;
  UINT height;
  GUID format;
  UINT stride;
  std::vector<uint8_t> bytes;
};

// Bytes per pixel of the formats the platform knows (24bppBGR, 32bppBGR, 32bppBGRA,
// 32bppPBGRA); 0 for any other.
UINT WicBytesPerPixel(REFGUID format);

// Sizes a zeroed picture of width x height in format (which must be known), tightly
// packed; false when it would not fit the 32-bit sizes of CopyPixels or in memory.
bool WicPixelsAllocate(WicPixels *pixels, UINT width, UINT height, REFGUID format);

// CopyPixels of IWICBitmapSource over a picture: the rectangle (null: all of it) must lie
// inside the picture, stride must hold a row of it and the buffer every row.
HRESULT WicCopyPixels(const WicPixels &pixels, const WICRect *rect, UINT stride, UINT bufferSize, BYTE *buffer);

// Reads a source's pixels converted to format into *out. Converts from any known format
// to 32bppPBGRA, and copies when the formats are the same;
// WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT otherwise.
HRESULT WicReadConverted(IWICBitmapSource *source, REFGUID format, WicPixels *out);

// A new IWICBitmap over the picture, with one reference.
IWICBitmap *WicNewBitmap(WicPixels &&pixels);
// A new, uninitialised IWICFormatConverter, with one reference.
IWICFormatConverter *WicNewFormatConverter();
