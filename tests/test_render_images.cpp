// Alpha bitmaps and image objects: premultiplying and its inverse, orientation, 24-bit
// and icon pictures, loading files, the three kinds of image handle, brushes and the
// conversions to and from bitmaps, device contexts and toolkit images.
#include "test_render_fixture.h"

#include <fstream>

namespace {

// A .ico file with one 32-bit entry: the colour pixels (top-down B, G, R, A) and an AND
// mask in which the given columns are transparent (bit set).
void WriteIcon(const std::string &file, int size, const std::vector<uint8_t> &bgraTopDown, int transparentFrom) {
  std::vector<uint8_t> data;
  auto u16 = [&](int v) {
    data.push_back(static_cast<uint8_t>(v));
    data.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; i++) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  int maskRow = (size + 31) / 32 * 4;
  uint32_t bytes = 40 + size * size * 4 + maskRow * size;
  u16(0), u16(1), u16(1); // ICONDIR
  data.push_back(static_cast<uint8_t>(size)), data.push_back(static_cast<uint8_t>(size));
  data.push_back(0), data.push_back(0), u16(1), u16(32), u32(bytes), u32(6 + 16); // ICONDIRENTRY
  u32(40), u32(size), u32(size * 2), u16(1), u16(32), u32(0), u32(size * size * 4), u32(0), u32(0), u32(0), u32(0);
  for (int y = size - 1; y >= 0; y--) // bottom-up colour rows
    data.insert(data.end(), bgraTopDown.begin() + static_cast<ptrdiff_t>(y) * size * 4,
                bgraTopDown.begin() + static_cast<ptrdiff_t>(y + 1) * size * 4);
  for (int y = size - 1; y >= 0; y--) {
    std::vector<uint8_t> row(maskRow, 0);
    for (int x = transparentFrom; x < size; x++) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    data.insert(data.end(), row.begin(), row.end());
  }
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char *>(data.data()), data.size());
}

