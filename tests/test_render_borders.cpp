// Borders and pixel processing: grabbing rectangles, cutting and drawing 9-slice borders,
// finding slice lines from pixels, reading pixels back, trimming, and HSL colours.
#include "test_render_fixture.h"

#include <algorithm>

namespace {

const Bgra ClearPixel = {0, 0, 0, 0};

// Opaque colours of the nine regions of the test border, by row then column.
const uint32_t Region[3][3] = {
    {TkRGB(200, 0, 0), TkRGB(0, 200, 0), TkRGB(0, 0, 200)},
    {TkRGB(200, 200, 0), TkRGB(0, 0, 0), TkRGB(0, 200, 200)},
    {TkRGB(200, 0, 200), TkRGB(100, 100, 100), TkRGB(50, 60, 70)},
};

Bgra Opaque(uint32_t rgb) {
  return {static_cast<int>((rgb >> 16) & 255), static_cast<int>((rgb >> 8) & 255), static_cast<int>(rgb & 255), 255};
}

// A 90 x 90 picture whose regions, cut at 20 and 70 both ways, have the colours above;
// the centre stays transparent.
RenderImage *BorderPicture() {
  RenderImage *image = CreateRenderImage(90, 90, 0);
  const float start[3] = {0, 20, 70}, size[3] = {20, 50, 20};
  StartRenderDrawing(image);
  for (int row = 0; row < 3; row++)
    for (int column = 0; column < 3; column++)
      if (row != 1 || column != 1)
        DrawRenderBox(start[column], start[row], size[column], size[row], Region[row][column], 1.0f);
  StopRenderDrawing();
  return image;
}

void ExpectPieceSizes(const RenderBorder *border, const int (&sizes)[8][2]) {
  for (int i = 0; i < BORDER_PIECE_COUNT; i++) {
    ASSERT_NE(border->piece[i], nullptr) << "piece " << i;
    EXPECT_EQ(border->piece[i]->width, sizes[i][0]) << "piece " << i;
    EXPECT_EQ(border->piece[i]->height, sizes[i][1]) << "piece " << i;
  }
}

void FreeBorderBrushes(RenderBorder *border) {
  for (RenderBrush *piece : border->piece) FreeRenderBrush(piece);
  if (border->mask) FreeBorderBrushes(border->mask);
}

// A 40 x 40 bitmap drawn as a frame by distance d from the nearest edge: d 0-1 light grey,
// 2-3 black, 4-7 half-transparent grey (stored B = G = R = 75, A = 128), from 8 on the
// centre colour 100 (opaque).
HBITMAP FramedBitmap() {
  uint8_t *p = nullptr;
  HBITMAP bitmap = MakeDibSection(40, -40, 32, &p);
  if (!bitmap) return nullptr;
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 40; x++, p += 4) {
      int d = std::min(std::min(x, y), std::min(39 - x, 39 - y));
      int level = d < 2 ? 200 : d < 4 ? 0 : d < 8 ? 75 : 100;
      p[0] = p[1] = p[2] = static_cast<uint8_t>(level);
      p[3] = d >= 4 && d < 8 ? 128 : 255;
    }
  return bitmap;
}

// ---------------------------------------------------------------------------------------
// Grabbing and cutting
// ---------------------------------------------------------------------------------------

using BorderTest = RenderTest;

TEST_F(BorderTest, GrabCopiesARectangleAndRefusesEmptyOnes) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  RenderImage *picture = BorderPicture();
  int64_t before = TkListSize(ImageList);
  EXPECT_EQ(GrabRenderImage(picture, 0, 0, 0, 5), nullptr);
  EXPECT_EQ(GrabRenderImage(picture, -1, 0, 5, 5), nullptr);
  EXPECT_EQ(GrabRenderImage(nullptr, 0, 0, 5, 5), nullptr);
  EXPECT_EQ(TkListSize(ImageList), before);
  RenderImage *piece = GrabRenderImage(picture, 65, 15, 10, 10);
  ASSERT_NE(piece, nullptr);
  EXPECT_EQ(piece->width, 10);
  EXPECT_EQ(Pixel(piece, 0, 0), Opaque(Region[0][1]));
  EXPECT_EQ(Pixel(piece, 9, 0), Opaque(Region[0][2]));
  EXPECT_EQ(Pixel(piece, 0, 9), ClearPixel);
  EXPECT_EQ(Pixel(piece, 9, 9), Opaque(Region[1][2]));
  FreeRenderImage(piece);
  FreeRenderImage(picture);
}

