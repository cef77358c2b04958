// libFuzzer target for the .ico reader: directory, entry choice, BMP/DIB and PNG entries,
// scaling to the asked size.
#include <windows.h>

#include "commctrl/commctrl_internal.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The asked size comes from the first byte, so choice and scaling are both exercised.
  static const int sizes[4][2] = {{0, 0}, {16, 16}, {3, 5}, {48, 0}};
  const int *asked = sizes[size ? data[0] % 4 : 0];
  HICON icon = IcoLoad(data, size, asked[0], asked[1]);
  if (icon) {
    ICONINFO info{};
    if (GetIconInfo(icon, &info)) {
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
    }
    DestroyIcon(icon);
  }
  return 0;
}
