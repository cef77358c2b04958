// Toolkit images: decoding PNG and JPEG files written by the test, creation, resizing,
// the drawing output and its plot modes, and the GDI view of an image's bitmap.
#include "toolkit.h"

#include "dib.h"
#include "picture_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// Test pictures
// ---------------------------------------------------------------------------------------

struct PictureFolder {
  fs::path path;
  PictureFolder() {
    path = fs::temp_directory_path() / ("tk_images_" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(path);
  }
  ~PictureFolder() { fs::remove_all(path); }
  std::string operator/(const char *name) const { return (path / name).string(); }
};

const PictureFolder &Folder() {
  static PictureFolder folder;
  return folder;
}

// A JPEG of one colour, so it decodes to within a step or two of the colour. With noise
// the colour varies from pixel to pixel, which makes the compressed scan, not the
// headers, the bulk of the file.
void WriteJpeg(const std::string &file, int width, int height, uint8_t r, uint8_t g, uint8_t b, bool noise = false) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); ++i) {
    size_t row = i / (static_cast<size_t>(width) * 3), column = i % (static_cast<size_t>(width) * 3);
    uint8_t plain = i % 3 == 0 ? r : i % 3 == 1 ? g : b;
    rgb[i] = noise ? static_cast<uint8_t>(column * 31 + row * 17 + (column * column) % 13) : plain;
  }
  ASSERT_TRUE(WriteJpegFile(file, width, height, rgb)) << file;
}

// ---------------------------------------------------------------------------------------
// Reading pixels back
// ---------------------------------------------------------------------------------------

// The pixel through the drawing output, as RGBA.
uint32_t PointOf(int64_t image, int x, int y) {
  EXPECT_NE(TkStartDrawing(image), nullptr);
  uint32_t value = TkPoint(x, y);
  TkStopDrawing();
  return value;
}

// The image's bitmap read the way the Render API reads it, through GetDIBits. Returns B,
// G, R, A of pixel (x, y from top).
std::vector<uint8_t> DibPixel(int64_t image, int x, int y) {
  int width = TkImageWidth(image);
  std::vector<Bgra> pixels = ReadBitmap(TkImageHandle(image), width, TkImageHeight(image));
  if (pixels.empty()) return {};
  const Bgra &p = pixels[static_cast<size_t>(y) * width + x];
  return {static_cast<uint8_t>(p.b), static_cast<uint8_t>(p.g), static_cast<uint8_t>(p.r), static_cast<uint8_t>(p.a)};
}

uint32_t Rgba(int r, int g, int b, int a) { return TkRGBA(r, g, b, a); }

// Fills an image through the all-channels plot, row by row from a list of RGBA values.
void Fill(int64_t image, const std::vector<uint32_t> &values) {
  TkStartDrawing(image);
  TkDrawingMode(TK_DRAW_ALL_CHANNELS);
  int width = TkImageWidth(image);
  for (size_t i = 0; i < values.size(); ++i)
    TkPlot(static_cast<int>(i % width), static_cast<int>(i / width), values[i]);
  TkStopDrawing();
}

// ---------------------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------------------

TEST(TkLoadImage, PngWithAlphaKeepsStraightAlpha) {
  std::string file = Folder() / "alpha.png";
  // 2 x 2: top row opaque red, half-transparent orange; bottom row clear green, blue.
  ASSERT_TRUE(WritePngFile(file, 2, 2, PngRgba, {255, 0, 0, 255, 255, 128, 0, 128, 0, 255, 0, 0, 0, 0, 255, 255}));
  int64_t image = TkLoadImage(TK_ANY, file);
  ASSERT_NE(image, 0);
  EXPECT_EQ(TkImageWidth(image), 2);
  EXPECT_EQ(TkImageHeight(image), 2);
  EXPECT_EQ(TkImageDepth(image), 32);
  EXPECT_EQ(PointOf(image, 0, 0), Rgba(255, 0, 0, 255));
  EXPECT_EQ(PointOf(image, 1, 0), Rgba(255, 128, 0, 128));
  EXPECT_EQ(PointOf(image, 0, 1), Rgba(0, 255, 0, 0));
  EXPECT_EQ(DibPixel(image, 1, 0), (std::vector<uint8_t>{0, 128, 255, 128}));
  EXPECT_EQ(DibPixel(image, 1, 1), (std::vector<uint8_t>{255, 0, 0, 255}));
  TkFreeImage(image);
  EXPECT_FALSE(TkIsImage(image));
}

