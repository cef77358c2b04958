// CreateAlphaBitmap: any loaded picture into an upright 32-bit bitmap with real alpha.
#include "render_internal.h"

#include "picture_read.h"

namespace {

// One output pixel from the stored channels and alpha, converted by mode.
uint32_t ConvertPixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a, int8_t mode) {
  if (mode == RENDER_ALPHA_PREMULTIPLY) {
    r = r * a / 255;
    g = g * a / 255;
    b = b * a / 255;
  } else if (mode == RENDER_ALPHA_UNPREMULTIPLY) {
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
  HBITMAP result = ConvertPictureUpright(
      picture, [mode](uint32_t r, uint32_t g, uint32_t b, uint32_t a) { return ConvertPixel(r, g, b, a, mode); });
  ClosePicture(&picture);
  return result;
}
