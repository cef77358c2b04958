// The PNG and JPEG decoders. Kept free of the Windows headers: jpeglib.h and the Windows
// headers each define their own `boolean`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Decoded pixels, rows top first, tightly packed: R, G, B (and A when hasAlpha).
struct TkDecodedPicture {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  std::vector<uint8_t> pixels;
};

// Largest picture the decoders accept, so that a lying header cannot ask for gigabytes.
constexpr int64_t kTkMaxImagePixels = int64_t{1} << 26;

// The decoders fill picture and return true, or return false with a short reason.
bool TkDecodePng(const uint8_t *data, size_t size, TkDecodedPicture *picture, std::string *error);
bool TkDecodeJpeg(const uint8_t *data, size_t size, TkDecodedPicture *picture, std::string *error);
bool TkIsPngData(const uint8_t *data, size_t size);
bool TkIsJpegData(const uint8_t *data, size_t size);
