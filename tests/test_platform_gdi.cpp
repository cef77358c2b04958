// GDI stand-ins: bitmaps, DCs, GetObjectW, GetDIBits, BitBlt and the blends.
#include <windows.h>

#include "dib.h"
#include "gdi/gdi_pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

BITMAP BitmapInfoOf(HGDIOBJ bitmap) {
  BITMAP info{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof(info), &info), static_cast<int>(sizeof(BITMAP)));
  return info;
}

// Pixel (x, y) of a 32-bit bitmap, y from the top, as 0xAARRGGBB.
uint32_t Pixel32(HBITMAP bitmap, int x, int y) {
  GdiPixels pixels;
  EXPECT_TRUE(GdiGetBitmapPixels(bitmap, &pixels));
  EXPECT_EQ(pixels.bitsPerPixel, 32);
  uint32_t value;
  std::memcpy(&value, GdiRow(pixels, y) + 4 * x, 4);
  return value;
}

void SetPixel32(HBITMAP bitmap, int x, int y, uint32_t value) {
  GdiPixels pixels;
  ASSERT_TRUE(GdiGetBitmapPixels(bitmap, &pixels));
  std::memcpy(GdiRow(pixels, y) + 4 * x, &value, 4);
}

// A memory DC holding the bitmap; the old bitmap goes back and the DC away at scope end.
struct DcWith {
  HDC dc;
  HGDIOBJ old;
  explicit DcWith(HBITMAP bitmap) : dc(CreateCompatibleDC(nullptr)), old(SelectObject(dc, bitmap)) {}
  ~DcWith() {
    SelectObject(dc, old);
    DeleteDC(dc);
  }
};

// ---------------------------------------------------------------------------------------
// Objects and probing
// ---------------------------------------------------------------------------------------

TEST(GdiObjects, GetObjectDescribesDibSectionsAndBitmaps) {
  uint8_t *bits = nullptr;
  HBITMAP dib = MakeDibSection(3, -2, 24, &bits);
  ASSERT_NE(dib, nullptr);
  ASSERT_NE(bits, nullptr);
  BITMAP info = BitmapInfoOf(dib);
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 2);
  EXPECT_EQ(info.bmWidthBytes, 12); // 9 bytes rounded up to a DWORD
  EXPECT_EQ(info.bmBitsPixel, 24);
  EXPECT_EQ(info.bmPlanes, 1);
  EXPECT_EQ(info.bmBits, bits);
  for (int i = 0; i < 24; ++i) ASSERT_EQ(bits[i], 0) << "DIB sections start zero-filled";

  DIBSECTION section{};
  EXPECT_EQ(GetObjectW(dib, sizeof(section), &section), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(section.dsBmih.biHeight, -2); // top-down as created
  EXPECT_EQ(section.dsBmih.biSizeImage, 24u);
  EXPECT_EQ(GetObjectW(dib, 4, &info), 0); // too small a buffer

  const uint8_t initial[4] = {0xA0, 0x00, 0x50, 0x00}; // 1-bit, 3 x 2, word-aligned rows
  HBITMAP mono = CreateBitmap(3, 2, 1, 1, initial);
  info = BitmapInfoOf(mono);
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmWidthBytes, 2);
  EXPECT_EQ(info.bmBits, nullptr); // device-dependent: no address
  EXPECT_TRUE(DeleteObject(dib));
  EXPECT_TRUE(DeleteObject(mono));
}

TEST(GdiObjects, ForeignAndStaleValuesAreRefused) {
  int local = 0x12345678;
  BITMAP info{};
  EXPECT_EQ(GetObjectW(&local, sizeof(info), &info), 0);
  EXPECT_EQ(GetObjectW(nullptr, sizeof(info), &info), 0);
  EXPECT_EQ(GetObjectW(reinterpret_cast<HANDLE>(0x10001), sizeof(info), &info), 0);
  EXPECT_FALSE(DeleteObject(&local));
  EXPECT_EQ(local, 0x12345678);

  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  ASSERT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(GetObjectW(bitmap, sizeof(info), &info), 0);
  EXPECT_FALSE(DeleteObject(bitmap));

  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetObjectW(dc, sizeof(info), &info), 0); // a DC is no bitmap
  EXPECT_FALSE(DeleteObject(dc));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(&local), bitmap), nullptr);
}

