// Writing the benchmark's last frame as a PNG file: libpng on Linux, WIC's PNG encoder on
// Windows (the build picks the file).
#pragma once

#include <cstdint>
#include <string>

// Writes width x height premultiplied BGRA pixels, rows top first, as an opaque RGB(A)
// PNG: the presented frame lies over opaque black, so its alpha is written as 255.
bool WriteFramePng(const std::string &file, const uint32_t *pixels, int width, int height);
