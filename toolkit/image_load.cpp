// Loading toolkit images from PNG and JPEG files through the port's decoder.
#include "image_internal.h"
#include "port.h"

#include <cstdio>
#include <cstring>

namespace {

// Fills a fresh DIB section from decoded rows: the decoded bytes are already in the DIB's
// order, so each row is one copy into its place in the bottom-up bitmap.
bool PictureToImage(const TkDecodedPicture &picture, TkImage *image) {
  if (!TkMakeImageBitmap(picture.width, picture.height, picture.hasAlpha ? 32 : 24, image))
    return false;
  size_t rowBytes = static_cast<size_t>(picture.width) * (picture.hasAlpha ? 4 : 3);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(TkImageRow(*image, y), picture.pixels.data() + rowBytes * y, rowBytes);
  return true;
}

void ReportFailure(const std::string &fileName, const std::string &reason) {
  std::fprintf(stderr, "Cannot load image \"%s\": %s\n", fileName.c_str(), reason.c_str());
}

} // namespace

// Both decoders are always built in; registering them is kept for the callers' start-up.
void TkUsePNGDecoder() {}
void TkUseJPEGDecoder() {}

int64_t TkLoadImage(int64_t number, const std::string &fileName) {
  if (number < 0 && number != TK_ANY)
    return 0;
  TkDecodedPicture picture;
  std::string reason;
  if (!TkDecodePictureFile(fileName, &picture, &reason)) {
    ReportFailure(fileName, reason);
    return 0;
  }
  TkImage image;
  if (!PictureToImage(picture, &image)) {
    ReportFailure(fileName, "cannot create the bitmap");
    return 0;
  }
  return TkStoreImage(number, image);
}
