// Toolkit images: the record behind an image number, shared by the store, the decoders,
// the resize and the drawing output. Used by the GUI thread only.
#pragma once

#include "toolkit.h"

#include <string>
#include <vector>

// One image: a bottom-up DIB section whose pixels the toolkit reads and writes in place.
struct TkImage {
  HBITMAP bitmap;
  uint8_t *bits; // owned by the bitmap
  int width;
  int height;
  int depth;  // 24 (B, G, R) or 32 (B, G, R, A with straight alpha)
  int stride; // bytes per row, a multiple of 4
};

// Row y of the picture, counted from the top.
inline uint8_t *TkImageRow(const TkImage &image, int y) {
  return image.bits + static_cast<ptrdiff_t>(image.height - 1 - y) * image.stride;
}

// Makes a zero-filled DIB section; false when the size or depth is unusable.
bool TkMakeImageBitmap(int width, int height, int depth, TkImage *image);
// The live image of that number, or null.
TkImage *TkFindImage(int64_t number);
// Files the image under the number (TK_ANY picks one), replacing and freeing whatever was
// there; returns the number. On failure frees the image's bitmap and returns 0.
int64_t TkStoreImage(int64_t number, const TkImage &image);

// The drawing output's device context when it is drawing on that image, else null. A
// new bitmap for the image must be selected into it before the old one is deleted.
HDC TkDrawingDcOf(int64_t number);
