// libFuzzer target for the in-memory BMP reader of icon entries: a BITMAPINFOHEADER, its
// palette, the colour rows and the AND mask, as an .ico file holds them (an entry that is a
// PNG goes to the icons' PNG reader instead).
#include <windows.h>

#include "commctrl/commctrl_internal.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  IconImage image;
  IcoDecodeEntry(data, size, IcoEntryInfo{0, 0, 0, 0, size}, &image);
  return 0;
}
