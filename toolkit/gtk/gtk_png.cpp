// PNG decoding with libpng from a buffer in memory.
#include "gtk_decode.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Everything that must survive a longjmp out of libpng lives here, reached through a
// pointer that does not change after setjmp.
struct PngJob {
  const uint8_t *data;
  size_t size;
  size_t position;
  TkDecodedPicture *picture;
  std::vector<png_bytep> rows;
  char message[200];
  bool cutOff;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  PngJob *job = static_cast<PngJob *>(png_get_io_ptr(png));
  if (length > job->size - job->position) {
    job->cutOff = true;
    png_error(png, "the file ends too early");
  }
  std::memcpy(out, job->data + job->position, length);
  job->position += length;
}

void OnError(png_structp png, png_const_charp message) {
  PngJob *job = static_cast<PngJob *>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "%s: %s", job->cutOff ? "cut off" : "damaged",
                message ? message : "decoding failed");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Reads header and pixels into job->picture; longjmps out of libpng on any error.
bool Decode(png_structp png, png_infop info, PngJob *job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, job, ReadFromMemory);
  // libpng reads each ancillary chunk it knows (text, colour profiles, ...) into a
  // zero-filled buffer as long as the chunk claims to be, up to 2 GB, before it looks at
  // the data. None of them changes the pixels as they are decoded here, so all but the
  // transparency are skipped unread.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(png, info);
  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  if (static_cast<int64_t>(width) * height > TkMaxImagePixels) {
    std::snprintf(job->message, sizeof job->message, "too large: %u x %u pixels", width, height);
    return false;
  }
  int colorType = png_get_color_type(png, info);
  bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  // Everything becomes 8-bit B, G, R and, when the picture has transparency, A.
  png_set_expand(png); // palette to RGB, small greys to 8 bits, tRNS to alpha
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  int channels = png_get_channels(png, info);
  if (channels != (hasAlpha ? 4 : 3)) {
    std::snprintf(job->message, sizeof job->message, "damaged: unexpected channel count %d", channels);
    return false;
  }
  // libpng writes every row (each pass of an interlaced picture) straight into the image.
  TkDecodedPicture *picture = job->picture;
  if (!TkAllocatePicture(picture, static_cast<int>(width), static_cast<int>(height), hasAlpha)) {
    std::snprintf(job->message, sizeof job->message, "too large: no memory for %u x %u pixels", width, height);
    return false;
  }
  job->rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) job->rows[y] = TkPictureRow(*picture, static_cast<int>(y));
  png_read_image(png, job->rows.data());
  png_read_end(png, nullptr);
  return true;
}

} // namespace

bool TkIsPngData(const uint8_t *data, size_t size) { return size >= 8 && png_sig_cmp(data, 0, 8) == 0; }

bool TkDecodePng(const uint8_t *data, size_t size, TkDecodedPicture *picture, std::string *error) {
  PngJob job{data, size, 0, picture, {}, "damaged", false};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
  if (!png) {
    *error = "too large: out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  bool ok = info && Decode(png, info, &job);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!ok) {
    *error = job.message;
    TkDiscardPicture(picture);
  }
  return ok;
}