TEST_F(BorderTest, CutsEightPiecesAndTheMaskAlongTheSameLines) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  RenderImage *picture = BorderPicture();
  RenderImage *mask = BorderPicture();
  int64_t borders = TkListSize(BorderList);
  BorderMargins margins = {20, 20, 70, 70};
  RenderBorder *border = CreateRenderBorder(picture, mask, &margins);
  ASSERT_NE(border, nullptr);
  const int sizes[8][2] = {{20, 20}, {50, 20}, {20, 20}, {20, 50}, {20, 50}, {20, 20}, {50, 20}, {20, 20}};
  ExpectPieceSizes(border, sizes);
  ASSERT_NE(border->mask, nullptr);
  ExpectPieceSizes(border->mask, sizes);
  EXPECT_EQ(border->mask->mask, nullptr);
  // The piece images are gone; their brushes hold the pixels.
  EXPECT_EQ(TkListSize(ImageList), images_ + 2);
  EXPECT_EQ(TkListSize(BrushList), brushes_ + 16);
  EXPECT_EQ(TkListSize(BorderList), borders + 2);

  // Drawn at its own size, the border gives back the picture without its centre.
  RenderImage *target = CreateRenderImage(90, 90, 0);
  StartRenderDrawing(target);
  DrawRenderBorder(border, 0, 0, 90, 90, 1.0f);
  StopRenderDrawing();
  const int probe[3] = {5, 45, 85};
  for (int row = 0; row < 3; row++)
    for (int column = 0; column < 3; column++) {
      Bgra want = row == 1 && column == 1 ? ClearPixel : Opaque(Region[row][column]);
      EXPECT_EQ(Pixel(target, probe[column], probe[row]), want) << row << ", " << column;
    }
  EXPECT_EQ(Pixel(target, 19, 19), Opaque(Region[0][0]));
  EXPECT_EQ(Pixel(target, 20, 19), Opaque(Region[0][1]));
  EXPECT_EQ(Pixel(target, 70, 70), Opaque(Region[2][2]));
  FreeBorderBrushes(border);
  FreeRenderImage(target);
  FreeRenderImage(picture);
  FreeRenderImage(mask);
}

TEST_F(BorderTest, CrossedMarginsAreMendedInTheCallersRecord) {
  RenderImage *picture = BorderPicture();
  BorderMargins margins = {70, 70, 20, 20};
  RenderBorder *border = CreateRenderBorder(picture, nullptr, &margins);
  EXPECT_EQ(margins.left, 1);
  EXPECT_EQ(margins.right, 2);
  EXPECT_EQ(margins.top, 1);
  EXPECT_EQ(margins.bottom, 2);
  const int sizes[8][2] = {{1, 1}, {1, 1}, {88, 1}, {1, 1}, {88, 1}, {1, 88}, {1, 88}, {88, 88}};
  ExpectPieceSizes(border, sizes);
  EXPECT_EQ(border->mask, nullptr);
  FreeBorderBrushes(border);
  FreeRenderImage(picture);
}

