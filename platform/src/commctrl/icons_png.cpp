// PNG entries of .ico files, decoded from memory with libpng.
#include "commctrl_internal.h"

#include <png.h>

#include <cstdlib>

namespace {

constexpr png_uint_32 MaximumPngSide = 4096;

struct PngSource {
  const uint8_t *data;
  size_t size;
  size_t position;
  // Owned by the decoder until it succeeds; freed on the error path too.
  uint8_t *pixels;
  png_bytep *rows;
  png_uint_32 width;
  png_uint_32 height;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  PngSource *source = static_cast<PngSource *>(png_get_io_ptr(png));
  if (length > source->size - source->position) png_error(png, "truncated PNG");
  std::memcpy(out, source->data + source->position, length);
  source->position += length;
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Decodes into source->pixels as BGRA rows. Only plain data lives in this frame, since a
// libpng error leaves it by longjmp.
bool DecodeToBgra(PngSource *source) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(source->rows);
    std::free(source->pixels);
    source->rows = nullptr;
    source->pixels = nullptr;
    return false;
  }
  png_set_user_limits(png, MaximumPngSide, MaximumPngSide);
  png_set_read_fn(png, source, ReadFromMemory);
  // Ancillary chunks other than the transparency are skipped unread: libpng would read
  // each one it knows into a buffer as long as the chunk claims, up to 2 GB.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(png, info);
  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  int colorType = png_get_color_type(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "unexpected row size");
  source->pixels = static_cast<uint8_t *>(std::malloc(size_t(width) * height * 4));
  source->rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * height));
  if (!source->pixels || !source->rows) png_error(png, "out of memory");
  for (png_uint_32 y = 0; y < height; ++y) source->rows[y] = source->pixels + size_t(y) * width * 4;
  png_read_image(png, source->rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  source->width = width;
  source->height = height;
  return true;
}

} // namespace

bool IconDecodePng(const uint8_t *data, size_t size, IconImage *image) {
  PngSource source{data, size, 0, nullptr, nullptr, 0, 0};
  if (!DecodeToBgra(&source)) return false;
  image->width = static_cast<int>(source.width);
  image->height = static_cast<int>(source.height);
  size_t count = size_t(source.width) * source.height;
  image->color.resize(count);
  image->mask.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t *p = source.pixels + 4 * i;
    image->color[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    image->mask[i] = p[3] == 0;
  }
  std::free(source.rows);
  std::free(source.pixels);
  return true;
}