TEST(TkLoadImage, PngWithoutAlphaIs24Bit) {
  std::string file = Folder() / "rgb.png";
  ASSERT_TRUE(WritePngFile(file, 3, 1, PngRgb, {10, 20, 30, 40, 50, 60, 70, 80, 90}));
  int64_t image = TkLoadImage(5, file);
  ASSERT_EQ(image, 5);
  EXPECT_EQ(TkImageDepth(image), 24);
  EXPECT_EQ(PointOf(image, 2, 0), Rgba(70, 80, 90, 255));
  EXPECT_EQ(DibPixel(image, 1, 0)[2], 40);
  TkFreeImage(image);
}

TEST(TkLoadImage, PaletteWithTransparencyEntryIs32Bit) {
  std::string file = Folder() / "palette.png";
  ASSERT_TRUE(WritePngFile(file, 2, 1, PngPalette, {0, 1}, {200, 100, 50, 1, 2, 3}, {64}));
  int64_t image = TkLoadImage(TK_ANY, file);
  ASSERT_NE(image, 0);
  EXPECT_EQ(TkImageDepth(image), 32);
  EXPECT_EQ(PointOf(image, 0, 0), Rgba(200, 100, 50, 64));
  EXPECT_EQ(PointOf(image, 1, 0), Rgba(1, 2, 3, 255));
  TkFreeImage(image);
}

TEST(TkLoadImage, GreyPngBecomesRgb) {
  std::string file = Folder() / "grey.png";
  ASSERT_TRUE(WritePngFile(file, 1, 1, PngGrey, {77}));
  int64_t image = TkLoadImage(TK_ANY, file);
  ASSERT_NE(image, 0);
  EXPECT_EQ(TkImageDepth(image), 24);
  EXPECT_EQ(PointOf(image, 0, 0), Rgba(77, 77, 77, 255));
  TkFreeImage(image);
}

TEST(TkLoadImage, GreyWithAlphaAndOpaquePaletteKeepTheirKind) {
  std::string greyAlpha = Folder() / "grey_alpha.png";
  ASSERT_TRUE(WritePngFile(greyAlpha, 2, 1, PngGreyAlpha, {90, 255, 200, 33}));
  int64_t image = TkLoadImage(TK_ANY, greyAlpha);
  ASSERT_NE(image, 0);
  EXPECT_EQ(TkImageDepth(image), 32);
  EXPECT_EQ(PointOf(image, 0, 0), Rgba(90, 90, 90, 255));
  EXPECT_EQ(PointOf(image, 1, 0), Rgba(200, 200, 200, 33));
  TkFreeImage(image);
  std::string palette = Folder() / "opaque_palette.png";
  ASSERT_TRUE(WritePngFile(palette, 2, 1, PngPalette, {1, 0}, {7, 8, 9, 250, 128, 6}));
  image = TkLoadImage(TK_ANY, palette);
  ASSERT_NE(image, 0);
  EXPECT_EQ(TkImageDepth(image), 24);
  EXPECT_EQ(PointOf(image, 0, 0), Rgba(250, 128, 6, 255));
  EXPECT_EQ(PointOf(image, 1, 0), Rgba(7, 8, 9, 255));
  TkFreeImage(image);
}

TEST(TkLoadImage, JpegIs24Bit) {
  std::string file = Folder() / "photo.jpg";
  WriteJpeg(file, 16, 8, 200, 100, 50);
  int64_t image = TkLoadImage(TK_ANY, file);
  ASSERT_NE(image, 0);
  EXPECT_EQ(TkImageWidth(image), 16);
  EXPECT_EQ(TkImageHeight(image), 8);
  EXPECT_EQ(TkImageDepth(image), 24);
  uint32_t pixel = PointOf(image, 7, 3);
  EXPECT_NEAR(static_cast<int>(pixel & 255), 200, 2);
  EXPECT_NEAR(static_cast<int>((pixel >> 8) & 255), 100, 2);
  EXPECT_NEAR(static_cast<int>((pixel >> 16) & 255), 50, 2);
  TkFreeImage(image);
}

