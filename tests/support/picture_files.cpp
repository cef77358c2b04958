#include "picture_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

uint32_t Crc32(const uint8_t *data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; i++) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; bit++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t> &data) {
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

void PutBigEndian(std::vector<uint8_t> *out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t> *out, const char type[5], const std::vector<uint8_t> &data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  PutBigEndian(out, Crc32(out->data() + start, out->size() - start));
}

// A zlib stream of stored deflate blocks.
std::vector<uint8_t> Stored(const std::vector<uint8_t> &raw) {
  std::vector<uint8_t> out{0x78, 0x01};
  size_t done = 0;
  do {
    size_t length = std::min<size_t>(raw.size() - done, 65535);
    out.push_back(done + length == raw.size() ? 1 : 0);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(~length));
    out.push_back(static_cast<uint8_t>(~length >> 8));
    out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(done),
               raw.begin() + static_cast<ptrdiff_t>(done + length));
    done += length;
  } while (done < raw.size());
  PutBigEndian(&out, Adler32(raw));
  return out;
}

int ChannelsOf(int colourType) {
  switch (colourType) {
  case PngRgb: return 3;
  case PngGreyAlpha: return 2;
  case PngRgba: return 4;
  default: return 1;
  }
}

} // namespace

bool WritePngFile(const std::string &file, int width, int height, int colourType, const std::vector<uint8_t> &samples,
                  const std::vector<uint8_t> &palette, const std::vector<uint8_t> &transparency) {
  size_t rowBytes = static_cast<size_t>(width) * ChannelsOf(colourType);
  if (samples.size() != rowBytes * height) return false;
  std::vector<uint8_t> header;
  PutBigEndian(&header, static_cast<uint32_t>(width));
  PutBigEndian(&header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, static_cast<uint8_t>(colourType), 0, 0, 0});
  // Every row with filter 0 (none) in front.
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; y++) {
    raw.push_back(0);
    raw.insert(raw.end(), samples.begin() + static_cast<ptrdiff_t>(rowBytes * y),
               samples.begin() + static_cast<ptrdiff_t>(rowBytes * (y + 1)));
  }
  std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(&out, "IHDR", header);
  if (!palette.empty()) PutChunk(&out, "PLTE", palette);
  if (!transparency.empty()) PutChunk(&out, "tRNS", transparency);
  PutChunk(&out, "IDAT", Stored(raw));
  PutChunk(&out, "IEND", {});
  std::ofstream stream(file, std::ios::binary);
  stream.write(reinterpret_cast<const char *>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(stream);
}

std::vector<char> ReadFileBytes(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string &file, const std::vector<char> &bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