TEST_F(BorderTest, EdgesTileAndARectangleAsWideAsTheCornersHasNoTopEdge) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  RenderImage *picture = BorderPicture();
  BorderMargins margins = {20, 20, 70, 70};
  RenderBorder *border = CreateRenderBorder(picture, nullptr, &margins);
  RenderImage *target = CreateRenderImage(200, 100, 0);
  StartRenderDrawing(target);
  DrawRenderBorder(border, 0, 0, 40, 90, 1.0f);    // w0 + w2 wide
  DrawRenderBorder(border, 50, 0, 150, 100, 0.0f); // invisible
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 19, 0), Opaque(Region[0][0]));
  EXPECT_EQ(Pixel(target, 20, 0), Opaque(Region[0][2]));
  EXPECT_EQ(Pixel(target, 39, 19), Opaque(Region[0][2]));
  EXPECT_EQ(Pixel(target, 40, 0), ClearPixel);
  EXPECT_EQ(Pixel(target, 5, 45), Opaque(Region[1][0]));
  EXPECT_EQ(Pixel(target, 35, 45), Opaque(Region[1][2]));
  EXPECT_EQ(Pixel(target, 20, 45), Opaque(Region[1][2])); // the side edges meet too
  EXPECT_EQ(Pixel(target, 19, 89), Opaque(Region[2][0]));
  EXPECT_EQ(Pixel(target, 20, 89), Opaque(Region[2][2]));
  EXPECT_EQ(Pixel(target, 100, 5), ClearPixel);

  // Wider than the picture: the top edge repeats its 50 columns from x = 20.
  StartRenderDrawing(target);
  DrawRenderBox(0, 0, 200, 100, 0, 0.0f);
  DrawRenderBorder(border, 0, 0, 200, 100, 1.0f);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 150, 10), Opaque(Region[0][1]));
  EXPECT_EQ(Pixel(target, 185, 10), Opaque(Region[0][2]));
  EXPECT_EQ(Pixel(target, 100, 85), Opaque(Region[2][1]));
  FreeBorderBrushes(border);
  FreeRenderImage(target);
  FreeRenderImage(picture);
}

// A negative width and height (the demo's second frame for a pointer left of and above its
// corner) put the pieces backwards from the corner, as Direct2D fills rectangles given with
// their edges out of order; later pieces cover earlier ones. Around (60, 60), -40 x -40: the
// top edge spans x 0 .. 80 at y 60 .. 80, the right edge x 0 .. 20 at y 0 .. 80, the left
// edge x 60 .. 80, the bottom edge x 0 .. 80 at y 0 .. 20.
TEST_F(BorderTest, ANegativeSizeDrawsThePiecesBackwardsFromTheCorner) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  RenderImage *picture = BorderPicture();
  BorderMargins margins = {20, 20, 70, 70};
  RenderBorder *border = CreateRenderBorder(picture, nullptr, &margins);
  RenderImage *target = CreateRenderImage(80, 80, 0);
  StartRenderDrawing(target);
  DrawRenderBorder(border, 60, 60, -40, -40, 1.0f);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 40, 70), Opaque(Region[0][1]));
  EXPECT_EQ(Pixel(target, 40, 10), Opaque(Region[2][1]));
  EXPECT_EQ(Pixel(target, 10, 40), Opaque(Region[1][2]));
  EXPECT_EQ(Pixel(target, 70, 40), Opaque(Region[1][0]));
  EXPECT_EQ(Pixel(target, 70, 70), Opaque(Region[1][0])); // the left edge over both top pieces
  EXPECT_EQ(Pixel(target, 10, 10), Opaque(Region[2][2])); // the last corner over both edges
  EXPECT_EQ(Pixel(target, 40, 40), ClearPixel);
  FreeBorderBrushes(border);
  FreeRenderImage(target);
  FreeRenderImage(picture);
}

TEST_F(BorderTest, BorderOfImagesThatFailedToLoadDrawsNothing) {
  BorderMargins margins = {20, 20, 70, 70};
  RenderBorder *border = CreateRenderBorder(nullptr, nullptr, &margins);
  ASSERT_NE(border, nullptr);
  for (RenderBrush *piece : border->piece) EXPECT_EQ(piece, nullptr);
  RenderImage *target = CreateRenderImage(10, 10, 0);
  StartRenderDrawing(target);
  EXPECT_EQ(DrawRenderBorder(border, 0, 0, 10, 10, 1.0f), 0);
  EXPECT_EQ(DrawRenderBorder(nullptr, 0, 0, 10, 10, 1.0f), 0);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 0, 0), ClearPixel);
  EXPECT_EQ(TkListSize(BrushList), brushes_);
  FreeRenderImage(target);
}

