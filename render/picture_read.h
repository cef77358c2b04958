// Reading the pixels of pictures handed in as GDI bitmaps or icons: shared by the alpha
// conversion, the margin search and the colour effects.
#pragma once

#include <windows.h>

#include "toolkit.h"

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

// The frame of the alpha conversion and the colour effects: reads the picture and plots
// every pixel, upright, into a new 32-bit toolkit image written with all four channels.
// rgba(r, g, b, a) gives the value to plot, where a is the pixel's alpha as pictures carry
// it: its own for 32 bits, opaque for 24 bits, and for an icon pixel whose alpha is 0 the
// icon's mask decides. Returns the image number (the caller frees it), or 0.
template <typename PixelToRgba> int64_t PlotPictureUpright(const PictureSource &picture, PixelToRgba rgba) {
  int32_t width = picture.width;
  int32_t height = picture.height;
  // Depths other than 24 and 32 are read as 24 bits: GetDIBits converts them, and such
  // pictures carry no alpha of their own.
  int32_t bits = picture.bitsPerPixel == 32 ? 32 : 24;
  BmpBuffer colours;
  if (width < 1 || height < 1 || !ReadBitmapAsBmp(picture.colour, width, height, bits, &colours)) return 0;
  BmpBuffer mask;
  bool hasMask = picture.iconMask && ReadIconMask(picture.iconMask, width, height, &mask);
  int64_t image = TkCreateImage(TK_ANY, width, height, 32);
  if (image && TkStartDrawing(image)) {
    TkDrawingMode(TK_DRAW_ALL_CHANNELS);
    int32_t bytesPerPixel = bits / 8;
    for (int32_t y = 0; y < height; y++) {
      const uint8_t *p = colours.pixels + static_cast<int64_t>(y) * colours.rowBytes;
      const uint8_t *m = hasMask ? mask.pixels + static_cast<int64_t>(y) * mask.rowBytes : nullptr;
      for (int32_t x = 0; x < width; x++) {
        // A 24-bit icon takes its transparency from the mask, as a 32-bit one without
        // alpha does; a plain 24-bit bitmap is opaque.
        uint32_t a = bits == 32 ? p[3] : m ? 0 : 255;
        if (a == 0 && m) a = m[0] == 0 ? 255 : 0;
        // Buffer rows run bottom-up; the picture is plotted upright.
        TkPlot(x, height - 1 - y, rgba(p[2], p[1], p[0], a));
        p += bytesPerPixel;
        if (m) m += 4;
      }
    }
    TkDrawingMode(TK_DRAW_DEFAULT);
    TkStopDrawing();
  } else if (image) {
    TkFreeImage(image);
    image = 0;
  }
  if (hasMask) FreeBmpBuffer(&mask);
  FreeBmpBuffer(&colours);
  return image;
}
