// JPEG decoding with libjpeg from a buffer in memory.
#include "gtk_decode.h"

#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// The error manager comes first so that libjpeg's pointer to it is also ours.
struct JpegJob {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr info) {
  JpegJob *job = reinterpret_cast<JpegJob *>(info->err);
  info->err->format_message(info, job->message);
  std::longjmp(job->jump, 1);
}

// libjpeg only warns when the data ends early and pads the picture with grey; a cut-off
// file must fail instead. Other warnings (stray bytes between markers) leave the picture
// usable and are ignored.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
    OnError(info);
}

bool Decode(jpeg_decompress_struct *info, JpegJob *job, const uint8_t *data, size_t size,
            TkDecodedPicture *picture) {
  if (setjmp(job->jump))
    return false;
  jpeg_create_decompress(info);
  jpeg_mem_src(info, data, static_cast<unsigned long>(size));
  jpeg_read_header(info, TRUE);
  info->out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(info);
  if (info->output_components != 3 ||
      static_cast<int64_t>(info->output_width) * info->output_height > kTkMaxImagePixels) {
    std::snprintf(job->message, sizeof job->message, "unsupported picture");
    return false;
  }
  picture->width = static_cast<int>(info->output_width);
  picture->height = static_cast<int>(info->output_height);
  picture->hasAlpha = false;
  size_t rowBytes = static_cast<size_t>(info->output_width) * 3;
  picture->pixels.assign(rowBytes * info->output_height, 0);
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = picture->pixels.data() + rowBytes * info->output_scanline;
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  return true;
}

} // namespace

bool TkIsJpegData(const uint8_t *data, size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool TkDecodeJpeg(const uint8_t *data, size_t size, TkDecodedPicture *picture, std::string *error) {
  jpeg_decompress_struct info{};
  JpegJob job{};
  info.err = jpeg_std_error(&job.manager);
  job.manager.error_exit = OnError;
  job.manager.emit_message = OnMessage;
  bool ok = Decode(&info, &job, data, size, picture);
  jpeg_destroy_decompress(&info);
  if (!ok) {
    *error = job.message;
    picture->pixels.clear();
  }
  return ok;
}
