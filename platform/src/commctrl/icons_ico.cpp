// The .ico reader: directory, BMP/DIB entries with their AND mask, entry choice and
// scaling. Every read is checked against the buffer, so a truncated or damaged file is
// refused (or the damaged entry skipped) without reading past its end.
#include "commctrl_internal.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Larger entries than this are refused; real icons are at most 256 x 256.
constexpr int MaximumEntrySide = 4096;

uint16_t Read16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Read32(const uint8_t *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool IsPng(const uint8_t *data, size_t size) {
  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return size >= 8 && std::memcmp(data, signature, 8) == 0;
}

// A BMP entry: BITMAPINFOHEADER, palette, colour rows, AND-mask rows, bottom row first;
// the header's height counts both halves.
bool DecodeDib(const uint8_t *data, size_t size, IconImage *image) {
  if (size < 40) return false;
  uint32_t headerSize = Read32(data);
  int32_t width = static_cast<int32_t>(Read32(data + 4));
  int32_t doubleHeight = static_cast<int32_t>(Read32(data + 8));
  uint16_t planes = Read16(data + 12);
  uint16_t bits = Read16(data + 14);
  uint32_t compression = Read32(data + 16);
  uint32_t colorsUsed = Read32(data + 32);
  if (headerSize < 40 || headerSize > size || planes > 1 || compression != 0) return false;
  if (width < 1 || width > MaximumEntrySide || doubleHeight < 2 || doubleHeight > 2 * MaximumEntrySide) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  int height = doubleHeight / 2;

  uint64_t paletteCount = 0;
  if (bits <= 8) {
    paletteCount = colorsUsed ? colorsUsed : (1u << bits);
    if (paletteCount > (1u << bits)) return false;
  }
  uint64_t xorStride = (uint64_t(width) * bits + 31) / 32 * 4;
  uint64_t andStride = (uint64_t(width) + 31) / 32 * 4;
  uint64_t paletteAt = headerSize;
  uint64_t xorAt = paletteAt + paletteCount * 4;
  uint64_t andAt = xorAt + xorStride * height;
  uint64_t end = andAt + andStride * height;
  if (andAt > size) return false;
  // Some 32-bit entries leave the AND mask out: their alpha says it all.
  bool hasMask = end <= size;
  if (!hasMask && bits != 32) return false;

  const uint8_t *palette = data + paletteAt;
  image->width = width;
  image->height = height;
  image->color.assign(size_t(width) * height, 0);
  image->mask.assign(size_t(width) * height, 0);
  for (int row = 0; row < height; ++row) {
    int y = height - 1 - row;
    const uint8_t *pixels = data + xorAt + xorStride * row;
    uint32_t *out = &image->color[size_t(y) * width];
    for (int x = 0; x < width; ++x) {
      switch (bits) {
      case 32: out[x] = Read32(pixels + 4 * x); break;
      case 24:
        out[x] = uint32_t(pixels[3 * x]) | uint32_t(pixels[3 * x + 1]) << 8 | uint32_t(pixels[3 * x + 2]) << 16;
        break;
      default: {
        int perByte = 8 / bits;
        int shift = 8 - bits * (x % perByte + 1);
        uint32_t index = (pixels[x / perByte] >> shift) & ((1u << bits) - 1);
        // An index beyond the palette shows black rather than reading past it.
        out[x] = index < paletteCount ? Read32(palette + 4 * index) & 0xFFFFFF : 0;
      }
      }
    }
    if (hasMask) {
      const uint8_t *maskRow = data + andAt + andStride * row;
      uint8_t *maskOut = &image->mask[size_t(y) * width];
      for (int x = 0; x < width; ++x) maskOut[x] = (maskRow[x >> 3] >> (7 - (x & 7))) & 1;
    } else {
      for (int x = 0; x < width; ++x) image->mask[size_t(y) * width + x] = (out[x] >> 24) == 0;
    }
  }
  return true;
}

} // namespace

std::vector<IcoEntryInfo> IcoListEntries(const uint8_t *data, size_t size) {
  std::vector<IcoEntryInfo> entries;
  if (!data || size < 6 || Read16(data) != 0 || Read16(data + 2) != 1) return entries;
  size_t count = Read16(data + 4);
  if (size < 6 + 16 * count) return entries;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t *p = data + 6 + 16 * i;
    IcoEntryInfo entry;
    entry.width = p[0] ? p[0] : 256;
    entry.height = p[1] ? p[1] : 256;
    entry.bitsPerPixel = Read16(p + 6);
    if (entry.bitsPerPixel == 0) {
      int colors = p[2];
      entry.bitsPerPixel = colors == 0 ? 32 : colors <= 2 ? 1 : colors <= 16 ? 4 : 8;
    }
    entry.size = Read32(p + 8);
    entry.offset = Read32(p + 12);
    if (entry.offset > size || entry.size > size - entry.offset || entry.size == 0) continue;
    entries.push_back(entry);
  }
  return entries;
}

bool IcoDecodeEntry(const uint8_t *data, size_t size, const IcoEntryInfo &entry, IconImage *image) {
  if (entry.offset > size || entry.size > size - entry.offset) return false;
  const uint8_t *slice = data + entry.offset;
  if (IsPng(slice, entry.size)) return IconDecodePng(slice, entry.size, image);
  return DecodeDib(slice, entry.size, image);
}

HICON IcoLoad(const uint8_t *data, size_t size, int width, int height) {
  std::vector<IcoEntryInfo> entries = IcoListEntries(data, size);
  if (entries.empty()) return nullptr;
  // Order of preference: nearest to the asked size (the largest when none is asked), then
  // the most colours, then the larger (shrinking looks better than enlarging), then file order.
  auto distance = [&](const IcoEntryInfo &e) -> int64_t {
    if (width == 0 && height == 0) return -int64_t(e.width) * e.height;
    return (width ? std::abs(e.width - width) : 0) + (height ? std::abs(e.height - height) : 0);
  };
  std::stable_sort(entries.begin(), entries.end(), [&](const IcoEntryInfo &a, const IcoEntryInfo &b) {
    if (distance(a) != distance(b)) return distance(a) < distance(b);
    if (a.bitsPerPixel != b.bitsPerPixel) return a.bitsPerPixel > b.bitsPerPixel;
    return int64_t(a.width) * a.height > int64_t(b.width) * b.height;
  });
  // A damaged entry gives way to the next best.
  for (const IcoEntryInfo &entry : entries) {
    IconImage image;
    if (!IcoDecodeEntry(data, size, entry, &image)) continue;
    int targetWidth = width ? width : image.width;
    int targetHeight = height ? height : image.height;
    if (targetWidth != image.width || targetHeight != image.height)
      image = IconImageScaled(image, targetWidth, targetHeight);
    return IconCreate(std::move(image));
  }
  return nullptr;
}
