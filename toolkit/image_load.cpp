// Loading toolkit images from PNG and JPEG files.
#include "files.h"
#include "image_internal.h"

#include <cstdio>

namespace {

// Fills a fresh DIB section from decoded R, G, B(, A) rows.
bool PictureToImage(const TkDecodedPicture &picture, TkImage *image) {
  int depth = picture.hasAlpha ? 32 : 24;
  if (!TkMakeImageBitmap(picture.width, picture.height, depth, image))
    return false;
  int channels = picture.hasAlpha ? 4 : 3;
  const uint8_t *in = picture.pixels.data();
  for (int y = 0; y < picture.height; ++y) {
    uint8_t *out = TkImageRow(*image, y);
    for (int x = 0; x < picture.width; ++x, in += channels, out += channels) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      if (channels == 4)
        out[3] = in[3];
    }
  }
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
  std::vector<uint8_t> contents;
  if (!TkReadWholeFile(fileName, &contents)) {
    ReportFailure(fileName, "cannot read the file");
    return 0;
  }
  TkDecodedPicture picture;
  std::string reason;
  bool decoded = false;
  if (TkIsPngData(contents.data(), contents.size()))
    decoded = TkDecodePng(contents.data(), contents.size(), &picture, &reason);
  else if (TkIsJpegData(contents.data(), contents.size()))
    decoded = TkDecodeJpeg(contents.data(), contents.size(), &picture, &reason);
  else
    reason = "neither PNG nor JPEG";
  if (!decoded) {
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
