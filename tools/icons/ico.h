// The Windows icon file: several sizes of one picture. Entries below 256 pixels are
// 32-bit bitmaps with their AND mask, which every Windows version reads; the 256-pixel
// entry is a PNG, as Windows Vista and later expect for that size.
#pragma once

#include "canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace icons {

inline void Put16(std::vector<std::uint8_t> &out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Put32(std::vector<std::uint8_t> &out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// BITMAPINFOHEADER (its height counts the colour rows and the mask rows), straight BGRA
// rows bottom up, then the mask: one bit a pixel, set where the picture is clear.
inline std::vector<std::uint8_t> EncodeIconBitmap(const Picture &pic) {
  const std::size_t maskStride = (static_cast<std::size_t>(pic.width) + 31) / 32 * 4;
  std::vector<std::uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(pic.width));
  Put32(out, static_cast<std::uint32_t>(pic.height * 2));
  Put16(out, 1);  // planes
  Put16(out, 32); // bits per pixel
  Put32(out, 0);  // no compression
  Put32(out, static_cast<std::uint32_t>((pic.width * 4 + maskStride) * pic.height));
  for (int i = 0; i < 4; ++i) Put32(out, 0); // resolution and palette: none
  for (int y = pic.height - 1; y >= 0; --y) {
    for (int x = 0; x < pic.width; ++x) {
      const std::uint8_t *p = &pic.rgba[(static_cast<std::size_t>(y) * pic.width + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  for (int y = pic.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskStride, 0);
    for (int x = 0; x < pic.width; ++x) {
      if (pic.rgba[(static_cast<std::size_t>(y) * pic.width + x) * 4 + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

inline bool WriteIco(const std::string &path, const std::vector<Picture> &pictures) {
  std::vector<std::vector<std::uint8_t>> entries;
  for (const Picture &pic : pictures) entries.push_back(pic.width >= 256 ? EncodePng(pic) : EncodeIconBitmap(pic));
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1); // an icon, not a cursor
  Put16(out, static_cast<unsigned>(pictures.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    if (entries[i].empty()) return false;
    // Width and height 0 stand for 256.
    out.push_back(static_cast<std::uint8_t>(pictures[i].width & 0xFF));
    out.push_back(static_cast<std::uint8_t>(pictures[i].height & 0xFF));
    out.push_back(0); // no palette
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<std::uint32_t>(entries[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(entries[i].size());
  }
  for (const std::vector<std::uint8_t> &entry : entries) out.insert(out.end(), entry.begin(), entry.end());
  return WriteBytes(path, out);
}

} // namespace icons
