// Whole-file reading for the image decoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file; false when it cannot be opened or read.
bool TkReadWholeFile(const std::string &fileName, std::vector<uint8_t> *contents);