TEST(GdiObjects, MemoryDcsHoldOneBitmapAtATime) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ stock = GetCurrentObject(dc, OBJ_BITMAP);
  BITMAP info = BitmapInfoOf(stock);
  EXPECT_EQ(info.bmWidth, 1);
  EXPECT_EQ(info.bmHeight, 1);
  EXPECT_EQ(info.bmBitsPixel, 1);

  HBITMAP bitmap = MakeDibSection(4, 4, 32);
  EXPECT_EQ(SelectObject(dc, bitmap), stock);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
  EXPECT_FALSE(DeleteObject(bitmap)); // still selected
  HDC other = CreateCompatibleDC(dc);
  EXPECT_EQ(SelectObject(other, bitmap), nullptr); // already in a DC
  EXPECT_EQ(SelectObject(dc, stock), bitmap);
  EXPECT_EQ(SelectObject(other, bitmap), stock);
  EXPECT_TRUE(DeleteDC(other)); // lets the bitmap go
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiObjects, CompatibleBitmapsFollowTheDc) {
  HBITMAP dib24 = MakeDibSection(2, 2, 24);
  HBITMAP dib32 = MakeDibSection(2, -2, 32);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ stock = SelectObject(dc, dib24);
  HBITMAP made = CreateCompatibleBitmap(dc, 5, 3);
  BITMAP info = BitmapInfoOf(made);
  EXPECT_EQ(info.bmBitsPixel, 24);
  EXPECT_NE(info.bmBits, nullptr); // a DIB section like the one held
  EXPECT_EQ(info.bmWidth, 5);
  EXPECT_EQ(info.bmHeight, 3);
  DeleteObject(made);

  SelectObject(dc, dib32);
  made = CreateCompatibleBitmap(dc, 5, 3);
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(made, sizeof(section), &section), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
  EXPECT_EQ(section.dsBmih.biHeight, -3);
  DeleteObject(made);

  SelectObject(dc, stock); // a fresh memory DC's bitmap is monochrome, so is its match
  made = CreateCompatibleBitmap(dc, 5, 3);
  EXPECT_EQ(BitmapInfoOf(made).bmBitsPixel, 1);
  DeleteObject(made);

  EXPECT_EQ(CreateCompatibleBitmap(nullptr, 0, 3), nullptr);
  DeleteDC(dc);
  DeleteObject(dib24);
  DeleteObject(dib32);
}

// ---------------------------------------------------------------------------------------
// GetDIBits
// ---------------------------------------------------------------------------------------

// 2 x 3 top-down 32-bit bitmap, pixel (x, y) = bytes B = 10 * y + x, G = 100 + y, R = 200 + x, A = 50 + y.
HBITMAP MakeNumberedBitmap() {
  HBITMAP bitmap = MakeDibSection(2, -3, 32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x)
      SetPixel32(bitmap, x, y,
                 uint32_t(10 * y + x) | uint32_t(100 + y) << 8 | uint32_t(200 + x) << 16 | uint32_t(50 + y) << 24);
  return bitmap;
}

