// The frame as a PNG file through libpng's simplified writer.
#include "frame_png.h"

#include <png.h>

#include <vector>

bool WriteFramePng(const std::string &file, const uint32_t *pixels, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> opaque(pixels, pixels + static_cast<size_t>(width) * height);
  for (uint32_t &pixel : opaque) pixel |= 0xFF000000u;
  return png_image_write_to_file(&image, file.c_str(), 0, opaque.data(), 0, nullptr) != 0;
}