// tests/data/photo.jpg has subsampled colour, like most photographs, and
// photo_libjpeg.png holds the pixels libjpeg decodes from it. Decoders round their inverse
// transforms differently and fill in the subsampled colour differently, which shows most
// at sharp colour edges: on average a channel stays within 1.5 levels of libjpeg's, and
// none is more than 32 levels off. (Wine's WIC: 0.8 on average, 27 at most.)
constexpr double JpegMeanTolerance = 1.5;
constexpr int JpegLargestTolerance = 32;

TEST(TkLoadImage, JpegDecodesAsLibjpegDoesWithinRounding) {
  // CTest runs the tests in the build folder, which holds a copy of tests/data.
  int64_t decoded = TkLoadImage(TK_ANY, "test_data\\photo.jpg");
  int64_t reference = TkLoadImage(TK_ANY, "test_data\\photo_libjpeg.png");
  ASSERT_NE(decoded, 0);
  ASSERT_NE(reference, 0);
  ASSERT_EQ(TkImageWidth(decoded), TkImageWidth(reference));
  ASSERT_EQ(TkImageHeight(decoded), TkImageHeight(reference));
  EXPECT_EQ(TkImageDepth(decoded), 24);
  int width = TkImageWidth(decoded), height = TkImageHeight(decoded);
  std::vector<Bgra> got = ReadBitmap(TkImageHandle(decoded), width, height);
  std::vector<Bgra> want = ReadBitmap(TkImageHandle(reference), width, height);
  ASSERT_EQ(got.size(), want.size());
  int largest = 0;
  double total = 0;
  for (size_t i = 0; i < got.size(); ++i)
    for (int difference :
         {std::abs(got[i].b - want[i].b), std::abs(got[i].g - want[i].g), std::abs(got[i].r - want[i].r)}) {
      largest = std::max(largest, difference);
      total += difference;
    }
  EXPECT_LE(total / (3.0 * static_cast<double>(got.size())), JpegMeanTolerance);
  EXPECT_LE(largest, JpegLargestTolerance);
  TkFreeImage(decoded);
  TkFreeImage(reference);
}

// Loading must fail with one line on standard error that names the file.
void ExpectRejected(const std::string &file) {
  testing::internal::CaptureStderr();
  int64_t image = TkLoadImage(TK_ANY, file);
  std::string error = testing::internal::GetCapturedStderr();
  EXPECT_EQ(image, 0) << file;
  EXPECT_NE(error.find(file), std::string::npos) << error;
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
}

TEST(TkLoadImage, RejectsBrokenFiles) {
  std::string png = Folder() / "whole.png";
  std::vector<uint8_t> samples(64 * 64 * 4);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(WritePngFile(png, 64, 64, PngRgba, samples));
  std::string jpeg = Folder() / "whole.jpg";
  WriteJpeg(jpeg, 64, 64, 10, 200, 30, true);
  std::vector<char> pngBytes = ReadFileBytes(png), jpegBytes = ReadFileBytes(jpeg);

  std::string cutPng = Folder() / "cut.png";
  WriteFileBytes(cutPng, std::vector<char>(pngBytes.begin(), pngBytes.begin() + pngBytes.size() / 2));
  std::string cutJpeg = Folder() / "cut.jpg";
  WriteFileBytes(cutJpeg, std::vector<char>(jpegBytes.begin(), jpegBytes.begin() + jpegBytes.size() / 2));
  std::string badPng = Folder() / "bad.png";
  std::vector<char> corrupt = pngBytes;
  for (size_t i = 40; i < corrupt.size(); i += 3) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
  WriteFileBytes(badPng, corrupt);
  std::string headerOnlyJpeg = Folder() / "header.jpg";
  WriteFileBytes(headerOnlyJpeg, {'\xFF', '\xD8', '\xFF'});
  std::string text = Folder() / "text.png";
  WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o'});

  for (const std::string &file :
       {cutPng, cutJpeg, badPng, headerOnlyJpeg, text, Folder() / "missing.png", Folder().path.string()})
    ExpectRejected(file);
}

// ---------------------------------------------------------------------------------------
// Creating, numbering, freeing
// ---------------------------------------------------------------------------------------