TEST(GdiDibits, QueryModeDescribesTheBitmap) {
  HBITMAP bitmap = MakeNumberedBitmap();
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  EXPECT_NE(GetDIBits(dc, bitmap, 0, 3, nullptr, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(info.bmiHeader.biWidth, 2);
  EXPECT_EQ(info.bmiHeader.biHeight, 3);
  EXPECT_EQ(info.bmiHeader.biBitCount, 32);
  EXPECT_EQ(info.bmiHeader.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);
  int local = 0;
  EXPECT_EQ(GetDIBits(dc, reinterpret_cast<HBITMAP>(&local), 0, 3, nullptr, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(reinterpret_cast<HDC>(&local), bitmap, 0, 3, nullptr, &info, DIB_RGB_COLORS), 0);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

TEST(GdiDibits, BottomUp32BitPutsTheBottomRowFirst) {
  HBITMAP bitmap = MakeNumberedBitmap();
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info = DibHeader(2, 3, 32);
  uint8_t buffer[24];
  std::memset(buffer, 0xEE, sizeof(buffer));
  ASSERT_EQ(GetDIBits(dc, bitmap, 0, 3, buffer, &info, DIB_RGB_COLORS), 3);
  const uint8_t want[24] = {20, 102, 200, 52, 21, 102, 201, 52,  // bottom row (y = 2)
                            10, 101, 200, 51, 11, 101, 201, 51,  // y = 1
                            0,  100, 200, 50, 1,  100, 201, 50}; // top row
  for (int i = 0; i < 24; ++i) EXPECT_EQ(buffer[i], want[i]) << "byte " << i;

  // Scan lines 1 and 2 of a bottom-up DIB are the middle and top rows.
  std::memset(buffer, 0xEE, sizeof(buffer));
  ASSERT_EQ(GetDIBits(dc, bitmap, 1, 5, buffer, &info, DIB_RGB_COLORS), 2);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(buffer[i], want[8 + i]) << "byte " << i;
  EXPECT_EQ(buffer[16], 0xEE); // nothing written past the lines copied
  DeleteDC(dc);
  DeleteObject(bitmap);
}

TEST(GdiDibits, TopDown24BitDropsAlphaAndPadsRows) {
  HBITMAP bitmap = MakeNumberedBitmap();
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info = DibHeader(2, -3, 24);
  uint8_t buffer[24];
  std::memset(buffer, 0xEE, sizeof(buffer));
  ASSERT_EQ(GetDIBits(dc, bitmap, 0, 3, buffer, &info, DIB_RGB_COLORS), 3);
  // Rows of 6 bytes padded to 8; the pad bytes are not the pixels'.
  const uint8_t want[3][6] = {{0, 100, 200, 1, 100, 201}, {10, 101, 200, 11, 101, 201}, {20, 102, 200, 21, 102, 201}};
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 6; ++i) EXPECT_EQ(buffer[8 * y + i], want[y][i]) << "row " << y << " byte " << i;
  DeleteDC(dc);
  DeleteObject(bitmap);
}

TEST(GdiDibits, MonochromeReadsAsBlackAndWhite) {
  const uint8_t rows[4] = {0x80, 0, 0x40, 0}; // top row: x = 0 set; bottom row: x = 1 set
  HBITMAP mono = CreateBitmap(2, 2, 1, 1, rows);
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info = DibHeader(2, -2, 32);
  uint32_t buffer[4];
  ASSERT_EQ(GetDIBits(dc, mono, 0, 2, buffer, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(buffer[0], 0x00FFFFFFu);
  EXPECT_EQ(buffer[1], 0x00000000u);
  EXPECT_EQ(buffer[2], 0x00000000u);
  EXPECT_EQ(buffer[3], 0x00FFFFFFu);
  DeleteDC(dc);
  DeleteObject(mono);
}

// ---------------------------------------------------------------------------------------
// BitBlt and the blends
// ---------------------------------------------------------------------------------------

// 4 x 4 32-bit bitmap whose pixel (x, y) is 0xFF000000 | 16 * y + x + 1.
HBITMAP MakeGrid() {
  HBITMAP bitmap = MakeDibSection(4, 4, 32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) SetPixel32(bitmap, x, y, 0xFF000000u | uint32_t(16 * y + x + 1));
  return bitmap;
}

TEST(GdiBitBlt, CopiesAreClippedToBothBitmaps) {
  HBITMAP source = MakeGrid();
  HBITMAP target = MakeDibSection(4, -4, 32);
  {
    DcWith from(source), to(target);
    // Off the top and right of the target.
    EXPECT_TRUE(BitBlt(to.dc, 2, -1, 4, 4, from.dc, 0, 0, SRCCOPY));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        uint32_t want = (x >= 2 && y <= 2) ? 0xFF000000u | uint32_t(16 * (y + 1) + (x - 2) + 1) : 0;
        EXPECT_EQ(Pixel32(target, x, y), want) << x << "," << y;
      }
    // Off the bottom right of the source: one pixel remains.
    EXPECT_TRUE(BitBlt(to.dc, 0, 3, 4, 4, from.dc, 3, 3, SRCCOPY));
    EXPECT_EQ(Pixel32(target, 0, 3), 0xFF000000u | 52u);
    EXPECT_EQ(Pixel32(target, 1, 3), 0u);
    // Entirely outside: nothing to do, still a success.
    EXPECT_TRUE(BitBlt(to.dc, 10, 10, 4, 4, from.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(to.dc, 0, 0, 4, 4, from.dc, 0, 0, SRCPAINT)); // only copies
  }
  DeleteObject(source);
  DeleteObject(target);
}

TEST(GdiBitBlt, OverlappingCopyWithinOneBitmap) {
  HBITMAP grid = MakeGrid();
  {
    DcWith dc(grid);
    EXPECT_TRUE(BitBlt(dc.dc, 0, 1, 4, 3, dc.dc, 0, 0, SRCCOPY)); // one row down
  }
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(Pixel32(grid, x, 0), 0xFF000000u | uint32_t(x + 1));
    EXPECT_EQ(Pixel32(grid, x, 1), 0xFF000000u | uint32_t(x + 1));
    EXPECT_EQ(Pixel32(grid, x, 3), 0xFF000000u | uint32_t(32 + x + 1));
  }
  DeleteObject(grid);
}

TEST(GdiBitBlt, ConvertsBetweenDepths) {
  uint8_t *bits24 = nullptr;
  HBITMAP color24 = MakeDibSection(2, -1, 24, &bits24);
  const uint8_t pixels[6] = {0xFF, 0xFF, 0xFF, 0x10, 0x20, 0x30}; // white, then (R 0x30 G 0x20 B 0x10)
  std::memcpy(bits24, pixels, 6);
  HBITMAP color32 = MakeDibSection(2, -1, 32);
  SetPixel32(color32, 0, 0, 0xAABBCCDD);
  HBITMAP mono = CreateBitmap(2, 1, 1, 1, nullptr);
  {
    DcWith from(color24), to(color32), bw(mono);
    EXPECT_TRUE(BitBlt(to.dc, 0, 0, 2, 1, from.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(Pixel32(color32, 0, 0), 0x00FFFFFFu); // no alpha in 24 bits
    EXPECT_EQ(Pixel32(color32, 1, 0), 0x00302010u);
    // Colour to monochrome: the background colour (white) sets the bit.
    EXPECT_TRUE(BitBlt(bw.dc, 0, 0, 2, 1, from.dc, 0, 0, SRCCOPY));
    GdiPixels monoPixels;
    ASSERT_TRUE(GdiGetBitmapPixels(mono, &monoPixels));
    EXPECT_EQ(monoPixels.bits[0] & 0xC0, 0x80);
    // And back: set bits are white, clear ones black.
    EXPECT_TRUE(BitBlt(to.dc, 0, 0, 2, 1, bw.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(Pixel32(color32, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(Pixel32(color32, 1, 0), 0x00000000u);
  }
  DeleteObject(color24);
  DeleteObject(color32);
  DeleteObject(mono);
}

TEST(GdiBlend, AlphaBlendPremultipliedSourceOver) {
  HBITMAP source = MakeDibSection(1, 1, 32);
  HBITMAP target = MakeDibSection(2, 1, 32);
  SetPixel32(source, 0, 0, 0x80800000); // R 128, A 128, premultiplied
  SetPixel32(target, 0, 0, 0xFF646464); // grey 100, opaque
  {
    DcWith from(source), to(target);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(GdiAlphaBlend(to.dc, 0, 0, 1, 1, from.dc, 0, 0, 1, 1, blend));
    // d = s + d * (255 - 128) / 255: 100 * 127 / 255 = 49.8 -> 50; R 128 + 50; A 128 + 127.
    EXPECT_EQ(Pixel32(target, 0, 0), 0xFFB23232u);
    EXPECT_EQ(Pixel32(target, 1, 0), 0u);
    EXPECT_FALSE(GdiAlphaBlend(to.dc, 0, 0, 1, 1, from.dc, 0, 0, 2, 1, blend)); // source too small
  }
  DeleteObject(source);
  DeleteObject(target);
}

TEST(GdiBlend, TransparentBltSkipsTheKeyColour) {
  HBITMAP source = MakeDibSection(2, 1, 32);
  HBITMAP target = MakeDibSection(2, 1, 32);
  SetPixel32(source, 0, 0, 0x00FF00FF); // magenta, the key
  SetPixel32(source, 1, 0, 0x000000FF); // blue
  SetPixel32(target, 0, 0, 0x00123456);
  {
    DcWith from(source), to(target);
    EXPECT_TRUE(GdiTransparentBlt(to.dc, 0, 0, 2, 1, from.dc, 0, 0, 2, 1, RGB(255, 0, 255)));
  }
  EXPECT_EQ(Pixel32(target, 0, 0), 0x00123456u);
  EXPECT_EQ(Pixel32(target, 1, 0), 0x000000FFu);
  DeleteObject(source);
  DeleteObject(target);
}

// Stretching samples the source pixel under each destination pixel's centre. The source
// carries its column in blue and its row in green, so every destination pixel tells where
// it came from; the edge columns and rows are what a left-edge sampling gets wrong.
TEST(GdiBlend, StretchingSamplesUnderThePixelCentres) {
  using Blit = BOOL (*)(HDC to, HDC from, int width, int height, int sourceWidth, int sourceHeight);
  Blit alphaBlend = [](HDC to, HDC from, int width, int height, int sourceWidth, int sourceHeight) {
    return GdiAlphaBlend(to, 0, 0, width, height, from, 0, 0, sourceWidth, sourceHeight,
                         BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  };
  Blit transparentBlt = [](HDC to, HDC from, int width, int height, int sourceWidth, int sourceHeight) {
    return GdiTransparentBlt(to, 0, 0, width, height, from, 0, 0, sourceWidth, sourceHeight, RGB(255, 0, 255));
  };
  struct Case {
    const char *name;
    Blit blit;
    int source;                               // sides of the square source
    int target;                               // sides of the square destination
    std::vector<std::pair<int, int>> sampled; // destination column (and row), source column (and row)
  };
  // Shrinking 64 to 40 reaches the last column and row (left edges would give 0, 1, 32,
  // 60, 62); enlarging 3 to 8 gives both edge columns the same width, 3, 2, 3 (left
  // edges: 3, 3, 2).
  const std::vector<std::pair<int, int>> shrunk = {{0, 0}, {1, 2}, {20, 32}, {38, 61}, {39, 63}};
  const std::vector<std::pair<int, int>> enlarged = {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 2}};
  const Case cases[] = {
      {"AlphaBlend 64 to 40", alphaBlend, 64, 40, shrunk},
      {"TransparentBlt 64 to 40", transparentBlt, 64, 40, shrunk},
      {"AlphaBlend 3 to 8", alphaBlend, 3, 8, enlarged},
      {"TransparentBlt 3 to 8", transparentBlt, 3, 8, enlarged},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    HBITMAP source = MakeDibSection(c.source, -c.source, 32);
    HBITMAP target = MakeDibSection(c.target, -c.target, 32);
    for (int y = 0; y < c.source; y++)
      for (int x = 0; x < c.source; x++) SetPixel32(source, x, y, 0xFF000000u | uint32_t(y) << 8 | uint32_t(x));
    {
      DcWith from(source), to(target);
      ASSERT_TRUE(c.blit(to.dc, from.dc, c.target, c.target, c.source, c.source));
    }
    for (auto [to, from] : c.sampled) {
      EXPECT_EQ(Pixel32(target, to, 0) & 0xFF, uint32_t(from)) << "column " << to;
      EXPECT_EQ((Pixel32(target, 0, to) >> 8) & 0xFF, uint32_t(from)) << "row " << to;
    }
    DeleteObject(source);
    DeleteObject(target);
  }
}

TEST(GdiInternal, DcPixelsAreThoseOfTheSelectedBitmap) {
  uint8_t *bits = nullptr;
  HBITMAP dib = MakeDibSection(3, 2, 32, &bits); // bottom-up
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dib);
  GdiPixels pixels;
  ASSERT_TRUE(GdiGetDcPixels(dc, &pixels));
  EXPECT_EQ(pixels.bits, bits);
  EXPECT_EQ(pixels.width, 3);
  EXPECT_EQ(pixels.height, 2);
  EXPECT_EQ(pixels.stride, 12);
  EXPECT_TRUE(pixels.bottomUp);
  EXPECT_EQ(GdiRow(pixels, 0), bits + 12); // the top row is the last in memory
  int local = 0;
  EXPECT_FALSE(GdiGetDcPixels(reinterpret_cast<HDC>(&local), &pixels));
  EXPECT_FALSE(GdiGetBitmapPixels(reinterpret_cast<HBITMAP>(&local), &pixels));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(dib);
}

} // namespace
