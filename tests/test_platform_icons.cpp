// Icons and image lists: .ico reading (BMP and PNG entries, entry choice, scaling,
// damaged files), GetIconInfo/DestroyIcon probing and image lists.
#include <commctrl.h>
#include <windows.h>

#include "commctrl/commctrl_internal.h"
#include "memory_use.h"

#include <gtest/gtest.h>
#include <png.h>

#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

// ---------------------------------------------------------------------------------------
// Building .ico files
// ---------------------------------------------------------------------------------------

void Put16(std::vector<uint8_t> &out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t> &out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A picture given top row first: 0xAARRGGBB colours and 1 = transparent mask values.
struct Picture {
  int width, height;
  std::vector<uint32_t> color;
  std::vector<uint8_t> mask;
};

// The BMP form of an entry: header, colour rows bottom-up, AND rows bottom-up.
std::vector<uint8_t> DibEntry(const Picture &picture, int bits) {
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, uint32_t(picture.width));
  Put32(out, uint32_t(picture.height * 2));
  Put16(out, 1);
  Put16(out, uint16_t(bits));
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  int bytes = bits / 8;
  for (int y = picture.height - 1; y >= 0; --y) {
    size_t start = out.size();
    for (int x = 0; x < picture.width; ++x)
      for (int b = 0; b < bytes; ++b) out.push_back(uint8_t(picture.color[size_t(y) * picture.width + x] >> (8 * b)));
    while ((out.size() - start) % 4) out.push_back(0);
  }
  for (int y = picture.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(size_t((picture.width + 31) / 32 * 4), 0);
    for (int x = 0; x < picture.width; ++x)
      if (picture.mask[size_t(y) * picture.width + x]) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

void WritePng(png_structp png, png_bytep data, png_size_t length) {
  auto *out = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

// An RGBA PNG of the picture (straight alpha).
std::vector<uint8_t> PngEntry(const Picture &picture) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, WritePng, nullptr);
  png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.height; ++y) {
    std::vector<uint8_t> row;
    for (int x = 0; x < picture.width; ++x) {
      uint32_t c = picture.color[size_t(y) * picture.width + x];
      row.insert(row.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct Entry {
  int width, height, bits;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> IcoFile(const std::vector<Entry> &entries) {
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, uint16_t(entries.size()));
  uint32_t offset = uint32_t(6 + 16 * entries.size());
  for (const Entry &e : entries) {
    out.push_back(uint8_t(e.width & 0xFF));
    out.push_back(uint8_t(e.height & 0xFF));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, uint16_t(e.bits));
    Put32(out, uint32_t(e.data.size()));
    Put32(out, offset);
    offset += uint32_t(e.data.size());
  }
  for (const Entry &e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
  return out;
}

std::wstring WriteFile(const std::string &name, const std::vector<uint8_t> &data) {
  std::string folder = std::string(TEST_BINARY_DIR) + "/icon_files";
  mkdir(folder.c_str(), 0755);
  std::ofstream(folder + "/" + name, std::ios::binary).write(reinterpret_cast<const char *>(data.data()), data.size());
  std::string windowsName = folder + "\\" + name; // opened the Windows way
  return std::wstring(windowsName.begin(), windowsName.end());
}

// 2 x 2, top row red and green, bottom row blue and white; the top-left pixel is masked out.
Picture SmallPicture() { return Picture{2, 2, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF}, {1, 0, 0, 0}}; }

// 4 x 4, left half opaque red, right half transparent.
Picture HalfRedPicture() {
  Picture p{4, 4, {}, {}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      p.color.push_back(x < 2 ? 0xFFFF0000 : 0x00000000);
      p.mask.push_back(x < 2 ? 0 : 1);
    }
  return p;
}

// ---------------------------------------------------------------------------------------
// Reading icons back
// ---------------------------------------------------------------------------------------

struct IconPixels {
  int width = 0, height = 0;
  std::vector<uint32_t> color; // top row first
  std::vector<uint32_t> mask;  // as read into 32 bits: 0x00FFFFFF transparent, 0 opaque
};

std::vector<uint32_t> ReadTopDown32(HBITMAP bitmap, int width, int height) {
  std::vector<uint32_t> pixels(size_t(width) * height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS), height);
  DeleteDC(dc);
  return pixels;
}

IconPixels ReadIcon(HICON icon) {
  IconPixels out;
  ICONINFO info{};
  EXPECT_TRUE(GetIconInfo(icon, &info));
  if (!info.hbmColor) return out;
  BITMAP color{}, mask{};
  GetObjectW(info.hbmColor, sizeof(color), &color);
  GetObjectW(info.hbmMask, sizeof(mask), &mask);
  EXPECT_EQ(color.bmBitsPixel, 32);
  EXPECT_EQ(mask.bmBitsPixel, 1);
  EXPECT_EQ(mask.bmWidth, color.bmWidth);
  EXPECT_EQ(mask.bmHeight, color.bmHeight);
  out.width = color.bmWidth;
  out.height = color.bmHeight;
  out.color = ReadTopDown32(info.hbmColor, out.width, out.height);
  out.mask = ReadTopDown32(info.hbmMask, out.width, out.height);
  EXPECT_TRUE(DeleteObject(info.hbmColor));
  EXPECT_TRUE(DeleteObject(info.hbmMask));
  return out;
}

// ---------------------------------------------------------------------------------------
// .ico files
// ---------------------------------------------------------------------------------------

TEST(IconFiles, BmpEntryKeepsColoursAndMask) {
  std::wstring name = WriteFile("small24.ico", IcoFile({{2, 2, 24, DibEntry(SmallPicture(), 24)}}));
  HICON icon =
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  ASSERT_NE(icon, nullptr);
  IconPixels pixels = ReadIcon(icon);
  ASSERT_EQ(pixels.width, 2);
  ASSERT_EQ(pixels.height, 2);
  EXPECT_EQ(pixels.color, (std::vector<uint32_t>{0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF}));
  EXPECT_EQ(pixels.mask, (std::vector<uint32_t>{0x00FFFFFF, 0, 0, 0}));
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
}

TEST(IconFiles, PaletteEntryLooksColoursUp) {
  // 4 bits per pixel, 2 x 1: indices 1 and 2 of a three-colour palette.
  std::vector<uint8_t> dib;
  Put32(dib, 40);
  Put32(dib, 2);
  Put32(dib, 2);
  Put16(dib, 1);
  Put16(dib, 4);
  Put32(dib, 0);
  Put32(dib, 0);
  Put32(dib, 0);
  Put32(dib, 0);
  Put32(dib, 3); // colours used
  Put32(dib, 0);
  Put32(dib, 0x00000000);
  Put32(dib, 0x00112233);
  Put32(dib, 0x00445566);
  Put32(dib, 0x00000012); // one row: nibbles 1, 2
  Put32(dib, 0x00000040); // AND row: x = 1 transparent
  std::vector<uint8_t> file = IcoFile({{2, 1, 4, dib}});
  HICON icon = IcoLoad(file.data(), file.size(), 0, 0);
  ASSERT_NE(icon, nullptr);
  IconPixels pixels = ReadIcon(icon);
  EXPECT_EQ(pixels.color, (std::vector<uint32_t>{0x00112233, 0x00445566}));
  EXPECT_EQ(pixels.mask, (std::vector<uint32_t>{0, 0x00FFFFFF}));
  DestroyIcon(icon);
}

TEST(IconFiles, PngEntryKeepsStraightAlphaAndMasksClearPixels) {
  Picture picture{3, 1, {0xFFFF8000, 0x80204060, 0x00000000}, {0, 0, 1}};
  std::wstring name = WriteFile("png.ico", IcoFile({{3, 1, 32, PngEntry(picture)}}));
  HICON icon = static_cast<HICON>(LoadImageW(nullptr, name.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  ASSERT_NE(icon, nullptr);
  IconPixels pixels = ReadIcon(icon);
  EXPECT_EQ(pixels.color, picture.color);
  EXPECT_EQ(pixels.mask, (std::vector<uint32_t>{0, 0, 0x00FFFFFF}));
  DestroyIcon(icon);
}

TEST(IconFiles, NearestEntryIsChosenAndScaled) {
  std::vector<uint8_t> file =
      IcoFile({{2, 2, 24, DibEntry(SmallPicture(), 24)}, {4, 4, 32, DibEntry(HalfRedPicture(), 32)}});
  std::wstring name = WriteFile("two.ico", file);
  auto load = [&](int width, int height) {
    return static_cast<HICON>(LoadImageW(nullptr, name.c_str(), IMAGE_ICON, width, height, LR_LOADFROMFILE));
  };
  HICON icon = load(0, 0); // the largest at its own size
  EXPECT_EQ(ReadIcon(icon).width, 4);
  DestroyIcon(icon);

  icon = load(2, 2);
  EXPECT_EQ(ReadIcon(icon).color, SmallPicture().color);
  DestroyIcon(icon);

  // 4 x 4 halved: each pixel averages a 2 x 2 block, all alike.
  std::vector<uint8_t> only32 = IcoFile({{4, 4, 32, DibEntry(HalfRedPicture(), 32)}});
  icon = IcoLoad(only32.data(), only32.size(), 2, 2);
  IconPixels half = ReadIcon(icon);
  ASSERT_EQ(half.width, 2);
  EXPECT_EQ(half.color, (std::vector<uint32_t>{0xFFFF0000, 0x00000000, 0xFFFF0000, 0x00000000}));
  EXPECT_EQ(half.mask, (std::vector<uint32_t>{0, 0x00FFFFFF, 0, 0x00FFFFFF}));
  DestroyIcon(icon);

  // Doubled: every source pixel becomes a 2 x 2 block.
  std::vector<uint8_t> only24 = IcoFile({{2, 2, 24, DibEntry(SmallPicture(), 24)}});
  icon = IcoLoad(only24.data(), only24.size(), 4, 4);
  IconPixels doubled = ReadIcon(icon);
  ASSERT_EQ(doubled.width, 4);
  EXPECT_EQ(doubled.color[0], 0x00FF0000u);
  EXPECT_EQ(doubled.color[5], 0x00FF0000u);
  EXPECT_EQ(doubled.color[3], 0x0000FF00u);
  EXPECT_EQ(doubled.color[15], 0x00FFFFFFu);
  EXPECT_EQ(doubled.mask[5], 0x00FFFFFFu);
  EXPECT_EQ(doubled.mask[2], 0u);
  DestroyIcon(icon);
}

TEST(IconFiles, OtherFilesAndRequestsGiveNoIcon) {
  std::vector<uint8_t> pngFile = PngEntry(SmallPicture());
  std::wstring png = WriteFile("picture.png", pngFile);
  EXPECT_EQ(LoadImageW(nullptr, png.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
  std::wstring ico = WriteFile("again.ico", IcoFile({{2, 2, 24, DibEntry(SmallPicture(), 24)}}));
  EXPECT_EQ(LoadImageW(nullptr, ico.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(LoadImageW(nullptr, ico.c_str(), IMAGE_ICON, 0, 0, 0), nullptr); // no resources
  EXPECT_EQ(LoadImageW(nullptr, (ico + L".missing").c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
}

TEST(IconFiles, DamagedFilesNeverReadOutsideTheirBuffer) {
  std::vector<uint8_t> file = IcoFile({{2, 2, 24, DibEntry(SmallPicture(), 24)},
                                       {3, 1, 32, PngEntry(Picture{3, 1, {0xFF000000, 0xFF000000, 0}, {0, 0, 1}})}});
  // Every truncation: each copy is exactly as long as the prefix, so the sanitizer sees
  // any read past it.
  for (size_t length = 0; length < file.size(); ++length) {
    std::vector<uint8_t> prefix(file.begin(), file.begin() + long(length));
    HICON icon = IcoLoad(prefix.data(), prefix.size(), 0, 0);
    if (icon) {
      EXPECT_TRUE(DestroyIcon(icon));
    }
  }
  // Directory entries pointing outside the file, and a header claiming a huge picture.
  std::vector<uint8_t> broken = file;
  broken[6 + 12] = 0xFF;         // first entry's offset
  broken[6 + 16 + 8 + 3] = 0x7F; // second entry's size
  EXPECT_EQ(IcoLoad(broken.data(), broken.size(), 0, 0), nullptr);
  broken = file;
  size_t header = 6 + 32;
  broken[header + 4 + 2] = 0x40;                            // width 0x400000
  HICON icon = IcoLoad(broken.data(), broken.size(), 2, 2); // falls back to the PNG entry
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(ReadIcon(icon).width, 2);
  DestroyIcon(icon);
  // Corrupt every byte of the first entry's data in turn.
  for (size_t at = header; at < header + 40; ++at) {
    broken = file;
    broken[at] ^= 0xFF;
    icon = IcoLoad(broken.data(), broken.size(), 0, 0);
    if (icon) DestroyIcon(icon);
  }
}

// A PNG entry that ends in the header of a text chunk claiming 2 GB: libpng used to take
// the 2 GB, zero-filled, before it found the data missing.
TEST(IconFiles, PngEntryWithAChunkClaimingGigabytesTakesNoMemory) {
  std::vector<uint8_t> png = PngEntry(SmallPicture());
  png.resize(33); // the signature and the header chunk
  png.insert(png.end(), {0x7F, 0xFF, 0xFF, 0xFF, 't', 'E', 'X', 't'});
  std::vector<uint8_t> file = IcoFile({{2, 2, 32, png}});
  const int64_t before = PeakMemoryBytes();
  EXPECT_EQ(IcoLoad(file.data(), file.size(), 0, 0), nullptr);
  EXPECT_LT(PeakMemoryBytes() - before, int64_t{64} << 20);
}

// ---------------------------------------------------------------------------------------
// Icon handles
// ---------------------------------------------------------------------------------------

TEST(IconHandles, ForeignAndStaleValuesAreRefused) {
  int local = 7;
  ICONINFO info{};
  EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(&local), &info));
  EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(&local)));
  EXPECT_FALSE(GetIconInfo(nullptr, &info));
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(bitmap), &info)); // a bitmap is no icon
  EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(bitmap)));

  HBITMAP mask = CreateBitmap(2, 2, 1, 1, nullptr);
  ICONINFO parts{TRUE, 0, 0, mask, bitmap};
  HICON icon = CreateIconIndirect(&parts);
  ASSERT_NE(icon, nullptr);
  EXPECT_FALSE(DeleteObject(icon)); // an icon is no GDI object
  EXPECT_EQ(GetObjectW(icon, sizeof(BITMAP), &info), 0);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(GetIconInfo(icon, &info));
  EXPECT_TRUE(DeleteObject(bitmap)); // the icon kept copies
  EXPECT_TRUE(DeleteObject(mask));
}

// ---------------------------------------------------------------------------------------
// Image lists
// ---------------------------------------------------------------------------------------

HBITMAP Bitmap32(int width, int height, const std::vector<uint32_t> &topDown) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::memcpy(bits, topDown.data(), topDown.size() * 4);
  return bitmap;
}

TEST(ImageLists, AlphaOfA32BitBitmapBecomesTheMask) {
  INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  EXPECT_TRUE(InitCommonControlsEx(&init));
  HIMAGELIST list = ImageList_Create(2, 1, ILC_COLOR32 | ILC_MASK, 0, 0);
  ASSERT_NE(list, nullptr);
  // Two 2 x 1 images side by side.
  HBITMAP strip = Bitmap32(4, 1, {0xFF112233, 0x00445566, 0x80778899, 0x00000000});
  EXPECT_EQ(ImageList_Add(list, strip, nullptr), 0);
  HICON second = ImageList_GetIcon(list, 1, ILD_NORMAL);
  ASSERT_NE(second, nullptr);
  IconPixels pixels = ReadIcon(second);
  EXPECT_EQ(pixels.color, (std::vector<uint32_t>{0x80778899, 0x00000000}));
  EXPECT_EQ(pixels.mask, (std::vector<uint32_t>{0, 0x00FFFFFF}));
  HICON first = ImageList_GetIcon(list, 0, ILD_NORMAL);
  EXPECT_EQ(ReadIcon(first).mask, (std::vector<uint32_t>{0, 0x00FFFFFF}));
  EXPECT_EQ(ImageList_GetIcon(list, 2, ILD_NORMAL), nullptr);
  EXPECT_EQ(ImageList_GetIcon(list, -1, ILD_NORMAL), nullptr);
  DestroyIcon(first);
  DestroyIcon(second);

  // A 32-bit bitmap without any alpha is opaque, as is one of 24 bits.
  HBITMAP opaque = Bitmap32(2, 1, {0x00102030, 0x00405060});
  EXPECT_EQ(ImageList_Add(list, opaque, nullptr), 2);
  HICON third = ImageList_GetIcon(list, 2, ILD_NORMAL);
  EXPECT_EQ(ReadIcon(third).mask, (std::vector<uint32_t>{0, 0}));
  DestroyIcon(third);

  // An explicit mask wins.
  const uint8_t maskBits[2] = {0x80, 0};
  HBITMAP mask = CreateBitmap(2, 1, 1, 1, maskBits);
  EXPECT_EQ(ImageList_Add(list, opaque, mask), 3);
  HICON fourth = ImageList_GetIcon(list, 3, ILD_NORMAL);
  EXPECT_EQ(ReadIcon(fourth).mask, (std::vector<uint32_t>{0x00FFFFFF, 0}));
  DestroyIcon(fourth);

  int local = 0;
  EXPECT_EQ(ImageList_Add(list, reinterpret_cast<HBITMAP>(&local), nullptr), -1);
  EXPECT_EQ(ImageList_Add(reinterpret_cast<HIMAGELIST>(&local), opaque, nullptr), -1);
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Destroy(list));
  EXPECT_EQ(ImageList_GetIcon(list, 0, ILD_NORMAL), nullptr);
  DeleteObject(strip);
  DeleteObject(opaque);
  DeleteObject(mask);
}

} // namespace