TEST(TkCreateImage, MakesZeroedImagesOfBothDepths) {
  int64_t deep = TkCreateImage(TK_ANY, 3, 2, 32);
  ASSERT_NE(deep, 0);
  EXPECT_EQ(TkImageDepth(deep), 32);
  EXPECT_EQ(PointOf(deep, 2, 1), 0u);
  EXPECT_EQ(DibPixel(deep, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
  int64_t flat = TkCreateImage(TK_ANY, 5, 1, 24);
  ASSERT_NE(flat, 0);
  EXPECT_NE(flat, deep);
  EXPECT_EQ(PointOf(flat, 4, 0), Rgba(0, 0, 0, 255));
  BITMAP record{};
  ASSERT_EQ(GetObjectW(TkImageHandle(flat), sizeof record, &record), static_cast<int>(sizeof record));
  EXPECT_EQ(record.bmWidth, 5);
  EXPECT_EQ(record.bmBitsPixel, 24);
  TkFreeImage(deep);
  TkFreeImage(flat);
}

TEST(TkCreateImage, RefusesUnusableSizesAndDepths) {
  EXPECT_EQ(TkCreateImage(TK_ANY, 0, 5, 32), 0);
  EXPECT_EQ(TkCreateImage(TK_ANY, 5, -1, 32), 0);
  EXPECT_EQ(TkCreateImage(TK_ANY, 5, 5, 16), 0);
  EXPECT_EQ(TkCreateImage(TK_ANY, 100000, 100000, 32), 0);
  EXPECT_EQ(TkCreateImage(-7, 5, 5, 32), 0);
}

TEST(TkCreateImage, SameNumberReplacesTheOldImage) {
  ASSERT_EQ(TkCreateImage(40, 2, 2, 32), 40);
  HBITMAP old = TkImageHandle(40);
  ASSERT_EQ(TkCreateImage(40, 7, 3, 24), 40);
  EXPECT_EQ(TkImageWidth(40), 7);
  BITMAP record;
  EXPECT_EQ(GetObjectW(old, sizeof record, &record), 0); // the old bitmap is gone
  TkFreeImage(40);
  EXPECT_EQ(TkImageWidth(40), 0);
  EXPECT_EQ(TkImageHandle(40), nullptr);
  TkFreeImage(40); // freeing twice is harmless
}

TEST(TkDetachImageHandle, HandsTheBitmapToTheCaller) {
  int64_t image = TkCreateImage(TK_ANY, 4, 4, 32);
  Fill(image, std::vector<uint32_t>(16, Rgba(1, 2, 3, 4)));
  HBITMAP bitmap = TkDetachImageHandle(image);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_FALSE(TkIsImage(image));
  BITMAP record{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof record, &record), static_cast<int>(sizeof record));
  EXPECT_EQ(record.bmBitsPixel, 32);
  EXPECT_NE(DeleteObject(bitmap), 0);
  EXPECT_EQ(TkDetachImageHandle(image), nullptr);
}

// ---------------------------------------------------------------------------------------
// Drawing output
// ---------------------------------------------------------------------------------------

TEST(TkPlot, DefaultModeBlendsSourceOver) {
  int64_t image = TkCreateImage(TK_ANY, 2, 1, 32);
  Fill(image, {Rgba(0, 0, 255, 255), Rgba(0, 0, 0, 0)});
  ASSERT_NE(TkStartDrawing(image), nullptr);
  TkPlot(0, 0, Rgba(255, 0, 0, 128));    // half red over opaque blue
  TkPlot(1, 0, Rgba(200, 100, 50, 128)); // over nothing: the colour itself
  EXPECT_EQ(TkPoint(0, 0), Rgba(128, 0, 127, 255));
  EXPECT_EQ(TkPoint(1, 0), Rgba(200, 100, 50, 128));
  TkPlot(1, 0, Rgba(9, 9, 9, 0)); // fully transparent: no change
  EXPECT_EQ(TkPoint(1, 0), Rgba(200, 100, 50, 128));
  TkStopDrawing();
  TkFreeImage(image);
}

TEST(TkPlot, AllChannelsModeWritesAlphaAsGiven) {
  int64_t image = TkCreateImage(TK_ANY, 2, 2, 32);
  Fill(image, std::vector<uint32_t>(4, Rgba(0, 0, 255, 255)));
  ASSERT_NE(TkStartDrawing(image), nullptr);
  TkDrawingMode(TK_DRAW_ALL_CHANNELS);
  TkPlot(1, 0, Rgba(10, 20, 30, 40));
  EXPECT_EQ(TkPoint(1, 0), Rgba(10, 20, 30, 40));
  TkPlot(-1, 0, Rgba(1, 1, 1, 1)); // outside: nothing
  TkPlot(0, 2, Rgba(1, 1, 1, 1));
  TkStopDrawing();
  // y counts from the top: (1, 0) is the last row of the bottom-up buffer.
  EXPECT_EQ(DibPixel(image, 1, 0), (std::vector<uint8_t>{30, 20, 10, 40}));
  EXPECT_EQ(DibPixel(image, 1, 1), (std::vector<uint8_t>{255, 0, 0, 255}));
  // A new drawing starts in the default mode again.
  TkStartDrawing(image);
  TkPlot(0, 0, Rgba(0, 255, 0, 0));
  EXPECT_EQ(TkPoint(0, 0), Rgba(0, 0, 255, 255));
  TkStopDrawing();
  TkFreeImage(image);
}

TEST(TkPlot, FlatImagesIgnoreAlpha) {
  int64_t image = TkCreateImage(TK_ANY, 1, 1, 24);
  TkStartDrawing(image);
  TkPlot(0, 0, Rgba(11, 22, 33, 0));
  EXPECT_EQ(TkPoint(0, 0), Rgba(11, 22, 33, 255));
  TkDrawingMode(TK_DRAW_ALL_CHANNELS);
  TkPlot(0, 0, Rgba(44, 55, 66, 7));
  EXPECT_EQ(TkPoint(0, 0), Rgba(44, 55, 66, 255));
  TkStopDrawing();
  TkFreeImage(image);
}

TEST(TkPlot, WithoutOutputDoesNothing) {
  TkStopDrawing();
  TkPlot(0, 0, Rgba(1, 2, 3, 4));
  EXPECT_EQ(TkPoint(0, 0), 0u);
  EXPECT_EQ(TkStartDrawing(987654), nullptr);
}

// The Render API copies an image as LoadRenderImage does: a compatible DC and bitmap of
// the image's DC, a BitBlt, then GetDIBits of the copy.
TEST(TkStartDrawing, GivesADeviceContextForGdiCopies) {
  int64_t image = TkCreateImage(TK_ANY, 3, 2, 32);
  Fill(image, {Rgba(1, 2, 3, 4), Rgba(5, 6, 7, 8), Rgba(9, 10, 11, 12), Rgba(13, 14, 15, 16), Rgba(17, 18, 19, 20),
               Rgba(21, 22, 23, 24)});
  HDC dc = TkStartDrawing(image);
  ASSERT_NE(dc, nullptr);
  HDC copyDc = CreateCompatibleDC(dc);
  HBITMAP copy = CreateCompatibleBitmap(dc, 3, 2);
  ASSERT_NE(copy, nullptr);
  HGDIOBJ old = SelectObject(copyDc, copy);
  EXPECT_NE(BitBlt(copyDc, 0, 0, 3, 2, dc, 0, 0, SRCCOPY), 0);
  SelectObject(copyDc, old);
  DeleteDC(copyDc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 3;
  info.bmiHeader.biHeight = 2;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint8_t> pixels(3 * 2 * 4);
  EXPECT_EQ(GetDIBits(dc, copy, 0, 2, pixels.data(), &info, DIB_RGB_COLORS), 2);
  TkStopDrawing();
  // Bottom-up: the buffer starts with the picture's second row.
  EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 4), (std::vector<uint8_t>{15, 14, 13, 16}));
  EXPECT_EQ(std::vector<uint8_t>(pixels.end() - 4, pixels.end()), (std::vector<uint8_t>{11, 10, 9, 12}));
  DeleteObject(copy);
  TkFreeImage(image);
}

