// The PNG and JPEG decoders of the Linux port (libpng, libjpeg), from bytes in memory.
#pragma once

#include "port.h"

#include <cstddef>

// The decoders fill picture and return true, or return false with a short reason.
bool TkDecodePng(const uint8_t *data, size_t size, TkDecodedPicture *picture, std::string *error);
bool TkDecodeJpeg(const uint8_t *data, size_t size, TkDecodedPicture *picture, std::string *error);
bool TkIsPngData(const uint8_t *data, size_t size);
bool TkIsJpegData(const uint8_t *data, size_t size);
