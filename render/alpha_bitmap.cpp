// CreateAlphaBitmap: any loaded picture into an upright 32-bit bitmap with real alpha.
#include "render_internal.h"

#include "picture_read.h"

namespace {

// One output pixel from the stored channels and alpha, converted by mode.
uint32_t ConvertPixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a, int8_t mode) {
  if (mode == 1) {
    r = r * a / 255;
    g = g * a / 255;
    b = b * a / 255;
  } else if (mode == -1) {
    if (a > 0) {
      // Channels above their alpha are not valid premultiplied input; saturate them.
      r = (r * 255 + a / 2) / a;
      g = (g * 255 + a / 2) / a;
      b = (b * 255 + a / 2) / a;
      if (r > 255) r = 255;
      if (g > 255) g = 255;
      if (b > 255) b = 255;
    } else {
      r = g = b = 255;
    }
  }
  return TkRGBA(r, g, b, a);
}

} // namespace

HBITMAP CreateAlphaBitmap(HANDLE handle, int8_t mode) {
  PictureSource picture;
  if (!OpenPicture(handle, &picture)) return nullptr;
  HBITMAP result = nullptr;
  int32_t width = picture.width;
  int32_t height = picture.height;
  // Depths other than 24 and 32 are read as 24 bits: GetDIBits converts them, and such
  // pictures carry no alpha of their own.
  int32_t bits = picture.bitsPerPixel == 32 ? 32 : 24;

  BmpBuffer colours;
  BmpBuffer mask;
  bool hasMask = false;
  int64_t image = 0;
  if (width >= 1 && height >= 1 && ReadBitmapAsBmp(picture.colour, width, height, bits, &colours)) {
    hasMask = picture.iconMask && ReadIconMask(picture.iconMask, width, height, &mask);
    image = TkCreateImage(TK_ANY, width, height, 32);
    if (image && TkStartDrawing(image)) {
      TkDrawingMode(TK_DRAW_ALL_CHANNELS);
      int32_t bytesPerPixel = bits / 8;
      for (int32_t y = 0; y < height; y++) {
        const uint8_t *p = colours.pixels + static_cast<int64_t>(y) * colours.rowBytes;
        const uint8_t *m = hasMask ? mask.pixels + static_cast<int64_t>(y) * mask.rowBytes : nullptr;
        for (int32_t x = 0; x < width; x++) {
          uint32_t a;
          if (bits == 32) {
            a = p[3];
          } else {
            a = hasMask ? 0 : 255;
          }
          if (a == 0 && m) a = m[0] == 0 ? 255 : 0;
          // Buffer rows run bottom-up; the picture is plotted upright.
          TkPlot(x, height - 1 - y, ConvertPixel(p[2], p[1], p[0], a, mode));
          p += bytesPerPixel;
          if (m) m += 4;
        }
      }
      TkDrawingMode(TK_DRAW_DEFAULT);
      TkStopDrawing();
      result = CopyToolkitImageToBitmap(image);
    }
    if (image) TkFreeImage(image);
    if (hasMask) FreeBmpBuffer(&mask);
    FreeBmpBuffer(&colours);
  }
  ClosePicture(&picture);
  return result;
}
