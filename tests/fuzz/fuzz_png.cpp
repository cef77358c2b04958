// libFuzzer target for PNG decoding as the toolkit does it: libpng as it is, writing into
// a toolkit image's bitmap.
#include "gtk_decode.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  TkDecodedPicture picture;
  std::string error;
  if (TkIsPngData(data, size) && TkDecodePng(data, size, &picture, &error)) TkDiscardPicture(&picture);
  return 0;
}
