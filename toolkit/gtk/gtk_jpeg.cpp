// JPEG decoding with libjpeg from a buffer in memory.
#include "gtk_decode.h"

#include <climits>
#include <cstdio>
#include <csetjmp>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// The error manager comes first so that libjpeg's pointer to it is also ours.
struct JpegJob {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  long memoryCap; // what libjpeg may take for this picture
  char message[JMSG_LENGTH_MAX + 32];
};

// Room for libjpeg's tables and its own records, beside the per-component figures below.
constexpr int64_t DecoderMemoryMargin = int64_t{16} << 20;

// What libjpeg needs at most for a valid picture of the size and sampling the header
// declares, so that a picture the size limit allows always decodes, and no more. The most
// is taken by a progressive picture (or one in several scans): every component's
// coefficients for the whole picture, 64 of 2 bytes for each 8 x 8 block, a component
// counted in its own blocks (fewer where it is subsampled), rounded up to whole units of
// its sampling as libjpeg lays them out. Each component also has a few bands of rows in
// the output passes, which grow with the width.
long DecoderMemoryFor(const jpeg_decompress_struct &info) {
  int64_t bytes = DecoderMemoryMargin;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info &component = info.comp_info[c];
    const int64_t across =
        (component.width_in_blocks + component.h_samp_factor - 1) / component.h_samp_factor * component.h_samp_factor;
    const int64_t down =
        (component.height_in_blocks + component.v_samp_factor - 1) / component.v_samp_factor * component.v_samp_factor;
    bytes += across * down * static_cast<int64_t>(sizeof(JBLOCK));
    bytes += across * DCTSIZE * (4 * component.v_samp_factor * DCTSIZE) * static_cast<int64_t>(sizeof(JSAMPLE));
  }
  return bytes > LONG_MAX ? LONG_MAX : static_cast<long>(bytes);
}

[[noreturn]] void OnError(j_common_ptr info) {
  JpegJob *job = reinterpret_cast<JpegJob *>(info->err);
  int code = info->err->msg_code;
  if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) {
    std::snprintf(job->message, sizeof job->message, "too large: decoding it would take more than %ld MiB",
                  job->memoryCap >> 20);
  } else {
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    bool cutOff = code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER;
    std::snprintf(job->message, sizeof job->message, "%s: %s", cutOff ? "cut off" : "damaged", text);
  }
  std::longjmp(job->jump, 1);
}

// libjpeg only warns when the data ends early, at the end of the file or at a marker in
// the middle of a scan, and fills the rest of the picture with grey; a cut-off file must
// fail instead. Other warnings (stray bytes between markers) leave the picture usable and
// are ignored.
void OnMessage(j_common_ptr info, int level) {
  int code = info->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) OnError(info);
}

// One channel of ink over paper: c and k as stored, 255 meaning no ink when inverted.
inline uint8_t InkToLight(unsigned c, unsigned k, bool inverted) {
  if (!inverted) {
    c = 255 - c;
    k = 255 - k;
  }
  return static_cast<uint8_t>((c * k + 127) / 255);
}

// CMYK rows to B, G, R. Adobe's files (those with its marker, YCCK ones included) store
// the channels inverted; others store ink.
void CmykRowToBgr(const uint8_t *cmyk, uint8_t *bgr, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    bgr[0] = InkToLight(cmyk[2], cmyk[3], inverted);
    bgr[1] = InkToLight(cmyk[1], cmyk[3], inverted);
    bgr[2] = InkToLight(cmyk[0], cmyk[3], inverted);
  }
}

bool Decode(jpeg_decompress_struct *info, JpegJob *job, const uint8_t *data, size_t size, TkDecodedPicture *picture,
            std::vector<uint8_t> *cmykRow) {
  if (setjmp(job->jump)) return false;
  jpeg_create_decompress(info);
  // Until the header is read, no more than the margin.
  job->memoryCap = static_cast<long>(DecoderMemoryMargin);
  info->mem->max_memory_to_use = job->memoryCap;
  jpeg_mem_src(info, data, static_cast<unsigned long>(size));
  jpeg_read_header(info, TRUE);
  // The size is checked before jpeg_start_decompress takes the picture's buffers.
  if (static_cast<int64_t>(info->image_width) * info->image_height > TkMaxImagePixels) {
    std::snprintf(job->message, sizeof job->message, "too large: %u x %u pixels", info->image_width,
                  info->image_height);
    return false;
  }
  job->memoryCap = DecoderMemoryFor(*info);
  info->mem->max_memory_to_use = job->memoryCap;
  bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(info);
  if (info->output_components != (cmyk ? 4 : 3)) {
    std::snprintf(job->message, sizeof job->message, "damaged: unexpected channel count %d", info->output_components);
    return false;
  }
  if (!TkAllocatePicture(picture, static_cast<int>(info->output_width), static_cast<int>(info->output_height), false)) {
    std::snprintf(job->message, sizeof job->message, "too large: no memory for %u x %u pixels", info->output_width,
                  info->output_height);
    return false;
  }
  if (cmyk) cmykRow->resize(static_cast<size_t>(info->output_width) * 4);
  while (info->output_scanline < info->output_height) {
    uint8_t *row = TkPictureRow(*picture, static_cast<int>(info->output_scanline));
    JSAMPROW into = cmyk ? cmykRow->data() : row;
    if (jpeg_read_scanlines(info, &into, 1) != 1) {
      std::snprintf(job->message, sizeof job->message, "cut off");
      return false;
    }
    if (cmyk) CmykRowToBgr(cmykRow->data(), row, info->output_width, info->saw_Adobe_marker);
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
  std::vector<uint8_t> cmykRow;
  bool ok = Decode(&info, &job, data, size, picture, &cmykRow);
  jpeg_destroy_decompress(&info);
  if (!ok) {
    *error = job.message;
    TkDiscardPicture(picture);
  }
  return ok;
}
