// The drawing context and the drawing operations: nesting, copies within one image,
// image draws with default sizes, solid boxes, brush fills and the brush list.
#include "test_render_fixture.h"

namespace {

const Bgra ClearPixel = {0, 0, 0, 0};
const Bgra RedPixel = {0, 0, 255, 255};
const Bgra BluePixel = {255, 0, 0, 255};
const Bgra GreenPixel = {0, 255, 0, 255};

// An image whose pixels (x, y) are opaque grey levels 10 * (1 + x + y * width).
RenderImage *NumberedImage(int width, int height) {
  RenderImage *image = CreateRenderImage(width, height, 0);
  StartRenderDrawing(image);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) {
      uint32_t level = 10u * (1 + x + y * width);
      DrawRenderBox(static_cast<float>(x), static_cast<float>(y), 1, 1, TkRGB(level, level, level), 1.0f);
    }
  StopRenderDrawing();
  return image;
}

Bgra Grey(int level) { return {level, level, level, 255}; }

// ---------------------------------------------------------------------------------------
// Drawing context
// ---------------------------------------------------------------------------------------

using DrawingContextTest = RenderTest;

TEST_F(DrawingContextTest, NestedContextsDrawIntoTheirOwnTargets) {
  RenderImage *outer = CreateRenderImage(4, 1, 0);
  RenderImage *inner = CreateRenderImage(4, 1, 0);
  StartRenderDrawing(outer);
  DrawRenderBox(0, 0, 1, 1, 0x0000FF, 1.0f);
  StartRenderDrawing(inner);
  EXPECT_EQ(TkListSize(DrawingStack), 2);
  DrawRenderBox(1, 0, 1, 1, 0xFF0000, 1.0f);
  StopRenderDrawing();
  DrawRenderBox(2, 0, 1, 1, 0x00FF00, 1.0f);
  StopRenderDrawing();

  EXPECT_EQ(Pixel(outer, 0, 0), RedPixel);
  EXPECT_EQ(Pixel(outer, 1, 0), ClearPixel);
  EXPECT_EQ(Pixel(outer, 2, 0), GreenPixel);
  EXPECT_EQ(Pixel(inner, 0, 0), ClearPixel);
  EXPECT_EQ(Pixel(inner, 1, 0), BluePixel);
  EXPECT_EQ(Pixel(inner, 2, 0), ClearPixel);
  FreeRenderImage(outer);
  FreeRenderImage(inner);
}

TEST_F(DrawingContextTest, UnpairedStopAndNoBackendKeepTheStackStraight) {
  EXPECT_EQ(StopRenderDrawing(), 0);
  EXPECT_EQ(TkListSize(DrawingStack), 0);
  RenderImage *image = CreateRenderImage(2, 1, 0);
  RenderBackend = -1;
  StartRenderDrawing(image);
  StartRenderDrawing(image);
  EXPECT_EQ(TkListSize(DrawingStack), 2);
  DrawRenderBox(0, 0, 2, 1, 0x0000FF, 1.0f);
  CopyRenderImageArea(image, 0, 0, 1, 1, 1, 0);
  StopRenderDrawing();
  StopRenderDrawing();
  EXPECT_EQ(TkListSize(DrawingStack), 0);
  RenderBackend = 1;
  EXPECT_EQ(Pixel(image, 0, 0), ClearPixel);
  FreeRenderImage(image);
}

TEST_F(DrawingContextTest, CopyWithinOneImageReadsThePixelsAsTheyWere) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  RenderImage *image = NumberedImage(6, 1); // 10 20 30 40 50 60
  StartRenderDrawing(image);
  CopyRenderImageArea(image, 0, 0, 4, 1, 2, 0);
  StopRenderDrawing();
  // A copy that overwrote its own source on the way would give 10 20 10 20 10 20.
  const int want[6] = {10, 20, 10, 20, 30, 40};
  for (int x = 0; x < 6; x++) EXPECT_EQ(Pixel(image, x, 0), Grey(want[x])) << "x = " << x;
  FreeRenderImage(image);
}