// ---------------------------------------------------------------------------------------
// Finding slice lines
// ---------------------------------------------------------------------------------------

using BorderDetectTest = RenderTest;

TEST_F(BorderDetectTest, ProbesStopAtTheFirstPixelLikeTheCentre) {
  HBITMAP frame = FramedBitmap();
  ASSERT_NE(frame, nullptr);
  // Phase 1 stops each probe one pixel inside the black line (d = 4); phase 2 passes the
  // half-transparent band (alpha 128 unlike the centre's 255, luminance 75 more than 20
  // away from 100) and stops at d = 8. Margins sit 5 pixels further in.
  BorderMargins margins = {-1, -1, -1, -1};
  EXPECT_EQ(DetectBorderMargins(frame, &margins), 1);
  EXPECT_EQ(margins.left, 8 + 5);
  EXPECT_EQ(margins.top, 8 + 5);
  EXPECT_EQ(margins.right, 31 - 5);
  EXPECT_EQ(margins.bottom, 31 - 5);

  int foreign = 0;
  BorderMargins untouched = {7, 7, 7, 7};
  EXPECT_EQ(DetectBorderMargins(&foreign, &untouched), 0);
  EXPECT_EQ(untouched.left, 7);
  EXPECT_EQ(untouched.bottom, 7);
  DeleteObject(frame);
}

TEST_F(BorderDetectTest, BorderWithoutMarginsFindsThemFromItsPixels) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  HBITMAP frame = FramedBitmap();
  RenderImage *picture = CreateRenderImageFromBitmap(frame);
  ASSERT_NE(picture, nullptr);
  // Searched in the picture over opaque black, everything is opaque, so the second phase
  // matches where the first stopped (d = 4): margins 9, 9, 30, 30.
  RenderBorder *border = CreateRenderBorder(picture, nullptr, nullptr);
  const int sizes[8][2] = {{9, 9}, {21, 9}, {10, 9}, {9, 21}, {10, 21}, {9, 10}, {21, 10}, {10, 10}};
  ExpectPieceSizes(border, sizes);
  FreeBorderBrushes(border);
  FreeRenderImage(picture);
  DeleteObject(frame);
}

// ---------------------------------------------------------------------------------------
// Reading pixels and trimming
// ---------------------------------------------------------------------------------------

using PixelTest = RenderTest;

TEST_F(PixelTest, ReadsTheStoredPixelWithItsAlpha) {
  RenderImage *image = CreateRenderImage(3, 2, 0);
  StartRenderDrawing(image);
  DrawRenderBox(1, 1, 1, 1, TkRGB(255, 128, 0), 1.0f);
  StopRenderDrawing();
  RenderImage *half = SolidImage(2, 2, 255, 128, 0, 128); // stores 128, 64, 0, 128
  EXPECT_EQ(GetRenderImagePixel(image, 1, 1), TkRGBA(255, 128, 0, 255));
  EXPECT_EQ(GetRenderImagePixel(image, 0, 0), 0u);
  EXPECT_EQ(GetRenderImagePixel(half, 1, 0), TkRGBA(128, 64, 0, 128));
  EXPECT_EQ(GetRenderImagePixel(half, 2, 0), 0u);
  EXPECT_EQ(GetRenderImagePixel(half, 0, -1), 0u);
  EXPECT_EQ(GetRenderImagePixel(nullptr, 0, 0), 0u);

  EXPECT_EQ(TkListSize(ImageList), images_ + 2);
  FreeRenderImage(image);
  FreeRenderImage(half);
}