TEST(TkStartDrawing, FreeingTheImageEndsTheDrawing) {
  int64_t image = TkCreateImage(TK_ANY, 2, 2, 32);
  HBITMAP bitmap = TkImageHandle(image);
  ASSERT_NE(TkStartDrawing(image), nullptr);
  TkFreeImage(image);
  BITMAP record;
  EXPECT_EQ(GetObjectW(bitmap, sizeof record, &record), 0);
  TkPlot(0, 0, Rgba(1, 2, 3, 4)); // no output any more: nothing happens
  EXPECT_EQ(TkPoint(0, 0), 0u);
}

// ---------------------------------------------------------------------------------------
// Resizing
// ---------------------------------------------------------------------------------------

std::vector<uint32_t> Row(int64_t image) {
  std::vector<uint32_t> values;
  TkStartDrawing(image);
  for (int x = 0; x < TkImageWidth(image); ++x) values.push_back(TkPoint(x, 0));
  TkStopDrawing();
  return values;
}

uint32_t Grey(int v) { return Rgba(v, v, v, 255); }

TEST(TkResizeImage, ShrinkingAveragesTheCoveredArea) {
  int64_t image = TkCreateImage(TK_ANY, 4, 1, 24);
  Fill(image, {Grey(0), Grey(0), Grey(255), Grey(255)});
  ASSERT_TRUE(TkResizeImage(image, 2, 1));
  EXPECT_EQ(TkImageWidth(image), 2);
  EXPECT_EQ(TkImageDepth(image), 24);
  EXPECT_EQ(Row(image), (std::vector<uint32_t>{Grey(0), Grey(255)}));
  TkFreeImage(image);
  // 3 -> 2: each new pixel covers one and a half old ones.
  image = TkCreateImage(TK_ANY, 3, 1, 24);
  Fill(image, {Grey(0), Grey(90), Grey(180)});
  ASSERT_TRUE(TkResizeImage(image, 2, 1));
  EXPECT_EQ(Row(image), (std::vector<uint32_t>{Grey(30), Grey(150)})); // (0 + 45) / 1.5, (45 + 180) / 1.5
  TkFreeImage(image);
}

