// Writing the benchmark's last frame as a PNG file: libpng on Linux, WIC's PNG encoder on
// Windows (the build picks the file).
//
// A file the benchmark did not make is never lost: the picture goes into a new file in the
// target's folder, which replaces the target only once it is whole; when anything fails,
// only that new file is removed. A target that is not a plain file (a device, a pipe) is
// written in place and never replaced, and a file without write permission is left alone.
#pragma once

#include <cstdint>
#include <string>

// Writes width x height premultiplied BGRA pixels, rows top first, as an opaque RGB(A)
// PNG: the presented frame lies over opaque black, so its alpha is written as 255. On
// failure returns false with the reason in the system's words ("No space left on device").
bool WriteFramePng(const std::string &file, const uint32_t *pixels, int width, int height, std::string *reason);
