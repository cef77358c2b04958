// Whole-file reading for the image decoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Largest picture file the decoders read: anything bigger is not a picture this program shows.
constexpr int64_t TkMaxPictureFileBytes = int64_t{1} << 30;

// Reads the whole file; false when it cannot be opened or read, or is larger than
// TkMaxPictureFileBytes.
bool TkReadWholeFile(const std::string &fileName, std::vector<uint8_t> *contents);
