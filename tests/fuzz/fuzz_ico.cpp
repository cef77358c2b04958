// libFuzzer target for the .ico reader (directory, BMP/DIB entries, PNG entries, scaling).
// Not part of the CTest run. Build and run from the repository root, seeded with the
// files that test_platform_icons writes into its build folder:
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
//     -Iplatform/include -Iplatform/src tests/fuzz/fuzz_ico.cpp \
//     platform/src/commctrl/icons_*.cpp platform/src/gdi/*.cpp platform/src/kernel/*.cpp \
//     $(pkg-config --cflags --libs libpng) \
//     -o build/fuzz_ico
//   mkdir -p build/fuzz_ico_corpus && cp build/default/icon_files/*.ico build/fuzz_ico_corpus/
//   build/fuzz_ico build/fuzz_ico_corpus -max_total_time=60
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