HICON LoadIconFile(const std::string &file) {
  std::wstring name(file.begin(), file.end());
  return static_cast<HICON>(LoadImageW(nullptr, name.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
}

// ---------------------------------------------------------------------------------------
// Alpha bitmaps
// ---------------------------------------------------------------------------------------

using AlphaBitmapTest = RenderTest;

TEST_F(AlphaBitmapTest, PremultiplyTruncatesEachChannelByAlpha) {
  // B, G, R, A of (R 200, G 100, B 50, A 255), (R 9, G 9, B 9, A 0), (R 255, G 255, B 255, A 1).
  HBITMAP source = MakeBitmap(3, 1, 32, {50, 100, 200, 255, 9, 9, 9, 0, 255, 255, 255, 1});
  HBITMAP result = CreateAlphaBitmap(source, 1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(BitmapDepth(result), 32);
  std::vector<Bgra> pixels = ReadBitmap(result, 3, 1);
  ASSERT_EQ(pixels.size(), 3u);
  EXPECT_EQ(pixels[0], (Bgra{50, 100, 200, 255}));
  EXPECT_EQ(pixels[1], (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(pixels[2], (Bgra{1, 1, 1, 1}));
  // The handle passed in is the caller's and still alive.
  EXPECT_EQ(BitmapDepth(source), 32);
  DeleteObject(result);
  DeleteObject(source);
}

TEST_F(AlphaBitmapTest, UnpremultiplyRoundsAndSaturates) {
  // (64, 64, 64, 128) -> (64 * 255 + 64) / 128 = 128; alpha 0 -> white; red 200 over alpha
  // 100 is not valid premultiplied input and stays at 255 instead of running past a byte.
  HBITMAP source = MakeBitmap(3, 1, 32, {64, 64, 64, 128, 1, 2, 3, 0, 0, 50, 200, 100});
  HBITMAP result = CreateAlphaBitmap(source, -1);
  ASSERT_NE(result, nullptr);
  std::vector<Bgra> pixels = ReadBitmap(result, 3, 1);
  ASSERT_EQ(pixels.size(), 3u);
  EXPECT_EQ(pixels[0], (Bgra{128, 128, 128, 128}));
  EXPECT_EQ(pixels[1], (Bgra{255, 255, 255, 0}));
  EXPECT_EQ(pixels[2], (Bgra{0, (50 * 255 + 50) / 100, 255, 100}));
  DeleteObject(result);
  DeleteObject(source);
}

TEST_F(AlphaBitmapTest, ResultIsUprightAndModeZeroKeepsChannels) {
  HBITMAP source = MakeBitmap(1, 3, 32, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120});
  HBITMAP result = CreateAlphaBitmap(source, 0);
  ASSERT_NE(result, nullptr);
  std::vector<Bgra> pixels = ReadBitmap(result, 1, 3);
  ASSERT_EQ(pixels.size(), 3u);
  EXPECT_EQ(pixels[0], (Bgra{10, 20, 30, 40}));
  EXPECT_EQ(pixels[1], (Bgra{50, 60, 70, 80}));
  EXPECT_EQ(pixels[2], (Bgra{90, 100, 110, 120}));
  DeleteObject(result);
  DeleteObject(source);
}

TEST_F(AlphaBitmapTest, TwentyFourBitBitmapComesOutOpaque) {
  // 3 pixels of 3 bytes: each row needs a byte of padding, which must not shift pixels.
  HBITMAP source = MakeBitmap(3, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
  HBITMAP result = CreateAlphaBitmap(source, 1);
  ASSERT_NE(result, nullptr);
  std::vector<Bgra> pixels = ReadBitmap(result, 3, 2);
  ASSERT_EQ(pixels.size(), 6u);
  EXPECT_EQ(pixels[0], (Bgra{1, 2, 3, 255}));
  EXPECT_EQ(pixels[2], (Bgra{7, 8, 9, 255}));
  EXPECT_EQ(pixels[3], (Bgra{10, 11, 12, 255}));
  EXPECT_EQ(pixels[5], (Bgra{16, 17, 18, 255}));
  DeleteObject(result);
  DeleteObject(source);
}

TEST_F(AlphaBitmapTest, IconWithoutAlphaTakesItFromItsMask) {
  // Alpha 0 everywhere; the mask is opaque in columns 0-1 and transparent in 2-3.
  std::vector<uint8_t> colours;
  for (int i = 0; i < 16; i++) colours.insert(colours.end(), {40, 80, 120, 0});
  WriteIcon(File("mask.ico"), 4, colours, 2);
  HICON icon = LoadIconFile(File("mask.ico"));
  ASSERT_NE(icon, nullptr);
  HBITMAP result = CreateAlphaBitmap(icon, 1);
  ASSERT_NE(result, nullptr);
  std::vector<Bgra> pixels = ReadBitmap(result, 4, 4);
  ASSERT_EQ(pixels.size(), 16u);
  for (int y = 0; y < 4; y++) {
    EXPECT_EQ(pixels[y * 4 + 0], (Bgra{40, 80, 120, 255}));
    EXPECT_EQ(pixels[y * 4 + 1], (Bgra{40, 80, 120, 255}));
    EXPECT_EQ(pixels[y * 4 + 2], (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(pixels[y * 4 + 3], (Bgra{0, 0, 0, 0}));
  }
  DeleteObject(result);
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST_F(AlphaBitmapTest, ForeignHandleGivesNothing) {
  int value = 0;
  EXPECT_EQ(CreateAlphaBitmap(nullptr, 1), nullptr);
  EXPECT_EQ(CreateAlphaBitmap(&value, 1), nullptr);
}

// ---------------------------------------------------------------------------------------
// Loading files
// ---------------------------------------------------------------------------------------

using LoadImageTest = RenderTest;

TEST_F(LoadImageTest, MissingFolderAndEmptyFilesGiveNothing) {
  std::ofstream(File("empty.png")).close();
  EXPECT_EQ(LoadRenderImage(File("missing.png"), 0, 0, 0), nullptr);
  EXPECT_EQ(LoadRenderImage(folder_.string(), 0, 0, 0), nullptr);
  EXPECT_EQ(LoadRenderImage(File("empty.png"), 0, 0, 0), nullptr);
  std::ofstream(File("junk.png")) << "not a picture";
  EXPECT_EQ(LoadRenderImage(File("junk.png"), 0, 0, 0), nullptr);
  EXPECT_EQ(TkListSize(ImageList), images_);
}

TEST_F(LoadImageTest, SizesFollowTheRequest) {
  const uint8_t grey[4] = {90, 90, 90, 255};
  WritePng(File("big.png"), 256, 256, Picture(256, 256, grey, 0, 0, 0, 0, grey));
  RenderImage *natural = LoadRenderImage(File("big.png"), 0, 0, 0);
  RenderImage *narrow = LoadRenderImage(File("big.png"), 100, 0, 0);
  RenderImage *same = LoadRenderImage(File("big.png"), 256, 256, 0);
  ASSERT_NE(natural, nullptr);
  ASSERT_NE(narrow, nullptr);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(natural->width, 256);
  EXPECT_EQ(natural->height, 256);
  EXPECT_EQ(narrow->width, 100);
  EXPECT_EQ(narrow->height, 256);
  EXPECT_EQ(Pixel(narrow, 50, 128), (Bgra{90, 90, 90, 255}));
  EXPECT_EQ(same->width, 256);
  EXPECT_EQ(TkListSize(ImageList), images_ + 3);
  FreeRenderImage(natural);
  FreeRenderImage(narrow);
  FreeRenderImage(same);
  EXPECT_EQ(TkListSize(ImageList), images_);
}

TEST_F(LoadImageTest, TransparentPixelsArePremultipliedUnlessAskedNotTo) {
  const uint8_t clear[4] = {0, 0, 0, 0};
  const uint8_t orange[4] = {255, 128, 0, 128};
  WritePng(File("half.png"), 4, 4, Picture(4, 4, clear, 1, 1, 3, 3, orange));
  RenderImage *premultiplied = LoadRenderImage(File("half.png"), 0, 0, 0);
  RenderImage *straight = LoadRenderImage(File("half.png"), 0, 0, RENDER_LOAD_STRAIGHT);
  ASSERT_NE(premultiplied, nullptr);
  ASSERT_NE(straight, nullptr);
  // 255 * 128 / 255 = 128, 128 * 128 / 255 = 64.25 -> 64.
  EXPECT_EQ(Pixel(premultiplied, 1, 1), (Bgra{0, 64, 128, 128}));
  EXPECT_EQ(Pixel(premultiplied, 0, 0), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(premultiplied->premultiplied, 1);
  EXPECT_EQ(Pixel(straight, 2, 2), (Bgra{0, 128, 255, 128}));
  EXPECT_EQ(straight->premultiplied, 0);
  FreeRenderImage(premultiplied);
  FreeRenderImage(straight);
}

TEST_F(LoadImageTest, ThroughAnIconListTheMaskKeepsTransparency) {
  if (RunningUnderWine()) GTEST_SKIP() << WineImageListMask;
  const uint8_t clear[4] = {0, 0, 0, 0};
  const uint8_t green[4] = {0, 200, 0, 255};
  WritePng(File("icon.png"), 4, 4, Picture(4, 4, clear, 0, 0, 2, 4, green));
  RenderImage *image = LoadRenderImage(File("icon.png"), 0, 0, RENDER_LOAD_THROUGH_ICON);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(Pixel(image, 0, 3), (Bgra{0, 200, 0, 255}));
  EXPECT_EQ(Pixel(image, 3, 0), (Bgra{0, 0, 0, 0}));
  FreeRenderImage(image);
}

TEST_F(LoadImageTest, IconFilesLoadWithAlphaFromTheirMask) {
  std::vector<uint8_t> colours;
  for (int i = 0; i < 16; i++) colours.insert(colours.end(), {200, 100, 50, 0});
  WriteIcon(File("file.ico"), 4, colours, 3);
  RenderImage *image = LoadRenderImage(File("file.ico"), 0, 0, 0);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 4);
  EXPECT_EQ(Pixel(image, 2, 1), (Bgra{200, 100, 50, 255}));
  EXPECT_EQ(Pixel(image, 3, 1), (Bgra{0, 0, 0, 0}));
  FreeRenderImage(image);
}

// ---------------------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------------------

using ImageHandleTest = RenderTest;

TEST_F(ImageHandleTest, SizesOfTheThreeKindsAndOfNothing) {
  RenderImage *image = CreateRenderImage(12, 7, 0);
  HBITMAP bitmap = MakeBitmap(5, 9, 32, std::vector<uint8_t>(5 * 9 * 4, 0));
  std::vector<uint8_t> colours(6 * 6 * 4, 255);
  WriteIcon(File("six.ico"), 6, colours, 6);
  HICON icon = LoadIconFile(File("six.ico"));
  ASSERT_NE(icon, nullptr);

  EXPECT_EQ(RenderImageWidth(image), 12);
  EXPECT_EQ(RenderImageHeight(image), 7);
  EXPECT_EQ(RenderImageWidth(bitmap), 5);
  EXPECT_EQ(RenderImageHeight(bitmap), 9);
  EXPECT_EQ(RenderImageWidth(icon), 6);
  EXPECT_EQ(RenderImageHeight(icon), 6);
  EXPECT_EQ(RenderImageWidth(nullptr), 0);
  int foreign[8] = {99, 99};
  EXPECT_EQ(RenderImageWidth(foreign), 0);

  EXPECT_NE(FreeRenderImage(icon), 0);
  EXPECT_NE(FreeRenderImage(bitmap), 0);
  BITMAP info{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof(BITMAP), &info), 0);
  EXPECT_EQ(FreeRenderImage(image), 0);
  EXPECT_EQ(TkListSize(ImageList), images_);
}

TEST_F(ImageHandleTest, StaleImageIsNeverReadOrFreedTwice) {
  RenderImage *first = CreateRenderImage(3, 3, 0);
  RenderImage *kept = CreateRenderImage(4, 4, 0);
  FreeRenderImage(first);
  // The stale address is not an element any more: sizes 0, freeing it does nothing.
  EXPECT_EQ(RenderImageWidth(first), 0);
  EXPECT_EQ(FreeRenderImage(first), 0);
  EXPECT_EQ(TkListSize(ImageList), images_ + 1);
  EXPECT_TRUE(TkListContains(ImageList, kept));
  FreeRenderImage(kept);
}

// ---------------------------------------------------------------------------------------
// Brushes, presentation and conversions
// ---------------------------------------------------------------------------------------

using ImageObjectTest = RenderTest;

TEST_F(ImageObjectTest, WithoutDirect2DImagesAreBookkeepingOnly) {
  RenderBackend = 0;
  RenderImage *image = CreateRenderImage(8, 6, 0);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 8);
  EXPECT_EQ(image->bitmap, nullptr);
  EXPECT_EQ(CreateRenderBrush(image), nullptr);
  EXPECT_EQ(TkListSize(BrushList), brushes_);
  EXPECT_EQ(RenderImageToBitmap(image), nullptr);
  StartRenderDrawing(image);
  EXPECT_EQ(DrawRenderImage(image, 0, 0, -1, -1, 1.0f), 0);
  DrawRenderBox(0, 0, 4, 4, 0xFF, 1.0f);
  StopRenderDrawing();
  FreeRenderImage(image);
  EXPECT_EQ(TkListSize(ImageList), images_);
}

TEST_F(ImageObjectTest, NullMainTargetMakesImagesWithoutPixels) {
  ID2D1DCRenderTarget *saved = MainRenderTarget;
  MainRenderTarget = nullptr;
  RenderImage *image = CreateRenderImage(4, 4, 0);
  EXPECT_EQ(image->bitmap, nullptr);
  EXPECT_EQ(CreateRenderBrush(image), nullptr);
  EXPECT_EQ(GetRenderImagePixel(image, 1, 1), 0u);
  HBITMAP bitmap = MakeBitmap(2, 2, 32, std::vector<uint8_t>(16, 255));
  RenderImage *copy = CreateRenderImageFromBitmap(bitmap);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->width, 2);
  MainRenderTarget = saved;
  FreeRenderImage(copy);
  FreeRenderImage(image);
  DeleteObject(bitmap);
}

TEST_F(ImageObjectTest, SetRenderBackendChoices) {
  EXPECT_EQ(SetRenderBackend(2), 0);
  EXPECT_EQ(GetRenderBackend(), 1);
  EXPECT_EQ(SetRenderBackend(0), 1);
  EXPECT_EQ(GetRenderBackend(), 0);
  EXPECT_EQ(SetRenderBackend(1), 1); // the OS version code here is above 69
  EXPECT_EQ(GetRenderBackend(), 1);
}

TEST_F(ImageObjectTest, BitmapCopyAndBrushKeepPixelsAfterTheImageIsFreed) {
  HBITMAP bitmap = MakeBitmap(2, 1, 32, {0, 64, 128, 128, 10, 20, 30, 255});
  RenderImage *image = CreateRenderImageFromBitmap(bitmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(Pixel(image, 0, 0), (Bgra{0, 64, 128, 128}));
  EXPECT_EQ(Pixel(image, 1, 0), (Bgra{10, 20, 30, 255}));
  RenderBrush *brush = CreateRenderBrush(image);
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(brush->width, 2);
  EXPECT_EQ(TkListSize(BrushList), brushes_ + 1);
  FreeRenderImage(image);

  RenderImage *target = CreateRenderImage(4, 1, 0);
  StartRenderDrawing(target);
  SetRenderBrushExtendMode(brush, 1, 1);
  DrawRenderBrushBox(0, 0, 4, 1, brush);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 2, 0), (Bgra{0, 64, 128, 128}));
  EXPECT_EQ(Pixel(target, 3, 0), (Bgra{10, 20, 30, 255}));
  FreeRenderBrush(brush);
  FreeRenderImage(target);
  DeleteObject(bitmap);
}

TEST_F(ImageObjectTest, PresentingShowsBlackWhereTheImageIsTransparent) {
  RenderImage *image = CreateRenderImage(3, 1, 0);
  StartRenderDrawing(image);
  DrawRenderBox(1, 0, 1, 1, 0xFF0000, 1.0f); // blue in the middle pixel
  StopRenderDrawing();

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP window = MakeBitmap(3, 1, 32, std::vector<uint8_t>(12, 77));
  HGDIOBJ old = SelectObject(dc, window);
  EXPECT_EQ(DrawRenderImageToDC(image, dc), 0);
  SelectObject(dc, old);
  DeleteDC(dc);
  std::vector<Bgra> shown = ReadBitmap(window, 3, 1);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], (Bgra{0, 0, 0, 255}));
  EXPECT_EQ(shown[1], (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(shown[2], (Bgra{0, 0, 0, 255}));

  HBITMAP copy = RenderImageToBitmap(image);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(BitmapDepth(copy), 32);
  std::vector<Bgra> copied = ReadBitmap(copy, 3, 1);
  ASSERT_EQ(copied.size(), 3u);
  EXPECT_EQ(copied[1], (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(copied[2], (Bgra{0, 0, 0, 255}));
  DeleteObject(copy);
  DeleteObject(window);
  FreeRenderImage(image);
}

TEST_F(ImageObjectTest, ToolkitImagesAndDeviceContextsRoundTrip) {
  int64_t picture = TkCreateImage(TK_ANY, 2, 2, 32);
  ASSERT_NE(picture, 0);
  TkStartDrawing(picture);
  TkDrawingMode(TK_DRAW_ALL_CHANNELS);
  TkPlot(0, 0, TkRGBA(255, 0, 0, 255));
  TkPlot(1, 1, TkRGBA(0, 0, 40, 40));
  TkDrawingMode(TK_DRAW_DEFAULT);
  TkStopDrawing();

  RenderImage *image = CreateRenderImageFromToolkitImage(picture);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(Pixel(image, 0, 0), (Bgra{0, 0, 255, 255}));
  EXPECT_EQ(Pixel(image, 1, 1), (Bgra{40, 0, 0, 40}));
  EXPECT_EQ(Pixel(image, 1, 0), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(CreateRenderImageFromToolkitImage(0), nullptr);
  EXPECT_EQ(CreateRenderImageFromDC(nullptr), nullptr);

  int64_t back = RenderImageToToolkitImage(image);
  ASSERT_NE(back, 0);
  EXPECT_EQ(TkImageWidth(back), 2);
  TkStartDrawing(back);
  EXPECT_EQ(TkPoint(0, 0) & 0xFFFFFF, TkRGB(255, 0, 0));
  EXPECT_EQ(TkPoint(1, 0) & 0xFFFFFF, 0u); // transparent shows black
  EXPECT_EQ(TkPoint(1, 1) & 0xFFFFFF, TkRGB(0, 0, 40));
  TkStopDrawing();
  TkFreeImage(back);
  TkFreeImage(picture);
  FreeRenderImage(image);
}

} // namespace