TEST_F(DrawingContextTest, CopyFromAnotherImageReplacesPixels) {
  if (RunningUnderWine()) GTEST_SKIP() << WineCopyFromRenderTarget;
  RenderImage *source = NumberedImage(3, 2); // 10 20 30 / 40 50 60
  RenderImage *target = SolidImage(4, 3, 128, 0, 0, 255);
  StartRenderDrawing(target);
  CopyRenderImageArea(source, 1, 0, 2, 2, 2, 1);
  CopyRenderImageArea(source, 0, 0, 0, 2, 0, 0); // no width: nothing
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 2, 1), Grey(20));
  EXPECT_EQ(Pixel(target, 3, 1), Grey(30));
  EXPECT_EQ(Pixel(target, 2, 2), Grey(50));
  EXPECT_EQ(Pixel(target, 3, 2), Grey(60));
  EXPECT_EQ(Pixel(target, 0, 0), (Bgra{0, 0, 128, 255}));
  EXPECT_EQ(Pixel(target, 1, 1), (Bgra{0, 0, 128, 255}));
  FreeRenderImage(source);
  FreeRenderImage(target);
}

// ---------------------------------------------------------------------------------------
// Image draws
// ---------------------------------------------------------------------------------------

using DrawImageTest = RenderTest;

TEST_F(DrawImageTest, NegativeSizesTakeTheImagesAndZeroDrawsNothing) {
  RenderImage *picture = NumberedImage(2, 2); // 10 20 / 30 40
  RenderImage *target = CreateRenderImage(6, 6, 0);
  StartRenderDrawing(target);
  DrawRenderImage(picture, 1, 1, -1, -1, 1.0f);
  DrawRenderImage(picture, 4, 4, 0, -1, 1.0f);
  DrawRenderImage(picture, 4, 0, -1, 0, 1.0f);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 1, 1), Grey(10));
  EXPECT_EQ(Pixel(target, 2, 1), Grey(20));
  EXPECT_EQ(Pixel(target, 1, 2), Grey(30));
  EXPECT_EQ(Pixel(target, 2, 2), Grey(40));
  EXPECT_EQ(Pixel(target, 3, 3), ClearPixel);
  for (int y = 0; y < 6; y++)
    for (int x = 4; x < 6; x++) EXPECT_EQ(Pixel(target, x, y), ClearPixel) << x << ", " << y;
  FreeRenderImage(picture);
  FreeRenderImage(target);
}

TEST_F(DrawImageTest, ScaledDrawsSampleTheNearestPixel) {
  RenderImage *picture = NumberedImage(2, 1); // 10 20
  RenderImage *target = CreateRenderImage(4, 2, 0);
  StartRenderDrawing(target);
  DrawRenderImage(picture, 0, 0, 4, 2, 1.0f);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 1, 1), Grey(10));
  EXPECT_EQ(Pixel(target, 2, 0), Grey(20));
  EXPECT_EQ(Pixel(target, 3, 1), Grey(20));
  FreeRenderImage(picture);
  FreeRenderImage(target);
}

TEST_F(DrawImageTest, PartDefaultsToTheImagesSizeNotTheSources) {
  RenderImage *picture = NumberedImage(2, 2); // 10 20 / 30 40
  RenderImage *target = CreateRenderImage(4, 4, 0);
  StartRenderDrawing(target);
  // The right column (1 wide, full height) drawn into a rectangle of the image's size.
  DrawRenderImagePart(picture, 1, 0, 1, -1, 0, 0, -1, -1, 1.0f);
  // Everything defaulted: the whole image at natural size.
  DrawRenderImagePart(picture, 0, 0, -1, -1, 2, 2, -1, -1, 1.0f);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 0, 0), Grey(20));
  EXPECT_EQ(Pixel(target, 1, 0), Grey(20));
  EXPECT_EQ(Pixel(target, 0, 1), Grey(40));
  EXPECT_EQ(Pixel(target, 1, 1), Grey(40));
  EXPECT_EQ(Pixel(target, 2, 2), Grey(10));
  EXPECT_EQ(Pixel(target, 3, 3), Grey(40));
  FreeRenderImage(picture);
  FreeRenderImage(target);
}