TEST(TkResizeImage, EnlargingInterpolatesBetweenCentres) {
  int64_t image = TkCreateImage(TK_ANY, 2, 1, 24);
  Fill(image, {Grey(0), Grey(255)});
  ASSERT_TRUE(TkResizeImage(image, 4, 1));
  // New centres fall at -0.25, 0.25, 0.75 and 1.25 old pixels.
  EXPECT_EQ(Row(image), (std::vector<uint32_t>{Grey(0), Grey(64), Grey(191), Grey(255)}));
  TkFreeImage(image);
}

TEST(TkResizeImage, UniformImageStaysUniformInBothDirections) {
  int64_t image = TkCreateImage(TK_ANY, 37, 23, 32);
  Fill(image, std::vector<uint32_t>(37 * 23, Rgba(10, 120, 250, 200)));
  ASSERT_TRUE(TkResizeImage(image, 11, 50));
  EXPECT_EQ(TkImageWidth(image), 11);
  EXPECT_EQ(TkImageHeight(image), 50);
  EXPECT_EQ(PointOf(image, 0, 0), Rgba(10, 120, 250, 200));
  EXPECT_EQ(PointOf(image, 10, 49), Rgba(10, 120, 250, 200));
  EXPECT_EQ(PointOf(image, 5, 17), Rgba(10, 120, 250, 200));
  TkFreeImage(image);
}

TEST(TkResizeImage, TransparentPixelsDoNotBleedTheirColour) {
  int64_t image = TkCreateImage(TK_ANY, 2, 1, 32);
  Fill(image, {Rgba(255, 0, 0, 0), Rgba(0, 0, 255, 255)}); // invisible red, opaque blue
  ASSERT_TRUE(TkResizeImage(image, 1, 1));
  EXPECT_EQ(PointOf(image, 0, 0), Rgba(0, 0, 255, 128));
  TkFreeImage(image);
}

TEST(TkResizeImage, RefusesBadSizesAndKeepsTheDrawingUsable) {
  int64_t image = TkCreateImage(TK_ANY, 4, 4, 32);
  EXPECT_FALSE(TkResizeImage(image, 0, 4));
  EXPECT_FALSE(TkResizeImage(987654, 4, 4));
  EXPECT_EQ(TkImageWidth(image), 4);
  EXPECT_TRUE(TkResizeImage(image, 4, 4));
  HDC dc = TkStartDrawing(image);
  ASSERT_TRUE(TkResizeImage(image, 8, 2));
  TkDrawingMode(TK_DRAW_ALL_CHANNELS);
  TkPlot(7, 1, Rgba(1, 2, 3, 4));
  EXPECT_EQ(TkPoint(7, 1), Rgba(1, 2, 3, 4));
  // The device context now holds the new bitmap.
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), TkImageHandle(image));
  TkStopDrawing();
  TkFreeImage(image);
}

} // namespace
