// JPEG files through libjpeg, with no chroma subsampling.
#include "picture_files.h"

#include <algorithm>
#include <cstdio>

#include <jpeglib.h>

namespace {

// Writes the picture row by row: row(y, rgb) fills width * 3 bytes of row y.
bool WriteJpeg(const std::string &file, int width, int height, bool progressive,
               const std::function<void(int y, uint8_t *rgb)> &row) {
  FILE *out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  if (progressive)
    jpeg_simple_progression(&info);
  else
    jpeg_set_quality(&info, 100, TRUE);
  for (int c = 0; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3);
  while (info.next_scanline < info.image_height) {
    row(static_cast<int>(info.next_scanline), rgb.data());
    JSAMPROW pointer = rgb.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(out) == 0;
}

} // namespace

bool WriteJpegFile(const std::string &file, int width, int height, const std::vector<uint8_t> &rgb) {
  return WriteJpeg(file, width, height, false, [&](int y, uint8_t *out) {
    std::copy_n(rgb.data() + static_cast<size_t>(y) * width * 3, static_cast<size_t>(width) * 3, out);
  });
}

bool WriteProgressiveJpegFile(const std::string &file, int width, int height,
                              const std::function<void(int y, uint8_t *rgb)> &row) {
  return WriteJpeg(file, width, height, true, row);
}
