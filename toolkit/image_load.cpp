// Loading toolkit images from PNG and JPEG files through the port's decoder, which writes
// the pixels straight into the new image's bitmap.
#include "image_internal.h"
#include "port.h"

bool TkAllocatePicture(TkDecodedPicture *picture, int width, int height, bool hasAlpha) {
  TkDiscardPicture(picture);
  TkImage image;
  if (!TkMakeImageBitmap(width, height, hasAlpha ? 32 : 24, &image)) return false;
  picture->width = width;
  picture->height = height;
  picture->hasAlpha = hasAlpha;
  picture->top = TkImageRow(image, 0);
  picture->step = -static_cast<ptrdiff_t>(image.stride); // the bitmap is bottom-up
  picture->bitmap = image.bitmap;
  return true;
}

void TkDiscardPicture(TkDecodedPicture *picture) {
  if (picture->bitmap) DeleteObject(static_cast<HBITMAP>(picture->bitmap));
  *picture = TkDecodedPicture{};
}

void TkReportImageFailure(const std::string &fileName, const std::string &reason) {
  TkReportFailure("Cannot load image \"" + fileName + "\": " + reason);
}

// Both decoders are always built in; registering them is kept for the callers' start-up.
void TkUsePNGDecoder() {}
void TkUseJPEGDecoder() {}

int64_t TkLoadImage(int64_t number, const std::string &fileName) {
  if (number < 0 && number != TK_ANY) return 0;
  // Folders, empty files and whatever else has no bytes (a pipe would never end) are
  // refused before anything is opened.
  if (TkFileSize(fileName) < 1) {
    TkReportImageFailure(fileName, TkNoBytesReason(fileName));
    return 0;
  }
  TkDecodedPicture picture;
  std::string reason;
  if (!TkDecodePictureFile(fileName, &picture, &reason) || !picture.bitmap) {
    TkDiscardPicture(&picture);
    TkReportImageFailure(fileName, reason.empty() ? "damaged" : reason);
    return 0;
  }
  TkImage image;
  image.bitmap = static_cast<HBITMAP>(picture.bitmap);
  image.width = picture.width;
  image.height = picture.height;
  image.depth = picture.hasAlpha ? 32 : 24;
  image.stride = static_cast<int>(-picture.step);
  image.bits = picture.top + picture.step * (picture.height - 1);
  return TkStoreImage(number, image);
}
