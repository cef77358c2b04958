// Icons as the icon and image-list stand-ins share them: pixels kept in the record
// (not in GDI bitmaps), so GetIconInfo always hands out fresh copies.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

// One picture with its mask, top row first.
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> color; // 0xAARRGGBB (bytes B, G, R, A), alpha straight, 0 when none
  std::vector<uint8_t> mask;   // 1 = transparent (the screen shows through), 0 = opaque
};

// Registers an icon made from the image; null for an empty image.
HICON IconCreate(IconImage image);
// Copies the colour part (any depth) and mask (set or white pixels are transparent) of
// two live bitmaps; mask may be null (all opaque). False for anything else.
bool IconImageFromBitmaps(HBITMAP color, HBITMAP mask, IconImage *image);
// True when any pixel of the image carries alpha.
bool IconImageHasAlpha(const IconImage &image);
// The image resampled to width x height by area averaging (colour weighted by alpha
// when the image has alpha; the mask by majority).
IconImage IconImageScaled(const IconImage &image, int width, int height);

// The icon entries of a .ico file in memory; never reads outside data[0, size).
struct IcoEntryInfo {
  int width;
  int height;
  int bitsPerPixel;
  size_t offset;
  size_t size;
};
std::vector<IcoEntryInfo> IcoListEntries(const uint8_t *data, size_t size);
// Decodes one entry (BMP/DIB or PNG); false when it is damaged.
bool IcoDecodeEntry(const uint8_t *data, size_t size, const IcoEntryInfo &entry, IconImage *image);
// Decodes a PNG held in memory into straight BGRA with a mask from alpha 0.
bool IconDecodePng(const uint8_t *data, size_t size, IconImage *image);
// Reads a whole .ico file and makes the icon nearest width x height at that size
// (0 x 0: the largest entry at its own size). Null when it is no icon file.
HICON IcoLoad(const uint8_t *data, size_t size, int width, int height);