TEST_F(DrawImageTest, OpacityAndSourceOverBlending) {
  RenderImage *picture = SolidImage(1, 1, 0, 0, 255, 200); // stores blue 200, alpha 200
  RenderImage *target = SolidImage(2, 1, 100, 0, 0, 255);  // opaque red 100
  StartRenderDrawing(target);
  DrawRenderImage(picture, 0, 0, -1, -1, 1.0f);
  DrawRenderImage(picture, 1, 0, -1, -1, 0.0f);
  StopRenderDrawing();
  // Source over: red 100 * (255 - 200) / 255 = 21.6, blue 200, alpha 255.
  Bgra blended = Pixel(target, 0, 0);
  EXPECT_EQ(blended.b, 200);
  EXPECT_NEAR(blended.r, 22, 1);
  EXPECT_EQ(blended.a, 255);
  EXPECT_EQ(Pixel(target, 1, 0), (Bgra{0, 0, 100, 255}));
  FreeRenderImage(picture);
  FreeRenderImage(target);
}

// ---------------------------------------------------------------------------------------
// Solid boxes
// ---------------------------------------------------------------------------------------

using DrawBoxTest = RenderTest;

TEST_F(DrawBoxTest, ColoursAreRedInTheLowByte) {
  RenderImage *target = CreateRenderImage(3, 1, 0);
  StartRenderDrawing(target);
  DrawRenderBox(0, 0, 1, 1, 0x0000FF, 1.0f);
  DrawRenderBox(1, 0, 1, 1, 0xFF0000, 1.0f);
  DrawRenderBox(2, 0, 1, 1, 0xAA00FF00, 1.0f); // the top byte is not alpha
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 0, 0), RedPixel);
  EXPECT_EQ(Pixel(target, 1, 0), BluePixel);
  EXPECT_EQ(Pixel(target, 2, 0), GreenPixel);
  FreeRenderImage(target);
}

TEST_F(DrawBoxTest, AlphaZeroChangesNothingAndRectsMatchBoxes) {
  RenderImage *target = SolidImage(4, 3, 255, 255, 255, 40); // stores 40, 40, 40, 40
  StartRenderDrawing(target);
  DrawRenderBox(0, 0, 4, 3, 0xFFFFFF, 0.0f);
  RenderRect rect = {1, 1, 3, 2};
  DrawRenderBoxRect(&rect, 0x0000FF, 1.0f);
  StopRenderDrawing();
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 4; x++) {
      bool inside = y == 1 && (x == 1 || x == 2);
      EXPECT_EQ(Pixel(target, x, y), inside ? RedPixel : (Bgra{40, 40, 40, 40})) << x << ", " << y;
    }
  FreeRenderImage(target);
}

// ---------------------------------------------------------------------------------------
// Brushes
// ---------------------------------------------------------------------------------------

using BrushTest = RenderTest;

TEST_F(BrushTest, FreeingRemovesExactlyThatRecord) {
  RenderImage *picture = SolidImage(1, 1, 0, 0, 0, 255);
  RenderBrush *first = CreateRenderBrush(picture);
  RenderBrush *middle = CreateRenderBrush(picture);
  RenderBrush *last = CreateRenderBrush(picture);
  ASSERT_NE(middle, nullptr);
  EXPECT_EQ(TkListSize(BrushList), brushes_ + 3);
  EXPECT_EQ(FreeRenderBrush(nullptr), 0);
  EXPECT_EQ(TkListSize(BrushList), brushes_ + 3);
  FreeRenderBrush(middle);
  EXPECT_EQ(TkListSize(BrushList), brushes_ + 2);
  EXPECT_TRUE(TkListContains(BrushList, first));
  EXPECT_FALSE(TkListContains(BrushList, middle));
  EXPECT_TRUE(TkListContains(BrushList, last));
  FreeRenderBrush(middle); // stale: ignored
  EXPECT_EQ(TkListSize(BrushList), brushes_ + 2);
  FreeRenderBrush(first);
  FreeRenderBrush(last);
  EXPECT_EQ(TkListSize(BrushList), brushes_);
  FreeRenderImage(picture);
}

