// Picture files written by the tests themselves, so that every decoder is fed bytes whose
// pixels the test knows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// PNG colour types.
constexpr int PngGrey = 0, PngRgb = 2, PngPalette = 3, PngGreyAlpha = 4, PngRgba = 6;

// Writes an 8-bit PNG of the colour type from packed rows of samples, top first. Palette
// pictures take R, G, B triples and optional transparency entries (a tRNS chunk). The
// data is stored without compression: the file is small enough and the writer short.
bool WritePngFile(const std::string &file, int width, int height, int colourType, const std::vector<uint8_t> &samples,
                  const std::vector<uint8_t> &palette = {}, const std::vector<uint8_t> &transparency = {});

// Writes a JPEG of R, G, B rows at the best quality the encoder offers, with colour at
// full resolution where it allows: libjpeg on Linux, WIC's encoder on Windows.
bool WriteJpegFile(const std::string &file, int width, int height, const std::vector<uint8_t> &rgb);

// Linux only (libjpeg): writes a progressive JPEG with colour at full resolution, asking
// for one row of R, G, B at a time, so that a picture far larger than anything the test
// keeps can be made.
bool WriteProgressiveJpegFile(const std::string &file, int width, int height,
                              const std::function<void(int y, uint8_t *rgb)> &row);

std::vector<char> ReadFileBytes(const std::string &file);
void WriteFileBytes(const std::string &file, const std::vector<char> &bytes);