TEST_F(PixelTest, StraightChannelsStillGiveTheirAlpha) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  const uint8_t clear[4] = {0, 0, 0, 0};
  const uint8_t orange[4] = {255, 128, 0, 128};
  WritePng(File("straight.png"), 2, 1, Picture(2, 1, clear, 0, 0, 1, 1, orange));
  RenderImage *image = LoadRenderImage(File("straight.png"), 0, 0, RENDER_LOAD_STRAIGHT);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(GetRenderImagePixel(image, 0, 0), TkRGBA(255, 128, 0, 128));
  EXPECT_EQ(GetRenderImagePixel(image, 1, 0), 0u);
  FreeRenderImage(image);
}

TEST_F(PixelTest, TrimCropsToTheVisiblePixels) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  RenderImage *image = CreateRenderImage(10, 8, 0);
  StartRenderDrawing(image);
  DrawRenderBox(2, 3, 5, 2, TkRGB(0, 0, 255), 1.0f);  // x 2-6, y 3-4
  DrawRenderBox(4, 5, 1, 1, TkRGB(255, 0, 0), 0.25f); // faint, still visible: y 5
  StopRenderDrawing();

  BorderMargins margins = {-1, -1, -1, -1};
  RenderImage *trimmed = TrimRenderImage(image, &margins, 0);
  ASSERT_NE(trimmed, nullptr);
  EXPECT_EQ(trimmed->width, 5);
  EXPECT_EQ(trimmed->height, 3);
  EXPECT_EQ(margins.left, 2);
  EXPECT_EQ(margins.top, 3);
  EXPECT_EQ(margins.right, 3); // strip widths, not positions
  EXPECT_EQ(margins.bottom, 2);
  EXPECT_EQ(Pixel(trimmed, 0, 0), (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(trimmed, 2, 2).a, 64);
  EXPECT_EQ(Pixel(trimmed, 0, 2), ClearPixel);

  // Only the left side: the rest keeps the full extent.
  RenderImage *leftOnly = TrimRenderImage(image, &margins, 1);
  ASSERT_NE(leftOnly, nullptr);
  EXPECT_EQ(leftOnly->width, 8);
  EXPECT_EQ(leftOnly->height, 8);
  EXPECT_EQ(margins.left, 2);
  EXPECT_EQ(margins.top, 0);
  EXPECT_EQ(margins.right, 0);

  RenderImage *empty = CreateRenderImage(4, 4, 0);
  int64_t before = TkListSize(ImageList);
  EXPECT_EQ(TrimRenderImage(empty, nullptr, 0), nullptr);
  EXPECT_EQ(TrimRenderImage(nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(TkListSize(ImageList), before);
  FreeRenderImage(empty);
  FreeRenderImage(leftOnly);
  FreeRenderImage(trimmed);
  FreeRenderImage(image);
}

// ---------------------------------------------------------------------------------------
// HSL colours
// ---------------------------------------------------------------------------------------

TEST(HSLToRGBTest, PrimariesGreyAndRangeLimits) {
  EXPECT_EQ(HSLToRGB({0, 1, 0.5f}), 255u);
  EXPECT_EQ(HSLToRGB({120, 1, 0.5f}), 65280u);
  EXPECT_EQ(HSLToRGB({240, 1, 0.5f}), 16711680u);
  EXPECT_EQ(HSLToRGB({77, 0, 0.5f}), 127u + 127u * 256 + 127u * 65536);
  // Hue 60 at full saturation: red and green full, blue none.
  EXPECT_EQ(HSLToRGB({60, 1, 0.5f}), TkRGB(255, 255, 0));
  // Lightness 0.25, saturation 1: q = 0.5, p = 0: red 127 at hue 0.
  EXPECT_EQ(HSLToRGB({0, 1, 0.25f}), TkRGB(127, 0, 0));
  // Lightness beyond 1 stays within each channel's byte.
  EXPECT_EQ(HSLToRGB({0, 0, 2.0f}), TkRGB(255, 255, 255));
  EXPECT_EQ(HSLToRGB({0, 0, -1.0f}), 0u);
}

} // namespace