TEST_F(BrushTest, OriginAndWrapPlaceTheTiles) {
  RenderImage *picture = NumberedImage(2, 1); // 10 20
  RenderBrush *brush = CreateRenderBrush(picture);
  ASSERT_NE(brush, nullptr);
  SetRenderBrushExtendMode(brush, 1, 1);
  SetRenderBrushOrigin(brush, 1, 0);
  RenderImage *target = CreateRenderImage(6, 2, 0);
  StartRenderDrawing(target);
  DrawRenderBrushBox(0, 0, 5, 1, brush);
  StopRenderDrawing();
  // The tile starts at x = 1 and repeats both ways; only the rectangle is painted.
  const int want[5] = {20, 10, 20, 10, 20};
  for (int x = 0; x < 5; x++) EXPECT_EQ(Pixel(target, x, 0), Grey(want[x])) << "x = " << x;
  EXPECT_EQ(Pixel(target, 5, 0), ClearPixel);
  EXPECT_EQ(Pixel(target, 0, 1), ClearPixel);
  FreeRenderBrush(brush);
  FreeRenderImage(picture);
  FreeRenderImage(target);
}

TEST_F(BrushTest, TransformScaleAndOpacity) {
  RenderImage *picture = NumberedImage(2, 1); // 10 20
  RenderBrush *brush = CreateRenderBrush(picture);
  ASSERT_NE(brush, nullptr);
  RenderImage *target = CreateRenderImage(4, 3, 0);
  StartRenderDrawing(target);
  // Offset by 1, then doubled about (1, 0): image x u lands at 2u + 1, so the texel
  // centres (0.5 and 1.5) land at 2 and 4.
  SetRenderBrushTransform(brush, 2, 1, 1, 0, 0, 1, 0);
  DrawRenderBrushBox(1, 0, 3, 1, brush);
  // Doubled about (0, 0): texel centres at 1 and 3.
  SetRenderBrushScale(brush, 2, 1, 0, 0);
  DrawRenderBrushBox(0, 1, 4, 1, brush);
  SetRenderBrushOpacity(brush, 0.0f);
  DrawRenderBrushBox(0, 2, 4, 1, brush);
  StopRenderDrawing();
  // Brushes filter linearly: a pixel centre a quarter of the way from texel 10 to texel 20
  // reads 12.5, three quarters 17.5 (either neighbour of the half is fine).
  EXPECT_EQ(Pixel(target, 0, 0), ClearPixel);
  EXPECT_EQ(Pixel(target, 1, 0), Grey(10));
  EXPECT_NEAR(Pixel(target, 2, 0).g, 12.5, 0.5);
  EXPECT_NEAR(Pixel(target, 3, 0).g, 17.5, 0.5);
  EXPECT_EQ(Pixel(target, 0, 1), Grey(10));
  EXPECT_NEAR(Pixel(target, 1, 1).g, 12.5, 0.5);
  EXPECT_NEAR(Pixel(target, 2, 1).g, 17.5, 0.5);
  EXPECT_EQ(Pixel(target, 3, 1), Grey(20));
  for (int x = 0; x < 4; x++) EXPECT_EQ(Pixel(target, x, 2), ClearPixel);
  FreeRenderBrush(brush);
  FreeRenderImage(picture);
  FreeRenderImage(target);
}

TEST_F(BrushTest, OpacityMaskPaintsOnlyWhereTheMaskIsOpaque) {
  if (RunningUnderWine()) GTEST_SKIP() << WineOpacityMask;
  RenderImage *mask = CreateRenderImage(4, 1, 0);
  StartRenderDrawing(mask);
  DrawRenderBox(0, 0, 2, 1, 0, 1.0f); // opaque black on the left half
  StopRenderDrawing();
  RenderImage *colour = SolidImage(4, 1, 0, 0, 255, 255);
  RenderBrush *brush = CreateRenderBrush(colour);
  ASSERT_NE(brush, nullptr);
  RenderImage *target = CreateRenderImage(4, 1, 0);
  RenderRect all = {0, 0, 4, 1};
  StartRenderDrawing(target);
  FillRenderOpacityMask(mask, brush->brush, &all, &all);
  StopRenderDrawing();
  EXPECT_EQ(Pixel(target, 0, 0), BluePixel);
  EXPECT_EQ(Pixel(target, 1, 0), BluePixel);
  EXPECT_EQ(Pixel(target, 2, 0), ClearPixel);
  EXPECT_EQ(Pixel(target, 3, 0), ClearPixel);
  FreeRenderBrush(brush);
  FreeRenderImage(colour);
  FreeRenderImage(mask);
  FreeRenderImage(target);
}

} // namespace
