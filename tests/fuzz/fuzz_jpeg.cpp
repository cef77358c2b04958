// libFuzzer target for JPEG decoding as the toolkit does it: libjpeg as it is, with the
// toolkit's size and memory limits, CMYK conversion and cut-off checks, writing into a
// toolkit image's bitmap.
#include "gtk_decode.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  TkDecodedPicture picture;
  std::string error;
  if (TkIsJpegData(data, size) && TkDecodeJpeg(data, size, &picture, &error)) TkDiscardPicture(&picture);
  return 0;
}
