// Picture files on Linux: the whole file is read, then decoded by libpng or libjpeg as its
// first bytes say.
#include "files.h"
#include "gtk_decode.h"
#include "toolkit.h"

bool TkDecodePictureFile(const std::string &fileName, TkDecodedPicture *picture, std::string *reason) {
  std::vector<uint8_t> contents;
  if (!TkReadWholeFile(fileName, &contents)) {
    *reason = TkFileSize(fileName) > TkMaxPictureFileBytes ? "too large: a file of more than 1 GiB" : "unreadable";
    return false;
  }
  if (TkIsPngData(contents.data(), contents.size()))
    return TkDecodePng(contents.data(), contents.size(), picture, reason);
  if (TkIsJpegData(contents.data(), contents.size()))
    return TkDecodeJpeg(contents.data(), contents.size(), picture, reason);
  *reason = "not a picture: neither PNG nor JPEG";
  return false;
}
